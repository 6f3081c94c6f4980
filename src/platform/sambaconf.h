#pragma once
// Reader of the Samba configuration format (sections, "key = value", comments,
// continuation lines). Keys are lower-cased with blanks removed, as Samba does.
#include <QList>
#include <QMap>
#include <QString>

struct SambaSection {
    QString name;
    QMap<QString, QString> params;
};

QList<SambaSection> ReadSambaConfig(const QString &path);
