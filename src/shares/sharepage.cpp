#include "shares/sharepage.h"

#include "core/icons.h"
#include "core/mainform.h"
#include "core/prompts.h"
#include "shares/sharelistdelegate.h"
#include "shares/sharepassword.h"
#include "shares/shareproperties.h"
#include "shares/sharetext.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kAddFileHint = QStringLiteral("새로운 파일(들)을 공유합니다.");
const QString kAddDirHint = QStringLiteral("새로운 폴더를 공유합니다(하위 폴더는 자동으로 공유되지 않습니다).");

QFont listFont() {
    QFont f;
    f.setFamilies({QStringLiteral("굴림체"), QStringLiteral("GulimChe"), QStringLiteral("NanumGothicCoding"),
                   QStringLiteral("NanumGothic")});
    f.setPixelSize(12);
    return f;
}

} // namespace

TSharePage::TSharePage(TMainForm &main, QWidget *parent)
    : QWidget(parent), main_(main), registry_(main.registry()), lastFolder_(QDir::homePath()) {
    setObjectName(QStringLiteral("SharePage"));
    setAcceptDrops(true);
    buildList();
    buildButtons();
    buildMenu();
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(list_, 1);
    v->addWidget(buttons_);
    connect(main.PC_Message(), &QTabWidget::currentChanged, this, &TSharePage::PC_MessageChange);
}

void TSharePage::buildList() {
    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("LV_EnrollFile"));
    list_->setModel(&registry_);
    list_->setItemDelegate(new ShareListDelegate(list_));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setFont(listFont());
    const int widths[ShareRegistry::kColumns] = {330, 80, 400, 200, 0};
    for (int c = 0; c < ShareRegistry::kColumns; ++c) list_->setColumnWidth(c, widths[c]);
    list_->setColumnHidden(4, true);
    list_->header()->setSectionsClickable(true);
    list_->header()->setSortIndicatorShown(false);
    list_->header()->setStretchLastSection(false);
    connect(list_->header(), &QHeaderView::sectionClicked, this, &TSharePage::LV_EnrollFileColumnClick);

    // White with black text under any desktop theme, and the selection as
    // visible without focus as with it.
    QPalette pal = list_->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    list_->setPalette(pal);

    list_->setMouseTracking(true);
    connect(list_, &QAbstractItemView::entered, this, [this] { list_->viewport()->setCursor(Qt::PointingHandCursor); });
    connect(list_, &QAbstractItemView::viewportEntered, this, [this] { list_->viewport()->unsetCursor(); });
}

QPushButton *TSharePage::addButton(const char *name, const QString &caption, const QString &hint,
                                   void (TSharePage::*handler)()) {
    auto *b = new QPushButton(caption, buttons_);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setFont(listFont());
    connect(b, &QPushButton::clicked, this, handler);
    buttons_->layout()->addWidget(b);
    return b;
}

void TSharePage::buildButtons() {
    buttons_ = new QWidget(this);
    buttons_->setObjectName(QStringLiteral("P_ShareButtons"));
    buttons_->setFixedHeight(30);
    auto *h = new QHBoxLayout(buttons_);
    h->setContentsMargins(2, 2, 2, 2);
    h->setSpacing(4);
    addButton("BB_AddFile", QStringLiteral("공유추가(파일)"), kAddFileHint, &TSharePage::MI_AddFileClick)
        ->setIcon(icons::Get(icons::Id::FilePlain));
    addButton("BB_AddDir", QStringLiteral("공유추가(폴더)"), kAddDirHint, &TSharePage::MI_AddDirClick)
        ->setIcon(icons::Get(icons::Id::Folder));
    addButton("BB_AddWindows", QStringLiteral("공유추가(윈도우즈)"),
              QStringLiteral("윈도우즈의 공유 폴더를 이곳에 등록합니다(하위 폴더는 자동으로 공유되지 않습니다)."),
              &TSharePage::BB_AddWindowsClick)
        ->setIcon(icons::Get(icons::Id::PeerComputer));
    addButton("BB_DeleteFile", QStringLiteral("공유해제"), QStringLiteral("공유된 파일(들)을 해제합니다."),
              &TSharePage::MI_DeleteFileClick)
        ->setIcon(icons::Get(icons::Id::FileLocked));
    h->addStretch(1);
}

