// Bursts larger than the kernel's receive queue: a whole LAN announcing
// itself at the same moment, and a search answered by more computers than the
// queue holds while the main thread is busy. Nothing the kernel delivered is
// lost, and the order of arrival is kept.
#include "core/dispatcher.h"
#include "core/host.h"
#include "core/receivequeue.h"
#include "core/receiver.h"
#include "listing/listdatagram.h"
#include "listing/remoteresults.h"
#include "platform/udpsocket.h"

#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

struct Sender {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    Sender() {
        to.sin_family = AF_INET;
        to.sin_port = htons(8765);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    ~Sender() { ::close(fd); }
    bool send(const QByteArray &d) {
        return ::sendto(fd, d.constData(), size_t(d.size()), 0, reinterpret_cast<sockaddr *>(&to), sizeof to) ==
               ssize_t(d.size());
    }
};

// A full list datagram of computer i: as many entries as fit.
QByteArray fullListDatagram(int i, int *entries) {
    QByteArray payload;
    for (*entries = 0;; ++*entries) {
        const QByteArray e = "photo " + QByteArray::number(i) + "-" + QByteArray::number(*entries) +
                             ".jpg;1234;;C:\\pics\\;PC" + QByteArray::number(i) + ";10.78.0." +
                             QByteArray::number(i % 250 + 1) + ";;";
        if (payload.size() + e.size() + 100 > 4096) break;
        payload += e;
    }
    return "@_+G;" + payload + kEndOfList;
}

} // namespace

class TestReceiveBurst : public QObject {
    Q_OBJECT
private slots:
    void burstOfAnnouncementsWaitsUnread() {
        int fd = udp::OpenReceive(8765);
        QVERIFY(fd >= 0);
        Sender out;
        // More than a default-sized queue (about 200 KiB) can hold.
        constexpr int kPeers = 400;
        for (int i = 0; i < kPeers; ++i)
            QVERIFY(out.send("@_&#;@_&F;WG" + QByteArray::number(i % 50) + ";PC-" + QByteArray::number(i)));
        int read = 0;
        QByteArray bytes;
        QString sender;
        while (udp::ReadOne(fd, bytes, sender) == udp::ReadResult::Datagram) {
            QCOMPARE(bytes, "@_&#;@_&F;WG" + QByteArray::number(read % 50) + ";PC-" + QByteArray::number(read));
            ++read;
        }
        QCOMPARE(read, kPeers);
        udp::Close(fd);
    }

    // The queue Debian's default rmem_max grants holds about 60 full list
    // datagrams; 400 computers answer while the main thread dispatches none.
    void searchAnswersBeyondTheKernelQueueAllArrive() {
        HostIdentity host;
        host.LocalIP = QStringLiteral("127.0.0.1");
        Dispatcher dispatcher(host);
        RemoteResults results;
        QStringList owners;
        dispatcher.SetHandler("@_+G", [&](const QString &, const QString &text) {
            const QList<ShareEntry> entries = ReadListDatagram(text);
            owners << entries.first().owner;
            results.Append(entries);
        });
        DatagramReceiver receiver(dispatcher, [](const QString &) {});
        const int fd = udp::OpenReceive(8765);
        const int granted = 212992;
        QVERIFY(::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, sizeof granted) == 0);
        QVERIFY(receiver.Start(fd, QStringLiteral("127.0.0.1")));

        Sender out;
        constexpr int kComputers = 400;
        int expected = 0;
        for (int i = 0; i < kComputers; ++i) {
            int entries = 0;
            QVERIFY(out.send(fullListDatagram(i, &entries)));
            expected += entries;
            // Every 40 datagrams, well inside the kernel's queue, it must empty
            // without the main thread's help.
            if (i % 40 != 39) continue;
            int pending = 1;
            for (int wait = 0; wait < 1000 && pending > 0; ++wait) {
                QVERIFY(::ioctl(fd, SIOCINQ, &pending) == 0);
                if (pending) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            QCOMPARE(pending, 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(results.Rows(), expected, 20000);
        QCOMPARE(receiver.QueueDrops(), 0u);
        for (int i = 0; i < kComputers; ++i) QCOMPARE(owners[i], QStringLiteral("PC%1").arg(i));
    }

    // Beyond its bound the queue drops and counts; a failure always goes in,
    // and only a push into an empty queue wakes the reader.
    void queueBoundAndOrder() {
        ReceiveQueue q(3 * (100 + 64));
        const auto d = [](char c) { return ReceivedDatagram{QStringLiteral("s"), QByteArray(100, c)}; };
        QVERIFY(q.Push(d('a')));
        QVERIFY(!q.Push(d('b')));
        QVERIFY(!q.Push(d('c')));
        QVERIFY(!q.Push(d('x'))); // full: dropped
        QVERIFY(!q.Push({{}, {}, true}));
        QCOMPARE(q.Drops(), 1u);
        QString order;
        while (auto next = q.Pop()) order += next->failed ? QLatin1Char('!') : QLatin1Char(next->bytes.at(0));
        QCOMPARE(order, QStringLiteral("abc!"));
        QVERIFY(q.Push(d('e'))); // room again
    }
};

QTEST_GUILESS_MAIN(TestReceiveBurst)
#include "tst_receiveburst.moc"
