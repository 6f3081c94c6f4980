#pragma once
// The rows of the download queue and what can be done to them. One row per
// file to fetch, named by (owner IP, source folder, file name).
#include "download/localtarget.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <array>

namespace rowstate {
inline const QString Waiting;
inline const QString Connecting = QStringLiteral("접속중");
inline const QString Transferring = QStringLiteral("전송중");
inline const QString Stopped = QStringLiteral("중지됨");
inline const QString Complete = QStringLiteral("전송완료");
} // namespace rowstate

// Pictures of the state list, by index.
enum StateIcon { kIconWaiting = 0, kIconTransferring = 1, kIconStopped = 2, kIconComplete = 3, kIconFailed = 4 };

struct DownloadRow {
    enum Column {
        FileName, Size, Received, Progress, State, SavePath, Owner, OwnerIP, SourceFolder, Mode, ColumnCount
    };
    std::array<QString, ColumnCount> text;
    int icon = kIconWaiting;
    LocalTarget target; // the save path as folder and safe part below it

    const QString &operator[](Column c) const { return text[c]; }
    bool IsActive() const;
    bool Overwrite() const { return text[Mode] == QLatin1String("O"); }
};

struct QueueCounters {
    int total = 0, complete = 0, waiting = 0, failed = 0, stopped = 0;
};

class DownloadQueue : public QAbstractTableModel {
    Q_OBJECT
public:
    // The row's state picture, an int of StateIcon, on column 0.
    static constexpr int IconRole = Qt::UserRole + 1;

    explicit DownloadQueue(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const DownloadRow &Row(int r) const { return rows_[r]; }
    int Count() const { return int(rows_.size()); }
    // -1 when no row has this name.
    int Find(const QString &ownerIP, const QString &sourceFolder, const QString &fileName) const;
    // Appends a waiting row; -1 when one of that name is already there. A
    // target that another row already writes is numbered until it is free.
    int Append(const QString &fileName, const QString &owner, bool overwrite, const LocalTarget &target,
               const QString &sourceFolder, const QString &ownerIP);

    // The row's state (and its size, when sizeText is not empty), with the picture that goes with it.
    void SetState(int r, const QString &sizeText, const QString &state);
    void SetProgress(int r, const QString &percentText, const QString &receivedText);
    // Gives every waiting row the state, as a failure.
    void FailWaiting(const QString &state);

    QueueCounters Counters() const;
    bool AnyActive() const;
    int FirstWaiting() const;

    // Start on the selected rows: they wait again, whatever their state;
    // unselected waiting rows are parked as stopped.
    void StartSelected(const QList<int> &selected);
    // Move the selected rows one up or down as a block; returns the new selection.
    QList<int> MoveUp(const QList<int> &selected);
    QList<int> MoveDown(const QList<int> &selected);
    // Removes the selected rows that are not connecting or transferring.
    void Remove(const QList<int> &selected);
    // Sizes and received counts compare as integers, everything else as text without case.
    void Sort(int column, bool descending);

signals:
    // Rows came or went, or a state changed: the counters may read differently.
    void countersChanged();
    // The row's state was set (it may be the same text as before).
    void stateChanged(int row);

private:
    bool Writes(const QString &path) const;
    void Swap(int a, int b);
    void RowChanged(int r);

    QList<DownloadRow> rows_;
};
