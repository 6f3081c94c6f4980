#include "core/mainform.h"

#include "core/icons.h"
#include "listing/remotelisting.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolButton>
#include <QTableView>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QAction *addItem(QMenu *menu, const char *name, const QString &caption, const QString &hint = {}) {
    QAction *a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setStatusTip(hint);
    return a;
}

QToolButton *toolButton(QWidget *parent, const char *name, const QString &caption, const QString &hint) {
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

} // namespace

TMainForm::TMainForm(Session &session) : session_(session) {
    setObjectName(QStringLiteral("TMainForm"));
    setWindowIcon(icons::Get(icons::Id::App));
    resize(742, 594);
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());

    BuildMenu();
    BuildPages();
    BuildStatusBar();
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildMenu() {
    QMenu *file = menuBar()->addMenu(QStringLiteral("파일(&F)"));
    file->menuAction()->setStatusTip(QStringLiteral("환경설정을 변경합니다"));
    connect(addItem(file, "N5", QStringLiteral("프로그램 종료"), QStringLiteral("프로그램을 종료합니다")),
            &QAction::triggered, this, &QWidget::close);

    QMenu *view = menuBar()->addMenu(QStringLiteral("보기(&V)"));
    addItem(view, "MnuExpandAll", QStringLiteral("전부 펼치기(&E)"), QStringLiteral("트리형태를 전부 펼칩니다."));
    addItem(view, "MnuCollapseAll", QStringLiteral("전부 접기(&C)"), QStringLiteral("트리형태를 전부 접습니다."));

    QMenu *help = menuBar()->addMenu(QStringLiteral("도움말(&H)"));
    // The item's hint is the address it opens. The project has no download
    // page of its own yet; until one is named here, the item stays hidden.
    const QString downloadPage;
    mnuDownloadNew_ = addItem(help, "MnuDownloadNew", QStringLiteral("최신버전 다운받기(&N)"), downloadPage);
    mnuDownloadNew_->setVisible(!downloadPage.isEmpty());
    connect(mnuDownloadNew_, &QAction::triggered, this, &TMainForm::MnuDownloadNewClick);
    help->addSeparator();
    connect(addItem(help, "About1", QStringLiteral("About"), QStringLiteral("버전정보")), &QAction::triggered, this,
            &TMainForm::About1Click);
}

void TMainForm::BuildPages() {
    pcMessage_ = new QTabWidget(this);
    pcMessage_->setObjectName(QStringLiteral("PC_Message"));
    tabFileShare_ = BuildSearchPage();
    tabSetShare_ = new QWidget(pcMessage_);
    tabSetShare_->setObjectName(QStringLiteral("TabSheet_SetShare"));
    auto *shareLayout = new QVBoxLayout(tabSetShare_);
    shareLayout->setContentsMargins(0, 0, 0, 0);
    pcMessage_->addTab(tabFileShare_, QStringLiteral("공유검색"));
    pcMessage_->addTab(tabSetShare_, QStringLiteral("공유설정"));
    pcMessage_->setCurrentIndex(0);
    setCentralWidget(pcMessage_);
}

