#include "platform/sambashares.h"

#include "platform/sambaconf.h"

#include <QDir>
#include <QFile>

namespace {

bool isTrue(const QString &value) {
    const QString v = value.toLower();
    return v == QLatin1String("yes") || v == QLatin1String("true") || v == QLatin1String("1") ||
           v == QLatin1String("on");
}

bool isFalse(const QString &value) {
    const QString v = value.toLower();
    return v == QLatin1String("no") || v == QLatin1String("false") || v == QLatin1String("0") ||
           v == QLatin1String("off");
}

bool isDiskShare(const SambaSection &s) {
    static const QStringList special = {QStringLiteral("global"), QStringLiteral("homes"),
                                        QStringLiteral("printers"), QStringLiteral("print$")};
    if (special.contains(s.name, Qt::CaseInsensitive)) return false;
    if (isTrue(s.params.value(QStringLiteral("printable"))) || isTrue(s.params.value(QStringLiteral("printok"))))
        return false;
    if (isFalse(s.params.value(QStringLiteral("available")))) return false;
    return !s.params.value(QStringLiteral("path")).isEmpty();
}

QList<SambaShare> sharesOf(const QList<SambaSection> &config) {
    QList<SambaShare> shares;
    for (const SambaSection &s : config)
        if (isDiskShare(s))
            shares.append({s.name, s.params.value(QStringLiteral("path")), s.params.value(QStringLiteral("comment"))});
    return shares;
}

const SambaSection *globalOf(const QList<SambaSection> &config) {
    for (const SambaSection &s : config)
        if (s.name.compare(QLatin1String("global"), Qt::CaseInsensitive) == 0) return &s;
    return nullptr;
}

} // namespace

QList<SambaShare> ConfigShares(const QString &configPath) { return sharesOf(ReadSambaConfig(configPath)); }

QList<SambaShare> UserShares(const QString &folder) {
    QList<SambaShare> shares;
    const QDir dir(folder);
    for (const QString &file : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile f(dir.filePath(file));
        // Samba itself refuses definition files of more than a few kilobytes.
        if (f.size() > 65536 || !f.open(QIODevice::ReadOnly)) continue;
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        if (!lines.first().startsWith(QLatin1String("#VERSION"))) continue;
        SambaShare share{file, {}, {}};
        for (const QString &line : lines) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq <= 0) continue;
            const QString key = line.left(eq).trimmed();
            const QString value = line.mid(eq + 1).trimmed();
            if (key == QLatin1String("path")) share.path = value;
            else if (key == QLatin1String("comment")) share.comment = value;
            else if (key == QLatin1String("sharename") && !value.isEmpty()) share.name = value;
        }
        if (!share.path.isEmpty()) shares.append(share);
    }
    return shares;
}

QList<SambaShare> OwnSambaShares(const SambaLocations &where) {
    const QList<SambaSection> config = ReadSambaConfig(where.config);
    QList<SambaShare> shares = sharesOf(config);
    const SambaSection *global = globalOf(config);
    if (!global || global->params.value(QStringLiteral("usersharemaxshares")).toInt() <= 0) return shares;
    const QString folder = global->params.value(QStringLiteral("usersharepath"), where.usershares);
    for (const SambaShare &u : UserShares(folder)) {
        bool taken = false;
        for (const SambaShare &s : shares) taken = taken || s.name.compare(u.name, Qt::CaseInsensitive) == 0;
        if (!taken) shares.append(u);
    }
    return shares;
}
