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
    for (int r = 0; r < Count(); ++r) {
        const DownloadRow &row = rows_[r];
        if (row[DownloadRow::OwnerIP] == ownerIP && row[DownloadRow::SourceFolder] == sourceFolder &&
            row[DownloadRow::FileName] == fileName)
            return r;
    }
    return -1;
}

int DownloadQueue::Append(const QString &fileName, const QString &owner, bool overwrite, const LocalTarget &target,
                          const QString &sourceFolder, const QString &ownerIP) {
    if (Find(ownerIP, sourceFolder, fileName) >= 0) return -1;
    // Two rows on one file would append one's tail to the other or replace it.
    LocalTarget free = target;
    for (int n = 2; free.IsValid() && Writes(free.Path()); ++n) free = target.Numbered(n);
    DownloadRow row;
    row.text[DownloadRow::FileName] = fileName;
    row.text[DownloadRow::SavePath] = free.Path();
    row.text[DownloadRow::Owner] = owner;
    row.text[DownloadRow::OwnerIP] = ownerIP;
    row.text[DownloadRow::SourceFolder] = sourceFolder;
    row.text[DownloadRow::Mode] = overwrite ? QStringLiteral("O") : QStringLiteral("R");
    row.target = free;
    const int r = Count();
    beginInsertRows({}, r, r);
    rows_.append(row);
    endInsertRows();
    emit countersChanged();
    return r;
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
    for (int r = 0; r < Count(); ++r) {
        DownloadRow &row = rows_[r];
        if (selected.contains(r)) {
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

QList<int> DownloadQueue::MoveUp(const QList<int> &selected) {
    QList<int> sel = selected;
    if (sel.isEmpty()) return sel;
    for (int r = 0; r < Count(); ++r) {
        if (!sel.contains(r) || rows_[r].IsActive()) continue;
        if (r == 0 || Count() == 1) break;
        Swap(r, r - 1);
        sel.removeAll(r);
        if (!sel.contains(r - 1)) sel.append(r - 1);
    }
    std::sort(sel.begin(), sel.end());
    return sel;
}

QList<int> DownloadQueue::MoveDown(const QList<int> &selected) {
    QList<int> sel = selected;
    if (sel.isEmpty()) return sel;
    for (int r = Count() - 1; r >= 0; --r) {
        if (!sel.contains(r)) continue;
        if (r == Count() - 1 || Count() == 1) break;
        Swap(r, r + 1);
        sel.removeAll(r);
        if (!sel.contains(r + 1)) sel.append(r + 1);
    }
    std::sort(sel.begin(), sel.end());
    return sel;
}

void DownloadQueue::Remove(const QList<int> &selected) {
    QList<int> doomed = selected;
    std::sort(doomed.begin(), doomed.end(), std::greater<>());
    for (int r : doomed) {
        if (r < 0 || r >= Count() || rows_[r].IsActive()) continue;
        beginRemoveRows({}, r, r);
        rows_.removeAt(r);
        endRemoveRows();
    }
    emit countersChanged();
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
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> order(Count());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(rows_[a], rows_[b]); });
    QList<DownloadRow> sorted;
    sorted.reserve(Count());
    QList<int> newRowOf(Count());
    for (int i = 0; i < order.size(); ++i) {
        sorted.append(rows_[order[i]]);
        newRowOf[order[i]] = i;
    }
    rows_ = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    for (const QModelIndex &i : from) to.append(index(newRowOf[i.row()], i.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool DownloadQueue::Writes(const QString &path) const {
    return std::any_of(rows_.begin(), rows_.end(), [&](const DownloadRow &r) { return r[DownloadRow::SavePath] == path; });
}

void DownloadQueue::Swap(int a, int b) {
    rows_.swapItemsAt(a, b);
    RowChanged(a);
    RowChanged(b);
}

void DownloadQueue::RowChanged(int r) { emit dataChanged(index(r, 0), index(r, DownloadRow::ColumnCount - 1)); }
