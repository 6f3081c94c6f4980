// The ping report: reply lines, statistics with their integer divisions,
// stopping, a target that is not an address, and the status texts.
#include "fakeecho.h"
#include "ping/pingrun.h"
#include "ping/pingtexts.h"

#include <QTest>

#include <arpa/inet.h>

#include <thread>

class TestPingRun : public QObject {
    Q_OBJECT

    QStringList run(FakeEcho &echo, const QString &target, std::atomic<bool> *stop = nullptr) {
        std::atomic<bool> never{false};
        QStringList lines;
        PingRun(echo, target, stop ? *stop : never, [&](const QString &l) { lines << l; }).Execute();
        return lines;
    }
    static QStringList tail(const QStringList &lines, int n) { return lines.mid(lines.size() - n); }

private slots:
    void tenReplies() {
        FakeEcho echo;
        for (quint32 rtt = 1; rtt <= 10; ++rtt) echo.script << FakeEcho::Reply(rtt);
        const QStringList lines = run(echo, QStringLiteral("10.0.0.9"));
        QCOMPARE(lines.size(), 16);
        QCOMPARE(lines[0], QStringLiteral("56바이트의 데이터를 가진 10.0.0.9 를 Ping 하는 중:"));
        QCOMPARE(lines[1], QString());
        QCOMPARE(lines[2], QStringLiteral("10.0.0.9 로부터 응답: 바이트=56, 시간=1ms, TTL=128"));
        QCOMPARE(lines[11], QStringLiteral("10.0.0.9 로부터 응답: 바이트=56, 시간=10ms, TTL=128"));
        QCOMPARE(tail(lines, 4), (QStringList{QString(), QStringLiteral("PING Statistics for 10.0.0.9"),
                                               QStringLiteral("10 packets transmitted, 10 packets received, 0% packet loss"),
                                               QStringLiteral("round-trip (ms) min/avg/max = 1/5/10")}));

        // Every request: 56 bytes of 170, time to live 255, 3000 ms, to the target's address.
        const QList<FakeEcho::Call> calls = echo.Calls();
        QCOMPARE(calls.size(), 10);
        for (const FakeEcho::Call &c : calls) {
            QCOMPARE(c.address, quint32(inet_addr("10.0.0.9")));
            QCOMPARE(c.data, QByteArray(56, char(0xAA)));
            QCOMPARE(int(c.ttl), 255);
            QCOMPARE(c.timeoutMs, 3000);
        }
    }

    void hostThatIsDown() {
        FakeEcho echo;
        const QStringList lines = run(echo, QStringLiteral("10.0.0.9"));
        QCOMPARE(lines.mid(2, 10), QStringList(10, QStringLiteral("응답없음: Request timed out")));
        QCOMPARE(tail(lines, 2), (QStringList{QStringLiteral("10 packets transmitted, 0 packets received, 100% packet loss"),
                                               QStringLiteral("round-trip (ms) min/avg/max = 0/0/0")}));
    }

    void sevenRepliesThreeFailures() {
        FakeEcho echo;
        echo.script = {FakeEcho::Reply(30), FakeEcho::Failure(echo::kRequestTimedOut), FakeEcho::Reply(7),
                       FakeEcho::Reply(12), FakeEcho::Failure(echo::kDestHostUnreachable), FakeEcho::Reply(5),
                       FakeEcho::Reply(9), FakeEcho::Failure(echo::kGeneralFailure), FakeEcho::Reply(8), FakeEcho::Reply(6)};
        const QStringList lines = run(echo, QStringLiteral("10.0.0.9"));
        QCOMPARE(lines[3], QStringLiteral("응답없음: Request timed out"));
        QCOMPARE(lines[6], QStringLiteral("응답없음: Destination host unreachable"));
        QCOMPARE(lines[9], QStringLiteral("응답없음: General failure"));
        // Sum 77 over 10 requests sent, not over the 7 replies.
        QCOMPARE(tail(lines, 2), (QStringList{QStringLiteral("10 packets transmitted, 7 packets received, 30% packet loss"),
                                               QStringLiteral("round-trip (ms) min/avg/max = 5/7/30")}));
    }

    void replyWithoutData() {
        FakeEcho echo;
        echo.script = {FakeEcho::Report(echo::kDestHostUnreachable, QStringLiteral("10.0.0.1")), FakeEcho::Reply(4)};
        const QStringList lines = run(echo, QStringLiteral("10.0.0.9"));
        QCOMPARE(lines[2], QStringLiteral("10.0.0.1 로부터 응답: Non-recoverable error(11003)"));
        // Counted as received, nothing added to the times.
        QCOMPARE(tail(lines, 2), (QStringList{QStringLiteral("10 packets transmitted, 2 packets received, 80% packet loss"),
                                               QStringLiteral("round-trip (ms) min/avg/max = 4/0/4")}));
    }

    void stopDuringTheFourthRequest() {
        FakeEcho echo;
        for (int i = 0; i < 10; ++i) echo.script << FakeEcho::Reply(2);
        echo.holdRequest = 4;
        std::atomic<bool> stop{false};
        QStringList lines;
        std::thread worker([&] {
            PingRun(echo, QStringLiteral("10.0.0.9"), stop, [&](const QString &l) { lines << l; }).Execute();
        });
        QVERIFY(echo.inProgress.tryAcquire(1, 5000));
        stop = true; // pressed while the fourth request is out
        echo.Release();
        worker.join();
        QCOMPARE(echo.Calls().size(), 4);
        QCOMPARE(tail(lines, 2), (QStringList{QStringLiteral("4 packets transmitted, 4 packets received, 0% packet loss"),
                                               QStringLiteral("round-trip (ms) min/avg/max = 2/2/2")}));
    }

    void targetThatIsNotAnAddress_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("name") << QStringLiteral("PC5");
        QTest::newRow("five numbers") << QStringLiteral("10.0.0.9.1");
        QTest::newRow("too big") << QStringLiteral("10.0.0.256");
        QTest::newRow("all ones") << QStringLiteral("255.255.255.255");
        QTest::newRow("empty") << QString();
    }
    void targetThatIsNotAnAddress() {
        QFETCH(QString, target);
        FakeEcho echo;
        QCOMPARE(run(echo, target), QStringList{QStringLiteral("NT의 IP를 알 수 없습니다.  NT 주소를 확인하세요.")});
        QVERIFY(echo.Calls().isEmpty());
    }

    void statusTexts() {
        QCOMPARE(WinsockErrorText(11003), QStringLiteral("Non-recoverable error(11003)"));
        QCOMPARE(WinsockErrorText(10060), QStringLiteral("Connection timed out(10060)"));
        QCOMPARE(WinsockErrorText(10101), QStringLiteral("Disconnect(10101)"));
        // Not a WinSock code: the ICMP table answers.
        QCOMPARE(WinsockErrorText(11010), QStringLiteral("Request timed out(11010)"));
        QCOMPARE(WinsockErrorText(7), QStringLiteral("Not a Socket error(7)"));
        QCOMPARE(IcmpStatusText(0), QStringLiteral("Success"));
        QCOMPARE(IcmpStatusText(11001), QStringLiteral("Buffer too small"));
        QCOMPARE(IcmpStatusText(11050), QStringLiteral("General failure"));
        QCOMPARE(IcmpStatusText(11023), QStringLiteral("Not a Socket error"));
        QCOMPARE(IcmpStatusText(10060), QStringLiteral("Not a Socket error"));
    }
};

QTEST_GUILESS_MAIN(TestPingRun)
#include "tst_pingrun.moc"
