#pragma once
// The files of a shared folder as share lists carry them.
#include <QString>

#include <functional>

// Calls yield with the name and size of every regular file directly inside
// folder, hidden ones included, in the order the directory listing gives
// them; subfolders and their contents are left out. A folder that cannot be
// listed yields nothing.
void ForEachFolderFile(const QString &folder, const std::function<void(const QString &name, qint64 size)> &yield);

// A folder record's path as its entries carry it: closed by "/", unless it
// already ends with "/" or with a Windows "\".
QString ListedFolderPath(const QString &path);
