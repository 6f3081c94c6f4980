#pragma once
// ICMP echo requests, one at a time, with every outcome told in the codes of
// the ICMP status table. An unprivileged ICMP datagram socket where
// net.ipv4.ping_group_range allows it, else a raw ICMP socket (root or
// CAP_NET_RAW); when neither opens, Create fails.
#include <QByteArray>
#include <QString>

namespace echo {

enum Status : quint32 {
    kSuccess = 0,
    kBufferTooSmall = 11001,
    kDestNetUnreachable = 11002,
    kDestHostUnreachable = 11003,
    kDestProtocolUnreachable = 11004,
    kDestPortUnreachable = 11005,
    kNoResources = 11006,
    kPacketTooBig = 11009,
    kRequestTimedOut = 11010,
    kBadRoute = 11012,
    kTtlExpiredTransit = 11013,
    kTtlExpiredReassembly = 11014,
    kParameterProblem = 11015,
    kSourceQuench = 11016,
    kGeneralFailure = 11050,
};

// The address of dotted text in network byte order, with inet_addr's rules;
// false where inet_addr gives INADDR_NONE (255.255.255.255 included).
bool ParseAddress(const QString &text, quint32 &address);

struct EchoReply {
    QString Address;            // the target, or the router that reports an error
    quint32 Status = kSuccess;
    quint32 RoundTripTime = 0;  // milliseconds
    quint16 DataSize = 0;       // echoed bytes; 0 in an error report
    quint8 Ttl = 0;
};

struct EchoResult {
    int Replies = 0;           // 1: Reply holds the answer; 0: Error says why none came
    EchoReply Reply;
    quint32 Error = kSuccess;
};

class IcmpEcho {
public:
    enum class Kind { None, Datagram, Raw };

    IcmpEcho() = default;
    IcmpEcho(const IcmpEcho &) = delete;
    IcmpEcho &operator=(const IcmpEcho &) = delete;
    virtual ~IcmpEcho();

    // Opens the socket; false when no socket of either kind can be opened.
    virtual bool Create();
    // One echo request to address (network byte order); returns when its
    // reply or an error report has come or timeoutMs have passed. Blocks the
    // calling thread, so callers with a window run it on a worker.
    virtual EchoResult SendEcho(quint32 address, const QByteArray &data, quint8 ttl, int timeoutMs);
    virtual void Close();

    Kind kind() const { return kind_; }

private:
    int fd_ = -1;
    Kind kind_ = Kind::None;
    quint16 ident_ = 0;
    quint16 sequence_ = 0;
};

} // namespace echo
