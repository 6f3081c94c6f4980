#pragma once
// Browse and search: the share list exchange, the search answer and the
// remote share views of the search page.
#include "core/workersqueue.h"
#include "listing/remoteshareviews.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class SearchResponder;
class TMainForm;

class ListingController : public QObject {
    Q_OBJECT
public:
    explicit ListingController(TMainForm &main);
    ~ListingController() override;

    // Asks the computer selected in the peer tree for its share list.
    void TVMI_ShareFileClick();
    // Asks every other computer for the files matching E_SearchFileName.
    void SB_SearchFileClick();
    // No answer came to a browse or search request.
    void Timer_FileShareTimer();

    RemoteShareViews &views() { return *views_; }
    // Entries read since the last browse or search command.
    int ReceivedCount() const { return received_; }
    // Rows the views hold at most: list datagrams keep coming as long as a
    // peer likes to send them. A search of a big LAN brings a few hundred
    // thousand honest rows (a few hundred bytes each), so the cap sits above that.
    static constexpr int kMaxRows = 400000;
    void CountReceived(int entries) { received_ += entries; }

    // What the download commands act on (see RemoteShareViews).
    QList<ShareEntry> SelectedEntries() const { return views_->SelectedEntries(); }
    QList<ShareEntry> Entries() const { return views_->Entries(); }
    RemoteNode SelectedNode() const { return views_->SelectedNode(); }
    QStringList Owners() const { return views_->Owners(); }
    QList<ShareEntry> EntriesUnder(const RemoteNode &node, bool withSub) const {
        return views_->EntriesUnder(node, withSub);
    }
    // Runs the selection step for the selected tree node.
    void TV_ShareFileChange() { views_->TV_ShareFileChange(); }

private:
    void NoSharesReply();
    // A list datagram of the browsed computer was read: the status line shows the running count.
    void BrowseDatagramRead();
    // The browsed computer's list is complete: its end datagram came, announcing
    // how many list datagrams were sent, or it fell quiet.
    void BrowseComplete(std::optional<int> announced);
    // The answer to a browse request; runs on the browse queue's thread.
    AnswerQueue::Datagrams BrowseAnswer();
    // L_SearchFileName shows what the views will hold; counter and views start empty.
    void StartViews(const QString &shown);
    // Sends the request with the page disabled and waits for the first answers.
    void AwaitAnswers(const std::function<void()> &request, const QString &waiting);

    TMainForm &main_;
    std::unique_ptr<RemoteShareViews> views_;
    std::unique_ptr<SearchResponder> responder_;
    // Kept by the browse queue's thread only; outlive it.
    AnswerQueue::Datagrams listAnswer_;
    std::chrono::steady_clock::time_point listBuilt_{};
    std::unique_ptr<AnswerQueue> browseQueue_;
    // Whose list datagrams the views take: the browsed computer's, or
    // anyone's while a search is the current request; nobody's before either.
    QString listFrom_;
    QString browsedName_;
    bool searching_ = false;
    int received_ = 0;
    int listDatagrams_ = 0; // of the browsed computer, since the browse command
    QTimer listQuiet_;      // runs while a browse answer arrives
};