QWidget *TMainForm::BuildSearchPage() {
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("TabSheet_FileShare"));
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(2, 2, 2, 2);
    v->setSpacing(2);

    auto *search = new QWidget(page);
    search->setObjectName(QStringLiteral("P_FileSearch"));
    search->setFixedHeight(28);
    auto *sh = new QHBoxLayout(search);
    sh->setContentsMargins(4, 0, 4, 0);
    sh->addWidget(new QLabel(QStringLiteral("검색 조건:"), search));
    eSearchFileName_ = new QLineEdit(search);
    eSearchFileName_->setObjectName(QStringLiteral("E_SearchFileName"));
    eSearchFileName_->setFixedWidth(185);
    const QString searchHint = QStringLiteral("복수 검색어인 경우는 ',' 문자로 분리해서 입력하세요");
    eSearchFileName_->setToolTip(searchHint);
    eSearchFileName_->setStatusTip(searchHint);
    sh->addWidget(eSearchFileName_);
    sbSearchFile_ = toolButton(search, "SB_SearchFile", QStringLiteral("검색"), QStringLiteral("검색을 시작합니다."));
    sh->addWidget(sbSearchFile_);
    sh->addStretch(1);
    sbFileFolderOpen_ = toolButton(search, "SB_FileFolderOpen", QStringLiteral("받은 폴더 열기"),
                                   QStringLiteral("받은 파일들이 저장된 파일받기 폴더를 엽니다."));
    sh->addWidget(sbFileFolderOpen_);
    sbDownloadList_ = toolButton(search, "SB_DownloadList", QStringLiteral("다운로드 목록"),
                                 QStringLiteral("다운로드 목록 화면을 보여줍니다."));
    sh->addWidget(sbDownloadList_);
    v->addWidget(search);

    auto *labels = new QWidget(page);
    labels->setObjectName(QStringLiteral("P_SearchFile"));
    labels->setFixedHeight(19);
    auto *lh = new QHBoxLayout(labels);
    lh->setContentsMargins(4, 0, 4, 0);
    lh->addWidget(new QLabel(QStringLiteral("검색 조건:"), labels));
    lSearchFileName_ = new QLabel(labels);
    lSearchFileName_->setObjectName(QStringLiteral("L_SearchFileName"));
    lh->addWidget(lSearchFileName_);
    lh->addSpacing(24);
    lh->addWidget(new QLabel(QStringLiteral("찾은 파일수:"), labels));
    lSearchFileCnt_ = new QLabel(labels);
    lSearchFileCnt_->setObjectName(QStringLiteral("L_SearchFileCnt"));
    lh->addWidget(lSearchFileCnt_);
    lh->addStretch(1);
    v->addWidget(labels);

    auto *main = new QSplitter(Qt::Horizontal, page);
    main->setObjectName(QStringLiteral("Splitter_Main"));
    auto *left = new QSplitter(Qt::Vertical, main);
    left->setObjectName(QStringLiteral("Splitter_Left"));
    tvShareFile_ = new QTreeWidget(left);
    tvShareFile_->setObjectName(QStringLiteral("TV_ShareFile"));
    tvShareFile_->setHeaderHidden(true);
    tvPerson_ = new QTreeWidget(left);
    tvPerson_->setObjectName(QStringLiteral("TV_Person"));
    tvPerson_->setHeaderHidden(true);
    left->addWidget(tvShareFile_);
    left->addWidget(tvPerson_);
    left->setStretchFactor(0, 1);
    left->setStretchFactor(1, 0);
    left->setSizes({300, 266});

    // Its model, captions and column widths come with the remote share views.
    // A table of fixed-height rows: adding rows costs no layout of those
    // already there, which a tree view would redo for every batch.
    lvShareFile_ = new QTableView(main);
    lvShareFile_->setObjectName(QStringLiteral("LV_ShareFile"));
    lvShareFile_->setShowGrid(false);
    lvShareFile_->setWordWrap(false);
    lvShareFile_->setTabKeyNavigation(false);
    lvShareFile_->verticalHeader()->hide();
    lvShareFile_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvShareFile_->verticalHeader()->setDefaultSectionSize(lvShareFile_->fontMetrics().height() + 4);
    lvShareFile_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lvShareFile_->horizontalHeader()->setHighlightSections(false);
    lvShareFile_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvShareFile_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvShareFile_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    main->addWidget(left);
    main->addWidget(lvShareFile_);
    main->setStretchFactor(0, 0);
    main->setStretchFactor(1, 1);
    main->setSizes({211, 531});
    v->addWidget(main, 1);
    return page;
}

void TMainForm::BuildStatusBar() {
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StsMain"));
    bar->setSizeGripEnabled(true);
    const int widths[] = {100, 100, 50};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("StsMain_Panel%1").arg(i));
        panels_[i]->setMinimumWidth(widths[i]);
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        if (i < 2) panels_[i]->setFixedWidth(widths[i]);
        bar->addWidget(panels_[i], i == 2 ? 1 : 0);
    }
}

void TMainForm::SetStatusText(const QString &text) { panels_[2]->setText(text); }

QString TMainForm::StatusText(int panel) const { return panels_[panel]->text(); }

QTimer *TMainForm::Timer_FileShare() const { return session_.listing().AnswerTimer(); }

bool TMainForm::event(QEvent *e) {
    // Hints of controls and menu items go to the status line, not the bar's own message area.
    if (e->type() == QEvent::StatusTip) {
        SetStatusText(static_cast<QStatusTipEvent *>(e)->tip());
        return true;
    }
    if (e->type() == QEvent::WindowActivate) FormActivate();
    return QMainWindow::event(e);
}

void TMainForm::About1Click() {
    const QString app = QString::fromUtf8(kAppTitle);
    QMessageBox::about(this, QStringLiteral("About ") + app, QStringLiteral("<b>%1</b><br>프로그램 설명").arg(app));
}

void TMainForm::MnuDownloadNewClick() { QDesktopServices::openUrl(QUrl(mnuDownloadNew_->statusTip())); }
