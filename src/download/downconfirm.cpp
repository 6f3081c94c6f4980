#include "download/downconfirm.h"

#include "core/host.h"
#include "core/prompts.h"
#include "download/localtarget.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace {

constexpr int kSourcePathWidth = 333;

QLabel *Named(QLabel *label, const char *name) {
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

TDownConfirmForm::TDownConfirmForm(HostIdentity &host, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      host_(host), lOwner_(Named(new QLabel(QStringLiteral("<소유자>"), this), "L_owner")),
      lSpath_(Named(new QLabel(QStringLiteral("<선택한 파일>"), this), "L_spath")), eDpath_(new QLineEdit(this)),
      eDfile_(new QLineEdit(QStringLiteral("<원본 파일명과 동일>"), this)),
      rbOverwrite_(new QRadioButton(QStringLiteral("덮어쓰기"), this)),
      rbResume_(new QRadioButton(QStringLiteral("이어받기"), this)) {
    setObjectName(QStringLiteral("TDownConfirmForm"));
    setWindowTitle(QStringLiteral("다운받기 확인"));
    setModal(true);
    setFixedSize(418, 217);
    if (QScreen *s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());

    eDpath_->setObjectName(QStringLiteral("E_dpath"));
    eDfile_->setObjectName(QStringLiteral("E_dfile"));
    eDfile_->setEnabled(false);
    lSpath_->setFixedWidth(kSourcePathWidth);
    rbOverwrite_->setObjectName(QStringLiteral("RB_overwrite"));
    rbResume_->setObjectName(QStringLiteral("RB_resume"));
    rbOverwrite_->setChecked(true);
    auto *modes = new QButtonGroup(this);
    modes->addButton(rbOverwrite_);
    modes->addButton(rbResume_);

    auto *browse = new QPushButton(QStringLiteral("탐색..."), this);
    browse->setObjectName(QStringLiteral("B_Folder"));
    browse->setAutoDefault(false);
    auto *ok = new QPushButton(QStringLiteral("확인"), this);
    ok->setObjectName(QStringLiteral("BB_Ok"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("닫기"), this);
    cancel->setObjectName(QStringLiteral("BB_Cancel"));
    cancel->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &TDownConfirmForm::B_FolderClick);
    connect(ok, &QPushButton::clicked, this, &TDownConfirmForm::BB_OkClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setVerticalSpacing(6);
    grid->addWidget(new QLabel(QStringLiteral("선택한 파일(들)을 지정한 폴더에 다운로드 받습니다"), this), 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("소유자:"), this), 1, 0);
    grid->addWidget(lOwner_, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("원본 파일:"), this), 2, 0);
    grid->addWidget(lSpath_, 2, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("받을 폴더:"), this), 3, 0);
    grid->addWidget(eDpath_, 3, 1);
    grid->addWidget(browse, 3, 2);
    grid->addWidget(new QLabel(QStringLiteral("받을 이름:"), this), 4, 0);
    grid->addWidget(eDfile_, 4, 1, 1, 2);
    auto *modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel(QStringLiteral("받을 파일이 이미 있으면"), this));
    modeRow->addSpacing(8);
    modeRow->addWidget(rbOverwrite_);
    modeRow->addWidget(rbResume_);
    modeRow->addStretch(1);
    grid->addLayout(modeRow, 5, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 6, 0, 1, 3);
    grid->setColumnStretch(1, 1);
}

void TDownConfirmForm::SetSourcePath(const QString &path) {
    lSpath_->setToolTip(path);
    lSpath_->setText(lSpath_->fontMetrics().elidedText(path, Qt::ElideMiddle, kSourcePathWidth));
}

void TDownConfirmForm::showEvent(QShowEvent *e) {
    QDialog::showEvent(e);
    FormShow();
}

void TDownConfirmForm::FormShow() { eDpath_->setText(TrimFolder(eDpath_->text())); }

void TDownConfirmForm::B_FolderClick() {
    const QString folder = prompts::PickFolder(this, QStringLiteral("받을 폴더"), eDpath_->text());
    if (!folder.isEmpty()) eDpath_->setText(TrimFolder(folder));
}

void TDownConfirmForm::BB_OkClick() {
    if (!QFileInfo(eDpath_->text()).isDir()) {
        prompts::Information(this, QStringLiteral("받을 폴더를 정확히 지정하세요"));
        eDpath_->setFocus();
        return;
    }
    if (eDfile_->isEnabled() && eDfile_->text().isEmpty()) {
        prompts::Information(this, QStringLiteral("받을 이름을 정확히 입력하세요"));
        eDfile_->setFocus();
        return;
    }
    eDpath_->setText(TrimFolder(eDpath_->text()));
    host_.DownloadDir = eDpath_->text();
    accept();
}
