#pragma once
// This computer's answer to a search request ("@_+B" in the broadcast
// envelope): after a random delay, the matching entries of its share list in
// list datagrams to the searcher; nothing when nothing matches.
#include "core/workersqueue.h"
#include "listing/sharelisting.h"

#include <QString>

#include <functional>

class Messenger;
struct HostIdentity;

class SearchResponder {
public:
    // The delay spreads the answers of many computers over the searcher's
    // 4000 ms wait: 0 to 3999 ms.
    static constexpr int kDelayRangeMs = 4000;

    // delay: milliseconds to wait before answering; by default drawn from a
    // generator seeded for this copy, so that copies do not answer together.
    // pace: how an answer's list datagrams are spaced.
    SearchResponder(Messenger &net, const ShareRegistry &registry, const HostIdentity &host,
                    std::function<int()> delay = {}, AnswerQueue::Pace pace = AnswerQueue::kPaced);

    // Queues the answer to one request and returns at once; text is the
    // whole envelope. The queue bounds what a flood of requests, from any
    // number of addresses, can hold: a request it cannot take is dropped.
    void Answer(const QString &searcher, const QString &text);
    // No answer waits or is being sent.
    bool Idle() const { return queue_.Idle(); }

    // The entries of records that match searchText (field 3 of the request)
    // into packer: a file matches by its name, its comment or the owner's name.
    static void PackSearchAnswer(const QList<ShareRecord> &records, const ListOrigin &origin,
                                 const QString &searchText, ListPacker &packer);

private:
    const ShareRegistry &registry_;
    const HostIdentity &host_;
    std::function<int()> delay_;
    AnswerQueue::Pace pace_;
    AnswerQueue queue_;
};
