#pragma once
// The launcher started for each start request "@_+R": it starts one file
// server for the requester and tells it the port.
#include <QString>
#include <QStringList>

class FileServerSlots;
class Session;

// The last argument of every file-server start, by which running ones are known.
inline constexpr const char *LaunchToken = "572048";

// 9265 + the last octet of the requester's address + the servers already running.
quint16 FileServerPort(const QString &requesterIp, int runningServers);
// The seven arguments after the file server's path.
QStringList FileServerArguments(const QString &requesterIp, quint16 port, const QString &requesterName,
                                const QString &filePath, qint64 size, qint64 startOffset);
// The offset field of "@_+R": a number of bytes; anything else, or a negative one, counts 0.
qint64 ParseStartOffset(const QString &field);

class TProcessFTPThread {
public:
    // slot: reserved in serverSlots for this start; port: the server's, from the count at the reservation.
    TProcessFTPThread(Session &session, QString requesterIp, QString requesterName, QString filePath,
                      qint64 startOffset, FileServerSlots &serverSlots, int slot, quint16 port);

    // Opens the file, hands it to a new file server and tells the requester
    // its port; the slot is the server's while it runs, freed at once when
    // nothing started.
    void Execute();

private:
    // Waits until the started server listens on port; false when it ended first.
    static bool WaitListening(qint64 pid, quint16 port);

    Session &session_;
    QString RequesterIP;
    QString RequesterName;
    QString FilePath;
    qint64 StartOffset;
    FileServerSlots &slots_;
    int slot_;
    quint16 port_;
};
