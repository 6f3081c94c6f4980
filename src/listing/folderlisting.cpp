#include "listing/folderlisting.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

void ForEachFolderFile(const QString &folder, const std::function<void(const QString &, qint64)> &yield) {
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        yield(info.fileName(), info.size());
    }
}

QString ListedFolderPath(const QString &path) {
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))) return path;
    return path + QLatin1Char('/');
}
