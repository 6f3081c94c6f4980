#include "listing/remotelisting.h"

#include "core/session.h"
#include "listing/fastbrowse.h"
#include "listing/listdatagram.h"
#include "listing/searchresponder.h"
#include "listing/sharesendthread.h"

namespace {

// Browse requests in a burst share one listing of the shared folders.
constexpr auto kListReuse = std::chrono::seconds(1);
// An original peer says nothing when its list is complete: a little more than
// its spacing without a datagram is taken as the end.
constexpr int kListQuietMarginMs = 500;

} // namespace

RemoteListing::RemoteListing(Session &session)
    : session_(session), browseQueue_(std::make_unique<AnswerQueue>(session.net())) {
    setObjectName(QStringLiteral("RemoteListing"));
    const Timings &t = session.timings();
    AnswerQueue::Pace paced = AnswerQueue::kPaced;
    paced.pauseMs = t.listSpacingMs;
    responder_ = std::make_unique<SearchResponder>(session.net(), session.registry(), session.host(), nullptr, paced);

    Dispatcher &d = session.dispatcher();
    d.SetHandler("@_+G", [this](const QString &sender, const QString &text) {
        if (listFrom_.isEmpty() ? !searching_ : sender != listFrom_) return;
        TakeList(text);
    });
    d.SetHandler("@_+L", [this, paced](const QString &sender, const QString &text) {
        if (sender == session_.host().LocalIP) return;
        if (!AsksFastBrowse(text)) {
            browseQueue_->Submit(sender, QString(), 0, [this] { return BrowseAnswer(); }, paced);
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
    d.SetHandler("@_+N", [this](const QString &sender, const QString &) {
        // Only the computer browsed, while the browse waits, answers so: unasked
        // answers would stack a box each, or end a wait that is not theirs.
        if (!answerWait_.isActive() || sender != listFrom_) return;
        answerWait_.stop();
        emit noShares();
    });
    // Queuing the answer is all the work a request takes on arrival.
    SearchResponder *responder = responder_.get();
    d.SetBroadcastHandler(
        "@_+B", [responder](const QString &sender, const QString &text) { responder->Answer(sender, text); },
        Dispatcher::OnMainThread);

    answerWait_.setObjectName(QStringLiteral("Timer_FileShare"));
    answerWait_.setInterval(t.answerWaitMs);
    connect(&answerWait_, &QTimer::timeout, this, [this] {
        answerWait_.stop();
        emit noAnswer();
    });
    listQuiet_.setSingleShot(true);
    listQuiet_.setInterval(t.listSpacingMs + kListQuietMarginMs);
    connect(&listQuiet_, &QTimer::timeout, this, [this] { BrowseComplete(std::nullopt); });
}

RemoteListing::~RemoteListing() = default;

AnswerQueue::Datagrams RemoteListing::BrowseAnswer() {
    const auto now = std::chrono::steady_clock::now();
    if (now - listBuilt_ > kListReuse) {
        listAnswer_ = TProcessShareSendThread(session_.registry(), session_.host()).Execute();
        listBuilt_ = now;
    }
    return listAnswer_;
}

void RemoteListing::Start() {
    received_ = 0;
    listDatagrams_ = 0;
    listQuiet_.stop();
    results_.Clear();
    emit requestStarted();
}

void RemoteListing::Browse(const QString &ip, const QString &name) {
    listFrom_ = ip;
    browsedName_ = name;
    searching_ = false;
    Start();
    session_.net().SendCommand(QStringLiteral("@_+L"), ip, QLatin1String(kFastBrowseMarker));
    answerWait_.stop();
    answerWait_.start();
}

SearchInputCheck RemoteListing::Search(const QString &text) {
    const SearchInputCheck check = CheckSearchInput(text);
    if (check.verdict != SearchInput::Accepted) return check;
    listFrom_.clear();
    searching_ = true;
    Start();
    session_.net().BroadcastCommand(QStringLiteral("@_+B"), text);
    answerWait_.stop();
    answerWait_.start();
    return check;
}

void RemoteListing::TakeList(const QString &text) {
    answerWait_.stop();
    QList<ShareEntry> entries = ReadListDatagram(text);
    const int room = qMax(0, kMaxRows - received_);
    const bool capped = entries.size() > room;
    if (capped) entries.resize(room);
    results_.Append(entries);
    received_ += int(entries.size());
    if (!listFrom_.isEmpty()) {
        ++listDatagrams_;
        listQuiet_.start();
    }
    emit rowsArrived(received_, int(entries.size()), capped);
}

void RemoteListing::BrowseComplete(std::optional<int> announced) {
    listQuiet_.stop();
    emit browseComplete(received_, announced && *announced > listDatagrams_);
}
