#pragma once
// The registry's section "SHAREFILE" of the configuration file: one key per
// record, "0", "1", ..., each holding folder;name;password;comment;kind.
#include <QString>

class ShareRegistry;

// Refills the registry from the file; records whose file or folder is gone are dropped.
void LoadShares(ShareRegistry &registry, const QString &iniPath);
// False with error set ("Unable to write to " + path) when the file cannot be written.
bool SaveShares(const ShareRegistry &registry, const QString &iniPath, QString *error);
