#include "listing/remoteresults.h"

#include "platform/cp949.h"

#include <algorithm>
#include <numeric>

namespace {

qint64 sizeValue(const QString &text) {
    bool ok = false;
    const qint64 size = text.toLongLong(&ok);
    return ok ? size : 0;
}

QByteArray sortKey(const QString &text) {
    QByteArray key = cp949::encode(text);
    for (char &c : key)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return key;
}

} // namespace

RemoteResults::RemoteResults(QObject *parent) : QAbstractTableModel(parent) {}

int RemoteResults::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : Rows(); }

int RemoteResults::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumns; }

const QString &RemoteResults::Text(int row, int column) const {
    const Row &r = rows_[row];
    const Shared &s = shared_[r.shared];
    switch (column) {
    case Name: return r.name;
    case Size: return r.size;
    case Comment: return s.comment;
    case Folder: return s.folder;
    case Owner: return s.owner;
    case OwnerIP: return s.ownerIP;
    default: return s.password;
    }
}

QVariant RemoteResults::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= Rows() || index.column() >= kColumns) return {};
    switch (role) {
    case Qt::DisplayRole: return Text(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return index.column() == Size ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case ProtectedRole: return Context(index.row()).isProtected;
    }
    return {};
}

QVariant RemoteResults::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
    if (role == Qt::TextAlignmentRole && section == Size) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    static const char16_t *const captions[kColumns] = {u"파일명", u"크기", u"설명", u"디렉토리",
                                                       u"소유자", u"소유자 IP", u"비밀번호"};
    return QString::fromUtf16(captions[section]);
}

QString RemoteResults::Intern(const QString &text) {
    const auto it = texts_.constFind(text);
    if (it != texts_.cend()) return *it;
    texts_.insert(text);
    return text;
}

int RemoteResults::SharedOf(const ShareEntry &e) {
    const QChar sep(0);
    const QString key = e.comment + sep + e.folder + sep + e.owner + sep + e.ownerIP + sep + e.password;
    const auto it = sharedIndex_.constFind(key);
    if (it != sharedIndex_.cend()) return *it;
    shared_.append({Intern(e.comment), Intern(e.folder), Intern(e.owner), Intern(e.ownerIP), Intern(e.password),
                    IsProtected(e.password)});
    sharedIndex_.insert(key, int(shared_.size() - 1));
    return int(shared_.size() - 1);
}

void RemoteResults::Append(const QList<ShareEntry> &entries) {
    if (entries.isEmpty()) return;
    const int first = Rows();
    beginInsertRows({}, first, first + int(entries.size()) - 1);
    const ShareEntry *previous = nullptr;
    int shared = -1;
    for (const ShareEntry &e : entries) {
        // Neighbours in a datagram mostly come from the same folder of one owner.
        if (!previous || previous->comment != e.comment || previous->folder != e.folder ||
            previous->owner != e.owner || previous->ownerIP != e.ownerIP || previous->password != e.password)
            shared = SharedOf(e);
        previous = &e;
        rows_.append({e.name, e.size, shared});
    }
    endInsertRows();
}

void RemoteResults::Clear() {
    beginResetModel();
    rows_ = {};
    shared_ = {};
    sharedIndex_ = {};
    texts_ = {};
    endResetModel();
}

void RemoteResults::RemoveRows(const QList<int> &rows) {
    if (rows.isEmpty()) return;
    beginResetModel();
    QList<Row> kept;
    kept.reserve(rows_.size() - rows.size());
    qsizetype next = 0;
    for (int r = 0; r < Rows(); ++r) {
        if (next < rows.size() && rows[next] == r) {
            ++next;
            continue;
        }
        kept.append(std::move(rows_[r]));
    }
    rows_ = std::move(kept);
    endResetModel();
}

ShareEntry RemoteResults::EntryAt(int row) const {
    const Row &r = rows_[row];
    const Shared &s = shared_[r.shared];
    return {r.name, r.size, s.comment, s.folder, s.owner, s.ownerIP, s.password};
}

void RemoteResults::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumns || rows_.isEmpty()) return;
    QList<int> byRank(Rows());
    std::iota(byRank.begin(), byRank.end(), 0);
    const bool descending = order == Qt::DescendingOrder;
    if (column == Size) {
        QList<qint64> sizes(Rows());
        for (int r = 0; r < Rows(); ++r) sizes[r] = sizeValue(rows_[r].size);
        std::stable_sort(byRank.begin(), byRank.end(),
                         [&](int a, int b) { return descending ? sizes[b] < sizes[a] : sizes[a] < sizes[b]; });
    } else {
        // Shared texts get their key once, whatever the number of their rows.
        QList<QByteArray> keys(Rows());
        QHash<int, QByteArray> sharedKeys;
        for (int r = 0; r < Rows(); ++r) {
            if (column == Name) {
                keys[r] = sortKey(rows_[r].name);
                continue;
            }
            auto it = sharedKeys.find(rows_[r].shared);
            if (it == sharedKeys.end()) it = sharedKeys.insert(rows_[r].shared, sortKey(Text(r, column)));
            keys[r] = *it;
        }
        std::stable_sort(byRank.begin(), byRank.end(),
                         [&](int a, int b) { return descending ? keys[b] < keys[a] : keys[a] < keys[b]; });
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> newRowOf(Rows());
    QList<Row> sorted;
    sorted.reserve(rows_.size());
    for (int i = 0; i < Rows(); ++i) {
        newRowOf[byRank[i]] = i;
        sorted.append(std::move(rows_[byRank[i]]));
    }
    rows_ = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before) after.append(index(newRowOf[i.row()], i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
