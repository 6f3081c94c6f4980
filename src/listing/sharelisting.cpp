#include "listing/sharelisting.h"

#include "listing/folderlisting.h"

void ForEachShareEntry(const QList<ShareRecord> &records, const ListOrigin &origin,
                       const std::function<void(const ShareEntry &)> &yield) {
    for (const ShareRecord &r : records) {
        if (r.kind == ShareKind::File) {
            yield({r.name, r.size, r.comment, r.folder, origin.owner, origin.ownerIP, r.password});
            continue;
        }
        ShareEntry entry{{}, {}, r.comment, ListedFolderPath(r.name), origin.owner, origin.ownerIP, r.password};
        ForEachFolderFile(r.name, [&](const QString &name, qint64 size) {
            entry.name = name;
            entry.size = QString::number(size);
            yield(entry);
        });
    }
}

void PackShareList(const QList<ShareRecord> &records, const ListOrigin &origin, ListPacker &packer) {
    ForEachShareEntry(records, origin, [&](const ShareEntry &entry) { packer.Add(entry); });
}

