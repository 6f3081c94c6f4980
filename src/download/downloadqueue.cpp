#include "download/downloadqueue.h"

#include <algorithm>
#include <numeric>

namespace {

const char *const kCaptions[DownloadRow::ColumnCount] = {
    "원본 파일명", "크기", "받은량", "진행", "상태", "저장 위치", "소유자", "소유자 IP", "원본 위치", "다운방식"};

int StateIconOf(const QString &state, int current) {
    if (state == rowstate::Transferring) return kIconTransferring;
    if (state == rowstate::Stopped) return kIconStopped;
    if (state == rowstate::Complete) return kIconComplete;
    if (state == rowstate::Connecting) return current;
    return kIconFailed;
}

qint64 NumberOr0(const QString &text) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    return ok ? v : 0;
}

} // namespace

bool DownloadRow::IsActive() const {
    return text[State] == rowstate::Connecting || text[State] == rowstate::Transferring;
}

DownloadQueue::DownloadQueue(QObject *parent) : QAbstractTableModel(parent) {}

int DownloadQueue::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : Count(); }

int DownloadQueue::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : DownloadRow::ColumnCount;
}

QVariant DownloadQueue::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    const DownloadRow &row = rows_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return row.text[index.column()];
    case IconRole:
        return index.column() == DownloadRow::FileName ? QVariant(row.icon) : QVariant();
    case Qt::TextAlignmentRole:
        return headerData(index.column(), Qt::Horizontal, role);
    default:
        return {};
    }
}

QVariant DownloadQueue::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= DownloadRow::ColumnCount) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(kCaptions[section]);
    if (role == Qt::TextAlignmentRole) {
        if (section == DownloadRow::Size || section == DownloadRow::Received)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (section == DownloadRow::Progress) return int(Qt::AlignCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

int DownloadQueue::Find(const QString &ownerIP, const QString &sourceFolder, const QString &fileName) const {
    return rowOf_.value({ownerIP, sourceFolder, fileName}, -1);
}

QList<int> DownloadQueue::Append(const QList<QueuedFile> &files) {
    QList<int> rowOfFile;
    rowOfFile.reserve(files.size());
    QList<DownloadRow> fresh;
    for (const QueuedFile &f : files) {
        if (rowOf_.contains({f.ownerIP, f.sourceFolder, f.fileName})) {
            rowOfFile << -1;
            continue;
        }
        // Two rows on one file would append one's tail to the other or replace it.
        LocalTarget free = f.target;
        for (int n = 2; free.IsValid() && writers_.contains(free.Path()); ++n) free = f.target.Numbered(n);
        DownloadRow row;
        row.text[DownloadRow::FileName] = f.fileName;
        row.text[DownloadRow::SavePath] = free.Path();
        row.text[DownloadRow::Owner] = f.owner;
        row.text[DownloadRow::OwnerIP] = f.ownerIP;
        row.text[DownloadRow::SourceFolder] = f.sourceFolder;
        row.text[DownloadRow::Mode] = f.overwrite ? QStringLiteral("O") : QStringLiteral("R");
        row.target = free;
        const int r = Count() + int(fresh.size());
        rowOf_.insert(NameOf(row), r);
        ++writers_[row[DownloadRow::SavePath]];
        rowOfFile << r;
        fresh.append(std::move(row));
    }
    if (fresh.isEmpty()) return rowOfFile;
    beginInsertRows({}, Count(), Count() + int(fresh.size()) - 1);
    rows_.append(std::move(fresh));
    endInsertRows();
    emit countersChanged();
    return rowOfFile;
}

void DownloadQueue::SetState(int r, const QString &sizeText, const QString &state) {
    if (r < 0 || r >= Count()) {
        emit countersChanged();
        return;
    }
    DownloadRow &row = rows_[r];
    if (!sizeText.isEmpty()) row.text[DownloadRow::Size] = sizeText;
    if (state == rowstate::Transferring) {
        row.text[DownloadRow::Received] = QStringLiteral("0");
        row.text[DownloadRow::Progress] = QStringLiteral("0 %");
    }
    row.icon = StateIconOf(state, row.icon);
    row.text[DownloadRow::State] = state;
    RowChanged(r);
    emit stateChanged(r);
    emit countersChanged();
}

void DownloadQueue::SetProgress(int r, const QString &percentText, const QString &receivedText) {
    if (r < 0 || r >= Count()) return;
    rows_[r].text[DownloadRow::Received] = receivedText;
    rows_[r].text[DownloadRow::Progress] = percentText + QStringLiteral(" %");
    emit dataChanged(index(r, DownloadRow::Received), index(r, DownloadRow::Progress));
}

void DownloadQueue::FailWaiting(const QString &state) {
    for (int r = 0; r < Count(); ++r) {
        if (!rows_[r][DownloadRow::State].isEmpty()) continue;
        rows_[r].text[DownloadRow::State] = state;
        rows_[r].icon = kIconFailed;
        RowChanged(r);
        emit stateChanged(r);
    }
    emit countersChanged();
}

QueueCounters DownloadQueue::Counters() const {
    QueueCounters c;
    c.total = Count();
    for (const DownloadRow &row : rows_) {
        const QString &s = row[DownloadRow::State];
        if (s.isEmpty())
            ++c.waiting;
        else if (s == rowstate::Complete)
            ++c.complete;
        else if (s == rowstate::Stopped)
            ++c.stopped;
        else if (!row.IsActive())
            ++c.failed;
    }
    return c;
}

bool DownloadQueue::AnyActive() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const DownloadRow &r) { return r.IsActive(); });
}

