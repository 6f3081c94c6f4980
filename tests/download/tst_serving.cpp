// The owner's side of a download: which paths are served, the replies and
// their payloads, the file-server count with real processes, the port rule,
// what the file server is started with, and the bytes it then delivers. A
// session without windows does all of it.
#include "core/frame.h"
#include "core/session.h"
#include "download/ftpthread.h"
#include "platform/cp949.h"
#include "platform/fileservers.h"
#include "platform/process.h"
#include "recordingmessenger.h"
#include "shares/shareregistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kServer = QStringLiteral(VELLICOR_PATH);
const QString kToken = QStringLiteral("572048");

ShareRecord fileRecord(const QString &path) {
    ShareRecord r;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    r.folder = path.left(slash + 1);
    r.name = path.mid(slash + 1);
    r.size = QString::number(QFile(path).size());
    r.kind = ShareKind::File;
    return r;
}

ShareRecord folderRecord(const QString &path) {
    ShareRecord r;
    r.name = path;
    r.size = QStringLiteral("0 files");
    r.kind = ShareKind::Folder;
    return r;
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList commandLine(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList args;
    for (const QByteArray &a : f.readAll().split('\0')) args << QString::fromUtf8(a);
    args.removeLast();
    return args;
}

// A connection from 127.0.0.1; -1 when refused.
int connectLocal(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) return fd;
    ::close(fd);
    return -1;
}

QByteArray fetch(quint16 port) {
    const int fd = connectLocal(port);
    QByteArray got;
    if (fd >= 0) {
        char buf[65536];
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, 5000) > 0) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            got.append(buf, n);
        }
        ::close(fd);
    }
    return got;
}

} // namespace

