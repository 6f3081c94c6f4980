#include "shares/shareregistry.h"

#include "core/workers.h"

ShareRegistry::ShareRegistry(QObject *parent) : QAbstractTableModel(parent) {}

int ShareRegistry::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(records_.size()); }

int ShareRegistry::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 5; }

QVariant ShareRegistry::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    const ShareRecord &r = records_[index.row()];
    switch (index.column()) {
    case 0: return r.name;
    case 1: return r.size;
    case 2: return r.comment;
    case 3: return r.folder;
    case 4: return r.password;
    }
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

QList<ShareRecord> ShareRegistry::Snapshot() const {
    QList<ShareRecord> copy;
    RunOnMainThread(const_cast<ShareRegistry *>(this), [&] { copy = records_; });
    return copy;
}
