#pragma once
// Who this host is and where the program keeps its files.
#include <QString>

#include <optional>

namespace hostinfo {

// First IPv4 address of the resolved host name that is not loopback and that
// a local interface holds (a stale hosts line names an address no socket can
// bind); else the first up, broadcast-capable, non-loopback interface
// address; else 127.0.0.1.
QString GetLocalIP();

// A local IPv4 address and where its datagrams come in. Addresses in network byte order.
struct LocalAddress {
    quint32 address = 0;
    quint32 broadcast = 0; // of the address's network; 0 when it has none
    unsigned interfaceIndex = 0;
    unsigned loopbackIndex = 0;

    // What a socket bound to this address alone would hear: datagrams that
    // came in on its interface addressed to it or to a broadcast address, and
    // this host's own datagrams to it, which come in through loopback.
    bool Hears(unsigned arrivalIndex, quint32 destination) const;
};
// The interface that holds ip, if any does.
std::optional<LocalAddress> FindLocalAddress(const QString &ip);
// Whether an interface of this host has this (network-order) address as its broadcast.
bool IsInterfaceBroadcast(quint32 address);
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
