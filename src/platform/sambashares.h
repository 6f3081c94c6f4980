#pragma once
// The folders this computer shares through Samba: the shares of its
// configuration and the usershares that users created themselves.
#include <QList>
#include <QString>

struct SambaShare {
    QString name;
    QString path;
    QString comment;
};

struct SambaLocations {
    QString config = QStringLiteral("/etc/samba/smb.conf");
    // Where usershares live unless the configuration's "usershare path" says otherwise.
    QString usershares = QStringLiteral("/var/lib/samba/usershares");
};

// Disk shares of the configuration: sections with a path, without [global],
// [homes], [printers], print$, printable and unavailable shares.
QList<SambaShare> ConfigShares(const QString &configPath);
// The usershare definition files of folder.
QList<SambaShare> UserShares(const QString &folder);
// Both, as Samba serves them: usershares only when the configuration allows
// them ("usershare max shares" above 0), a configured share winning over a
// usershare of the same name. Nothing when there is no configuration.
QList<SambaShare> OwnSambaShares(const SambaLocations &where = {});
