#pragma once
// Starting another program: an argument vector, never a shell.
#include <QString>
#include <QStringList>

namespace process {

inline constexpr const char *kPassedFdVariable = "QUILLMERE_PASSED_FD";

// Starts program with args as a process of its own session that outlives this
// one and is never this process's child to reap. It inherits no descriptor
// beyond standard input, output and error, and passedFd, when given, as its
// descriptor 3, which the environment variable kPassedFdVariable (=3) names. Returns its process id, or -1 when it could not be started
// (the program missing or not executable).
qint64 StartDetached(const QString &program, const QStringList &args, int passedFd = -1);

} // namespace process
