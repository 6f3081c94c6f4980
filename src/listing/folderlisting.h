#pragma once
// The files of a shared folder as share lists carry them.
#include <QString>

#include <functional>

// Calls yield with the name and size of every regular file directly inside
// folder, hidden ones included, in the order the directory listing gives
// them; subfolders and their contents are left out, and so are links that
// lead out of the folder. A folder that cannot be listed yields nothing.
void ForEachFolderFile(const QString &folder, const std::function<void(const QString &name, qint64 size)> &yield);

// Whether file, once every link on its way is followed, lies directly inside
// folder (also followed): a link in a shared folder must not publish a file
// from elsewhere.
bool StaysInFolder(const QString &folder, const QString &file);

// A folder record's path as its entries carry it: closed by "/", unless it
// already ends with "/" or with a Windows "\".
QString ListedFolderPath(const QString &path);
