#include "platform/hostinfo.h"

#include "platform/sambaconf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <unistd.h>

namespace hostinfo {

namespace {

bool isLoopback(const in_addr &a) { return (ntohl(a.s_addr) >> 24) == 127; }

QString dotted(const in_addr &a) {
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return QString::fromLatin1(buf);
}

QString hostName() {
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) return {};
    return QString::fromUtf8(buf);
}

std::optional<LocalAddress> findHolder(in_addr_t address) {
    ifaddrs *ifs = nullptr;
    if (getifaddrs(&ifs) != 0) return std::nullopt;
    std::optional<LocalAddress> found;
    unsigned loopback = 0;
    for (ifaddrs *p = ifs; p; p = p->ifa_next) {
        if ((p->ifa_flags & IFF_LOOPBACK) && !loopback) loopback = if_nametoindex(p->ifa_name);
        if (found || !p->ifa_addr || p->ifa_addr->sa_family != AF_INET) continue;
        if (reinterpret_cast<sockaddr_in *>(p->ifa_addr)->sin_addr.s_addr != address) continue;
        found = LocalAddress{address, 0, if_nametoindex(p->ifa_name), 0};
        if ((p->ifa_flags & IFF_BROADCAST) && p->ifa_broadaddr && p->ifa_broadaddr->sa_family == AF_INET)
            found->broadcast = reinterpret_cast<sockaddr_in *>(p->ifa_broadaddr)->sin_addr.s_addr;
    }
    freeifaddrs(ifs);
    if (found) found->loopbackIndex = loopback;
    return found;
}

} // namespace

bool LocalAddress::Hears(unsigned arrivalIndex, quint32 destination) const {
    if (arrivalIndex == interfaceIndex)
        return destination == address || destination == INADDR_BROADCAST || (broadcast && destination == broadcast);
    return arrivalIndex == loopbackIndex && destination == address;
}

bool IsInterfaceBroadcast(quint32 address) {
    ifaddrs *ifs = nullptr;
    if (getifaddrs(&ifs) != 0) return false;
    bool found = false;
    for (ifaddrs *p = ifs; p && !found; p = p->ifa_next)
        found = (p->ifa_flags & IFF_BROADCAST) && p->ifa_broadaddr && p->ifa_broadaddr->sa_family == AF_INET &&
                reinterpret_cast<sockaddr_in *>(p->ifa_broadaddr)->sin_addr.s_addr == address;
    freeifaddrs(ifs);
    return found;
}

std::optional<LocalAddress> FindLocalAddress(const QString &ip) {
    in_addr a{};
    if (inet_pton(AF_INET, ip.toLatin1().constData(), &a) != 1) return std::nullopt;
    return findHolder(a.s_addr);
}

QString GetLocalIP() {
    const QByteArray name = hostName().toUtf8();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *res = nullptr;
    if (!name.isEmpty() && getaddrinfo(name.constData(), nullptr, &hints, &res) == 0) {
        for (addrinfo *p = res; p; p = p->ai_next) {
            const in_addr a = reinterpret_cast<sockaddr_in *>(p->ai_addr)->sin_addr;
            if (!isLoopback(a) && findHolder(a.s_addr)) {
                const QString ip = dotted(a);
                freeaddrinfo(res);
                return ip;
            }
        }
        freeaddrinfo(res);
    }
    ifaddrs *ifs = nullptr;
    if (getifaddrs(&ifs) == 0) {
        for (ifaddrs *p = ifs; p; p = p->ifa_next) {
            if (!p->ifa_addr || p->ifa_addr->sa_family != AF_INET) continue;
            const unsigned flags = p->ifa_flags;
            if (!(flags & IFF_UP) || !(flags & IFF_BROADCAST) || (flags & IFF_LOOPBACK)) continue;
            const in_addr a = reinterpret_cast<sockaddr_in *>(p->ifa_addr)->sin_addr;
            if (isLoopback(a)) continue;
            const QString ip = dotted(a);
            freeifaddrs(ifs);
            return ip;
        }
        freeifaddrs(ifs);
    }
    return QStringLiteral("127.0.0.1");
}

QString ComputerName() {
    QString name = hostName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0) name.truncate(dot);
    name = name.trimmed();
    if (name.isEmpty() || name.toUtf8().size() > 16) return {};
    return name;
}

QString GetOSName() { return QStringLiteral("Linux"); }

QString GetWorkgroup(const QString &osName, const QString &sambaConfig) {
    if (osName != QLatin1String("Linux")) return QStringLiteral("(N/A)");
    for (const SambaSection &s : ReadSambaConfig(sambaConfig)) {
        if (s.name.compare(QLatin1String("global"), Qt::CaseInsensitive) != 0) continue;
        const QString wg = s.params.value(QStringLiteral("workgroup")).trimmed();
        if (!wg.isEmpty()) return wg.toUpper();
    }
    return QStringLiteral("(N/A)");
}

QString ProgramFolder() {
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    QString dir = QFileInfo(exe).absolutePath();
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

QString ConfigFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Quillmere");
}

QString UserDownloadFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/Downloads");
    return base + QStringLiteral("/Quillmere");
}

bool IsWritableFolder(const QString &folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

} // namespace hostinfo
