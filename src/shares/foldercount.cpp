#include "shares/foldercount.h"

#include <QDirIterator>

int CountFolderFiles(const QString &folder, const QString &mask) {
    const QStringList filter{mask == QLatin1String("*.*") ? QStringLiteral("*") : mask};
    QDirIterator it(folder, filter, QDir::Files | QDir::Hidden | QDir::System);
    int count = 0;
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}
