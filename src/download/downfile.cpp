#include "download/downfile.h"

#include "chat/windowlook.h"
#include "core/icons.h"
#include "core/mainform.h"
#include "core/prompts.h"
#include "download/downloaddelegate.h"
#include "download/downloadfigures.h"
#include "download/downloadicons.h"
#include "download/downloadqueue.h"
#include "download/downloads.h"
#include "download/targetfile.h"
#include "download/transferclient.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QKeyEvent>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

TDownForm::TDownForm(TMainForm &main)
    : QWidget(nullptr, Qt::Window), main_(main), queue_(&main.session().downloads().queue()),
      opener_([](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }) {
    setObjectName(QStringLiteral("TDownForm"));
    setWindowTitle(QStringLiteral("다운로드 목록"));
    setWindowIcon(icons::Get(icons::Id::App));
    resize(660, 453);
    if (QScreen *s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());

    Downloads &downloads = main.session().downloads();
    timerDownCtl_ = downloads.Timer_DownCTL();
    timerFileDown_ = downloads.Timer_FileDown();
    timerConnect_ = downloads.Timer_Connect();
    client_ = &downloads.client();

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    BuildBar();
    BuildList();
    BuildMenu();
    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StsFile"));
    bar->setSizeGripEnabled(true);
    for (int i = 0; i < 5; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("StsFile_Panel%1").arg(i));
        panels_[i]->setFixedWidth(70);
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        bar->addWidget(panels_[i]);
    }
    figures_ = new DownloadFigures(*queue_, bar);
    v->addWidget(bar);

    connect(queue_, &DownloadQueue::countersChanged, this, &TDownForm::RefreshCounters);
    connect(client_, &TransferClient::startEnabledChanged, bbStart_, &QWidget::setEnabled);
    connect(client_, &TransferClient::queueDone, this, &TDownForm::QueueDone);
    connect(queue_, &DownloadQueue::stateChanged, this, &TDownForm::RowStateChanged);

    RefreshCounters();
    // The search page's download commands; made now that the listing's menus exist.
}

TDownForm::~TDownForm() = default;

void TDownForm::BuildBar() {
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel18"));
    auto *h = new QHBoxLayout(panel);
    h->setContentsMargins(3, 2, 3, 2);
    h->setSpacing(1);
    auto button = [&](const char *name, const QIcon &icon, const QString &hint, void (TDownForm::*click)()) {
        auto *b = new QToolButton(panel);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(icon);
        b->setFixedSize(25, 25);
        b->setAutoRaise(true);
        b->setToolTip(hint);
        b->setStatusTip(hint);
        connect(b, &QToolButton::clicked, this, click);
        h->addWidget(b);
        return b;
    };
    using downloadicons::Button;
    bbStop_ = button("BB_Stop", downloadicons::Get(Button::Stop), QStringLiteral("모든 다운로드를 중지합니다."),
                     &TDownForm::BB_StopClick);
    bbStartAll_ = button("BB_StartAll", downloadicons::Get(Button::StartAll),
                         QStringLiteral("아직 받지 않은 파일들의 다운로드를 시작합니다."), &TDownForm::BB_StartAllClick);
    bbStart_ = button("BB_Start", downloadicons::Get(Button::Start), QStringLiteral("선택한 파일들만 다운받습니다."),
                      &TDownForm::BB_StartClick);
    bbStart_->setEnabled(false);
    h->addSpacing(6);
    bbUpward_ = button("BB_Upward", downloadicons::Get(Button::Upward),
                       QStringLiteral("선택한 파일들의 다운로드 순서를 올립니다."), &TDownForm::BB_UpwardClick);
    bbDownward_ = button("BB_Downward", downloadicons::Get(Button::Downward),
                         QStringLiteral("선택한 파일들의 다운로드 순서를 내립니다."), &TDownForm::BB_DownwardClick);
    h->addSpacing(6);
    bbOpen_ = button("BB_Open", icons::Get(icons::Id::FilePlain), QStringLiteral("선택한 파일을 엽니다."),
                     &TDownForm::BB_OpenClick);
    bbOpenFolder_ = button("BB_OpenFolder", icons::Get(icons::Id::Folder),
                           QStringLiteral("가장 최근에 받은 파일이 저장된 폴더를 엽니다."), &TDownForm::BB_OpenFolderClick);
    h->addStretch(1);
    layout()->addWidget(panel);
}

