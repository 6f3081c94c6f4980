#include "download/servedfiles.h"

#include "listing/folderlisting.h"

#include <QFileInfo>

namespace {

bool directlyInside(const QString &folder, const QString &path) {
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    if (!path.startsWith(prefix)) return false;
    const QString name = path.mid(prefix.size());
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

bool published(const QList<ShareRecord> &records, const QString &path) {
    for (const ShareRecord &r : records) {
        if (r.kind == ShareKind::File ? r.FullPath() == path
                                      : directlyInside(r.name, path) && StaysInFolder(r.name, path))
            return true;
    }
    return false;
}

} // namespace

qint64 ServedFileSize(const QList<ShareRecord> &records, const QString &path) {
    if (path.isEmpty() || !published(records, path)) return -1;
    const QFileInfo info(path);
    return info.isFile() ? info.size() : -1;
}
