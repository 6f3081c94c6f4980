#pragma once
// Running file-server processes of this computer, found through /proc.
#include <QList>
#include <QString>

namespace fileservers {

// Process ids of the running processes of every user whose executable is
// named executableName and whose last argument is launchToken. Zombies and
// programs that merely carry the name (a script, a renamed copy started
// without the token) are not among them.
QList<qint64> Running(const QString &executableName, const QString &launchToken);

// Whether process pid still runs (neither ended nor a zombie).
bool Alive(qint64 pid);

enum class Readiness { Starting, Listening, Ended };
// Whether process pid listens on the TCP port yet, or has ended without it.
Readiness ListenState(qint64 pid, quint16 port);

} // namespace fileservers
