#pragma once
// The registry's section "SHAREFILE" of the configuration file.
#include <QString>

class ShareRegistry;

void LoadShares(ShareRegistry &registry, const QString &iniPath);
// False with error set ("Unable to write to " + path) when the file cannot be written.
bool SaveShares(const ShareRegistry &registry, const QString &iniPath, QString *error);
