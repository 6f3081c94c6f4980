#include "platform/udpsocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace udp {

namespace {
constexpr int kMaxDatagram = 4096;
// Room for a burst of announcements from a whole LAN (a short datagram takes
// about 1 KiB of queue); the kernel caps the request at net.core.rmem_max.
constexpr int kReceiveQueueBytes = 1 << 20;
}

int OpenReceive(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kInvalid;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        const int error = errno; // the caller tells a taken port from other faults
        ::close(fd);
        errno = error;
        return kInvalid;
    }
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveQueueBytes, sizeof kReceiveQueueBytes);
    const int on = 1;
    if (::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
        ::close(fd);
        return kInvalid;
    }
    return fd;
}

int OpenSend(const QString &localIp) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kInvalid;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = 0;
    if (::inet_pton(AF_INET, localIp.toLatin1().constData(), &a.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(fd);
        return kInvalid;
    }
    return fd;
}

bool EnableBroadcast(int fd) {
    const int on = 1;
    return fd >= 0 && ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

void SetLingerZero(int fd) {
    if (fd < 0) return;
    const linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

void Close(int &fd) {
    if (fd >= 0) ::close(fd);
    fd = kInvalid;
}

void SendTo(int fd, const QString &ip, quint16 port, const QByteArray &bytes) {
    if (fd < 0) return;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    // Text that is not a dotted address is dropped: inet_addr would make it
    // 255.255.255.255 and send it to the whole network.
    if (::inet_pton(AF_INET, ip.toLatin1().constData(), &a.sin_addr) != 1) return;
    a.sin_port = htons(port);
    ::sendto(fd, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<sockaddr *>(&a), sizeof a);
}

ReadResult ReadOne(int fd, QByteArray &bytes, QString &sender, Arrival *arrival) {
    char buf[kMaxDatagram + 1] = {};
    sockaddr_in from{};
    iovec iov{buf, sizeof buf};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(fd, &msg, MSG_TRUNC | MSG_DONTWAIT);
    if (n < 0) {
        // Nothing pending after a spurious wake-up is not a failure.
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? ReadResult::Empty : ReadResult::Failed;
    }
    char ip[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
    sender = QString::fromLatin1(ip);
    if (arrival) {
        *arrival = {};
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            *arrival = {unsigned(info.ipi_ifindex), info.ipi_addr.s_addr};
        }
    }
    if (n > kMaxDatagram) return ReadResult::Dropped;
    bytes = QByteArray(buf, n);
    return ReadResult::Datagram;
}

} // namespace udp
