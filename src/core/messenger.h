#pragma once
// The send side of the datagram protocol. Safe to call from any thread: each
// call builds its own buffer and makes one sendto on the shared socket.
#include "core/host.h"

#include <QByteArray>
#include <QString>

#include <atomic>

class Messenger {
public:
    virtual ~Messenger() = default;

    void SendCommand(const QString &code, const QString &ip, const QString &payload,
                     quint16 port = kCommandPort);
    void BroadcastCommand(const QString &subCommand, const QString &payload);

    int SendSocket() const { return sendSocket_.load(); }
    void SetSendSocket(int fd) { sendSocket_.store(fd); }

protected:
    // One datagram on the wire; tests replace it to see what would be sent.
    virtual void Transmit(const QString &ip, quint16 port, const QByteArray &bytes);

private:
    std::atomic<int> sendSocket_{-1};
};
