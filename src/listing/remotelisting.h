#pragma once
// Browse and search without windows. Answering: other computers' browse
// requests get the share list, their searches the matching entries. Asking:
// one browse or search at a time, whose list datagrams fill the results, with
// the wait for a first answer and the end of a browsed computer's list.
#include "core/workersqueue.h"
#include "listing/remoteresults.h"
#include "listing/searchterms.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

class SearchResponder;
class Session;

class RemoteListing : public QObject {
    Q_OBJECT
public:
    // Rows the results hold at most: list datagrams keep coming as long as a
    // peer likes to send them. A search of a big LAN brings a few hundred
    // thousand honest rows (a few hundred bytes each), so the cap sits above that.
    static constexpr int kMaxRows = 400000;

    explicit RemoteListing(Session &session);
    ~RemoteListing() override;

    // Asks the computer at ip (called name) for its share list.
    void Browse(const QString &ip, const QString &name);
    // Asks every other computer for the files matching text, when the check
    // accepts it; a refused text sends nothing (SearchInputRefusal says why).
    SearchInputCheck Search(const QString &text);

    // What the current request brought; windows may sort it and remove rows.
    RemoteResults &results() { return results_; }
    // The current request is a browse: its computer's name; empty otherwise.
    QString BrowsedName() const { return listFrom_.isEmpty() ? QString() : browsedName_; }
    // Runs from a request until its first answer (objectName Timer_FileShare).
    QTimer *AnswerTimer() { return &answerWait_; }

signals:
    // A request went out; the results and the counts start empty.
    void requestStarted();
    // A list datagram of the current request was read: added rows went into
    // the results, count since the request; capped when the row cap left some
    // of its entries out.
    void rowsArrived(int count, int added, bool capped);
    // The browsed computer's list is complete: its end datagram came, or it
    // fell quiet. missed: the end announced more list datagrams than came.
    void browseComplete(int count, bool missed);
    // The browsed computer shares nothing ("@_+N" while the answer is awaited).
    void noShares();
    // No answer came within the answer wait.
    void noAnswer();

private:
    // Empties the results and the counts for a new request, and reports it.
    void Start();
    void TakeList(const QString &text);
    void BrowseComplete(std::optional<int> announced);
    // The answer to a browse request; runs on the browse queue's thread.
    AnswerQueue::Datagrams BrowseAnswer();

    Session &session_;
    RemoteResults results_;
    std::unique_ptr<SearchResponder> responder_;
    // Kept by the browse queue's thread only; outlive it.
    AnswerQueue::Datagrams listAnswer_;
    std::chrono::steady_clock::time_point listBuilt_{};
    std::unique_ptr<AnswerQueue> browseQueue_;
    // Whose list datagrams the results take: the browsed computer's, or
    // anyone's while a search is the current request; nobody's before either.
    QString listFrom_;
    QString browsedName_;
    bool searching_ = false;
    int received_ = 0;
    int listDatagrams_ = 0; // of the browsed computer, since the browse request
    QTimer answerWait_;
    QTimer listQuiet_; // runs while a browse answer arrives
};
