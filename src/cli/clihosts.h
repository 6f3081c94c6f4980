#pragma once
// Finding the computers of the LAN from the command line: this copy announces
// itself, and every copy that hears a newcomer answers with its own announcement.
#include <QString>

#include <optional>

class QObject;
class Session;

struct PeerAddress {
    QString name;
    QString ip;
};

namespace cli {

// Runs the event loop for ms, or until sender (when given) emits signal.
void Wait(int ms, const QObject *sender = nullptr, const char *signal = nullptr);
// The computer named by text: an IPv4 address, or a computer name heard
// within a few seconds. Says why on standard error when there is none.
std::optional<PeerAddress> FindHost(Session &session, const QString &text);

} // namespace cli
