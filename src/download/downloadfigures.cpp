#include "download/downloadfigures.h"

#include "download/downloadqueue.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace {
QLabel *AddPanel(QStatusBar *bar, const char *name, const QString &hint, int stretch) {
    auto *label = new QLabel(bar);
    label->setObjectName(QString::fromLatin1(name));
    label->setFrameShape(QFrame::StyledPanel);
    label->setToolTip(hint);
    // The window keeps its size; a long figure is cut rather than widening it.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(label, stretch);
    return label;
}
} // namespace

DownloadFigures::DownloadFigures(DownloadQueue &queue, QStatusBar *bar)
    : QObject(bar), queue_(queue), speed_(AddPanel(bar, "StsFile_Speed", QStringLiteral("받는 중인 파일의 속도와 남은 시간"), 3)),
      progress_(AddPanel(bar, "StsFile_Queue", QStringLiteral("목록 전체의 진행 (끝난 파일/중지되지 않은 파일)"), 2)),
      tick_(new QTimer(this)) {
    clock_.start();
    tick_->setInterval(1000);
    connect(tick_, &QTimer::timeout, this, &DownloadFigures::Tick);
    now_ = [this] { return clock_.elapsed(); };
    connect(&queue_, &DownloadQueue::dataChanged, this, &DownloadFigures::RowChanged);
    connect(&queue_, &DownloadQueue::countersChanged, this, &DownloadFigures::ShowQueue);
    ShowQueue();
}

void DownloadFigures::RowChanged(const QModelIndex &from, const QModelIndex &to) {
    const DownloadRow &row = queue_.Row(from.row());
    const QString name = row[DownloadRow::OwnerIP] + row[DownloadRow::SourceFolder] + row[DownloadRow::FileName];
    if (row[DownloadRow::State] != rowstate::Transferring) {
        if (name == rateRow_) {
            rateRow_.clear();
            speed_->clear();
            tick_->stop();
        }
        return;
    }
    if (name != rateRow_) {
        rateRow_ = name;
        rate_.Reset();
        tick_->start();
    }
    // A progress report touches only the received and progress columns; those come often.
    const bool progressOnly = from.column() == DownloadRow::Received && to.column() == DownloadRow::Progress;
    if (progressOnly && now_() - shownAt_ < kRefreshMs) {
        rate_.Sample(now_(), row[DownloadRow::Received].toLongLong());
        return;
    }
    ShowRunning(row);
}

void DownloadFigures::Tick() {
    for (int r = 0; r < queue_.Count(); ++r)
        if (queue_.Row(r)[DownloadRow::State] == rowstate::Transferring) return ShowRunning(queue_.Row(r));
}

void DownloadFigures::ShowRunning(const DownloadRow &row) {
    shownAt_ = now_();
    rate_.Sample(shownAt_, row[DownloadRow::Received].toLongLong());
    const qint64 left = rate_.SecondsLeft(row[DownloadRow::Size].toLongLong());
    // While nothing arrives the time left cannot be told; the speed alone says so.
    QString text;
    if (rate_.Known()) text = ReadableSize(qint64(rate_.BytesPerSecond())) + QStringLiteral("/s");
    if (left >= 0) text += QStringLiteral(", ") + ReadableDuration(left) + QStringLiteral(" 남음");
    speed_->setText(text);
    ShowQueue();
}

void DownloadFigures::ShowQueue() {
    // Done rows count whole, the running row by its share; stopped rows are left out.
    double done = 0;
    int counted = 0, finished = 0;
    for (int r = 0; r < queue_.Count(); ++r) {
        const DownloadRow &row = queue_.Row(r);
        const QString &state = row[DownloadRow::State];
        if (state == rowstate::Stopped) continue;
        ++counted;
        if (state == rowstate::Transferring) {
            const qint64 size = row[DownloadRow::Size].toLongLong();
            if (size > 0) done += qBound(0.0, double(row[DownloadRow::Received].toLongLong()) / double(size), 1.0);
        } else if (!state.isEmpty() && !row.IsActive()) {
            done += 1;
            ++finished;
        }
    }
    progress_->setText(counted == 0 ? QString()
                                    : QStringLiteral("진행 %1 % (%2/%3)")
                                          .arg(int(done * 100 / counted))
                                          .arg(finished)
                                          .arg(counted));
}
