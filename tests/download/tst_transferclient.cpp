// The transfer client against an owner scripted in the test: the request
// exchange, every end state, resume and overwrite, Stop in each phase,
// progress during a long transfer, and when the queue goes on. The cases that
// end a transfer run both through splice and through the copy that serves
// where splice cannot.
#include "clientharness.h"
#include "download/targetfile.h"
#include "promptrecorder.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A case that ends a transfer runs once spliced and once copied: the column
// "copy" comes first, and each row of values is added for both.
void addPathColumn() { QTest::addColumn<bool>("copy"); }
template <typename... Values> void addPathRows(const char *name, Values... values) {
    for (const bool copy : {false, true}) {
        QTestData &row = QTest::addRow("%s%s", name, copy ? "copied" : "spliced") << copy;
        (row << ... << values);
    }
}
// For a case with nothing else to vary.
void addPathRowsOnly() {
    addPathColumn();
    addPathRows("");
}

} // namespace

class TestTransferClient : public QObject {
    Q_OBJECT

    std::unique_ptr<ClientHarness> h;
    std::unique_ptr<QTemporaryDir> dir;
    PromptRecorder prompts;

    QString path(const QString &name) { return dir->path() + QLatin1Char('/') + name; }
    // Queues /srv/<name> of the scripted owner into the temporary folder.
    void queue(const QString &name, bool overwrite = true, const QStringList &below = {}) {
        QVERIFY(h->down().AddDownload(name, QStringLiteral("OWNER"), overwrite,
                                      MakeTarget(dir->path(), QStringList(below) << name), QStringLiteral("/srv/"),
                                      kOwnerIP));
    }
    bool startAndAwaitRequest(int requests = 1) {
        h->client().StartAll();
        return h->awaitRequests(requests);
    }
    // One row through the whole exchange; returns when it has ended.
    void fetch(int r, const QString &name, qint64 size, ScriptedFileServer &server) {
        h->answer(QStringLiteral("/srv/") + name, size, server.port());
        QCOMPARE(h->state(r), rowstate::Transferring);
        QTRY_VERIFY_WITH_TIMEOUT(!h->row(r).IsActive(), 15000);
    }
    void usePathOfRow() {
        QFETCH(bool, copy);
        h->client().SetReceivePath(copy ? ReceiveLoop::Path::Copy : ReceiveLoop::Path::Splice);
    }

private slots:
    void init() {
        h = std::make_unique<ClientHarness>();
        dir = std::make_unique<QTemporaryDir>();
        prompts.asked.clear();
    }
    void cleanup() {
        h.reset();
        dir.reset();
    }

    void wholeExchangeAndTransfer() {
        // The chosen folder itself is gone, as when the user removed it while the row waited.
        QVERIFY(h->down().AddDownload(QStringLiteral("f.bin"), QStringLiteral("OWNER"), true,
                                      MakeTarget(path(QStringLiteral("gone/down")),
                                                 {QStringLiteral("sub"), QStringLiteral("deep"), QStringLiteral("f.bin")}),
                                      QStringLiteral("/srv/"), kOwnerIP));
        QVERIFY(startAndAwaitRequest());
        QCOMPARE(h->sent("@_+S").first(), QStringLiteral("ME;OWNER;/srv/f.bin"));
        QCOMPARE(h->state(0), rowstate::Connecting);
        QVERIFY(h->down().Timer_FileDown()->isActive());
        QVERIFY(!h->client().StartEnabled());
        QVERIFY(QFileInfo(path(QStringLiteral("gone/down/sub/deep"))).isDir()); // made before the request went out

        const QByteArray data = Pattern(1 << 20);
        ScriptedFileServer server(data, ScriptedFileServer::Ending::Close);
        h->reply("@_+I", QStringLiteral("/srv/f.bin;1048576"));
        QCOMPARE(h->sent("@_+R"), QStringList{QStringLiteral("ME;/srv/f.bin;0")});
        QVERIFY(h->down().Timer_FileDown()->isActive()); // the wait covers the whole exchange
        h->reply("@_+K", QStringLiteral("%1;/srv/f.bin;1048576;").arg(server.port()));
        QCOMPARE(h->state(0), rowstate::Transferring);
        QCOMPARE(h->row(0)[DownloadRow::Size], QStringLiteral("1048576"));
        QCOMPARE(h->row(0).icon, int(kIconTransferring));
        QVERIFY(!h->down().Timer_FileDown()->isActive());
        QVERIFY(h->down().Timer_Connect()->isActive());

        QTRY_COMPARE_WITH_TIMEOUT(h->state(0), rowstate::Complete, 10000);
        QCOMPARE(readAll(path(QStringLiteral("gone/down/sub/deep/f.bin"))), data);
        QCOMPARE(h->row(0)[DownloadRow::Received], QStringLiteral("1048576"));
        QCOMPARE(h->row(0)[DownloadRow::Progress], QStringLiteral("100 %"));
        QCOMPARE(h->row(0).icon, int(kIconComplete));
        QVERIFY(h->down().Timer_DownCTL()->isActive());
        // Nothing left: the window comes up and the queue is idle.
        QTRY_VERIFY(h->client().StartEnabled());
        QVERIFY(h->down().isVisible());
    }