QAction *TSharePage::addMenuItem(const char *name, const QString &caption, const QString &hint,
                                 void (TSharePage::*handler)()) {
    QAction *a = menu_->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setStatusTip(hint);
    // Shortcuts act while the list has the focus, also with the menu closed.
    a->setShortcutContext(Qt::WidgetShortcut);
    list_->addAction(a);
    connect(a, &QAction::triggered, this, handler);
    return a;
}

void TSharePage::buildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("PM_ShareFile"));
    addMenuItem("MI_AddFile", QStringLiteral("공유추가(파일)"), kAddFileHint, &TSharePage::MI_AddFileClick)
        ->setShortcut(QKeySequence(Qt::Key_Insert));
    addMenuItem("MI_AddDir", QStringLiteral("공유추가(폴더)"), kAddDirHint, &TSharePage::MI_AddDirClick)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
    deleteItem_ = addMenuItem("MI_DeleteFile", QStringLiteral("공유해제"), QStringLiteral("공유를 해제합니다."),
                              &TSharePage::MI_DeleteFileClick);
    deleteItem_->setShortcut(QKeySequence(Qt::Key_Delete));
    addMenuItem("MI_SelectAll", QStringLiteral("전체 선택(&A)"), QStringLiteral("모든 파일과 폴더를 선택합니다."),
                &TSharePage::MI_SelectAllClick)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    menu_->addSeparator();
    addMenuItem("MI_SetComment", QStringLiteral("설명 넣기"),
                QStringLiteral("선택한 파일 또는 폴더에 설명을 입력/수정/삭제합니다."), &TSharePage::MI_SetCommentClick);
    addMenuItem("MI_SetPassword", QStringLiteral("비밀번호 넣기"),
                QStringLiteral("선택한 파일 또는 폴더에 비밀번호를 입력/수정/삭제합니다."),
                &TSharePage::MI_SetPasswordClick);
    addMenuItem("N2", QStringLiteral("등록 정보"), QStringLiteral("선택한 파일 또는 폴더의 등록 정보를 표시합니다."),
                &TSharePage::N2Click);
    addMenuItem("N3", QStringLiteral("열기"), QStringLiteral("선택한 파일 또는 폴더를 엽니다."), &TSharePage::N3Click);

    connect(menu_, &QMenu::aboutToShow, this, &TSharePage::PM_ShareFilePopup);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TSharePage::PM_ShareFilePopup);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { menu_->popup(list_->viewport()->mapToGlobal(at)); });
    PM_ShareFilePopup();
}

QList<int> TSharePage::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex &i : list_->selectionModel()->selectedIndexes()) rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool TSharePage::admit(AddResult result, const QString &path) {
    const QString message = AddResultMessage(result, path);
    if (!message.isEmpty()) prompts::Information(this, message);
    return result != AddResult::Full;
}

void TSharePage::MI_AddFileClick() {
    const QStringList files = prompts::OpenFiles(this, QStringLiteral("공유할 파일(들)을 선택하세요"), lastFolder_);
    if (files.isEmpty() || !QFileInfo::exists(files.first())) return;
    lastFolder_ = QFileInfo(files.first()).absolutePath();
    QList<std::pair<QString, ShareKind>> paths;
    for (const QString &file : files) paths.append({file, ShareKind::File});
    sharePaths(paths);
}

void TSharePage::MI_AddDirClick() {
    const QString folder = prompts::PickFolder(this, QStringLiteral("공유할 폴더를 선택하세요"), lastFolder_);
    if (folder.isEmpty()) return;
    lastFolder_ = folder;
    sharePaths({{folder, ShareKind::Folder}});
}

void TSharePage::sharePaths(const QList<std::pair<QString, ShareKind>> &paths) {
    for (const auto &[path, kind] : paths)
        if (!admit(registry_.AddShareRecord(path, {}, {}, kind), path)) break;
    PC_MessageChange();
}

namespace {
// The local files and folders of a drag, each as its kind; links to elsewhere are left out.
QList<std::pair<QString, ShareKind>> droppedPaths(const QMimeData *data) {
    QList<std::pair<QString, ShareKind>> paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = QDir::cleanPath(url.toLocalFile()); // a folder's URL may end with "/"
        paths.append({path, QFileInfo(path).isDir() ? ShareKind::Folder : ShareKind::File});
    }
    return paths;
}
} // namespace

