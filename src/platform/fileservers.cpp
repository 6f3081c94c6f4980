#include "platform/fileservers.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace fileservers {

namespace {

QByteArray readProcFile(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// The state letter of /proc/<pid>/stat; the name before it is in parentheses
// and may itself hold blanks and parentheses, so read after the last ")".
char processState(const QString &pidDir) {
    const QByteArray stat = readProcFile(pidDir + QStringLiteral("/stat"));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size()) return 0;
    return stat.at(close + 2);
}

bool isFileServer(const QString &pidDir, const QByteArray &name, const QByteArray &token) {
    const QByteArray comm = readProcFile(pidDir + QStringLiteral("/comm")).trimmed();
    if (comm != name.left(15)) return false;
    const QList<QByteArray> args = readProcFile(pidDir + QStringLiteral("/cmdline")).split('\0');
    // cmdline ends with a NUL, so the split leaves an empty last piece.
    if (args.size() < 3 || !args.last().isEmpty()) return false;
    const QByteArray &program = args.first();
    const QByteArray base = program.mid(program.lastIndexOf('/') + 1);
    if (base != name || args.at(args.size() - 2) != token) return false;
    const char state = processState(pidDir);
    return state != 0 && state != 'Z' && state != 'X';
}

// Socket inodes of the IPv4 TCP sockets listening on port.
QList<QByteArray> listeningInodes(quint16 port) {
    QList<QByteArray> inodes;
    const QList<QByteArray> lines = readProcFile(QStringLiteral("/proc/net/tcp")).split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].simplified().split(' ');
        if (f.size() < 10 || f[3] != "0A") continue;
        const qsizetype colon = f[1].lastIndexOf(':');
        bool ok = false;
        if (colon < 0 || f[1].mid(colon + 1).toUInt(&ok, 16) != port || !ok) continue;
        inodes.append(f[9]);
    }
    return inodes;
}

} // namespace

QList<qint64> Running(const QString &executableName, const QString &launchToken) {
    const QByteArray name = QFile::encodeName(executableName);
    const QByteArray token = launchToken.toUtf8();
    QList<qint64> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (ok && isFileServer(QStringLiteral("/proc/") + entry, name, token)) pids.append(pid);
    }
    return pids;
}

bool Alive(qint64 pid) {
    const QString pidDir = QStringLiteral("/proc/%1").arg(pid);
    const char state = processState(pidDir);
    // A process that is ending has let go of its memory, and with it its
    // command line, before it turns into a zombie: the scan no longer sees it.
    return state != 0 && state != 'Z' && state != 'X' && !readProcFile(pidDir + QStringLiteral("/cmdline")).isEmpty();
}

Readiness ListenState(qint64 pid, quint16 port) {
    if (!Alive(pid)) return Readiness::Ended;
    const QString pidDir = QStringLiteral("/proc/%1").arg(pid);
    const QList<QByteArray> inodes = listeningInodes(port);
    if (inodes.isEmpty()) return Readiness::Starting;
    const QString fdDir = pidDir + QStringLiteral("/fd/");
    for (const QString &fd : QDir(fdDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[64] = {};
        const ssize_t n = ::readlink(QFile::encodeName(fdDir + fd).constData(), target, sizeof target - 1);
        if (n <= 0) continue;
        for (const QByteArray &inode : inodes)
            if (QByteArray(target, n) == "socket:[" + inode + ']') return Readiness::Listening;
    }
    return Readiness::Starting;
}

} // namespace fileservers
