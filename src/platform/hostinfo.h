#pragma once
// Who this host is and where the program keeps its files.
#include <QString>

namespace hostinfo {

// First IPv4 address of the resolved host name that is not loopback; else the
// first up, broadcast-capable, non-loopback interface address; else 127.0.0.1.
QString GetLocalIP();
// The host name up to its first "."; empty when it is empty or longer than 16 bytes.
QString ComputerName();
QString GetOSName();
// The workgroup of the Samba configuration's [global] section, upper-cased, else "(N/A)".
QString GetWorkgroup(const QString &osName, const QString &sambaConfig = QStringLiteral("/etc/samba/smb.conf"));

// Folder of the running executable, ending with "/".
QString ProgramFolder();
// $XDG_CONFIG_HOME/Quillmere (default ~/.config/Quillmere), without a closing "/".
QString ConfigFolder();
// The user's download folder followed by "/Quillmere".
QString UserDownloadFolder();
bool IsWritableFolder(const QString &folder);

} // namespace hostinfo