    void repliesOnlyCountFromTheOwnerAboutThisFile() {
        queue(QStringLiteral("a"));
        QVERIFY(startAndAwaitRequest());
        h->reply("@_+O", {}, QStringLiteral("127.0.0.9"));
        h->reply("@_+I", QStringLiteral("/srv/other;5"));
        h->reply("@_+K", QStringLiteral("1;/srv/other;5;"));
        QCOMPARE(h->state(0), rowstate::Connecting);
        QVERIFY(h->sent("@_+R").isEmpty());
        QVERIFY(h->down().Timer_FileDown()->isActive());
    }

    void answersCountOnlyForThisAttemptAndItsSize() {
        // 300 of 1000 bytes are here. An earlier attempt's "@_+K" comes before
        // this attempt's "@_+I": taken, it would start from 0 and truncate them.
        const QByteArray whole = Pattern(1000);
        writeFile(path(QStringLiteral("r")), whole.left(300));
        queue(QStringLiteral("r"), false);
        QVERIFY(startAndAwaitRequest());
        ScriptedFileServer stale(whole, ScriptedFileServer::Ending::Close);
        h->reply("@_+K", QStringLiteral("%1;/srv/r;1000;").arg(stale.port()));
        QCOMPARE(h->state(0), rowstate::Connecting);
        QVERIFY(!h->down().Timer_Connect()->isActive());
        h->reply("@_+I", QStringLiteral("/srv/r;1000"));
        h->reply("@_+I", QStringLiteral("/srv/r;1000")); // a repeated answer starts no second file server
        QCOMPARE(h->sent("@_+R"), QStringList{QStringLiteral("ME;/srv/r;300")});
        // A size other than the one announced is refused.
        h->reply("@_+K", QStringLiteral("%1;/srv/r;1000000000000;").arg(stale.port()));
        QCOMPARE(h->state(0), rowstate::Connecting);
        ScriptedFileServer rest(whole.mid(300), ScriptedFileServer::Ending::Close);
        h->reply("@_+K", QStringLiteral("%1;/srv/r;1000;").arg(rest.port()));
        QTRY_COMPARE_WITH_TIMEOUT(h->state(0), rowstate::Complete, 10000);
        QCOMPARE(readAll(path(QStringLiteral("r"))), whole);
    }

    void requestsThatCannotEndWellEndBeforeTheStart_data() {
        QTest::addColumn<QString>("announced");
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("queueGoesOn");
        // The local file of a resume is longer than the owner's file: it is some other file.
        QTest::newRow("local file longer") << "10" << rowstate::Broken << true;
        QTest::newRow("no room on the disk") << "1000000000000000" << rowstate::CreateError << false;
    }
    void requestsThatCannotEndWellEndBeforeTheStart() {
        QFETCH(QString, announced);
        QFETCH(QString, state);
        QFETCH(bool, queueGoesOn);
        const QByteArray old = Pattern(20);
        writeFile(path(QStringLiteral("a")), old);
        queue(QStringLiteral("a"), false);
        queue(QStringLiteral("b"));
        QVERIFY(startAndAwaitRequest());
        h->reply("@_+I", QStringLiteral("/srv/a;") + announced);
        QCOMPARE(h->state(0), state);
        QVERIFY(h->sent("@_+R").isEmpty());
        QVERIFY(!h->down().Timer_FileDown()->isActive());
        QCOMPARE(readAll(path(QStringLiteral("a"))), old);
        QCOMPARE(h->down().Timer_DownCTL()->isActive(), queueGoesOn);
    }

