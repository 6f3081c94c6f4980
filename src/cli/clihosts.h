#pragma once
// Finding the computers of the LAN from the command line: this copy announces
// itself, and every copy that hears a newcomer answers with its own announcement.
#include <QString>

#include <functional>
#include <optional>

class Session;

struct PeerAddress {
    QString name;
    QString ip;
};

namespace cli {

// Runs the event loop until done() holds or ms have passed; done() is asked
// every few milliseconds. False when the time ran out.
bool WaitUntil(int ms, const std::function<bool()> &done);
// Announces this copy once; the answers fill the session's peer directory.
void AnnounceSelf(Session &session);
// The computer named by text: an IPv4 address, or a computer name heard
// within a few seconds. Says why on standard error when there is none.
std::optional<PeerAddress> FindHost(Session &session, const QString &text);

} // namespace cli
