#pragma once
// The count of files that a shared folder publishes.
#include <QString>

// Entries directly in folder that match mask and are not folders, hidden
// ones included; "*.*" matches every name. 0 when the folder cannot be listed.
// Safe from any thread.
int CountFolderFiles(const QString &folder, const QString &mask);
