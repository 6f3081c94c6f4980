#pragma once
// The received entries as LV_ShareFile shows them: the row icons (plain or
// protected file) over the core's results.
#include "listing/remoteresults.h"

class ShareListModel : public RemoteResults {
    Q_OBJECT
public:
    using RemoteResults::RemoteResults;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};
