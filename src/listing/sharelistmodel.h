#pragma once
// The received entries as LV_ShareFile shows them: the session's results
// with the row icons (plain or protected file).
#include <QIdentityProxyModel>

class ShareListModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};
