#pragma once
// The figures the download window shows beside the byte counts: sizes in
// KB, MB and GB, the speed of the running transfer and the time it has left.
#include <QList>
#include <QPair>
#include <QString>

// 1023 → "1023 B", 1536 → "1.5 KB", 5 GiB → "5.0 GB" (units of 1024).
QString ReadableSize(qint64 bytes);
// 42 → "0:42", 3723 → "1:02:03".
QString ReadableDuration(qint64 seconds);

// Speed over the last few seconds of progress reports of one transfer.
class TransferRate {
public:
    static constexpr qint64 kWindowMs = 5000;

    // bytes received in all at time nowMs. A count below the last one starts over (a new transfer).
    void Sample(qint64 nowMs, qint64 bytes);
    void Reset() { samples_.clear(); }
    // True once the samples span a moment, so that a speed (perhaps 0) can be told.
    bool Known() const;
    // Bytes per second; 0 while not known.
    double BytesPerSecond() const;
    // Whole seconds until size is reached; -1 while nothing arrives.
    qint64 SecondsLeft(qint64 size) const;

private:
    QList<QPair<qint64, qint64>> samples_; // (ms, bytes), oldest first
};
