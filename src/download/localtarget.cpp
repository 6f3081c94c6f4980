#include "download/localtarget.h"

#include <QRegularExpression>

namespace {

const QRegularExpression &Separators() {
    static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
    return separators;
}

} // namespace

QString LocalTarget::Path() const {
    if (relative.isEmpty()) return folder;
    return folder.endsWith(QLatin1Char('/')) ? folder + relative : folder + QLatin1Char('/') + relative;
}

QString LocalTarget::Folder() const {
    const QString path = Path();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

LocalTarget LocalTarget::Numbered(int n) const {
    const qsizetype start = relative.lastIndexOf(QLatin1Char('/')) + 1;
    // The number goes before the extension; a leading dot starts no extension.
    const qsizetype dot = relative.lastIndexOf(QLatin1Char('.'));
    const qsizetype at = dot > start ? dot : relative.size();
    QString numbered = relative;
    numbered.insert(at, QStringLiteral(" (%1)").arg(n));
    return {folder, numbered};
}

bool IsPlainFileName(const QString &name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

QStringList LocalParts(const QString &remote) {
    QStringList parts;
    for (QString part : remote.split(Separators(), Qt::SkipEmptyParts)) {
        // Checked after the ":" are gone: ".:." would otherwise become "..".
        part.remove(QLatin1Char(':'));
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..")) continue;
        parts << part;
    }
    return parts;
}

QString TrimFolder(const QString &folder) {
    QString f = folder;
    while (f.size() > 1 && f.endsWith(QLatin1Char('/'))) f.chop(1);
    return f;
}

LocalTarget MakeTarget(const QString &folder, const QStringList &parts) {
    const QString joined = parts.join(QLatin1Char('/'));
    const qsizetype cut = joined.lastIndexOf(Separators());
    // Only folder parts lose their ":" (a drive letter); a file name on Linux may hold one.
    const QString name = joined.mid(cut + 1);
    if (!IsPlainFileName(name)) return {TrimFolder(folder), {}};
    return {TrimFolder(folder), (LocalParts(joined.left(cut + 1)) << name).join(QLatin1Char('/'))};
}
