#pragma once
// Program-wide values, written once at start-up (DownloadDir also by the
// download dialog) and only read afterwards, from any thread.
#include <QString>

struct HostIdentity {
    QString LocalIP;
    QString ComputerName;
    QString WorkgroupName;
    QString IniFilePath;
    QString DownloadDir;
    QString FileServerPath;
    QString FileServerTitle;
};

inline constexpr quint16 kCommandPort = 8765;
inline const char *const kAppTitle = "Quillmere™ v1.0";
// The file server's window title: the program's title, this, and the file it serves.
inline const char *const kFileServerSuffix = " - TFTP";
