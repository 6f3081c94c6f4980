#pragma once
// What every command of quillmere-cli shares: its exit statuses, its output
// and the start of a session.
#include <QString>

class Session;

namespace cli {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2, kPortTaken = 3 };

// One line on standard output or standard error.
void Out(const QString &line);
void Err(const QString &line);

// Whether another program of this computer holds the command port.
bool PortTaken();
// The message for a taken command port.
QString PortTakenMessage();

// Starts the session's sockets; kOk, or the status to end with after the reason was said.
int Start(Session &session);
// Runs the event loop until quit or SIGTERM/SIGINT/SIGHUP; false when a signal ended it.
bool Run(Session &session);
// Closes the session, saving the share list only when asked; kFailed when that save failed.
int Close(Session &session, bool saveShares);

} // namespace cli
