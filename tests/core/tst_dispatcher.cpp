// Dispatching received datagrams, and the receive path on a real socket.
#include "core/dispatcher.h"
#include "core/host.h"
#include "core/receiver.h"
#include "platform/udpsocket.h"

#include <QMutex>
#include <QSignalSpy>
#include <QTest>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

class TestDispatcher : public QObject {
    Q_OBJECT

    HostIdentity host;
    std::unique_ptr<Dispatcher> dispatcher;
    QStringList calls; // "code|sender|text"

    void record(const char *code) {
        dispatcher->SetHandler(code, [this, code](const QString &sender, const QString &text) {
            calls << QString::fromLatin1(code) + QLatin1Char('|') + sender + QLatin1Char('|') + text;
        });
    }

    static void sendUdp(const QByteArray &bytes, const char *from = "127.0.0.5", const char *to = "127.0.0.1") {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = inet_addr(from);
        ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        a.sin_addr.s_addr = inet_addr(to);
        a.sin_port = htons(8765);
        ::sendto(fd, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::close(fd);
    }

private slots:
    void init() {
        host.LocalIP = QStringLiteral("10.0.0.1");
        dispatcher = std::make_unique<Dispatcher>(host);
        calls.clear();
        for (const char *code : Dispatcher::kCommandTable)
            if (std::string_view(code) != "@_&#") record(code);
    }

    void firstFourBytesSelect() {
        dispatcher->DispatchDatagram(QStringLiteral("10.0.0.5"), QByteArray("@_+Lxyz;more"));
        dispatcher->DispatchDatagram(QStringLiteral("10.0.0.5"), QByteArray("@_*X;"));
        QCOMPARE(calls, (QStringList{QStringLiteral("@_+L|10.0.0.5|@_+Lxyz;more"), QStringLiteral("@_*X|10.0.0.5|@_*X;")}));
    }

    void shortUnknownAndCaseIgnored() {
        for (const QByteArray &d : {QByteArray("@_+"), QByteArray(), QByteArray("@_+Z;a"), QByteArray("@_+l;"),
                                    QByteArray("xx+L;"), QByteArray("@_\0L;", 5)})
            dispatcher->DispatchDatagram(QStringLiteral("10.0.0.5"), d);
        QVERIFY(calls.isEmpty());
    }

    void textEndsAtFirstNulAndIsDecoded() {
        dispatcher->DispatchDatagram(QStringLiteral("10.0.0.5"), QByteArray("@_*I;\xC3\xB6\xBC\xF6;1\0tail", 16));
        QCOMPARE(calls, QStringList{QStringLiteral("@_*I|10.0.0.5|@_*I;철수;1")});
    }

    void broadcastEnvelope() {
        QStringList seen;
        QMutex m;
        auto rec = [&](const char *name) {
            dispatcher->SetBroadcastHandler(name, [&, name](const QString &sender, const QString &text) {
                QMutexLocker lock(&m);
                seen << QString::fromLatin1(name) + QLatin1Char('|') + sender + QLatin1Char('|') + text;
            });
        };
        rec("@_&F");
        rec("@_+B");
        dispatcher->DispatchDatagram(QStringLiteral("10.0.0.1"), QByteArray("@_&#;@_+B;mp3")); // own search: dropped
        dispatcher->DispatchDatagram(QStringLiteral("10.0.0.1"), QByteArray("@_&#;@_&F;WG;ME")); // own presence: kept
        dispatcher->DispatchDatagram(QStringLiteral("10.0.0.5"), QByteArray("@_&#;@_+B;mp3"));
        dispatcher->DispatchDatagram(QStringLiteral("10.0.0.5"), QByteArray("@_&#;@_+BX;mp3")); // not exactly a sub-command
        // The workers append while the test looks: read under their lock.
        auto seenNow = [&] {
            QMutexLocker lock(&m);
            return seen;
        };
        QTRY_COMPARE_WITH_TIMEOUT(seenNow().size(), 2, 3000);
        QTest::qWait(100);
        QStringList sorted = seenNow();
        sorted.sort();
        QCOMPARE(sorted, (QStringList{QStringLiteral("@_&F|10.0.0.1|@_&#;@_&F;WG;ME"),
                                    QStringLiteral("@_+B|10.0.0.5|@_&#;@_+B;mp3")}));
        QVERIFY(calls.isEmpty());
    }

    void receivePathOnRealSocket() {
        DatagramReceiver receiver(*dispatcher, [](const QString &) {});
        QVERIFY(receiver.Start(udp::OpenReceive(8765), QStringLiteral("127.0.0.1")));
        // A second copy on this host cannot bind the port.
        QCOMPARE(udp::OpenReceive(8765), -1);
        sendUdp(QByteArray(5000, 'x').prepend("@_+L;")); // oversized: dropped
        sendUdp(QByteArray("@_+L;"), "127.0.0.5", "127.0.0.2"); // not to LocalIP: not heard
        sendUdp(QByteArray("@_+N;"));
        sendUdp(QByteArray(4091, 'y').prepend("@_+G;")); // exactly 4096 bytes: whole
        QTRY_COMPARE(calls.size(), 2);
        QCOMPARE(calls[0], QStringLiteral("@_+N|127.0.0.5|@_+N;"));
        QCOMPARE(calls[1].size(), int(QStringLiteral("@_+G|127.0.0.5|").size() + 4096));
    }

    void failedReadClosesTheSocket() {
        QString status;
        DatagramReceiver receiver(*dispatcher, [&](const QString &t) { status = t; });
        int p[2];
        QVERIFY(::pipe(p) == 0); // reading a datagram from a pipe fails
        QVERIFY(receiver.Start(p[0], QStringLiteral("127.0.0.1")));
        QVERIFY(::write(p[1], "x", 1) == 1);
        QTRY_COMPARE(status, QStringLiteral("통신오류: 통신 메시지를 받을 수 없습니다."));
        QCOMPARE(receiver.RecvSocket(), -1);
        receiver.DispatchDatagram(); // nothing more is read
        QVERIFY(calls.isEmpty());
        ::close(p[1]);
    }
};

QTEST_GUILESS_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
