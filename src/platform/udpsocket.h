#pragma once
// The two UDP sockets of the datagram protocol. Plain descriptors: one
// sendto per datagram, safe from any thread.
#include <QByteArray>
#include <QString>

namespace udp {

constexpr int kInvalid = -1;

// Bound to 0.0.0.0:port without SO_REUSEADDR: Linux delivers broadcasts only
// to a wildcard-bound socket, and a second copy must still fail to bind.
// Its receive queue is enlarged to take a burst of announcements, and each
// datagram's arrival (interface and destination) is recorded for ReadOne.
// On failure errno tells why (EADDRINUSE: another socket holds the port).
int OpenReceive(quint16 port);
// Bound to localIp with a system-chosen port; SO_BROADCAST is set separately.
int OpenSend(const QString &localIp);
bool EnableBroadcast(int fd);
void SetLingerZero(int fd);
void Close(int &fd);

void SendTo(int fd, const QString &ip, quint16 port, const QByteArray &bytes);

// Where a datagram came in: the interface and the address it was sent to
// (network byte order); zeros when the socket does not record them.
struct Arrival {
    unsigned interfaceIndex = 0;
    quint32 destination = 0;
};

enum class ReadResult { Datagram, Dropped, Empty, Failed };
// Reads one datagram of at most 4096 bytes into bytes without blocking; a
// larger one is consumed and reported as Dropped, Empty when none is pending.
ReadResult ReadOne(int fd, QByteArray &bytes, QString &sender, Arrival *arrival = nullptr);

} // namespace udp