    void onlyASingleHostIsAsked() {
        // Crafted list entries: inet_addr would make most of these the broadcast address.
        const QStringList bad{QStringLiteral("QM2"), QStringLiteral("10.0.0"), QStringLiteral("255.255.255.255"),
                              QStringLiteral("0.0.0.0"), QStringLiteral("224.0.0.1"), QStringLiteral("1.2.3.4.5")};
        for (const QString &ip : bad)
            QVERIFY(h->down().AddDownload(QStringLiteral("x"), QStringLiteral("OWNER"), true,
                                          MakeTarget(dir->path(), {ip}), QStringLiteral("/srv/"), ip));
        queue(QStringLiteral("b"));
        h->client().StartAll();
        QTRY_COMPARE_WITH_TIMEOUT(h->state(bad.size()), rowstate::Connecting, 10000);
        QCOMPARE(h->sent("@_+S"), QStringList{QStringLiteral("ME;OWNER;/srv/b")});
        for (int r = 0; r < bad.size(); ++r) QCOMPARE(h->state(r), rowstate::ConnectFailed);
    }

    void refusalsEndTheRowAndTheQueueGoesOn() {
        for (const char *n : {"a", "b", "c", "d"}) queue(QString::fromLatin1(n));
        QVERIFY(startAndAwaitRequest());
        h->reply("@_+O", {});
        QCOMPARE(h->state(0), QStringLiteral("요청파일없음"));
        QTRY_COMPARE(h->sent("@_+S").size(), 2);
        h->reply("@_+V", {});
        QCOMPARE(h->state(1), QStringLiteral("파일서버없음"));
        QTRY_COMPARE(h->sent("@_+S").size(), 3);
        h->reply("@_+M", {});
        QCOMPARE(h->state(2), QStringLiteral("파일서버바쁨"));
        QCOMPARE(h->row(2).icon, int(kIconFailed));
        QTRY_COMPARE(h->sent("@_+S").size(), 4);
        QCOMPARE(h->sent("@_+S").last(), QStringLiteral("ME;OWNER;/srv/d"));
        // A refusal that nobody waits for changes nothing.
        h->reply("@_+O", {});
        h->reply("@_+O", {});
        QCOMPARE(h->state(3), QStringLiteral("요청파일없음"));
        QTest::qWait(700);
        QCOMPARE(h->queue().Counters().failed, 4);
    }

    // The one case that waits the program's real 5 s.
    void noAnswerAndALateAnswer() {
        h = std::make_unique<ClientHarness>(Timings{});
        queue(QStringLiteral("a"));
        queue(QStringLiteral("b"));
        QVERIFY(startAndAwaitRequest());
        QElapsedTimer t;
        t.start();
        QTRY_COMPARE_WITH_TIMEOUT(h->state(0), QStringLiteral("응답없음"), 7000);
        QVERIFY2(t.elapsed() >= 4500, qPrintable(QString::number(t.elapsed())));
        QTRY_COMPARE(h->sent("@_+S").size(), 2);
        // The answer about a comes after its 5 seconds, while b is asked for.
        h->reply("@_+K", QStringLiteral("1;/srv/a;5;"));
        QCOMPARE(h->state(0), QStringLiteral("응답없음"));
        QCOMPARE(h->state(1), rowstate::Connecting);
        QTRY_COMPARE_WITH_TIMEOUT(h->state(1), QStringLiteral("응답없음"), 7000);
        h->reply("@_+K", QStringLiteral("1;/srv/b;5;"));
        QVERIFY(!h->down().Timer_Connect()->isActive());
        QCOMPARE(h->state(1), QStringLiteral("응답없음"));
    }