void TSharePage::dragEnterEvent(QDragEnterEvent *e) {
    if (!droppedPaths(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void TSharePage::dropEvent(QDropEvent *e) {
    const auto paths = droppedPaths(e->mimeData());
    if (paths.isEmpty()) return;
    e->acceptProposedAction();
    sharePaths(paths);
}

void TSharePage::BB_AddWindowsClick() {
    const int before = registry_.rowCount();
    for (const SambaShare &share : OwnSambaShares(samba_)) {
        // Samba keeps a path as it was typed ("/srv/pub/", "/srv//pub"); the
        // registry knows it in one form, also as a folder registered already.
        const QString folder = FolderPathForm(share.path);
        // A remark becomes a comment, which may not hold the field delimiter.
        const QString comment = ReplaceText(share.comment, QStringLiteral(";"), QStringLiteral(" "));
        if (!admit(registry_.AddShareRecord(folder, comment, {}, ShareKind::Folder), folder)) break;
    }
    prompts::Information(this, QStringLiteral("총 %1 개의 폴더를 추가하였습니다.").arg(registry_.rowCount() - before));
}

void TSharePage::MI_DeleteFileClick() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        prompts::Information(this, QStringLiteral("먼저 공유삭제(해제)할 파일 또는 폴더를 선택하세요."));
        return;
    }
    QItemSelectionModel *selection = list_->selectionModel();
    const bool focusRemoved = rows.contains(list_->currentIndex().row());
    registry_.RemoveRecords(rows);
    if (focusRemoved) selection->clearCurrentIndex();
    else if (list_->currentIndex().isValid())
        selection->select(list_->currentIndex(), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    PC_MessageChange();
}

void TSharePage::MI_SelectAllClick() {
    list_->selectAll();
    list_->setFocus();
}

void TSharePage::MI_SetCommentClick() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        prompts::Information(this, QStringLiteral("먼저 설명을 넣을 파일 또는 폴더를 선택하세요."));
        return;
    }
    QString text = registry_.Records()[rows.first()].comment;
    if (!prompts::InputText(this, QStringLiteral("설명넣기"), QStringLiteral("참고사항: "), text)) return;
    registry_.SetComment(rows, TrimBlanks(ReplaceText(text, QStringLiteral(";"), QStringLiteral(" "))));
}

void TSharePage::MI_SetPasswordClick() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        prompts::Information(this, QStringLiteral("먼저 비밀번호를 넣을 파일 또는 폴더를 선택하세요."));
        return;
    }
    QString text = DecodePassword(registry_.Records()[rows.first()].password, kPasswordKey);
    if (!prompts::InputText(this, QStringLiteral("비밀번호넣기"), QStringLiteral("공유파일의 비밀번호: "), text))
        return;
    registry_.SetPassword(rows, EncodePassword(TrimBlanks(text), kPasswordKey));
}

void TSharePage::N2Click() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        prompts::Information(this, QStringLiteral("파일을 선택하세요."));
        return;
    }
    if (rows.size() > 1) {
        prompts::Information(this, QStringLiteral("파일을 하나만 선택해서 이 기능을 사용하세요."));
        return;
    }
    const QString path = registry_.Records()[rows.first()].FullPath();
    if (!QFileInfo::exists(path)) return;
    (new TShareProperties(path, window()))->show();
}

void TSharePage::N3Click() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        prompts::Information(this, QStringLiteral("파일 또는 폴더를 선택하세요."));
        return;
    }
    if (rows.size() > 1) {
        prompts::Information(this, QStringLiteral("파일 또는 폴더를 하나만 선택해서 이 기능을 사용하세요."));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(registry_.Records()[rows.first()].FullPath()));
}

void TSharePage::PM_ShareFilePopup() { deleteItem_->setEnabled(list_->selectionModel()->hasSelection()); }

void TSharePage::LV_EnrollFileColumnClick(int column) { registry_.SortColumn(column); }

void TSharePage::PC_MessageChange() {
    if (main_.PC_Message()->currentWidget() != main_.TabSheet_SetShare()) return;
    const qint64 files = registry_.RecountFiles();
    main_.SetStatusText(ShareCountText(files, registry_.rowCount()));
}
