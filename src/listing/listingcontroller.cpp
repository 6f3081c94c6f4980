#include "listing/listingcontroller.h"

#include "core/mainform.h"
#include "core/prompts.h"
#include "core/workers.h"
#include "listing/fastbrowse.h"
#include "listing/searchresponder.h"
#include "listing/searchterms.h"
#include "listing/sharerecvthread.h"
#include "listing/sharesendthread.h"
#include "peers/peertree.h"
#include "shares/shareregistry.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// Browse requests in a burst share one listing of the shared folders.
constexpr auto kListReuse = std::chrono::seconds(1);
// An original peer says nothing when its list is complete: a little more than
// its spacing without a datagram is taken as the end.
constexpr int kListQuietMs = 2000;

QString Thousands(int n) { return QLocale(QLocale::Korean).toString(n); }

} // namespace

ListingController::ListingController(TMainForm &main)
    : main_(main), views_(std::make_unique<RemoteShareViews>(main)),
      responder_(std::make_unique<SearchResponder>(main.net(), main.registry(), main.host())),
      browseQueue_(std::make_unique<AnswerQueue>(main.net())) {
    setObjectName(QStringLiteral("ListingController"));

    Dispatcher &d = main.dispatcher();
    d.SetHandler("@_+G", [this](const QString &sender, const QString &text) {
        if (listFrom_.isEmpty() ? !searching_ : sender != listFrom_) return;
        TProcessShareRecvThread(text, *this, main_).Execute();
        if (!listFrom_.isEmpty()) BrowseDatagramRead();
    });
    d.SetHandler("@_+L", [this](const QString &sender, const QString &text) {
        if (sender == main_.host().LocalIP) return;
        if (!AsksFastBrowse(text)) {
            browseQueue_->Submit(sender, QString(), 0, [this] { return BrowseAnswer(); });
            return;
        }
        browseQueue_->Submit(
            sender, QLatin1String(kFastBrowseMarker), 0, [this] { return WithListEnd(BrowseAnswer()); },
            AnswerQueue::kFast);
    });
    d.SetHandler(kListEndCode, [this](const QString &sender, const QString &text) {
        // Only an answer that is arriving can end.
        if (!listFrom_.isEmpty() && sender == listFrom_ && listQuiet_.isActive()) BrowseComplete(ReadListEnd(text));
    });
    listQuiet_.setSingleShot(true);
    listQuiet_.setInterval(kListQuietMs);
    connect(&listQuiet_, &QTimer::timeout, this, [this] { BrowseComplete(std::nullopt); });
    d.SetHandler("@_+N", [this](const QString &, const QString &) { NoSharesReply(); });
    // Queuing the answer is all the work a request takes on arrival.
    SearchResponder *responder = responder_.get();
    d.SetBroadcastHandler(
        "@_+B", [responder](const QString &sender, const QString &text) { responder->Answer(sender, text); },
        Dispatcher::OnMainThread);

    if (auto *browse = main.findChild<QAction *>(QStringLiteral("TVMI_ShareFile")))
        connect(browse, &QAction::triggered, this, &ListingController::TVMI_ShareFileClick);
    connect(main.SB_SearchFile(), &QToolButton::clicked, this, &ListingController::SB_SearchFileClick);
    // Enter in the search input starts the search instead of being typed.
    connect(main.E_SearchFileName(), &QLineEdit::returnPressed, this, &ListingController::SB_SearchFileClick);
    connect(main.Timer_FileShare(), &QTimer::timeout, this, &ListingController::Timer_FileShareTimer);

    QLineEdit *input = main.E_SearchFileName();
    input->setInputMethodHints(Qt::ImhPreferLatin);
    input->setFocus();
    if (QWidget *row = main.findChild<QWidget *>(QStringLiteral("P_FileSearch"))) {
        if (auto *label = row->findChild<QLabel *>()) {
            label->setObjectName(QStringLiteral("Label22"));
            const QString hint = QStringLiteral("파일명, 파일설명, 파일 소유자의 이름에서 대소문자 구분없이 검색합니다");
            label->setToolTip(hint);
            label->setStatusTip(hint);
        }
    }
}

ListingController::~ListingController() = default;

AnswerQueue::Datagrams ListingController::BrowseAnswer() {
    const auto now = std::chrono::steady_clock::now();
    if (now - listBuilt_ > kListReuse) {
        listAnswer_ = TProcessShareSendThread(main_.registry(), main_.host()).Execute();
        listBuilt_ = now;
    }
    return listAnswer_;
}

