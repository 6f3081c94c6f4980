#include "download/transferfigures.h"

#include <cmath>

QString ReadableSize(qint64 bytes) {
    static const char *const units[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024) return QStringLiteral("%1 B").arg(bytes);
    double value = double(bytes);
    int unit = -1;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString ReadableDuration(qint64 seconds) {
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    const QString ms = QStringLiteral("%1:%2").arg(m, h ? 2 : 1, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    return h ? QStringLiteral("%1:").arg(h) + ms : ms;
}

void TransferRate::Sample(qint64 nowMs, qint64 bytes) {
    if (!samples_.isEmpty() && bytes < samples_.last().second) samples_.clear();
    samples_.append({nowMs, bytes});
    // Keep one sample older than the window, so the span always covers it.
    while (samples_.size() > 2 && nowMs - samples_[1].first >= kWindowMs) samples_.removeFirst();
}

bool TransferRate::Known() const { return samples_.size() >= 2 && samples_.last().first > samples_.first().first; }

double TransferRate::BytesPerSecond() const {
    if (!Known()) return 0;
    const qint64 ms = samples_.last().first - samples_.first().first;
    return double(samples_.last().second - samples_.first().second) * 1000.0 / double(ms);
}

qint64 TransferRate::SecondsLeft(qint64 size) const {
    const double rate = BytesPerSecond();
    if (rate <= 0 || samples_.isEmpty()) return -1;
    return qint64(std::ceil(double(qMax<qint64>(0, size - samples_.last().second)) / rate));
}