class TestServing : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Session> session;
    RecordingMessenger *net = nullptr;
    int sendSocket = -1;
    QList<qint64> started; // processes this test started itself
    QList<int> held;       // connections that keep file servers waiting for our close

    QString path(const QString &name) const { return dir->path() + QLatin1Char('/') + name; }
    void request(const char *code, const QString &from, const QString &payload) {
        session->dispatcher().DispatchDatagram(from, CommandBytes(QString::fromLatin1(code), payload));
    }
    // "@_+S" as a requester sends it: its name, the owner's name, the path.
    void downloadRequest(const QString &from, const QString &file) {
        request("@_+S", from, QStringLiteral("PC01;OWNER;") + file);
    }
    void startRequest(const QString &from, const QString &file, const QString &offset) {
        request("@_+R", from, QStringLiteral("PC01;") + file + QLatin1Char(';') + offset);
    }
    // Every datagram sent so far, as the text it carries.
    QStringList sent() const {
        QStringList all;
        for (const SentDatagram &d : net->Sent()) {
            if (d.port != 8765) all << QStringLiteral("<port %1>").arg(d.port);
            all << d.ip + QLatin1Char(' ') + cp949::decode(d.bytes);
        }
        return all;
    }
    // The reply of a launcher, which answers from a thread of its own.
    QString awaitReply() {
        return QTest::qWaitFor([&] { return !net->Sent().isEmpty(); }, 5000) ? sent().value(0) : QString();
    }
    qint64 startProcess(const QString &program, const QStringList &args) {
        const qint64 pid = process::StartDetached(program, args);
        if (pid > 0) started << pid;
        return pid;
    }
    // A real file server on its own port, held by a requester (this test)
    // that takes the file and never closes: it then waits out its whole close
    // wait, longer than the copy's scan interval. runAs: what to start it under.
    qint64 startHeldServer(quint16 port, const QStringList &runAs = {}) {
        const QStringList command = runAs + QStringList{kServer, QStringLiteral("127.0.0.1"), QString::number(port),
                                                        QStringLiteral("X"), path(QStringLiteral("idle.bin")),
                                                        QStringLiteral("4"), QStringLiteral("0"), kToken};
        const qint64 pid = startProcess(command.first(), command.mid(1));
        const bool up = QTest::qWaitFor(
            [&] { return fileservers::ListenState(pid, port) == fileservers::Readiness::Listening; }, 3000);
        const int fd = up ? connectLocal(port) : -1;
        if (fd < 0) return -1;
        held << fd;
        return pid;
    }
    QList<qint64> running() const { return fileservers::Running(QStringLiteral("Vellicor"), kToken); }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        writeFile(path(QStringLiteral("idle.bin")), "idle");
        auto m = std::make_unique<RecordingMessenger>();
        net = m.get();
        session = std::make_unique<Session>(std::move(m));
        session->host().LocalIP = QStringLiteral("127.0.0.1");
        session->host().FileServerPath = kServer;
        sendSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        net->SetSendSocket(sendSocket);
    }
    void cleanup() {
        // This test runs in a process namespace of its own: every file server
        // in it was started here, by a request or by the test itself.
        for (qint64 pid : running() + started) ::kill(pid_t(pid), SIGKILL);
        started.clear();
        for (int fd : held) ::close(fd);
        held.clear();
        QVERIFY(QTest::qWaitFor([&] { return running().isEmpty(); }, 3000));
        session.reset();
        ::close(sendSocket);
    }

    void answersOnlyPublishedFiles() {
        const QString report = path(QStringLiteral("data/report.doc"));
        writeFile(report, QByteArray(1048576, 'r'));
        const QString shared = path(QStringLiteral("shared"));
        writeFile(shared + QStringLiteral("/inside.txt"), "12345");
        writeFile(shared + QStringLiteral("/deeper/below.txt"), "x");
        writeFile(path(QStringLiteral("private.txt")), "secret");
        writeFile(path(QStringLiteral("data/other.doc")), "not shared");
        QDir().mkpath(shared + QStringLiteral("/sub"));
        session->registry().Append(fileRecord(report));
        session->registry().Append(folderRecord(shared));

        const QString missing = QStringLiteral("127.0.0.1 @_+O;");
        const QList<QPair<QString, QString>> cases = {
            {report, QStringLiteral("127.0.0.1 @_+I;") + report + QStringLiteral(";1048576")},
            {shared + QStringLiteral("/inside.txt"), QStringLiteral("127.0.0.1 @_+I;") + shared + QStringLiteral("/inside.txt;5")},
            {path(QStringLiteral("nothing.here")), missing},
            {path(QStringLiteral("private.txt")), missing},
            {path(QStringLiteral("data/other.doc")), missing},
            {shared + QStringLiteral("/deeper/below.txt"), missing},
            {shared + QStringLiteral("/../private.txt"), missing},
            {shared + QStringLiteral("/./inside.txt"), missing},
            {shared + QStringLiteral("//inside.txt"), missing},
            {shared + QStringLiteral("/sub"), missing},
            {shared, missing},
            {QStringLiteral("/etc/passwd"), missing},
            {QString(), missing},
        };
        for (const auto &[file, reply] : cases) {
            net->ClearSent();
            downloadRequest(QStringLiteral("127.0.0.1"), file);
            QCOMPARE(sent(), QStringList{reply});
        }
        // Letter case counts, as in the registry.
        net->ClearSent();
        downloadRequest(QStringLiteral("127.0.0.1"), path(QStringLiteral("data/REPORT.doc")));
        QCOMPARE(sent(), QStringList{missing});
        QVERIFY(running().isEmpty());
    }

    // The start request checks again: unshared or gone since "@_+S" starts nothing.
    void startRequestChecksAgain() {
        const QString kept = path(QStringLiteral("kept.bin"));
        const QString gone = path(QStringLiteral("gone.bin"));
        writeFile(kept, "kept");
        writeFile(gone, "gone");
        session->registry().Append(fileRecord(gone));
        startRequest(QStringLiteral("127.0.0.1"), kept, QStringLiteral("0"));
        QCOMPARE(awaitReply(), QStringLiteral("127.0.0.1 @_+O;"));
        net->ClearSent();
        QFile::remove(gone);
        startRequest(QStringLiteral("127.0.0.1"), gone, QStringLiteral("0"));
        QCOMPARE(awaitReply(), QStringLiteral("127.0.0.1 @_+O;"));
        QTest::qWait(200);
        QCOMPARE(sent().size(), 1);
        QVERIFY(running().isEmpty());
    }

    // Looked for once, when the session is made; a missing server fails every request.
    void withoutFileServer() {
        const QString file = path(QStringLiteral("f.txt"));
        writeFile(file, "abc");
        session->registry().Append(fileRecord(file));
        const QString copy = path(QStringLiteral("Vellicor"));
        QVERIFY(QFile::copy(kServer, copy));
        session->host().FileServerPath = copy;
        QFile::remove(copy);
        downloadRequest(QStringLiteral("127.0.0.1"), file);
        session->host().FileServerPath.clear();
        downloadRequest(QStringLiteral("127.0.0.1"), file);
        QCOMPARE(sent(), QStringList(2, QStringLiteral("127.0.0.1 @_+V;")));
        // A start request that could not start it says so rather than giving a port.
        net->ClearSent();
        startRequest(QStringLiteral("127.0.0.1"), file, QStringLiteral("0"));
        QCOMPARE(awaitReply(), QStringLiteral("127.0.0.1 @_+V;"));
    }

    void countsRunningFileServers() {
        const QString file = path(QStringLiteral("f.txt"));
        writeFile(file, "abc");
        session->registry().Append(fileRecord(file));

        // Look-alikes: the name without the token, the token without the
        // name, a script of that name, and a file server that has ended.
        const QString fake = path(QStringLiteral("fake/Vellicor"));
        QDir().mkpath(path(QStringLiteral("fake")));
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), fake));
        QVERIFY(startProcess(fake, {QStringLiteral("60")}) > 0);
        QVERIFY(startProcess(QStringLiteral("/bin/sleep"), {QStringLiteral("60"), kToken}) > 0);
        const QString script = path(QStringLiteral("script/Vellicor"));
        writeFile(script, "#!/bin/sh\nsleep 60\ntrue\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(startProcess(script, {kToken}) > 0);
        const pid_t zombie = ::fork();
        if (zombie == 0) {
            ::execl(VELLICOR_PATH, VELLICOR_PATH, "bad", "port", "X", "/x", "1", "0", "572048", nullptr);
            ::_exit(127);
        }
        QVERIFY(QTest::qWaitFor([&] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(zombie));
            return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
        }, 3000));
        QTest::qWait(100);
        downloadRequest(QStringLiteral("127.0.0.1"), file);
        QCOMPARE(sent(), QStringList{QStringLiteral("127.0.0.1 @_+I;") + file + QStringLiteral(";3")});

        // Real ones count, whoever runs them.
        for (int i = 0; i < 5; ++i) QVERIFY(startHeldServer(quint16(9700 + i)) > 0);
        if (::geteuid() == 0 && QFile::exists(QStringLiteral("/usr/bin/setpriv"))) {
            ::kill(pid_t(started.last()), SIGKILL);
            QVERIFY(QTest::qWaitFor([&] { return running().size() == 4; }, 3000));
            QFile::setPermissions(dir->path(), QFile::permissions(dir->path()) | QFile::ReadOther | QFile::ExeOther);
            QFile::setPermissions(path(QStringLiteral("idle.bin")), QFile::ReadOwner | QFile::ReadOther);
            QVERIFY(startHeldServer(9799, {QStringLiteral("/usr/bin/setpriv"), QStringLiteral("--reuid=65534"),
                                           QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")}) > 0);
        }
        QCOMPARE(running().size(), 5);
        net->ClearSent();
        downloadRequest(QStringLiteral("127.0.0.1"), file);
        QCOMPARE(sent(), QStringList{QStringLiteral("127.0.0.1 @_+I;") + file + QStringLiteral(";3")});
        QVERIFY(startHeldServer(9705) > 0);
        // Servers that this copy did not start count from the next scan, a few seconds on.
        QVERIFY(QTest::qWaitFor([&] {
            net->ClearSent();
            downloadRequest(QStringLiteral("127.0.0.1"), file);
            return sent() == QStringList{QStringLiteral("127.0.0.1 @_+M;")};
        }, 8000));
        ::waitpid(zombie, nullptr, 0);
    }

    void portRule_data() {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("port");
        QTest::newRow("192.168.0.5, none running") << QStringLiteral("192.168.0.5") << 0 << 9270;
        QTest::newRow("10.1.1.42, two running") << QStringLiteral("10.1.1.42") << 2 << 9309;
        QTest::newRow("172.16.3.200, five running") << QStringLiteral("172.16.3.200") << 5 << 9470;
        QTest::newRow("10.0.0.7, none running") << QStringLiteral("10.0.0.7") << 0 << 9272;
        QTest::newRow("10.0.1.6, one running") << QStringLiteral("10.0.1.6") << 1 << 9272;
        QTest::newRow("10.0.0.255") << QStringLiteral("10.0.0.255") << 0 << 9520;
        QTest::newRow("no address") << QString() << 0 << 9265;
    }
    void portRule() {
        QFETCH(QString, ip);
        QFETCH(int, count);
        QFETCH(int, port);
        QCOMPARE(int(FileServerPort(ip, count)), port);
    }

    // The design's example, with the file in our own folder, and the offsets
    // that cannot be used as they come.
    void startsTheFileServer_data() {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("given");
        QTest::newRow("from the start") << QStringLiteral("0") << QStringLiteral("0");
        QTest::newRow("resumed") << QStringLiteral("300000") << QStringLiteral("300000");
        QTest::newRow("as a float") << QStringLiteral("300000.0") << QStringLiteral("300000");
        QTest::newRow("not a number") << QStringLiteral("abc") << QStringLiteral("0");
        QTest::newRow("negative") << QStringLiteral("-5") << QStringLiteral("0");
        QTest::newRow("beyond the end") << QStringLiteral("99999999999") << QStringLiteral("1048576");
    }
    void startsTheFileServer() {
        QFETCH(QString, offset);
        QFETCH(QString, given);
        const QString report = path(QStringLiteral("data/report.doc"));
        writeFile(report, QByteArray(1048576, 'r'));
        session->registry().Append(fileRecord(report));
        startRequest(QStringLiteral("192.168.0.5"), report, offset);
        QCOMPARE(awaitReply(), QStringLiteral("192.168.0.5 @_+K;9270;") + report + QStringLiteral(";1048576;"));
        const QList<qint64> servers = running();
        QCOMPARE(servers.size(), 1);
        QCOMPARE(commandLine(servers.first()),
                 (QStringList{kServer, QStringLiteral("192.168.0.5"), QStringLiteral("9270"), QStringLiteral("PC01"), report,
                              QStringLiteral("1048576"), given, kToken}));
    }

    // Two requesters that the rule gives one port: the second server cannot
    // listen, and its requester hears that the servers are busy, not a port.
    void portCollision() {
        const QString file = path(QStringLiteral("f.txt"));
        writeFile(file, "abc");
        session->registry().Append(fileRecord(file));
        downloadRequest(QStringLiteral("10.0.0.7"), file);
        startRequest(QStringLiteral("10.0.0.7"), file, QStringLiteral("0"));
        QVERIFY(QTest::qWaitFor([&] { return sent().size() == 2; }, 5000));
        QCOMPARE(sent().at(1), QStringLiteral("10.0.0.7 @_+K;9272;") + file + QStringLiteral(";3;"));
        net->ClearSent();
        downloadRequest(QStringLiteral("10.0.1.6"), file);
        startRequest(QStringLiteral("10.0.1.6"), file, QStringLiteral("0"));
        QVERIFY(QTest::qWaitFor([&] { return sent().size() == 2; }, 5000));
        QCOMPARE(sent(), (QStringList{QStringLiteral("10.0.1.6 @_+I;") + file + QStringLiteral(";3"),
                                      QStringLiteral("10.0.1.6 @_+M;")}));
        QCOMPARE(running().size(), 1);
    }

    // Blanks, quotes and Korean letters reach the file server as one argument
    // and the requester gets the file's bytes, whole and resumed.
    void servesAnAwkwardPathIntact() {
        const QString folder = path(QStringLiteral("공유 폴더 \"A\""));
        const QString file = folder + QStringLiteral("/보고서 \"최종\" 'v2' %1.txt");
        QByteArray bytes;
        for (int i = 0; i < 70000; ++i) bytes.append(char('a' + i % 26));
        writeFile(file, bytes);
        session->registry().Append(folderRecord(folder));
        downloadRequest(QStringLiteral("127.0.0.1"), file);
        QCOMPARE(sent(), QStringList{QStringLiteral("127.0.0.1 @_+I;") + file + QStringLiteral(";70000")});
        for (const qint64 from : {qint64(0), qint64(12345)}) {
            net->ClearSent();
            startRequest(QStringLiteral("127.0.0.1"), file, QString::number(from));
            QCOMPARE(awaitReply(), QStringLiteral("127.0.0.1 @_+K;9266;") + file + QStringLiteral(";70000;"));
            QCOMPARE(commandLine(running().value(0)).value(4), file);
            QVERIFY(fetch(9266) == bytes.mid(from));
            QVERIFY(QTest::qWaitFor([&] { return running().isEmpty(); }, 3000));
        }
    }
};

QTEST_MAIN(TestServing)
#include "tst_serving.moc"
