#pragma once
// Browse and search on the search page: the commands, the wait for the first
// answers, the counter and the status line over the session's remote
// listing, and the remote share views.
#include "listing/remoteshareviews.h"

#include <QObject>

#include <functional>
#include <memory>

class RemoteListing;
class TMainForm;

class ListingController : public QObject {
    Q_OBJECT
public:
    ListingController(TMainForm &main, RemoteListing &listing);
    ~ListingController() override;

    // Asks a computer of the peer tree for its share list; name is its node's caption.
    void TVMI_ShareFileClick(const QString &ip, const QString &name);
    // Asks every other computer for the files matching E_SearchFileName.
    void SB_SearchFileClick();
    // No answer came to a browse or search request.
    void Timer_FileShareTimer();

    RemoteShareViews &views() { return *views_; }

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
    // A request went out: counter and views start empty.
    void StartViews();
    void RowsArrived(int count, int added, bool capped);
    void BrowseComplete(int count, bool missed);
    void NoSharesReply();
    // Sends the request with the page disabled and waits for the first answers.
    void AwaitAnswers(const std::function<void()> &request, const QString &waiting);

    TMainForm &main_;
    RemoteListing &listing_;
    std::unique_ptr<RemoteShareViews> views_;
};