    void connectRefusedAndConnectStalled() {
        queue(QStringLiteral("a"));
        queue(QStringLiteral("b"));
        QVERIFY(startAndAwaitRequest());
        quint16 closedPort;
        {
            QTcpServer s;
            s.listen(QHostAddress::LocalHost);
            closedPort = s.serverPort();
        }
        h->answer(QStringLiteral("/srv/a"), 5, closedPort);
        QTRY_COMPARE(h->state(0), QStringLiteral("연결실패"));
        QCOMPARE(h->client().TransferSignal(), int(TransferClient::kConnectFailed));
        QTRY_COMPARE(h->sent("@_+S").size(), 2);

        StalledListener stalled;
        h->answer(QStringLiteral("/srv/b"), 5, stalled.port());
        QTest::qWait(1000);
        QCOMPARE(h->state(1), rowstate::Transferring);
        QTRY_COMPARE_WITH_TIMEOUT(h->state(1), QStringLiteral("전송지연"), 7000);
        QCOMPARE(h->client().TransferSignal(), int(TransferClient::kConnectTimedOut));
        QVERIFY(!QFile::exists(path(QStringLiteral("b")))); // the file is opened only once connected
    }

    void fileCreationErrorStopsTheQueue_data() {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("link out of the folder") << false;
        // Opened as a file, it would hold the program until a reader comes.
        QTest::newRow("fifo at the target") << true;
    }
    void fileCreationErrorStopsTheQueue() {
        QFETCH(bool, fifo);
        QTemporaryDir outside;
        QVERIFY(QFile::link(outside.path(), path(QStringLiteral("away"))));
        if (fifo) {
            QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("a"))).constData(), 0600), 0);
            queue(QStringLiteral("a"));
        } else {
            queue(QStringLiteral("a"), true, {QStringLiteral("away")});
        }
        queue(QStringLiteral("b"));
        QVERIFY(startAndAwaitRequest());
        ScriptedFileServer server(Pattern(100), ScriptedFileServer::Ending::Close);
        fetch(0, QStringLiteral("a"), 100, server);
        QCOMPARE(h->state(0), QStringLiteral("파일생성에러"));
        QCOMPARE(h->row(0).icon, int(kIconFailed));
        QVERIFY(QDir(outside.path()).isEmpty());
        QVERIFY(!h->down().Timer_DownCTL()->isActive());
        QTest::qWait(1000);
        QCOMPARE(h->sent("@_+S").size(), 1);
        QVERIFY(h->state(1).isEmpty());
        // Start All takes the queue up again.
        h->client().StartAll();
        QTRY_COMPARE(h->sent("@_+S").size(), 2);
    }

    void fewerBytesThanAnnouncedIsBroken_data() {
        addPathColumn();
        QTest::addColumn<int>("ending");
        addPathRows("server closes early, ", int(ScriptedFileServer::Ending::Close));
        addPathRows("connection reset, ", int(ScriptedFileServer::Ending::Abort));
    }
    void fewerBytesThanAnnouncedIsBroken() {
        usePathOfRow();
        QFETCH(int, ending);
        queue(QStringLiteral("a"));
        queue(QStringLiteral("b"));
        QVERIFY(startAndAwaitRequest());
        const QByteArray half = Pattern(50000);
        ScriptedFileServer server(half, ScriptedFileServer::Ending(ending));
        fetch(0, QStringLiteral("a"), 100000, server);
        QCOMPARE(h->state(0), rowstate::Broken);
        const QByteArray got = readAll(path(QStringLiteral("a")));
        QVERIFY(half.startsWith(got));
        QCOMPARE(h->row(0)[DownloadRow::Received], QString::number(got.size()));
        QTRY_COMPARE(h->sent("@_+S").size(), 2); // the queue goes on
    }

    void silenceEndsTheTransfer_data() { addPathRowsOnly(); }
    void silenceEndsTheTransfer() {
        usePathOfRow();
        queue(QStringLiteral("a"));
        queue(QStringLiteral("b"));
        QVERIFY(startAndAwaitRequest());
        const QByteArray data = Pattern(70000);
        ScriptedFileServer whole(data, ScriptedFileServer::Ending::StayOpen);
        fetch(0, QStringLiteral("a"), data.size(), whole);
        QCOMPARE(h->state(0), rowstate::Complete);
        QCOMPARE(readAll(path(QStringLiteral("a"))), data);

        QTRY_COMPARE(h->sent("@_+S").size(), 2);
        ScriptedFileServer part(data.left(1000), ScriptedFileServer::Ending::StayOpen);
        fetch(1, QStringLiteral("b"), data.size(), part);
        QCOMPARE(h->state(1), rowstate::Broken);
        QCOMPARE(readAll(path(QStringLiteral("b"))), data.left(1000));
    }

    void resumeOverwriteAndEmptyFiles_data() { addPathRowsOnly(); }
    void resumeOverwriteAndEmptyFiles() {
        usePathOfRow();
        // Resume: 300,000 bytes of a 1,000,000-byte file are here already.
        const QByteArray whole = Pattern(1000000);
        writeFile(path(QStringLiteral("r")), whole.left(300000));
        queue(QStringLiteral("r"), false);
        QStringList shown;
        connect(&h->queue(), &QAbstractItemModel::dataChanged, this, [&] {
            const DownloadRow &row = h->row(0);
            const QString s = row[DownloadRow::Received] + QLatin1Char('/') + row[DownloadRow::Progress];
            if (row[DownloadRow::State] == rowstate::Transferring && (shown.isEmpty() || shown.last() != s)) shown << s;
        });
        QVERIFY(startAndAwaitRequest());
        h->reply("@_+I", QStringLiteral("/srv/r;1000000"));
        QCOMPARE(h->sent("@_+R").last(), QStringLiteral("ME;/srv/r;300000"));
        ScriptedFileServer rest(whole.mid(300000), ScriptedFileServer::Ending::Close);
        h->reply("@_+K", QStringLiteral("%1;/srv/r;1000000;").arg(rest.port()));
        QTRY_COMPARE_WITH_TIMEOUT(h->state(0), rowstate::Complete, 10000);
        QCOMPARE(readAll(path(QStringLiteral("r"))), whole);
        QVERIFY(shown.size() >= 3);
        QCOMPARE(shown[0], QStringLiteral("0/0 %"));
        QCOMPARE(shown[1], QStringLiteral("300000/30 %"));
        QCOMPARE(shown.last(), QStringLiteral("1000000/100 %"));
        disconnect(&h->queue(), &QAbstractItemModel::dataChanged, this, nullptr);

        // Overwrite: the longer old file is cut to what arrives.
        writeFile(path(QStringLiteral("o")), Pattern(5000, 9));
        queue(QStringLiteral("o"), true);
        // Resume without a local file starts at 0; an empty file arrives whole.
        queue(QStringLiteral("n"), false);
        queue(QStringLiteral("z"), false);
        QTRY_COMPARE(h->sent("@_+S").size(), 2);
        const QByteArray fresh = Pattern(1000, 3);
        ScriptedFileServer o(fresh, ScriptedFileServer::Ending::Close);
        h->reply("@_+I", QStringLiteral("/srv/o;1000"));
        QCOMPARE(h->sent("@_+R").last(), QStringLiteral("ME;/srv/o;0"));
        h->reply("@_+K", QStringLiteral("%1;/srv/o;1000;").arg(o.port()));
        QTRY_COMPARE(h->state(1), rowstate::Complete);
        QCOMPARE(readAll(path(QStringLiteral("o"))), fresh);

        QTRY_COMPARE(h->sent("@_+S").size(), 3);
        ScriptedFileServer n(fresh, ScriptedFileServer::Ending::Close);
        h->reply("@_+I", QStringLiteral("/srv/n;1000"));
        QCOMPARE(h->sent("@_+R").last(), QStringLiteral("ME;/srv/n;0"));
        h->reply("@_+K", QStringLiteral("%1;/srv/n;1000;").arg(n.port()));
        QTRY_COMPARE(h->state(2), rowstate::Complete);
        QCOMPARE(readAll(path(QStringLiteral("n"))), fresh);

        QTRY_COMPARE(h->sent("@_+S").size(), 4);
        ScriptedFileServer z({}, ScriptedFileServer::Ending::Close);
        fetch(3, QStringLiteral("z"), 0, z);
        QCOMPARE(h->state(3), rowstate::Complete);
        QCOMPARE(h->row(3)[DownloadRow::Progress], QStringLiteral("0 %"));
        QCOMPARE(h->row(3)[DownloadRow::Received], QStringLiteral("0"));
        QVERIFY(QFileInfo(path(QStringLiteral("z"))).isFile());
        QCOMPARE(QFileInfo(path(QStringLiteral("z"))).size(), 0);
    }

    void failedWriteKeepsTheBytesAndGoesOn_data() { addPathRowsOnly(); }
    void failedWriteKeepsTheBytesAndGoesOn() {
        usePathOfRow();
        // A file-size limit stands in for a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 100000;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        queue(QStringLiteral("a"));
        queue(QStringLiteral("b"));
        QVERIFY(startAndAwaitRequest());
        const QByteArray data = Pattern(600000);
        ScriptedFileServer server(data, ScriptedFileServer::Ending::Close);
        fetch(0, QStringLiteral("a"), data.size(), server);
        ::setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(h->state(0), rowstate::Broken);
        QCOMPARE(readAll(path(QStringLiteral("a"))), data.left(100000));
        QTRY_COMPARE(h->sent("@_+S").size(), 2);
    }

    void stopInEachPhase_data() { addPathRowsOnly(); }
    void stopInEachPhase() {
        usePathOfRow();
        for (const char *n : {"a", "b", "c", "d"}) queue(QString::fromLatin1(n));
        QToolButton *stop = h->down().findChild<QToolButton *>(QStringLiteral("BB_Stop"));

        // During the connect: stopped, and the queue rests.
        QVERIFY(startAndAwaitRequest());
        StalledListener stalled;
        h->answer(QStringLiteral("/srv/a"), 5, stalled.port());
        QTest::qWait(500);
        stop->click();
        QCOMPARE(h->state(0), rowstate::Stopped);
        QCOMPARE(h->row(0).icon, int(kIconStopped));
        QVERIFY(h->client().StartEnabled());
        QTest::qWait(1000);
        QCOMPARE(h->sent("@_+S").size(), 1);

        // During a long transfer: the count keeps moving in the list, and a
        // stop ends the row at once, long before the server is through; what
        // has arrived stays in the file.
        QVERIFY(startAndAwaitRequest(2));
        const QByteArray whole = Pattern(32 << 20);
        ScriptedFileServer slow(whole, ScriptedFileServer::Ending::Close, 32 * 1024);
        QList<qint64> shown;
        connect(&h->queue(), &QAbstractItemModel::dataChanged, this, [&] {
            const qint64 n = h->row(1)[DownloadRow::Received].toLongLong();
            if (h->state(1) == rowstate::Transferring && n > 0 && (shown.isEmpty() || shown.last() != n)) shown << n;
        });
        h->answer(QStringLiteral("/srv/b"), whole.size(), slow.port());
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 3, 20000);
        disconnect(&h->queue(), &QAbstractItemModel::dataChanged, this, nullptr);
        stop->click();
        QCOMPARE(h->state(1), rowstate::Stopped);
        QVERIFY(slow.written() < whole.size());
        const QByteArray got = readAll(path(QStringLiteral("b")));
        QVERIFY(got.size() >= shown.last() && whole.startsWith(got));
        QCOMPARE(h->row(1)[DownloadRow::Received], QString::number(got.size()));
        QCOMPARE(h->row(1)[DownloadRow::Progress], QStringLiteral("%1 %").arg(got.size() * 100 / whole.size()));
        QTest::qWait(1000);
        QCOMPARE(h->sent("@_+S").size(), 2);

        // During the request: the owner's late "@_+K" still starts the
        // transfer, and the queue goes on after it as if nothing was pressed.
        QVERIFY(startAndAwaitRequest(3));
        stop->click();
        QCOMPARE(h->client().TransferSignal(), int(TransferClient::kStopRequested));
        ScriptedFileServer c(Pattern(10), ScriptedFileServer::Ending::Close);
        fetch(2, QStringLiteral("c"), 10, c);
        QCOMPARE(h->state(2), rowstate::Complete);
        QTRY_COMPARE(h->sent("@_+S").size(), 4);
    }
};

QTEST_MAIN(TestTransferClient)
#include "tst_transferclient.moc"
