#include "listing/listingcontroller.h"

#include "core/controls.h"
#include "core/mainform.h"
#include "core/prompts.h"
#include "core/workers.h"
#include "listing/remotelisting.h"
#include "listing/searchterms.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTabWidget>
#include <QToolButton>

namespace {

QString Thousands(int n) { return QLocale(QLocale::Korean).toString(n); }

} // namespace

ListingController::ListingController(TMainForm &main, RemoteListing &listing)
    : main_(main), listing_(listing),
      views_(std::make_unique<RemoteShareViews>(main, listing_.results())) {
    setObjectName(QStringLiteral("ListingController"));

    connect(&listing_, &RemoteListing::requestStarted, this, &ListingController::StartViews);
    connect(&listing_, &RemoteListing::rowsArrived, this, &ListingController::RowsArrived);
    connect(&listing_, &RemoteListing::browseComplete, this, &ListingController::BrowseComplete);
    connect(&listing_, &RemoteListing::noShares, this, &ListingController::NoSharesReply);
    connect(&listing_, &RemoteListing::noAnswer, this, &ListingController::Timer_FileShareTimer);

    connect(main.SB_SearchFile(), &QToolButton::clicked, this, &ListingController::SB_SearchFileClick);
    // Enter in the search input starts the search instead of being typed.
    connect(main.E_SearchFileName(), &QLineEdit::returnPressed, this, &ListingController::SB_SearchFileClick);

    QLineEdit *input = main.E_SearchFileName();
    input->setInputMethodHints(Qt::ImhPreferLatin);
    input->setFocus();
    if (QWidget *row = Control<QWidget>(main, "P_FileSearch")) {
        if (auto *label = row->findChild<QLabel *>()) {
            label->setObjectName(QStringLiteral("Label22"));
            const QString hint = QStringLiteral("파일명, 파일설명, 파일 소유자의 이름에서 대소문자 구분없이 검색합니다");
            label->setToolTip(hint);
            label->setStatusTip(hint);
        }
    }
}

ListingController::~ListingController() = default;

void ListingController::StartViews() {
    main_.L_SearchFileCnt()->setText(QStringLiteral("0"));
    views_->Clear();
    views_->PlantShareRoot();
}

void ListingController::AwaitAnswers(const std::function<void()> &request, const QString &waiting) {
    QWidget *page = main_.TabSheet_FileShare();
    page->setEnabled(false);
    QCoreApplication::processEvents();
    request();
    const int waitMs = main_.session().timings().answerWaitMs;
    main_.SetStatusText(waiting + QString::number(waitMs / 1000) + QStringLiteral("초 동안만 기다리세요"));
    // Answers are dispatched and shown during the wait; the disabled page
    // keeps a second command from starting meanwhile.
    WaitPumping(waitMs - 2000);
    page->setEnabled(true);
    main_.LV_ShareFile()->setFocus();
}

void ListingController::TVMI_ShareFileClick(const QString &ip, const QString &name) {
    main_.E_SearchFileName()->clear();
    main_.L_SearchFileName()->setText(name + QStringLiteral(" 님의 공개 파일"));
    main_.PC_Message()->setCurrentWidget(main_.TabSheet_FileShare());
    AwaitAnswers([&] { listing_.Browse(ip, name); }, QStringLiteral("공개한 파일의 목록을 가져오고 있습니다. "));
}

void ListingController::SB_SearchFileClick() {
    const QString text = main_.E_SearchFileName()->text();
    const SearchInputCheck check = CheckSearchInput(text);
    if (check.verdict != SearchInput::Accepted) {
        const QString refusal = SearchInputRefusal(check);
        if (!refusal.isEmpty()) prompts::Information(&main_, refusal);
        return;
    }
    main_.L_SearchFileName()->setText(text);
    AwaitAnswers([&] { listing_.Search(text); },
                 QStringLiteral("조건에 맞는 공개된 파일의 목록을 가져오고 있습니다. "));
}

void ListingController::RowsArrived(int count, int added, bool capped) {
    // A datagram cut off whole at the cap changes nothing in the views.
    if (added > 0 || !capped) {
        views_->ExpandAll();
        main_.L_SearchFileCnt()->setText(QString::number(count));
    }
    QString status;
    if (capped) status = QStringLiteral("받은 파일이 너무 많아 %1개까지만 보여 줍니다").arg(RemoteListing::kMaxRows);
    const QString browsed = listing_.BrowsedName();
    // At the cap its notice stays.
    if (!browsed.isEmpty() && count < RemoteListing::kMaxRows)
        status = QStringLiteral("%1에서 목록을 받는 중… %2개").arg(browsed, Thousands(count));
    main_.SetStatusText(status);
}

void ListingController::BrowseComplete(int count, bool missed) {
    if (count >= RemoteListing::kMaxRows) return;
    QString text = QStringLiteral("목록 수신 완료: %1개").arg(Thousands(count));
    if (missed) text += QStringLiteral(" (일부를 받지 못함)");
    main_.SetStatusText(text);
}

void ListingController::Timer_FileShareTimer() {
    main_.SetStatusText(QString());
    prompts::Information(&main_, QStringLiteral("조건에 맞는 공개된 파일이 없습니다"));
    // Cleared after the box: rows that arrived while it was open go too.
    views_->Clear();
}

void ListingController::NoSharesReply() {
    main_.SetStatusText(QString());
    prompts::Information(&main_, QStringLiteral("공개한 파일이 하나도 없습니다"));
}
