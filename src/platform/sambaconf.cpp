#include "platform/sambaconf.h"

#include <QFile>

namespace {

QString normaliseKey(const QString &key) {
    QString k;
    for (QChar c : key)
        if (!c.isSpace()) k.append(c.toLower());
    return k;
}

} // namespace

QList<SambaSection> ReadSambaConfig(const QString &path) {
    QList<SambaSection> sections;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return sections;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    QString pending;
    for (QString line : lines) {
        line = pending + line;
        pending.clear();
        if (line.endsWith(QLatin1Char('\\'))) {
            pending = line.chopped(1);
            continue;
        }
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char('#')) || t.startsWith(QLatin1Char(';'))) continue;
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype end = t.indexOf(QLatin1Char(']'));
            if (end < 0) continue;
            sections.append({t.mid(1, end - 1).trimmed(), {}});
            continue;
        }
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        if (eq < 0 || sections.isEmpty()) continue;
        sections.last().params.insert(normaliseKey(t.left(eq)), t.mid(eq + 1).trimmed());
    }
    return sections;
}