void TDownForm::BuildList() {
    lvFile_ = new QTableView(this);
    lvFile_->setObjectName(QStringLiteral("LV_File"));
    lvFile_->setModel(queue_);
    lvFile_->setItemDelegate(new DownloadDelegate(lvFile_));
    lvFile_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFile_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFile_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFile_->setShowGrid(true);
    lvFile_->setWordWrap(false);
    lvFile_->setIconSize(QSize(16, 16));
    lvFile_->verticalHeader()->hide();
    lvFile_->verticalHeader()->setDefaultSectionSize(20);
    lvFile_->horizontalHeader()->setHighlightSections(false);
    lvFile_->horizontalHeader()->setSectionsClickable(true);
    const int widths[] = {150, 80, 80, 70, 100, 300, 100, 105, 200, 0};
    for (int c = 0; c < DownloadRow::ColumnCount; ++c) lvFile_->setColumnWidth(c, widths[c]);
    lvFile_->setColumnHidden(DownloadRow::Mode, true);
    connect(lvFile_->horizontalHeader(), &QHeaderView::sectionClicked, this, &TDownForm::LV_FileColumnClick);
    layout()->addWidget(lvFile_);
}

void TDownForm::BuildMenu() {
    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    auto item = [&](const char *name, const QString &caption, const QString &hint, const QKeySequence &key,
                    void (TDownForm::*click)()) {
        QAction *a = popupMenu1_->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setStatusTip(hint);
        a->setShortcut(key);
        // The shortcuts work in the list, not only while the menu is open.
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        lvFile_->addAction(a);
        connect(a, &QAction::triggered, this, click);
        return a;
    };
    item("MI_SelectAll", QStringLiteral("전체 선택(&A)"), {}, QKeySequence(Qt::CTRL | Qt::Key_A),
         &TDownForm::MI_SelectAllClick);
    popupMenu1_->addSeparator();
    item("MI_DeleteList", QStringLiteral("리스트에서 삭제"), QStringLiteral("선택한 파일들을 리스트에서 삭제합니다."),
         QKeySequence(Qt::Key_Delete), &TDownForm::MI_DeleteListClick);
    miDeleteFile_ = item("MI_DeleteFile", QStringLiteral("다운받은 파일 삭제"),
                         QStringLiteral("다운받은 선택한 파일들을 이 컴퓨터에서 실제로 삭제합니다."), {},
                         &TDownForm::MI_DeleteFileClick);
    connect(popupMenu1_, &QMenu::aboutToShow, this, [this] { miDeleteFile_->setEnabled(client_->StartEnabled()); });
    lvFile_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvFile_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { popupMenu1_->popup(lvFile_->viewport()->mapToGlobal(at)); });
}

int TDownForm::AddDownloads(const QList<QueuedFile> &files) {
    QList<QueuedFile> valid;
    for (const QueuedFile &f : files)
        if (IsPlainFileName(f.fileName) && f.target.IsValid()) valid << f;
    const QList<int> rows = queue_->Append(valid);
    int added = 0;
    for (qsizetype i = 0; i < valid.size(); ++i) {
        if (rows[i] >= 0) {
            ++added;
            continue;
        }
        const QueuedFile &f = valid[i];
        lvFile_->setCurrentIndex(queue_->index(queue_->Find(f.ownerIP, f.sourceFolder, f.fileName), 0));
        ShowInFront();
        prompts::Information(this, QStringLiteral("이미 '") + f.owner + QStringLiteral("'님의 \"") + f.fileName +
                                       QStringLiteral("\"파일은\r\n다운로드 목록에 있습니다."));
    }
    return added;
}

void TDownForm::ShowInFront() { BringToFront(this); }

void TDownForm::OpenWithShell(const QString &path) { opener_(path); }

void TDownForm::showEvent(QShowEvent *e) {
    QWidget::showEvent(e);
    FormShow();
}

