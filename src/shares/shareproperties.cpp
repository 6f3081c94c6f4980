#include "shares/shareproperties.h"

#include "shares/foldercount.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace {

QString kindOf(const QFileInfo &info) {
    QString kind = info.isDir() ? QStringLiteral("폴더") : info.isFile() ? QStringLiteral("파일") : QStringLiteral("특수 파일");
    if (info.isSymLink()) kind += QStringLiteral(" (링크: %1)").arg(info.symLinkTarget());
    return kind;
}

QString sizeOf(const QFileInfo &info) {
    if (info.isDir())
        return QStringLiteral("파일 %1 개").arg(CountFolderFiles(info.filePath(), QStringLiteral("*.*")));
    return QStringLiteral("%1 바이트").arg(QLocale(QLocale::Korean).toString(info.size()));
}

QString permissionsOf(const QFileInfo &info) {
    const QFileDevice::Permissions p = info.permissions();
    const QFileDevice::Permission bits[9] = {QFileDevice::ReadOwner, QFileDevice::WriteOwner, QFileDevice::ExeOwner,
                                             QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ExeGroup,
                                             QFileDevice::ReadOther, QFileDevice::WriteOther, QFileDevice::ExeOther};
    QString mode;
    for (int i = 0; i < 9; ++i) mode += p.testFlag(bits[i]) ? QLatin1Char("rwx"[i % 3]) : QLatin1Char('-');
    return QStringLiteral("%1 (소유자 %2, 그룹 %3)").arg(mode, info.owner(), info.group());
}

} // namespace

TShareProperties::TShareProperties(const QString &path, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TShareProperties"));
    setAttribute(Qt::WA_DeleteOnClose);
    const QFileInfo info(path);
    setWindowTitle(QStringLiteral("등록 정보 - ") + (info.fileName().isEmpty() ? path : info.fileName()));

    auto *form = new QFormLayout;
    auto addRow = [&](const char *name, const QString &caption, const QString &value) {
        auto *label = new QLabel(value, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(caption, label);
    };
    addRow("L_Path", QStringLiteral("위치:"), path);
    addRow("L_Kind", QStringLiteral("종류:"), kindOf(info));
    addRow("L_Size", QStringLiteral("크기:"), sizeOf(info));
    addRow("L_Modified", QStringLiteral("수정한 날짜:"),
           info.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    addRow("L_Permissions", QStringLiteral("권한:"), permissionsOf(info));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(buttons);
}
