#include "platform/icmpecho.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace echo {

namespace {

constexpr int kIcmpHeader = 8;
constexpr int kReceiveBuffer = 65536;

quint16 checksum(const QByteArray &bytes) {
    quint32 sum = 0;
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    qsizetype n = bytes.size();
    for (; n > 1; p += 2, n -= 2) sum += quint32(p[0] << 8 | p[1]);
    if (n == 1) sum += quint32(p[0] << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

QByteArray echoRequest(quint16 ident, quint16 sequence, const QByteArray &data) {
    QByteArray packet(kIcmpHeader, '\0');
    packet[0] = char(ICMP_ECHO);
    packet[4] = char(ident >> 8);
    packet[5] = char(ident);
    packet[6] = char(sequence >> 8);
    packet[7] = char(sequence);
    packet += data;
    const quint16 sum = checksum(packet);
    packet[2] = char(sum >> 8);
    packet[3] = char(sum);
    return packet;
}

quint16 word(const uchar *p) { return quint16(p[0] << 8 | p[1]); }

QString dotted(in_addr a) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return QString::fromLatin1(text);
}

// An error that the system reports instead of an answer.
quint32 statusOfErrno(int error) {
    switch (error) {
    case ENETUNREACH:
    case ENETDOWN: return kDestNetUnreachable;
    case EHOSTUNREACH:
    case EHOSTDOWN: return kDestHostUnreachable;
    case EMSGSIZE: return kPacketTooBig;
    case ENOBUFS:
    case ENOMEM: return kNoResources;
    default: return kGeneralFailure;
    }
}

// An ICMP error message about our request, as a router or this host sent it.
quint32 statusOfIcmp(int type, int code) {
    switch (type) {
    case ICMP_DEST_UNREACH:
        switch (code) {
        case ICMP_NET_UNREACH:
        case ICMP_NET_UNKNOWN:
        case ICMP_NET_ANO:
        case ICMP_NET_UNR_TOS: return kDestNetUnreachable;
        case ICMP_PROT_UNREACH:
        case ICMP_PKT_FILTERED: return kDestProtocolUnreachable;
        case ICMP_PORT_UNREACH: return kDestPortUnreachable;
        case ICMP_FRAG_NEEDED: return kPacketTooBig;
        case ICMP_SR_FAILED: return kBadRoute;
        default: return kDestHostUnreachable;
        }
    case ICMP_TIME_EXCEEDED: return code == ICMP_EXC_FRAGTIME ? kTtlExpiredReassembly : kTtlExpiredTransit;
    case ICMP_PARAMETERPROB: return kParameterProblem;
    case ICMP_SOURCE_QUENCH: return kSourceQuench;
    default: return kGeneralFailure;
    }
}

quint16 nextIdent() {
    static std::atomic<quint16> counter{0};
    return quint16(::getpid() * 31 + counter.fetch_add(1));
}

} // namespace

bool ParseAddress(const QString &text, quint32 &address) {
    if (text.contains(QChar(0))) return false;
    const in_addr_t a = ::inet_addr(text.toLatin1().constData());
    if (a == INADDR_NONE) return false;
    address = a;
    return true;
}

IcmpEcho::~IcmpEcho() { Close(); }

bool IcmpEcho::Create() {
    Close();
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd_ >= 0) {
        kind_ = Kind::Datagram;
        // Error reports about our requests and the reply's TTL come as ancillary data.
        const int on = 1;
        ::setsockopt(fd_, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
        ::setsockopt(fd_, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
    } else {
        fd_ = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd_ < 0) return false;
        kind_ = Kind::Raw;
    }
    ident_ = nextIdent();
    return true;
}

void IcmpEcho::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    kind_ = Kind::None;
}

