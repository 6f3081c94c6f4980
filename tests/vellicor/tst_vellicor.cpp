// The file server as a program: the bytes it sends from each offset, its
// orderly close, whom it refuses, when it gives up, a file past 4 GiB's
// 32-bit limits, and serving under a display with or without its window module.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char *const kToken = "572048";

struct Received {
    QByteArray bytes;
    qint64 count = 0;
    bool connected = false;
    bool orderly = false; // ended by the server's FIN, not by a reset
    int fd = -1;          // left open when asked to, to close later
};

int connectFrom(const char *source, quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in src{};
    src.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &src.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr *>(&src), sizeof src);
    sockaddr_in dst{};
    dst.sin_family = AF_INET;
    dst.sin_port = htons(port);
    ::inet_pton(AF_INET, "127.0.0.1", &dst.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&dst), sizeof dst) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads until the server ends the connection. keep: only count (huge files),
// except for the byte ranges asked for in probes.
Received fetch(quint16 port, const char *source = "127.0.0.1", bool keepOpen = false, bool keep = true) {
    Received r;
    r.fd = connectFrom(source, port);
    if (r.fd < 0) return r;
    r.connected = true;
    QByteArray buf(1 << 20, '\0');
    for (;;) {
        pollfd p{r.fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0) break;
        const ssize_t n = ::recv(r.fd, buf.data(), buf.size(), 0);
        if (n == 0) r.orderly = true;
        if (n <= 0) break;
        if (keep) r.bytes.append(buf.constData(), n);
        r.count += n;
    }
    if (!keepOpen) {
        ::close(r.fd);
        r.fd = -1;
    }
    return r;
}

QByteArray pseudoRandom(qsizetype size) {
    QByteArray b(size, '\0');
    quint32 x = 2463534242u;
    for (qsizetype i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[i] = char(x);
    }
    return b;
}

} // namespace

