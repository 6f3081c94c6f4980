#include "ping/pingtexts.h"

#include <iterator>
#include <utility>

namespace {

using Entry = std::pair<quint32, const char *>;

constexpr Entry kWinsockTexts[] = {
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Protocol not available"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Can't assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Network dropped connection on reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send after socket shutdown"},
    {10059, "Too many references: can't splice"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10066, "Directory not empty"},
    {10067, "Too many processes"},
    {10068, "Too many users"},
    {10069, "Disc quota exceeded"},
    {10070, "Stale NFS file handle"},
    {10071, "Too many levels of remote in path"},
    {10091, "Indicate that the network subsystem is not yet ready for communication"},
    {10092, "WinSock DLL cannot support this application"},
    {10093, "WinSock not initialized"},
    {10101, "Disconnect"},
    {11001, "Host not found"},
    {11002, "Non-authoritative host not found"},
    {11003, "Non-recoverable error"},
    {11004, "No Data"},
};

constexpr Entry kIcmpTexts[] = {
    {0, "Success"},
    {11001, "Buffer too small"},
    {11002, "Destination net unreachable"},
    {11003, "Destination host unreachable"},
    {11004, "Destination protocol unreachable"},
    {11005, "Destination port unreachable"},
    {11006, "No resources"},
    {11007, "Bad Option"},
    {11008, "Hardware Error"},
    {11009, "Packet too big"},
    {11010, "Request timed out"},
    {11011, "Bad request"},
    {11012, "Bad route"},
    {11013, "TTL expired in transit"},
    {11014, "TTL expired in reassembly"},
    {11015, "Parameter problem"},
    {11016, "Source quench"},
    {11017, "Option too big"},
    {11018, "Bad destination"},
    {11019, "Address deleted"},
    {11020, "Spec MTU change"},
    {11021, "MTU change"},
    {11022, "Unload"},
    {11050, "General failure"},
};

const char *find(const Entry *begin, const Entry *end, quint32 code) {
    for (const Entry *e = begin; e != end; ++e)
        if (e->first == code) return e->second;
    return nullptr;
}

} // namespace

QString IcmpStatusText(quint32 code) {
    const char *text = find(std::begin(kIcmpTexts), std::end(kIcmpTexts), code);
    return QString::fromLatin1(text ? text : "Not a Socket error");
}

QString WinsockErrorText(quint32 code) {
    const char *text = find(std::begin(kWinsockTexts), std::end(kWinsockTexts), code);
    const QString name = text ? QString::fromLatin1(text) : IcmpStatusText(code);
    return name + QLatin1Char('(') + QString::number(code) + QLatin1Char(')');
}
