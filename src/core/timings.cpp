#include "core/timings.h"

#include <QStringList>

#include <cstdlib>

Timings Timings::FromText(const QString &text) {
    Timings t;
    const struct {
        const char *name;
        int Timings::*field;
    } names[] = {{"announce", &Timings::announceMs},
                 {"answer", &Timings::answerWaitMs},
                 {"chat", &Timings::chatWaitMs},
                 {"spacing", &Timings::listSpacingMs},
                 {"transfer", &Timings::transferWaitMs}};
    for (const QString &pair : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = pair.section(QLatin1Char('='), 0, 0).trimmed();
        bool ok = false;
        const int ms = pair.section(QLatin1Char('='), 1).trimmed().toInt(&ok);
        if (!ok || ms <= 0) continue;
        for (const auto &n : names)
            if (name == QLatin1String(n.name)) t.*(n.field) = ms;
    }
    return t;
}

Timings Timings::FromEnvironment() { return FromText(QString::fromLocal8Bit(std::getenv("QUILLMERE_TIMINGS"))); }
