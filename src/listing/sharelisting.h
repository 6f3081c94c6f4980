#pragma once
// The share list of this computer: the entries its share records yield.
#include "listing/listdatagram.h"
#include "listing/shareentry.h"
#include "shares/shareregistry.h"

#include <QList>

#include <functional>

// Who the entries belong to: ComputerName and LocalIP.
struct ListOrigin {
    QString owner;
    QString ownerIP;
};

// Calls yield for every entry of records, in registry order: a file record's
// own entry (its stored fields, the file is not looked at again), and for a
// folder record one entry per regular file directly inside the folder, with
// the record's comment and password.
void ForEachShareEntry(const QList<ShareRecord> &records, const ListOrigin &origin,
                       const std::function<void(const ShareEntry &)> &yield);

// The whole share list of records into packer, entries that cannot travel left out.
void PackShareList(const QList<ShareRecord> &records, const ListOrigin &origin, ListPacker &packer);