int DownloadQueue::FirstWaiting() const {
    for (int r = 0; r < Count(); ++r)
        if (rows_[r][DownloadRow::State].isEmpty()) return r;
    return -1;
}

void DownloadQueue::StartSelected(const QList<int> &selected) {
    const QList<int> chosen = Rows(selected);
    qsizetype next = 0;
    for (int r = 0; r < Count(); ++r) {
        DownloadRow &row = rows_[r];
        if (next < chosen.size() && chosen[next] == r) {
            ++next;
            row.text[DownloadRow::State].clear();
            row.icon = kIconWaiting;
        } else if (row[DownloadRow::State].isEmpty()) {
            row.text[DownloadRow::State] = rowstate::Stopped;
            row.icon = kIconStopped;
        } else {
            continue;
        }
        RowChanged(r);
    }
    emit countersChanged();
}

QList<int> DownloadQueue::Step(const QList<int> &selected, int by) {
    QList<int> rows = Rows(selected);
    if (rows.isEmpty()) return rows;
    // Walked from the end they move towards, the selected rows trade places
    // with their neighbours one by one, so that a block moves as one. A row
    // under way does not move up, though a selected row below may push it down.
    const int lo = qMax(0, rows.first() + qMin(by, 0)), hi = qMin(Count() - 1, rows.last() + qMax(by, 0));
    if (by > 0) std::reverse(rows.begin(), rows.end());
    const int edge = by < 0 ? 0 : Count() - 1;
    QList<int> order(hi - lo + 1);
    std::iota(order.begin(), order.end(), lo);
    QList<int> after;
    const auto keep = [&](int r) {
        if (after.isEmpty() || after.last() != r) after << r;
    };
    bool moved = false;
    qsizetype i = 0;
    for (; i < rows.size(); ++i) {
        const int r = rows[i];
        if (by < 0 && rows_[r].IsActive()) {
            keep(r);
            continue;
        }
        if (r == edge) break;
        std::swap(order[r - lo], order[r + by - lo]);
        keep(r + by);
        moved = true;
    }
    // Once a row stands at the edge, the rest stay where they are.
    after << rows.mid(i);
    if (moved) Reorder(lo, order);
    std::sort(after.begin(), after.end());
    return after;
}