void TDownForm::keyPressEvent(QKeyEvent *e) {
    // The list and the buttons leave Esc to the window, wherever the focus is.
    if (e->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TDownForm::RowStateChanged(int r) {
    const DownloadRow &row = queue_->Row(r);
    if (row.icon == kIconComplete || row.icon == kIconFailed) fetched_ = true;
    if (row.icon == kIconFailed) emit rowFailed(row[DownloadRow::FileName], row[DownloadRow::Owner], row[DownloadRow::State]);
}

void TDownForm::QueueDone() {
    // The scheduler also runs dry each time the window is shown; only the end of real work is news.
    const bool news = fetched_;
    fetched_ = false;
    ShowInFront();
    if (!news) return;
    const QueueCounters c = queue_->Counters();
    emit queueFinished(c.complete, c.failed);
}

void TDownForm::FormShow() {
    RefreshCounters();
    if (!timerDownCtl_->isActive()) client_->Timer_DownCTLTimer();
}

QList<int> TDownForm::SelectedRows() const {
    // Read off the selection's ranges: asking row by row would scan them all for every row.
    QList<int> rows;
    for (const QItemSelectionRange &range : lvFile_->selectionModel()->selection())
        for (int r = range.top(); r <= range.bottom(); ++r) rows << r;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void TDownForm::SelectRows(const QList<int> &rows) {
    QItemSelection selection;
    for (qsizetype i = 0, end; i < rows.size(); i = end) {
        for (end = i + 1; end < rows.size() && rows[end] == rows[end - 1] + 1;) ++end;
        selection.select(queue_->index(rows[i], 0), queue_->index(rows[end - 1], DownloadRow::ColumnCount - 1));
    }
    lvFile_->selectionModel()->select(selection, QItemSelectionModel::Select);
}

void TDownForm::MoveSelected(QList<int> (DownloadQueue::*move)(const QList<int> &)) {
    const QList<int> rows = SelectedRows();
    const QModelIndex current = lvFile_->currentIndex();
    // Cleared first: the view would carry the selection through the move only
    // to have it replaced. Without updates it paints once, not range by range.
    lvFile_->setUpdatesEnabled(false);
    lvFile_->selectionModel()->clearSelection();
    SelectRows((queue_->*move)(rows));
    lvFile_->setUpdatesEnabled(true);
    if (current.isValid() && lvFile_->currentIndex() != current)
        lvFile_->selectionModel()->setCurrentIndex(queue_->index(current.row(), current.column()),
                                                   QItemSelectionModel::NoUpdate);
}

void TDownForm::RefreshCounters() {
    const QueueCounters c = queue_->Counters();
    panels_[0]->setText(QStringLiteral("전체: %1").arg(c.total));
    panels_[1]->setText(QStringLiteral("완료: %1").arg(c.complete));
    panels_[2]->setText(QStringLiteral("대기: %1").arg(c.waiting));
    panels_[3]->setText(QStringLiteral("실패: %1").arg(c.failed));
    panels_[4]->setText(QStringLiteral("중지: %1").arg(c.stopped));
    const bool any = c.total > 0;
    for (QToolButton *b : {bbStop_, bbStartAll_, bbUpward_, bbDownward_, bbOpen_}) b->setEnabled(any);
    if (!any) bbStart_->setEnabled(false);
}

void TDownForm::BB_StopClick() { client_->Stop(); }

void TDownForm::BB_StartAllClick() { client_->StartAll(); }

void TDownForm::BB_StartClick() { client_->Start(SelectedRows()); }

void TDownForm::BB_UpwardClick() { MoveSelected(&DownloadQueue::MoveUp); }

void TDownForm::BB_DownwardClick() { MoveSelected(&DownloadQueue::MoveDown); }

void TDownForm::BB_OpenClick() {
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) return prompts::Information(this, QStringLiteral("열기할 파일을 선택하세요."));
    if (rows.size() > 1) return prompts::Information(this, QStringLiteral("파일을 하나만 선택해서 이 기능을 사용하세요."));
    const DownloadRow &row = queue_->Row(rows.first());
    if (TargetFile::ExistingSize(row.target) < 0)
        return prompts::Information(this, QStringLiteral("아직 다운받지 않거나 파일이 없습니다."));
    if (row.IsActive()) return prompts::Information(this, QStringLiteral("전송이 진행중인 파일은 열 수 없습니다."));
    OpenWithShell(row[DownloadRow::SavePath]);
}

void TDownForm::BB_OpenFolderClick() {
    const QString folder = main_.host().DownloadDir;
    if (QFileInfo(folder).isDir()) OpenWithShell(folder);
}

void TDownForm::MI_SelectAllClick() { lvFile_->selectAll(); }

void TDownForm::MI_DeleteListClick() {
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) return prompts::Information(this, QStringLiteral("먼저 리스트에서 삭제할 파일들을 선택하세요."));
    const QPersistentModelIndex current = CurrentAfterRemoving(rows);
    lvFile_->setUpdatesEnabled(false);
    lvFile_->selectionModel()->clearSelection();
    SelectRows(queue_->Remove(rows));
    lvFile_->setUpdatesEnabled(true);
    if (current.isValid()) lvFile_->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
}

QModelIndex TDownForm::CurrentAfterRemoving(const QList<int> &rows) const {
    const QModelIndex current = lvFile_->currentIndex();
    const auto goes = [&](int r) { return std::binary_search(rows.begin(), rows.end(), r) && !queue_->Row(r).IsActive(); };
    if (!current.isValid() || !goes(current.row())) return {};
    for (int r = current.row() - 1; r >= 0; --r)
        if (!goes(r)) return queue_->index(r, current.column());
    for (int r = current.row() + 1; r < queue_->Count(); ++r)
        if (!goes(r)) return queue_->index(r, current.column());
    return {};
}

void TDownForm::MI_DeleteFileClick() {
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty())
        return prompts::Information(this, QStringLiteral("먼저 리스트에서 실제로 삭제할 파일들을 선택하세요."));
    int deleted = 0;
    for (int r : rows) {
        const DownloadRow &row = queue_->Row(r);
        if (!row.IsActive() && TargetFile::Remove(row.target)) ++deleted;
    }
    prompts::Information(this, QStringLiteral("총 %1 개의 파일을 컴퓨터에서 삭제하였습니다.").arg(deleted));
}

void TDownForm::LV_FileColumnClick(int column) {
    if (queue_->Count() == 0 || !client_->StartEnabled()) return;
    queue_->Sort(column, sortDescending_[column]);
    sortDescending_[column] = !sortDescending_[column];
}
