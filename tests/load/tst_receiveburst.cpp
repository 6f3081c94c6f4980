// A whole LAN announcing itself at the same moment: the command socket holds
// the burst until the main thread gets to read it, instead of dropping it.
#include "platform/udpsocket.h"

#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class TestReceiveBurst : public QObject {
    Q_OBJECT
private slots:
    void burstOfAnnouncementsWaitsUnread() {
        int fd = udp::OpenReceive(8765);
        QVERIFY(fd >= 0);
        const int out = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(8765);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // More than a default-sized queue (about 200 KiB) can hold.
        constexpr int kPeers = 400;
        for (int i = 0; i < kPeers; ++i) {
            const QByteArray d = "@_&#;@_&F;WG" + QByteArray::number(i % 50) + ";PC-" + QByteArray::number(i);
            QCOMPARE(::sendto(out, d.constData(), size_t(d.size()), 0, reinterpret_cast<sockaddr *>(&to), sizeof to),
                     ssize_t(d.size()));
        }
        ::close(out);
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
};

QTEST_GUILESS_MAIN(TestReceiveBurst)
#include "tst_receiveburst.moc"