class TestVellicor : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file;
    QByteArray content;
    quint16 nextPort = 9600;
    // Started first and never contacted: it must give up by itself within seconds.
    QProcess *forgotten = nullptr;
    QElapsedTimer sinceForgotten;
    qint64 forgottenEnded = -1;

    QProcess *start(const QStringList &args) {
        auto *p = new QProcess(this);
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QStringLiteral(VELLICOR_PATH), args);
        p->waitForStarted();
        return p;
    }
    QProcess *serve(quint16 port, const QString &path, const QString &offset, const QString &requester = QStringLiteral("127.0.0.1")) {
        QProcess *p = start({requester, QString::number(port), QStringLiteral("PC01"), path,
                             QString::number(QFile(path).size()), offset, QString::fromLatin1(kToken)});
        waitListening(port);
        return p;
    }
    // The program listens before anything else; wait for that as a requester would.
    static void waitListening(quint16 port) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 3000) {
            QFile tcp(QStringLiteral("/proc/net/tcp"));
            if (tcp.open(QIODevice::ReadOnly) &&
                tcp.readAll().contains(QStringLiteral(":%1 00000000:0000 0A").arg(port, 4, 16, QLatin1Char('0')).toUpper().toLatin1()))
                return;
            QTest::qWait(5);
        }
    }
    static bool ends(QProcess *p, int ms, int code) {
        return p->waitForFinished(ms) && p->exitStatus() == QProcess::NormalExit && p->exitCode() == code;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        file = dir.filePath(QStringLiteral("data.bin"));
        content = pseudoRandom(3 * 1024 * 1024 + 17);
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        forgotten = serve(9599, file, QStringLiteral("0"));
        sinceForgotten.start();
        connect(forgotten, &QProcess::finished, this, [this] { forgottenEnded = sinceForgotten.elapsed(); });
    }

    void sendsFromOffset_data() {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<qint64>("from");
        const qint64 size = 3 * 1024 * 1024 + 17;
        QTest::newRow("start") << QStringLiteral("0") << qint64(0);
        QTest::newRow("middle") << QStringLiteral("1500001") << qint64(1500001);
        QTest::newRow("end") << QString::number(size) << size;
        QTest::newRow("beyond the end") << QString::number(size + 1000) << size;
        QTest::newRow("not a number") << QStringLiteral("12x") << qint64(0);
        QTest::newRow("negative") << QStringLiteral("-40") << qint64(0);
    }
    void sendsFromOffset() {
        QFETCH(QString, offset);
        QFETCH(qint64, from);
        const quint16 port = nextPort++;
        QProcess *p = serve(port, file, offset);
        const Received r = fetch(port);
        QVERIFY(r.connected);
        QVERIFY(r.orderly);
        QCOMPARE(r.count, qint64(content.size()) - from);
        QVERIFY(r.bytes == content.mid(from));
        QVERIFY(ends(p, 3000, 0));
    }

    // The FIN follows the last byte; the server then waits for our close before it ends.
    void closesInOrder() {
        const quint16 port = nextPort++;
        QProcess *p = serve(port, file, QStringLiteral("3000000"));
        Received r = fetch(port, "127.0.0.1", true);
        QVERIFY(r.orderly);
        QCOMPARE(r.count, qint64(content.size()) - 3000000);
        QVERIFY(!p->waitForFinished(300));
        ::close(r.fd);
        QVERIFY(ends(p, 2000, 0));
    }

    void refusesOtherAddresses() {
        const quint16 port = nextPort++;
        QProcess *p = serve(port, file, QStringLiteral("0"));
        const Received stranger = fetch(port, "127.0.0.2");
        QCOMPARE(stranger.count, qint64(0));
        QVERIFY(!stranger.orderly);
        QCOMPARE(p->state(), QProcess::Running);
        const Received r = fetch(port);
        QVERIFY(r.orderly);
        QVERIFY(r.bytes == content);
        QVERIFY(ends(p, 3000, 0));
    }

    void endsAtOnceWhenItCannotServe() {
        // A port that another program listens on.
        const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(nextPort);
        QCOMPARE(::bind(holder, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
        QCOMPARE(::listen(holder, 1), 0);
        QVERIFY(ends(start({QStringLiteral("127.0.0.1"), QString::number(nextPort++), QStringLiteral("PC01"), file,
                            QStringLiteral("1"), QStringLiteral("0"), QString::fromLatin1(kToken)}),
                     1000, 1));
        ::close(holder);
        // What is not a regular file is never served: a folder, a device.
        for (const QString &path : {dir.path(), QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("gone"))})
            QVERIFY2(ends(start({QStringLiteral("127.0.0.1"), QString::number(nextPort++), QStringLiteral("PC01"), path,
                                 QStringLiteral("1"), QStringLiteral("0"), QString::fromLatin1(kToken)}),
                          1000, 1),
                     qPrintable(path));
        // Arguments it cannot use.
        QVERIFY(ends(start({QStringLiteral("127.0.0.1"), QStringLiteral("9650")}), 1000, 2));
        QVERIFY(ends(start({QStringLiteral("PC01"), QStringLiteral("9651"), QStringLiteral("PC01"), file,
                            QStringLiteral("1"), QStringLiteral("0"), QString::fromLatin1(kToken)}),
                     1000, 2));
        QVERIFY(ends(start({QStringLiteral("127.0.0.1"), QStringLiteral("70000"), QStringLiteral("PC01"), file,
                            QStringLiteral("1"), QStringLiteral("0"), QString::fromLatin1(kToken)}),
                     1000, 2));
    }

    // With a display the server loads its window module and starts Qt; a
    // requester named like one of Qt's options must neither change how it
    // starts nor stop it. Where the module is missing or does not load (no Qt
    // installed), it serves all the same, without a window.
    void servesUnderADisplay_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("module"); // empty: the built one beside it
        for (const char *name : {"-platform", "-display", "-plugin", "-style"})
            QTest::newRow(name) << name << QString();
        QTest::newRow("module missing") << "PC01" << "missing";
        QTest::newRow("module broken") << "PC01" << "broken";
    }
    void servesUnderADisplay() {
        QFETCH(QString, name);
        QFETCH(QString, module);
        QString program = QStringLiteral(VELLICOR_PATH);
        if (!module.isEmpty()) {
            // A copy of the program folder without a module that loads.
            QVERIFY(QDir(dir.path()).mkpath(module));
            program = dir.filePath(module + QStringLiteral("/Vellicor"));
            QVERIFY(QFile::copy(QStringLiteral(VELLICOR_PATH), program));
            if (module == QLatin1String("broken")) {
                QFile broken(dir.filePath(module + QStringLiteral("/libvellicor-window.so")));
                QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("ELF") == 3);
            }
        }
        const quint16 port = nextPort++;
        auto *p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":987")); // none there: the window falls back to none
        p->setProcessEnvironment(env);
        p->start(program, {QStringLiteral("127.0.0.1"), QString::number(port), name, file,
                           QString::number(content.size()), QStringLiteral("0"), QString::fromLatin1(kToken)});
        QVERIFY(p->waitForStarted());
        waitListening(port);
        const Received r = fetch(port);
        QVERIFY(r.orderly);
        QCOMPARE(r.bytes.size(), content.size());
        QVERIFY(ends(p, 5000, 0));
        // Only the module starts Qt, which complains of the display it cannot reach.
        QCOMPARE(p->readAllStandardError().contains(":987"), module.isEmpty());
    }

    // Sizes and offsets past 2 and 4 GiB travel whole: a sparse 3 GiB file from just past 2 GiB.
    void servesPastTwoGiB() {
        const QString big = dir.filePath(QStringLiteral("sparse.bin"));
        const qint64 size = 3LL << 30;
        const qint64 from = (2LL << 30) + 5;
        const int fd = ::open(QFile::encodeName(big).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::ftruncate(fd, size), 0);
        QCOMPARE(::pwrite(fd, "HEAD", 4, from), ssize_t(4));
        QCOMPARE(::pwrite(fd, "TAIL", 4, size - 4), ssize_t(4));
        ::close(fd);

        const quint16 port = nextPort++;
        QProcess *p = serve(port, big, QString::number(from));
        Received r;
        r.fd = connectFrom("127.0.0.1", port);
        QVERIFY(r.fd >= 0);
        QByteArray buf(1 << 20, '\0');
        QByteArray head, tail;
        for (;;) {
            pollfd pf{r.fd, POLLIN, 0};
            if (::poll(&pf, 1, 10000) <= 0) break;
            const ssize_t n = ::recv(r.fd, buf.data(), buf.size(), 0);
            if (n == 0) r.orderly = true;
            if (n <= 0) break;
            if (head.size() < 4) head.append(buf.constData(), qMin<ssize_t>(n, 4 - head.size()));
            tail = (tail + QByteArray(buf.constData() + qMax<ssize_t>(0, n - 4), qMin<ssize_t>(n, 4))).right(4);
            r.count += n;
        }
        ::close(r.fd);
        QVERIFY(r.orderly);
        QCOMPARE(r.count, size - from);
        QCOMPARE(head, QByteArray("HEAD"));
        QCOMPARE(tail, QByteArray("TAIL"));
        QVERIFY(ends(p, 3000, 0));
        QFile::remove(big);
    }

    // A requester that takes a trickle holds a slot that others need: the
    // server cuts it off once a whole window passes below its floor.
    void cutsOffASlowRequester() {
        const QString big = dir.filePath(QStringLiteral("slow.bin"));
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(1LL << 30));
        f.close();
        const quint16 port = nextPort++;
        QProcess *p = serve(port, big, QStringLiteral("0"));
        const int fd = connectFrom("127.0.0.1", port);
        QVERIFY(fd >= 0);
        char buf[130];
        bool ended = false;
        for (int second = 0; second < 45 && !ended; ++second) {
            ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            ended = p->waitForFinished(1000);
        }
        ::close(fd);
        QVERIFY(ended);
        QCOMPARE(p->exitCode(), 1);
        QFile::remove(big);
    }

    // Last, so that the wait runs while the other cases do.
    void givesUpWhenNobodyConnects() {
        if (forgotten->state() != QProcess::NotRunning)
            QVERIFY(forgotten->waitForFinished(int(qMax<qint64>(0, 8000 - sinceForgotten.elapsed()))));
        QCOMPARE(forgotten->exitCode(), 1);
        QCoreApplication::processEvents();
        QVERIFY2(forgottenEnded >= 2900, qPrintable(QString::number(forgottenEnded)));
        // Its port is free again.
        QCOMPARE(fetch(9599).connected, false);
    }
};

QTEST_GUILESS_MAIN(TestVellicor)
#include "tst_vellicor.moc"
