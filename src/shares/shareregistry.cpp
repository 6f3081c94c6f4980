#include "shares/shareregistry.h"

#include "core/workers.h"
#include "platform/cp949.h"
#include "shares/foldercount.h"
#include "shares/sharetext.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <numeric>

namespace {

QString field(const ShareRecord &r, int column) {
    switch (column) {
    case 0: return r.name;
    case 1: return r.size;
    case 2: return r.comment;
    case 3: return r.folder;
    case 4: return r.password;
    }
    return {};
}

QString filesText(int count) { return QString::number(count) + QStringLiteral(" files"); }

} // namespace

ShareRegistry::ShareRegistry(QObject *parent) : QAbstractTableModel(parent) {}

int ShareRegistry::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(records_.size()); }

int ShareRegistry::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant ShareRegistry::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= records_.size()) return {};
    const ShareRecord &r = records_[index.row()];
    switch (role) {
    case Qt::DisplayRole: return field(r, index.column());
    case Qt::TextAlignmentRole:
        return index.column() == 1 ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    case KindRole: return int(r.kind);
    case LockedRole: return !r.password.isEmpty();
    }
    return {};
}

QVariant ShareRegistry::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
    static const char *const captions[kColumns] = {"파일명", "크기", "설명", "디렉토리", "비밀번호"};
    if (role == Qt::DisplayRole) return QString::fromUtf8(captions[section]);
    if (role == Qt::TextAlignmentRole && section == 1) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

void ShareRegistry::Clear() {
    beginResetModel();
    records_.clear();
    endResetModel();
}

void ShareRegistry::Append(const ShareRecord &record) {
    beginInsertRows({}, int(records_.size()), int(records_.size()));
    records_.append(record);
    endInsertRows();
}

AddResult ShareRegistry::AddShareRecord(const QString &path, const QString &comment, const QString &password,
                                        ShareKind kind) {
    const bool folder = kind == ShareKind::Folder;
    // A folder is one folder however its path was written ("/srv//pub/").
    const QString p = folder ? FolderPathForm(path) : TrimBlanks(path);
    const QFileInfo info(p);
    if (p.isEmpty() || (folder ? !info.isDir() : !info.isFile())) return AddResult::Skipped;
    for (const ShareRecord &r : records_)
        if ((r.kind == ShareKind::Folder ? FolderPathForm(r.FullPath()) : r.FullPath()) == p) return AddResult::Skipped;
    // The stored and sent formats split fields at ";" and hold CP949 only; such
    // a record could not come back from the configuration file.
    if (p.contains(QLatin1Char(';')) || !cp949::canEncode(p)) return AddResult::Unstorable;
    if (records_.size() >= kCapacity) return AddResult::Full;

    ShareRecord r;
    r.comment = TrimBlanks(comment);
    r.password = TrimBlanks(password);
    r.kind = kind;
    if (kind == ShareKind::Folder) {
        r.name = p;
        r.size = filesText(CountFolderFiles(p, QStringLiteral("*.*")));
    } else {
        const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
        r.name = p.mid(slash + 1);
        r.folder = p.left(slash + 1);
        QFile f(p);
        r.size = QString::number(f.open(QIODevice::ReadOnly) ? f.size() : qint64(-1));
    }
    Append(r);
    return AddResult::Added;
}

void ShareRegistry::RemoveRecords(QList<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the end, one contiguous run at a time, so earlier rows keep their numbers.
    for (qsizetype i = rows.size() - 1; i >= 0;) {
        const int last = rows[i];
        int first = last;
        while (i > 0 && rows[i - 1] == first - 1) first = rows[--i];
        --i;
        if (first < 0 || last >= records_.size()) continue;
        beginRemoveRows({}, first, last);
        records_.remove(first, last - first + 1);
        endRemoveRows();
    }
}

void ShareRegistry::SetComment(const QList<int> &rows, const QString &comment) {
    for (int row : rows) {
        if (row < 0 || row >= records_.size()) continue;
        records_[row].comment = comment;
        emit dataChanged(index(row, 2), index(row, 2));
    }
}

void ShareRegistry::SetPassword(const QList<int> &rows, const QString &stored) {
    for (int row : rows) {
        if (row < 0 || row >= records_.size()) continue;
        records_[row].password = stored;
        emit dataChanged(index(row, 0), index(row, kColumns - 1));
    }
}

void ShareRegistry::SortColumn(int column) {
    if (records_.isEmpty() || column < 0 || column >= kColumns) return;
    const bool descending = descending_[column];
    const qsizetype n = records_.size();

    // Names and texts compare by their CP949 bytes, ASCII letters without case;
    // sizes as numbers, where a folder's "N files" counts 0.
    QList<QByteArray> texts(n);
    QList<qint64> numbers(n);
    for (qsizetype i = 0; i < n; ++i) {
        if (column == 1) numbers[i] = records_[i].size.toLongLong();
        else texts[i] = cp949::encode(field(records_[i], column)).toLower();
    }
    auto compare = [&](int a, int b) {
        if (column == 1) return numbers[a] < numbers[b] ? -1 : numbers[a] > numbers[b] ? 1 : 0;
        return texts[a] < texts[b] ? -1 : texts[b] < texts[a] ? 1 : 0;
    };
    QList<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = compare(a, b);
        return descending ? c > 0 : c < 0;
    });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<ShareRecord> sorted;
    sorted.reserve(n);
    QList<int> newRow(n);
    for (qsizetype i = 0; i < n; ++i) {
        sorted.append(records_[order[i]]);
        newRow[order[i]] = int(i);
    }
    records_ = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &i : from) to.append(index(newRow[i.row()], i.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    descending_[column] = !descending;
}

qint64 ShareRegistry::RecountFiles() {
    qint64 total = 0;
    for (qsizetype row = 0; row < records_.size(); ++row) {
        ShareRecord &r = records_[row];
        if (r.kind == ShareKind::File) {
            ++total;
            continue;
        }
        const int count = CountFolderFiles(r.name, QStringLiteral("*.*"));
        total += count;
        const QString size = filesText(count);
        if (size == r.size) continue;
        r.size = size;
        emit dataChanged(index(int(row), 1), index(int(row), 1));
    }
    return total;
}

QList<ShareRecord> ShareRegistry::Snapshot() const {
    QList<ShareRecord> copy;
    RunOnMainThread(const_cast<ShareRegistry *>(this), [&] { copy = records_; });
    return copy;
}

QString ShareCountText(qint64 files, int records) {
    return QStringLiteral("공유 설정 (현재:%1 files %2 items, 최대:%3 items)")
        .arg(files)
        .arg(records)
        .arg(ShareRegistry::kCapacity);
}

QString AddResultMessage(AddResult result, const QString &path) {
    switch (result) {
    case AddResult::Added:
    case AddResult::Skipped: break;
    case AddResult::Unstorable:
        return QStringLiteral("이름에 ';' 문자나 나타낼 수 없는 문자가 들어 있어 공유할 수 없습니다.\n") + path;
    case AddResult::Full:
        return QStringLiteral("공유는 최대 %1 개까지 등록할 수 있습니다. 더 이상 추가할 수 없습니다.")
            .arg(ShareRegistry::kCapacity);
    }
    return {};
}
