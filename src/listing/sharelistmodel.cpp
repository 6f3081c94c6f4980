#include "listing/sharelistmodel.h"

#include "core/icons.h"
#include "listing/remoteresults.h"

#include <QIcon>

QVariant ShareListModel::data(const QModelIndex &index, int role) const {
    if (role != Qt::DecorationRole || index.column() != RemoteResults::Name)
        return QIdentityProxyModel::data(index, role);
    const bool locked = QIdentityProxyModel::data(index, RemoteResults::ProtectedRole).toBool();
    return icons::Get(locked ? icons::Id::FileLocked : icons::Id::FileOpen);
}
