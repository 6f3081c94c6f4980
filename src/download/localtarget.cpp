#include "download/localtarget.h"

#include <QRegularExpression>

QString LocalTarget::Path() const {
    if (relative.isEmpty()) return folder;
    return folder.endsWith(QLatin1Char('/')) ? folder + relative : folder + QLatin1Char('/') + relative;
}

QString LocalTarget::Folder() const {
    const QString path = Path();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

bool IsPlainFileName(const QString &name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

QStringList LocalParts(const QString &remote) {
    static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
    QStringList parts;
    for (QString part : remote.split(separators, Qt::SkipEmptyParts)) {
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
    return {TrimFolder(folder), LocalParts(parts.join(QLatin1Char('/'))).join(QLatin1Char('/'))};
}
