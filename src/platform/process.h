#pragma once
// Starting another program: an argument vector, never a shell.
#include <QString>
#include <QStringList>

namespace process {

// Starts program with args as a process of its own session that outlives this
// one and is never this process's child to reap. It inherits no descriptor
// beyond standard input, output and error. Returns its process id, or -1 when
// it could not be started (the program missing or not executable).
qint64 StartDetached(const QString &program, const QStringList &args);

} // namespace process
