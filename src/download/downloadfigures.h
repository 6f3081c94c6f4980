#pragma once
// Two panels of the download window's status bar beside the five counters:
// the running row's speed and time left, and how far the whole queue is.
#include "download/transferfigures.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class DownloadQueue;
class QLabel;
class QModelIndex;
class QStatusBar;
class QTimer;
struct DownloadRow;

class DownloadFigures : public QObject {
    Q_OBJECT
public:
    // The figures change at most this often while bytes arrive; a state change shows at once.
    static constexpr qint64 kRefreshMs = 500;

    DownloadFigures(DownloadQueue &queue, QStatusBar *bar);

    // Tests drive the clock that speeds are measured with.
    void SetClock(std::function<qint64()> nowMs) { now_ = std::move(nowMs); }

private:
    void RowChanged(const QModelIndex &from, const QModelIndex &to);
    // Also once a second while a row transfers, so that a stall shows as one.
    void ShowRunning(const DownloadRow &row);
    void Tick();
    void ShowQueue();

    DownloadQueue &queue_;
    QLabel *speed_;
    QLabel *progress_;
    QTimer *tick_;
    QElapsedTimer clock_;
    std::function<qint64()> now_;
    TransferRate rate_;
    QString rateRow_; // the running row's name, owner IP + folder + file
    qint64 shownAt_ = -kRefreshMs;
};