EchoResult IcmpEcho::SendEcho(quint32 address, const QByteArray &data, quint8 ttl, int timeoutMs) {
    EchoResult result;
    if (fd_ < 0) {
        result.Error = kGeneralFailure;
        return result;
    }
    const quint16 sequence = ++sequence_;
    const int ttlValue = ttl;
    ::setsockopt(fd_, IPPROTO_IP, IP_TTL, &ttlValue, sizeof ttlValue);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    const QByteArray packet = echoRequest(ident_, sequence, data);
    QElapsedTimer clock;
    clock.start();
    if (::sendto(fd_, packet.constData(), size_t(packet.size()), 0, reinterpret_cast<sockaddr *>(&to), sizeof to) < 0) {
        result.Error = statusOfErrno(errno);
        return result;
    }

    auto answered = [&](const QString &from, quint32 status, qsizetype dataSize, int replyTtl) {
        result.Replies = 1;
        result.Reply = {from, status, quint32(clock.elapsed()), quint16(qMax<qsizetype>(0, dataSize)),
                        quint8(replyTtl)};
        return result;
    };

    QByteArray buffer(kReceiveBuffer, Qt::Uninitialized);
    char control[512];
    for (;;) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;

        sockaddr_in from{};
        iovec io{buffer.data(), size_t(buffer.size())};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;

        if (p.revents & POLLERR) {
            // A datagram socket's error queue: the report carries our request's header.
            const ssize_t n = ::recvmsg(fd_, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
            if (n < kIcmpHeader) continue;
            const auto *sent = reinterpret_cast<const uchar *>(buffer.constData());
            if (word(sent + 6) != sequence) continue;
            for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
                if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR) continue;
                const auto *err = reinterpret_cast<const sock_extended_err *>(CMSG_DATA(c));
                const auto *offender = reinterpret_cast<const sockaddr_in *>(SO_EE_OFFENDER(err));
                if (err->ee_origin == SO_EE_ORIGIN_ICMP && offender->sin_family == AF_INET)
                    return answered(dotted(offender->sin_addr), statusOfIcmp(err->ee_type, err->ee_code), 0, 0);
                result.Error = statusOfErrno(int(err->ee_errno));
                return result;
            }
            continue;
        }

        const ssize_t n = ::recvmsg(fd_, &msg, MSG_DONTWAIT);
        if (n < 0) continue;
        const auto *bytes = reinterpret_cast<const uchar *>(buffer.constData());
        if (kind_ == Kind::Datagram) {
            // The system has matched the identifier; the sequence tells a late reply from ours.
            if (n < kIcmpHeader || bytes[0] != ICMP_ECHOREPLY || word(bytes + 6) != sequence) continue;
            int replyTtl = 0;
            for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL)
                    std::memcpy(&replyTtl, CMSG_DATA(c), sizeof replyTtl);
            return answered(dotted(from.sin_addr), kSuccess, n - kIcmpHeader, replyTtl);
        }

        // A raw socket sees every ICMP message of this host, with its IP header.
        if (n < qsizetype(sizeof(ip))) continue;
        const auto *header = reinterpret_cast<const ip *>(bytes);
        const qsizetype headerLength = header->ip_hl * 4;
        if (n < headerLength + kIcmpHeader) continue;
        const uchar *message = bytes + headerLength;
        const QString source = dotted(header->ip_src);
        if (message[0] == ICMP_ECHOREPLY) {
            if (word(message + 4) != ident_ || word(message + 6) != sequence) continue;
            return answered(source, kSuccess, n - headerLength - kIcmpHeader, header->ip_ttl);
        }
        if (message[0] != ICMP_DEST_UNREACH && message[0] != ICMP_TIME_EXCEEDED &&
            message[0] != ICMP_PARAMETERPROB && message[0] != ICMP_SOURCE_QUENCH)
            continue;
        // The error quotes the IP header and the first 8 bytes of the request it is about.
        const uchar *quoted = message + kIcmpHeader;
        if (n < headerLength + kIcmpHeader + qsizetype(sizeof(ip))) continue;
        const auto *original = reinterpret_cast<const ip *>(quoted);
        const qsizetype originalLength = original->ip_hl * 4;
        if (n < headerLength + kIcmpHeader + originalLength + kIcmpHeader) continue;
        const uchar *request = quoted + originalLength;
        if (original->ip_p != IPPROTO_ICMP || original->ip_dst.s_addr != address || request[0] != ICMP_ECHO ||
            word(request + 4) != ident_ || word(request + 6) != sequence)
            continue;
        return answered(source, statusOfIcmp(message[0], message[1]), 0, 0);
    }
    result.Error = kRequestTimedOut;
    return result;
}

} // namespace echo