void ListingController::StartViews(const QString &shown) {
    main_.L_SearchFileName()->setText(shown);
    main_.L_SearchFileCnt()->setText(QStringLiteral("0"));
    received_ = 0;
    listDatagrams_ = 0;
    listQuiet_.stop();
    views_->Clear();
}

void ListingController::AwaitAnswers(const std::function<void()> &request, const QString &waiting) {
    QWidget *page = main_.TabSheet_FileShare();
    page->setEnabled(false);
    QCoreApplication::processEvents();
    request();
    QTimer *timer = main_.Timer_FileShare();
    timer->stop();
    timer->start();
    main_.SetStatusText(waiting + QString::number(timer->interval() / 1000) + QStringLiteral("초 동안만 기다리세요"));
    // Answers are dispatched and shown during the wait; the disabled page
    // keeps a second command from starting meanwhile.
    WaitPumping(timer->interval() - 2000);
    page->setEnabled(true);
    main_.LV_ShareFile()->setFocus();
}

void ListingController::TVMI_ShareFileClick() {
    const QTreeWidgetItem *node = main_.peers().SelectedNode();
    if (!node) return;
    const QString ip = main_.peers().SelectedPerson().IP;
    main_.E_SearchFileName()->clear();
    listFrom_ = ip;
    browsedName_ = node->text(0);
    searching_ = false;
    StartViews(node->text(0) + QStringLiteral(" 님의 공개 파일"));
    main_.PC_Message()->setCurrentWidget(main_.TabSheet_FileShare());
    views_->PlantShareRoot();
    AwaitAnswers([&] { main_.net().SendCommand(QStringLiteral("@_+L"), ip, QLatin1String(kFastBrowseMarker)); },
                 QStringLiteral("공개한 파일의 목록을 가져오고 있습니다. "));
}

void ListingController::SB_SearchFileClick() {
    const QString text = main_.E_SearchFileName()->text();
    const SearchInputCheck check = CheckSearchInput(text);
    switch (check.verdict) {
    case SearchInput::Empty: return;
    case SearchInput::AllFiles:
        prompts::Information(&main_, QStringLiteral("모든 파일(*.*)은 검색할 수 없습니다"));
        return;
    case SearchInput::TooShort:
        prompts::Information(&main_, QStringLiteral("실제 검색어(") + check.actualTerm +
                                         QStringLiteral(")가 너무 짧습니다. 2문자 이상을 사용하세요"));
        return;
    case SearchInput::Accepted: break;
    }
    listFrom_.clear();
    searching_ = true;
    StartViews(text);
    views_->PlantShareRoot();
    AwaitAnswers([&] { main_.net().BroadcastCommand(QStringLiteral("@_+B"), text); },
                 QStringLiteral("조건에 맞는 공개된 파일의 목록을 가져오고 있습니다. "));
}

void ListingController::BrowseDatagramRead() {
    ++listDatagrams_;
    listQuiet_.start();
    if (received_ >= kMaxRows) return; // the cap's notice stays
    main_.SetStatusText(QStringLiteral("%1에서 목록을 받는 중… %2개").arg(browsedName_, Thousands(received_)));
}

void ListingController::BrowseComplete(std::optional<int> announced) {
    listQuiet_.stop();
    if (received_ >= kMaxRows) return;
    QString text = QStringLiteral("목록 수신 완료: %1개").arg(Thousands(received_));
    if (announced && *announced > listDatagrams_) text += QStringLiteral(" (일부를 받지 못함)");
    main_.SetStatusText(text);
}

void ListingController::Timer_FileShareTimer() {
    main_.Timer_FileShare()->stop();
    main_.SetStatusText(QString());
    prompts::Information(&main_, QStringLiteral("조건에 맞는 공개된 파일이 없습니다"));
    // Cleared after the box: rows that arrived while it was open go too.
    views_->Clear();
}

void ListingController::NoSharesReply() {
    // Only a browse that waits takes the answer: unasked ones would stack a box each.
    if (!main_.Timer_FileShare()->isActive()) return;
    main_.Timer_FileShare()->stop();
    main_.SetStatusText(QString());
    prompts::Information(&main_, QStringLiteral("공개한 파일이 하나도 없습니다"));
}
