// What a hostile peer can do to the program's own state, looked at from
// inside: a file server that sends more than it announced, or never sends,
// or never stops; share lists that name paths out of the download folder,
// fetched for real; a chat flood; malformed datagrams of every code.
#include "chat/chatcontroller.h"
#include "chat/chathandshake.h"
#include "chat/vchat.h"
#include "clientharness.h"
#include "core/dispatcher.h"
#include "core/workers.h"
#include "download/downconfirm.h"
#include "download/servedfiles.h"
#include "listing/folderlisting.h"
#include "listing/listingcontroller.h"
#include "listing/remotelisting.h"
#include "listing/searchresponder.h"
#include "peers/peerdirectory.h"
#include "peers/peertree.h"
#include "promptrecorder.h"
#include "shares/shareregistry.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <atomic>
#include <thread>
#include <vector>

// A sanitizer's quarantine keeps freed memory, so memory bounds hold only in a plain build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPlainHeap = false;
#else
constexpr bool kPlainHeap = true;
#endif

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

qint64 rssKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

// Every file and link below root, relative to it.
QStringList filesBelow(const QString &root) {
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) found << it.next().mid(root.size() + 1);
    found.sort();
    return found;
}

// Keeps writing the pattern until the client goes away.
class EndlessServer : public QObject {
public:
    EndlessServer() {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            socket_ = server_.nextPendingConnection();
            connect(socket_, &QTcpSocket::bytesWritten, this, &EndlessServer::more);
            more();
        });
    }
    quint16 port() const { return server_.serverPort(); }
    qint64 written() const { return written_; }

private:
    void more() {
        if (socket_->state() != QAbstractSocket::ConnectedState || socket_->bytesToWrite() > (1 << 20)) return;
        socket_->write(Pattern(1 << 18));
        written_ += 1 << 18;
    }
    QTcpServer server_;
    QTcpSocket *socket_ = nullptr;
    qint64 written_ = 0;
};

