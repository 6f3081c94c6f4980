#include "shares/sharepersistence.h"

#include "core/frame.h"
#include "platform/profilefile.h"
#include "shares/shareregistry.h"

#include <QCoreApplication>

namespace {

const QString kSection = QStringLiteral("SHAREFILE");

} // namespace

void LoadShares(ShareRegistry &registry, const QString &iniPath) {
    registry.Clear();
    const ProfileFile file(iniPath);
    // Keys after the first missing one are never read.
    for (int i = 0; i < ShareRegistry::kCapacity; ++i) {
        const QString value = file.ReadString(kSection, QString::number(i));
        if (value.isEmpty()) break;
        // Each record checks the disk; keep the window responsive through a long list.
        QCoreApplication::processEvents();
        const QChar sep = QLatin1Char(';');
        const ShareKind kind =
            GetField(value, sep, 5) == QLatin1String("D") ? ShareKind::Folder : ShareKind::File;
        registry.AddShareRecord(GetField(value, sep, 1) + GetField(value, sep, 2), GetField(value, sep, 4),
                                GetField(value, sep, 3), kind);
    }
}

bool SaveShares(const ShareRegistry &registry, const QString &iniPath, QString *error) {
    ProfileFile file(iniPath);
    for (int i = 0; i < ShareRegistry::kCapacity; ++i) file.DeleteKey(kSection, QString::number(i));
    const QList<ShareRecord> &records = registry.Records();
    for (qsizetype i = 0; i < records.size(); ++i) {
        const ShareRecord &r = records[i];
        const QString kind = r.kind == ShareKind::Folder ? QStringLiteral("D") : QStringLiteral("F");
        file.WriteString(kSection, QString::number(i),
                         QStringList{r.folder, r.name, r.password, r.comment, kind}.join(QLatin1Char(';')));
    }
    return file.Save(error);
}
