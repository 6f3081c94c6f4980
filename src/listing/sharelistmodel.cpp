#include "listing/sharelistmodel.h"

#include "core/icons.h"

#include <QIcon>

QVariant ShareListModel::data(const QModelIndex &index, int role) const {
    if (role != Qt::DecorationRole || index.column() != Name) return RemoteResults::data(index, role);
    const bool locked = RemoteResults::data(index, ProtectedRole).toBool();
    return icons::Get(locked ? icons::Id::FileLocked : icons::Id::FileOpen);
}
