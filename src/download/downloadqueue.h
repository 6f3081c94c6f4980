#pragma once
// The rows of the download queue and what can be done to them. One row per
// file to fetch, named by (owner IP, source folder, file name). Queues run to
// tens of thousands of rows: names and save paths are indexed, and adding,
// moving and removing rows take one pass and tell the views once.
#include "download/localtarget.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <functional>

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

// A file to queue: its name at the owner and where it is saved.
struct QueuedFile {
    QString fileName, owner;
    bool overwrite = false;
    LocalTarget target;
    QString sourceFolder, ownerIP;
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
    // Appends waiting rows in one insertion and returns each file's row: -1
    // for a file whose name is already listed, or comes earlier in files. A
    // target that another row already writes is numbered until it is free.
    QList<int> Append(const QList<QueuedFile> &files);
    int Append(const QString &fileName, const QString &owner, bool overwrite, const LocalTarget &target,
               const QString &sourceFolder, const QString &ownerIP) {
        return Append({{fileName, owner, overwrite, target, sourceFolder, ownerIP}}).first();
    }

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
    QList<int> MoveUp(const QList<int> &selected) { return Step(selected, -1); }
    QList<int> MoveDown(const QList<int> &selected) { return Step(selected, 1); }
    // Removes the selected rows that are not connecting or transferring, and
    // returns where the others are now. The views hear of it as one layout
    // change: told range by range, they would do work in proportion to the
    // whole list for every range.
    QList<int> Remove(const QList<int> &selected);
    // Sizes and received counts compare as integers, everything else as text without case.
    void Sort(int column, bool descending);

signals:
    // Rows came or went, or a state changed: the counters may read differently.
    void countersChanged();
    // The row's state was set (it may be the same text as before).
    void stateChanged(int row);

private:
    struct Name {
        QString ownerIP, sourceFolder, fileName;
        bool operator==(const Name &) const = default;
        friend size_t qHash(const Name &n, size_t seed = 0) {
            return qHashMulti(seed, n.ownerIP, n.sourceFolder, n.fileName);
        }
    };
    static Name NameOf(const DownloadRow &row);
    // The selected rows, sorted, once each, and only those that exist.
    QList<int> Rows(const QList<int> &selected) const;
    // MoveUp (by -1) and MoveDown (by 1).
    QList<int> Step(const QList<int> &selected, int by);
    // Puts order[i] at row first + i, as one layout change.
    void Reorder(int first, const QList<int> &order);
    // Persistent indexes to their rows' new places; -1 is a row that went.
    void MovePersistent(const std::function<int(int row)> &newRow);
    void RowChanged(int r);

    QList<DownloadRow> rows_;
    QHash<Name, int> rowOf_;      // every row, by its name
    QHash<QString, int> writers_; // rows per save path
};
