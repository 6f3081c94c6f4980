#include "core/messenger.h"

#include "core/frame.h"
#include "platform/udpsocket.h"

void Messenger::SendCommand(const QString &code, const QString &ip, const QString &payload, quint16 port) {
    if (SendSocket() == udp::kInvalid) return;
    Transmit(ip, port, CommandBytes(code, payload));
}

void Messenger::BroadcastCommand(const QString &subCommand, const QString &payload) {
    if (SendSocket() == udp::kInvalid) return;
    Transmit(QStringLiteral("255.255.255.255"), kCommandPort, BroadcastBytes(subCommand, payload));
}

void Messenger::Transmit(const QString &ip, quint16 port, const QByteArray &bytes) {
    udp::SendTo(SendSocket(), ip, port, bytes);
}
