// The echo layer against this host's own network stack, in the test's
// namespace: replies, timeouts and unreachable targets, with a datagram
// socket and with a raw one.
#include "platform/icmpecho.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <arpa/inet.h>

class TestIcmpEcho : public QObject {
    Q_OBJECT

    static bool allowDatagramSockets(bool on) {
        QFile f(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
        return f.open(QIODevice::WriteOnly) && f.write(on ? "0 2147483647\n" : "1 0\n") > 0;
    }
    static bool ip(const QStringList &args) { return QProcess::execute(QStringLiteral("ip"), args) == 0; }
    static quint32 address(const char *text) { return inet_addr(text); }
    const QByteArray data = QByteArray(56, char(0xAA));

private slots:
    void initTestCase() {
        // A link with nobody at its other end: 10.9.0.2 is known by its hardware
        // address but never answers; 10.9.0.3 is not known at all.
        QVERIFY(ip({"link", "add", "qmnear", "type", "veth", "peer", "name", "qmfar"}));
        QVERIFY(ip({"addr", "add", "10.9.0.1/24", "dev", "qmnear"}));
        QVERIFY(ip({"link", "set", "qmnear", "up"}));
        QVERIFY(ip({"link", "set", "qmfar", "up"}));
        QVERIFY(ip({"neigh", "add", "10.9.0.2", "lladdr", "02:00:00:00:00:02", "dev", "qmnear", "nud", "permanent"}));
        QVERIFY(ip({"route", "add", "unreachable", "10.201.0.0/16"}));
    }

    void kinds_data() {
        QTest::addColumn<bool>("datagram");
        QTest::newRow("datagram socket") << true;
        QTest::newRow("raw socket") << false;
    }

    void kinds() {
        QFETCH(bool, datagram);
        QVERIFY(allowDatagramSockets(datagram));
        echo::IcmpEcho e;
        QVERIFY(e.Create());
        QCOMPARE(e.kind(), datagram ? echo::IcmpEcho::Kind::Datagram : echo::IcmpEcho::Kind::Raw);

        for (int i = 0; i < 3; ++i) {
            const echo::EchoResult r = e.SendEcho(address("127.0.0.1"), data, 255, 3000);
            QCOMPARE(r.Replies, 1);
            QCOMPARE(r.Reply.Address, QStringLiteral("127.0.0.1"));
            QCOMPARE(r.Reply.Status, quint32(echo::kSuccess));
            QCOMPARE(int(r.Reply.DataSize), 56);
            QCOMPARE(int(r.Reply.Ttl), 64); // the answering stack's own time to live
            QVERIFY(r.Reply.RoundTripTime < 1000);
        }

        QElapsedTimer t;
        t.start();
        echo::EchoResult r = e.SendEcho(address("10.9.0.2"), data, 255, 300);
        QCOMPARE(r.Replies, 0);
        QCOMPARE(r.Error, quint32(echo::kRequestTimedOut));
        QVERIFY(t.elapsed() >= 290 && t.elapsed() < 2000);

        r = e.SendEcho(address("10.200.0.1"), data, 255, 3000);
        QCOMPARE(r.Replies, 0);
        QCOMPARE(r.Error, quint32(echo::kDestNetUnreachable));
        r = e.SendEcho(address("10.201.0.1"), data, 255, 3000);
        QCOMPARE(r.Replies, 0);
        QCOMPARE(r.Error, quint32(echo::kDestHostUnreachable));

        // The address lookup fails after about 3 s, which this host reports itself.
        r = e.SendEcho(address("10.9.0.3"), data, 255, 6000);
        QCOMPARE(r.Replies, 1);
        QCOMPARE(r.Reply.Address, QStringLiteral("10.9.0.1"));
        QCOMPARE(r.Reply.Status, quint32(echo::kDestHostUnreachable));
        QCOMPARE(int(r.Reply.DataSize), 0);

        // After failures the next request is answered as before.
        QCOMPARE(e.SendEcho(address("127.0.0.1"), data, 255, 3000).Replies, 1);
        e.Close();
        QCOMPARE(e.kind(), echo::IcmpEcho::Kind::None);
        QCOMPARE(e.SendEcho(address("127.0.0.1"), data, 255, 3000).Replies, 0);
    }

    void twoProvidersTellTheirRepliesApart() {
        QVERIFY(allowDatagramSockets(false));
        echo::IcmpEcho a, b;
        QVERIFY(a.Create() && b.Create());
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(a.SendEcho(address("127.0.0.1"), data, 255, 1000).Replies, 1);
            QCOMPARE(b.SendEcho(address("127.0.0.1"), data, 255, 1000).Replies, 1);
        }
    }

    void addresses() {
        quint32 a = 0;
        QVERIFY(echo::ParseAddress(QStringLiteral("10.0.0.9"), a));
        QCOMPARE(a, address("10.0.0.9"));
        QVERIFY(!echo::ParseAddress(QStringLiteral("255.255.255.255"), a));
        QVERIFY(!echo::ParseAddress(QStringLiteral("nowhere"), a));
        QVERIFY(!echo::ParseAddress(QStringLiteral("10.0.0.9") + QChar(0) + QStringLiteral("x"), a));
    }
};

QTEST_GUILESS_MAIN(TestIcmpEcho)
#include "tst_icmpecho.moc"