QStringList treeText(const QTreeWidgetItem *node, const QString &indent = {}) {
    QStringList lines{indent + node->text(0) + QLatin1Char('|') + node->text(1)};
    for (int i = 0; i < node->childCount(); ++i) lines << treeText(node->child(i), indent + QLatin1Char(' '));
    return lines;
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

    std::unique_ptr<ClientHarness> h;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<PromptRecorder> prompts;
    QTimer *dialogWatch = nullptr;

    QString path(const QString &name) { return dir->path() + QLatin1Char('/') + name; }
    void queue(const QString &name) {
        QVERIFY(h->down().AddDownload(name, QStringLiteral("OWNER"), true, MakeTarget(dir->path(), {name}),
                                      QStringLiteral("/srv/"), kOwnerIP));
    }
    void dispatch(const QString &from, const QByteArray &bytes) { h->form->dispatcher().DispatchDatagram(from, bytes); }
    // Every confirmation dialog is answered with folder, in overwrite mode.
    void confirmInto(const QString &folder) {
        delete dialogWatch;
        dialogWatch = new QTimer(this);
        dialogWatch->setInterval(10);
        connect(dialogWatch, &QTimer::timeout, this, [folder] {
            auto *d = qobject_cast<TDownConfirmForm *>(QApplication::activeModalWidget());
            if (!d) return;
            d->E_dpath()->setText(folder);
            d->RB_overwrite()->setChecked(true);
            d->findChild<QPushButton *>(QStringLiteral("BB_Ok"))->click();
        });
        dialogWatch->start();
    }

private slots:
    void init() {
        h = std::make_unique<ClientHarness>();
        dir = std::make_unique<QTemporaryDir>();
        prompts = std::make_unique<PromptRecorder>();
    }
    void cleanup() {
        delete dialogWatch;
        dialogWatch = nullptr;
        h.reset();
        prompts.reset();
        dir.reset();
    }

    // Links in a shared folder: one that stays in it is listed and served,
    // one that leads out is neither, nor is a file record that is such a
    // link; a folder record reached through one is what the owner chose.
    void linksOutOfASharedFolder() {
        QVERIFY(QDir().mkpath(path(QStringLiteral("pub"))));
        QVERIFY(QDir().mkpath(path(QStringLiteral("secret"))));
        for (const char *name : {"pub/a.txt", "secret/s.txt"}) {
            QFile f(path(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("12345");
        }
        QVERIFY(QFile::link(QStringLiteral("a.txt"), path(QStringLiteral("pub/alias.txt"))));
        QVERIFY(QFile::link(path(QStringLiteral("secret/s.txt")), path(QStringLiteral("pub/leak.txt"))));
        QVERIFY(QFile::link(QStringLiteral("../secret/s.txt"), path(QStringLiteral("pub/leak2.txt"))));
        QVERIFY(QFile::link(path(QStringLiteral("secret")), path(QStringLiteral("pub/dir"))));
        QVERIFY(QFile::link(path(QStringLiteral("pub")), path(QStringLiteral("publink"))));
        QVERIFY(QFile::link(path(QStringLiteral("secret/s.txt")), path(QStringLiteral("chosen.txt"))));

        QStringList listed;
        ForEachFolderFile(path(QStringLiteral("pub")), [&](const QString &name, qint64) { listed << name; });
        listed.sort();
        QCOMPARE(listed, (QStringList{QStringLiteral("a.txt"), QStringLiteral("alias.txt")}));

        const QList<ShareRecord> records{{path(QStringLiteral("pub")), {}, {}, {}, {}, ShareKind::Folder},
                                         {path(QStringLiteral("publink")), {}, {}, {}, {}, ShareKind::Folder},
                                         {QStringLiteral("chosen.txt"), {}, {}, dir->path() + QLatin1Char('/'), {},
                                          ShareKind::File}};
        for (const char *name : {"pub/a.txt", "pub/alias.txt", "publink/a.txt"})
            QVERIFY2(ServedFileSize(records, path(QString::fromLatin1(name))) == 5, name);
        for (const char *name : {"pub/leak.txt", "pub/leak2.txt", "pub/dir/s.txt", "publink/leak.txt",
                                 "pub/../secret/s.txt", "secret/s.txt", "chosen.txt"})
            QVERIFY2(ServedFileSize(records, path(QString::fromLatin1(name))) == -1, name);
    }

    void moreBytesThanAnnounced_data() {
        QTest::addColumn<int>("ending");
        QTest::newRow("then closes") << int(ScriptedFileServer::Ending::Close);
        QTest::newRow("then stays open") << int(ScriptedFileServer::Ending::StayOpen);
        QTest::newRow("then resets") << int(ScriptedFileServer::Ending::Abort);
    }
    void moreBytesThanAnnounced() {
        QFETCH(int, ending);
        queue(QStringLiteral("a"));
        h->client().StartAll();
        QVERIFY(h->awaitRequests(1));
        const QByteArray flood = Pattern(4 << 20);
        ScriptedFileServer server(flood, ScriptedFileServer::Ending(ending));
        h->answer(QStringLiteral("/srv/a"), 1000, server.port());
        QTRY_VERIFY_WITH_TIMEOUT(!h->row(0).IsActive(), 15000);
        QCOMPARE(h->state(0), rowstate::Complete);
        QCOMPARE(readAll(path(QStringLiteral("a"))), flood.left(1000));
        QCOMPARE(h->row(0)[DownloadRow::Received], QStringLiteral("1000"));
    }

    void aServerThatNeverStops() {
        queue(QStringLiteral("a"));
        queue(QStringLiteral("b"));
        h->client().StartAll();
        QVERIFY(h->awaitRequests(1));
        EndlessServer server;
        h->answer(QStringLiteral("/srv/a"), 300000, server.port());
        QTRY_VERIFY_WITH_TIMEOUT(!h->row(0).IsActive(), 15000);
        QCOMPARE(h->state(0), rowstate::Complete);
        QCOMPARE(QFileInfo(path(QStringLiteral("a"))).size(), 300000);
        QTRY_COMPARE(h->sent("@_+S").size(), 2); // and the queue goes on
    }

    void aServerThatNeverSends() {
        queue(QStringLiteral("a"));
        queue(QStringLiteral("b"));
        h->client().StartAll();
        QVERIFY(h->awaitRequests(1));
        ScriptedFileServer server({}, ScriptedFileServer::Ending::StayOpen);
        h->answer(QStringLiteral("/srv/a"), 5000, server.port());
        QCOMPARE(h->state(0), rowstate::Transferring);
        QTRY_VERIFY_WITH_TIMEOUT(!h->row(0).IsActive(), 15000);
        QCOMPARE(h->state(0), rowstate::Broken);
        QCOMPARE(readAll(path(QStringLiteral("a"))), QByteArray());
        QTRY_COMPARE(h->sent("@_+S").size(), 2);
    }

    // A browse answer whose entries aim out of the download folder, chosen
    // as a whole and fetched: every byte lands below the folder.
    void craftedListsFetchedForReal() {
        const QString down = path(QStringLiteral("down"));
        QVERIFY(QDir().mkpath(down));
        QVERIFY(QDir().mkpath(path(QStringLiteral("outside"))));
        // A link the user has in the download folder must not carry a download out.
        QVERIFY(QFile::link(path(QStringLiteral("outside")), down + QStringLiteral("/BAD")));
        const QString list = QStringLiteral(
            "../../escape1;1;;/srv/;BAD;127.0.0.1;;"
            "..;1;;/srv/;BAD;127.0.0.1;;"
            ".;1;;/srv/;BAD;127.0.0.1;;"
            "/abs;1;;/srv/;BAD;127.0.0.1;;"
            "a\\..\\..\\b;1;;/srv/;BAD;127.0.0.1;;"
            "ok1;1;;/../../../;BAD;127.0.0.1;;"
            "ok2;1;;C:\\..\\..\\;BAD;127.0.0.1;;"
            "ok3;1;;..\\..\\;..;127.0.0.1;;"
            "ok4;1;;/.:./.:./;/;127.0.0.1;;"
            "#END_LIST#;");
        // The list answers a search, during its wait.
        h->form->E_SearchFileName()->setText(QStringLiteral("ok"));
        QTimer::singleShot(100, this, [&] { dispatch(kOwnerIP, CommandBytes(QStringLiteral("@_+G"), list)); });
        h->form->listing().SB_SearchFileClick();
        QTRY_COMPARE(h->form->LV_ShareFile()->model()->rowCount(), 9);
        confirmInto(down);
        h->form->TV_ShareFile()->setCurrentItem(h->form->TV_ShareFile()->topLevelItem(0));
        h->form->findChild<QAction *>(QStringLiteral("MI_DownFolderSub"))->trigger();
        QTRY_VERIFY(h->queue().Count() > 0);
        const int rows = h->queue().Count();
        for (int r = 0; r < rows; ++r) {
            const LocalTarget &t = h->row(r).target;
            QCOMPARE(t.folder, down);
            QVERIFY2(!t.relative.split(QLatin1Char('/')).contains(QStringLiteral("..")), qPrintable(t.relative));
            QVERIFY2(!t.relative.startsWith(QLatin1Char('/')), qPrintable(t.relative));
            QCOMPARE(h->row(r)[DownloadRow::SavePath], t.Path());
        }
        // Every request is served 10 bytes by the owner; a row that ends in an
        // error that stops the queue is followed by Start All, as a user would.
        std::vector<std::unique_ptr<ScriptedFileServer>> servers;
        h->client().StartAll();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 60000) {
            const QStringList requests = h->sent("@_+S");
            if (requests.size() > int(servers.size())) {
                servers.push_back(std::make_unique<ScriptedFileServer>(Pattern(10, int(servers.size())),
                                                                       ScriptedFileServer::Ending::Close));
                h->answer(requests.last().section(QLatin1Char(';'), 2), 10, servers.back()->port());
            } else if (!h->queue().AnyActive() && !h->down().Timer_DownCTL()->isActive() &&
                       !h->down().Timer_FileDown()->isActive() && !h->down().Timer_Connect()->isActive()) {
                if (h->queue().Counters().waiting == 0) break;
                h->client().StartAll();
            }
            QTest::qWait(20);
        }
        QCOMPARE(h->queue().Counters().waiting, 0);
        QCOMPARE(filesBelow(path(QStringLiteral("outside"))), QStringList());
        QStringList all = filesBelow(dir->path());
        for (const QString &f : all) QVERIFY2(f.startsWith(QLatin1String("down/")), qPrintable(f));
        int complete = 0;
        for (int r = 0; r < rows; ++r) {
            if (h->state(r) != rowstate::Complete) {
                // Only the rows whose way leads through the link fail.
                QCOMPARE(h->state(r), rowstate::CreateError);
                QVERIFY2(h->row(r).target.relative.startsWith(QLatin1String("BAD/")), qPrintable(h->row(r).target.relative));
                continue;
            }
            ++complete;
            QCOMPARE(readAll(h->row(r).target.Path()).size(), 10);
        }
        QVERIFY(complete > 0);
    }

    void chatFloodKeepsTheHistoryBounded() {
        TV_Chat &chat = h->form->chatForm();
        chat.SetPartnerAddress(QStringLiteral("127.0.0.9"));
        chat.ShowChat();
        const qint64 before = rssKiB();
        const QString tail = QString(400, QChar(0xAC00));
        int most = 0;
        for (int n = 0; n < 10000; ++n) {
            dispatch(QStringLiteral("127.0.0.9"),
                     CommandBytes(QStringLiteral("@_*I"), QStringLiteral("EVIL;127.0.0.9;%1 %2").arg(n).arg(tail)));
            most = qMax(most, int(chat.HistoryLines().size()));
            if (n % 500 == 0) QCoreApplication::processEvents();
        }
        dispatch(QStringLiteral("127.0.0.9"), CommandBytes(QStringLiteral("@_*I"), QStringLiteral("EVIL;127.0.0.9;last")));
        QVERIFY2(most <= 100, qPrintable(QString::number(most)));
        QCOMPARE(chat.HistoryLines().last(), QStringLiteral("EVIL> last"));
        chat.hide();
        for (int n = 0; n < 2000; ++n)
            dispatch(QStringLiteral("127.0.0.9"), CommandBytes(QStringLiteral("@_*I"), QStringLiteral("EVIL;x;hidden %1").arg(n)));
        QVERIFY(int(chat.HistoryLines().size()) <= 100);
        const qint64 grown = rssKiB() - before;
        if (kPlainHeap) QVERIFY2(grown < 40 * 1024, qPrintable(QString::number(grown)));
    }

    // List datagrams nobody asked for add nothing; a search takes them from
    // anyone, up to a cap on the rows held, which the status line reports.
    void listsOnlyAsAskedAndCapped() {
        const auto list = [](int n) {
            QString text;
            for (int i = 0; i < 40; ++i) text += QStringLiteral("f%1-%2;1;;/x/;BAD;10.0.0.66;;").arg(n).arg(i);
            return CommandBytes(QStringLiteral("@_+G"), text + QStringLiteral("#END_LIST#"));
        };
        dispatch(QStringLiteral("10.0.0.66"), list(0));
        QCOMPARE(h->form->LV_ShareFile()->model()->rowCount(), 0);
        h->form->E_SearchFileName()->setText(QStringLiteral("f1"));
        const int datagrams = RemoteListing::kMaxRows / 40 + 5;
        QTimer::singleShot(100, this, [&] {
            for (int n = 0; n < datagrams; ++n) dispatch(QStringLiteral("10.0.0.%1").arg(n % 200 + 2), list(n));
        });
        h->form->listing().SB_SearchFileClick();
        QCOMPARE(h->form->LV_ShareFile()->model()->rowCount(), RemoteListing::kMaxRows);
        QVERIFY2(h->form->StatusText(2).contains(QString::number(RemoteListing::kMaxRows)),
                 qPrintable(h->form->StatusText(2)));
    }

    // Refusals, accepts and no-shares replies nobody asked for: a box each
    // inside the last one's, without end, or the chat window pointed at
    // whoever sent one. Asked for, one box each, and a chat answer counts
    // only from the computer asked.
    void unaskedAnswersOpenNoBoxes() {
        const auto answers = [this](const QString &from, int times) {
            for (int n = 0; n < times; ++n) {
                dispatch(from, "@_+N;");
                dispatch(from, CommandBytes(QStringLiteral("@_*C"), QStringLiteral("EVIL;") + from));
                dispatch(from, CommandBytes(QStringLiteral("@_*T"), QStringLiteral("EVIL;") + from));
            }
        };
        answers(QStringLiteral("127.0.0.66"), 2000);
        QCOMPARE(prompts->Texts(), QStringList());
        QVERIFY(!h->form->chatForm().isVisible());
        h->form->session().listing().Browse(QStringLiteral("127.0.0.77"), QStringLiteral("PC77"));
        h->form->peers().PlantRoot();
        h->form->session().peers().AddPresence(QStringLiteral("127.0.0.66"), QStringLiteral("WG"), QStringLiteral("EVIL"));
        const QList<QTreeWidgetItem *> evil =
            h->form->TV_Person()->findItems(QStringLiteral("EVIL"), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(evil.size(), 1);
        h->form->TV_Person()->setCurrentItem(evil.first());
        h->form->peers().TVMI_VChat()->trigger();
        QVERIFY(h->form->session().chat().WaitTimer()->isActive());
        answers(QStringLiteral("127.0.0.77"), 100);
        QVERIFY(h->form->session().chat().WaitTimer()->isActive());
        QVERIFY(!h->form->chatForm().isVisible());
        for (int n = 0; n < 100; ++n)
            dispatch(QStringLiteral("127.0.0.66"), CommandBytes(QStringLiteral("@_*C"), QStringLiteral("EVIL;127.0.0.66")));
        QCOMPARE(prompts->Texts(), (QStringList{QStringLiteral("공개한 파일이 하나도 없습니다"),
                                                QStringLiteral("EVIL(127.0.0.66)님이 1:1 채팅를 거절하셨습니다.")}));
    }

    // A searcher that floods: while its request waits out its delay (longer
    // than starting all the requests takes, also under a sanitizer), further
    // ones from it are merged into it; other searchers, and the same one
    // later, are answered.
    void searchFloodHoldsNoWorkers() {
        ShareRegistry &reg = h->form->registry();
        reg.Append({QStringLiteral("zzfile.txt"), QStringLiteral("1"), {}, dir->path() + QLatin1Char('/'), {},
                    ShareKind::File});
        SearchResponder responder(*h->net, reg, h->form->host(), [] { return 1500; });
        const QString request = QStringLiteral("@_&#;@_+B;zzfile");
        const auto answersTo = [this](const QString &ip) {
            int n = 0;
            for (const SentDatagram &d : h->net->Sent()) n += d.ip == ip && d.bytes.startsWith("@_+G;");
            return n;
        };
        std::atomic<int> done{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 200; ++i)
            threads.emplace_back([&, i] {
                responder.Answer(i % 100 ? QStringLiteral("10.0.0.66") : QStringLiteral("10.0.0.%1").arg(i / 100 + 1), request);
                ++done;
            });
        QTRY_COMPARE(done.load(), 200);
        for (std::thread &t : threads) t.join();
        QTRY_VERIFY(responder.Idle());
        QCOMPARE(answersTo(QStringLiteral("10.0.0.66")), 1);
        QCOMPARE(answersTo(QStringLiteral("10.0.0.1")), 1);
        QCOMPARE(answersTo(QStringLiteral("10.0.0.2")), 1);
        std::thread later([&] { responder.Answer(QStringLiteral("10.0.0.66"), request); });
        QTRY_COMPARE(answersTo(QStringLiteral("10.0.0.66")), 2);
        later.join();
    }

    // Datagrams of every code, cut short, empty, binary and oversized, from
    // a stranger and from an owner with a queued row: the shares, the peer
    // tree and the queue stay as they were.
    void malformedDatagramsKeepTheData() {
        ShareRegistry &reg = h->form->registry();
        reg.Append({QStringLiteral("a.txt"), QStringLiteral("1"), QStringLiteral("c"), dir->path() + QLatin1Char('/'), {},
                    ShareKind::File});
        reg.Append({dir->path(), QStringLiteral("0 files"), {}, {}, {}, ShareKind::Folder});
        const QList<ShareRecord> records = reg.Records();
        h->form->peers().PlantRoot();
        h->form->session().peers().AddPresence(QStringLiteral("127.0.0.5"), QStringLiteral("WG"), QStringLiteral("PC05"));
        h->form->session().peers().AddPresence(QStringLiteral("127.0.0.6"), QStringLiteral("WG2"), QStringLiteral("PC06"));
        const QStringList tree = treeText(h->form->TV_Person()->topLevelItem(0));
        queue(QStringLiteral("kept"));
        const auto rowName = [this](int r) {
            return QStringList{h->row(r)[DownloadRow::FileName], h->row(r)[DownloadRow::OwnerIP],
                               h->row(r)[DownloadRow::SourceFolder], h->row(r)[DownloadRow::SavePath]};
        };
        const QStringList row0 = rowName(0);

        QList<QByteArray> junk;
        for (const char *code : Dispatcher::kCommandTable) {
            for (const QByteArray &c : {QByteArray(code), QByteArray("@_&#;") + code}) {
                junk << c.left(1) << c.left(2) << c.left(3) << c << c + ';' << c + QByteArray(12, ';')
                     << c + QByteArray(";\0\0;zz", 6) << c + ";\xff\xfe\x80;\x81\xff;\xa1"
                     << c + ';' + QByteArray(4091 - c.size() + 4, 'A') << c + ';' + QByteArray(70000, 'B')
                     << c + ";99999999999999999999999;-1;-99999999999999999999;1e308;nan;"
                     << c + ';' + QByteArray("x;").repeated(2044);
            }
        }
        for (const QString &from : {QStringLiteral("127.0.0.66"), kOwnerIP})
            for (const QByteArray &d : junk) dispatch(from, d);
        QTest::qWait(200);
        StopWorkers(8000);

        QCOMPARE(reg.Records().size(), records.size());
        for (int i = 0; i < records.size(); ++i) {
            QCOMPARE(reg.Records()[i].FullPath(), records[i].FullPath());
            QCOMPARE(reg.Records()[i].comment, records[i].comment);
            QCOMPARE(reg.Records()[i].password, records[i].password);
        }
        const QStringList treeAfter = treeText(h->form->TV_Person()->topLevelItem(0));
        for (const QString &line : tree) QVERIFY2(treeAfter.contains(line), qPrintable(line));
        QVERIFY(h->queue().Count() >= 1);
        QCOMPARE(rowName(0), row0);
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