QList<int> DownloadQueue::Remove(const QList<int> &selected) {
    QList<int> doomed, staying;
    for (int r : Rows(selected)) (rows_[r].IsActive() ? staying : doomed) << r;
    const auto newRow = [&doomed](int r) {
        const auto at = std::lower_bound(doomed.cbegin(), doomed.cend(), r);
        return at != doomed.cend() && *at == r ? -1 : r - int(at - doomed.cbegin());
    };
    if (!doomed.isEmpty()) {
        emit layoutAboutToBeChanged();
        // One pass from the first row that goes: the rows after it close up.
        int kept = doomed.first();
        qsizetype next = 0;
        for (int r = doomed.first(); r < Count(); ++r) {
            DownloadRow &row = rows_[r];
            if (next < doomed.size() && doomed[next] == r) {
                ++next;
                rowOf_.remove(NameOf(row));
                if (--writers_[row[DownloadRow::SavePath]] == 0) writers_.remove(row[DownloadRow::SavePath]);
                continue;
            }
            rowOf_[NameOf(row)] = kept;
            rows_[kept++] = std::move(row);
        }
        rows_.resize(kept);
        MovePersistent(newRow);
        emit layoutChanged();
    }
    emit countersChanged();
    for (int &r : staying) r = newRow(r);
    return staying;
}

void DownloadQueue::Sort(int column, bool descending) {
    if (column < 0 || column >= DownloadRow::ColumnCount) return;
    const bool numeric = column == DownloadRow::Size || column == DownloadRow::Received;
    auto less = [&](const DownloadRow &a, const DownloadRow &b) {
        const QString &x = a.text[column], &y = b.text[column];
        const int c = numeric ? (NumberOr0(x) > NumberOr0(y)) - (NumberOr0(x) < NumberOr0(y))
                              : x.compare(y, Qt::CaseInsensitive);
        return descending ? c > 0 : c < 0;
    };
    QList<int> order(Count());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(rows_[a], rows_[b]); });
    Reorder(0, order);
}

DownloadQueue::Name DownloadQueue::NameOf(const DownloadRow &row) {
    return {row[DownloadRow::OwnerIP], row[DownloadRow::SourceFolder], row[DownloadRow::FileName]};
}

QList<int> DownloadQueue::Rows(const QList<int> &selected) const {
    QList<int> rows = selected;
    rows.removeIf([this](int r) { return r < 0 || r >= Count(); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void DownloadQueue::Reorder(int first, const QList<int> &order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<DownloadRow> span;
    span.reserve(order.size());
    QList<int> newRowOf(order.size());
    for (qsizetype i = 0; i < order.size(); ++i) {
        span.append(std::move(rows_[order[i]]));
        newRowOf[order[i] - first] = first + int(i);
    }
    for (qsizetype i = 0; i < span.size(); ++i) {
        const int r = first + int(i);
        rows_[r] = std::move(span[i]);
        if (order[i] != r) rowOf_[NameOf(rows_[r])] = r;
    }
    MovePersistent([&](int r) { return r < first || r >= first + order.size() ? r : newRowOf[r - first]; });
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DownloadQueue::MovePersistent(const std::function<int(int row)> &newRow) {
    // One at a time, through parking places that no index of the model ever
    // has: Qt's list form takes every index out of its hash before filing any
    // again, which takes a second for a selection of 20,000 rows (Qt 6.4).
    QModelIndexList from, to;
    for (const QModelIndex &i : persistentIndexList()) {
        const int r = newRow(i.row());
        if (r == i.row()) continue;
        from << i;
        to << (r < 0 ? QModelIndex() : index(r, i.column()));
    }
    const auto parked = [this](const QModelIndex &i) { return createIndex(i.row(), i.column(), quintptr(1)); };
    for (const QModelIndex &i : from) changePersistentIndex(i, parked(i));
    for (qsizetype k = 0; k < from.size(); ++k) changePersistentIndex(parked(from[k]), to[k]);
}

void DownloadQueue::RowChanged(int r) { emit dataChanged(index(r, 0), index(r, DownloadRow::ColumnCount - 1)); }
