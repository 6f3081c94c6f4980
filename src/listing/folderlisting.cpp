#include "listing/folderlisting.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

void ForEachFolderFile(const QString &folder, const std::function<void(const QString &, qint64)> &yield) {
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink() && !StaysInFolder(folder, info.filePath())) continue;
        yield(info.fileName(), info.size());
    }
}

bool StaysInFolder(const QString &folder, const QString &file) {
    const QString dir = QFileInfo(folder).canonicalFilePath();
    const QFileInfo target(QFileInfo(file).canonicalFilePath());
    return !dir.isEmpty() && target.exists() && target.absolutePath() == dir;
}

QString ListedFolderPath(const QString &path) {
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))) return path;
    return path + QLatin1Char('/');
}
