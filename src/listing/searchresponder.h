#pragma once
// This computer's answer to a search request ("@_+B" in the broadcast
// envelope): after a random delay, the matching entries of its share list in
// list datagrams to the searcher; nothing when nothing matches.
#include "listing/sharelisting.h"

#include <QMutex>
#include <QSet>
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
    SearchResponder(Messenger &net, const ShareRegistry &registry, const HostIdentity &host,
                    std::function<int()> delay = {});
    // The workers are joined through the pool before this runs; taking the
    // lock states that order in a form race detectors see.
    ~SearchResponder() { QMutexLocker lock(&waitingMutex_); }

    // Runs on the broadcast worker of one request; text is the whole envelope.
    // A request from a searcher whose earlier one still waits out its delay
    // is dropped: a flood would otherwise hold every worker for seconds, and
    // browse and presence behind them.
    void Answer(const QString &searcher, const QString &text) const;

    // The entries of records that match searchText (field 3 of the request)
    // into packer: a file matches by its name, its comment or the owner's name.
    static void PackSearchAnswer(const QList<ShareRecord> &records, const ListOrigin &origin,
                                 const QString &searchText, ListPacker &packer);

private:
    Messenger &net_;
    const ShareRegistry &registry_;
    const HostIdentity &host_;
    std::function<int()> delay_;
    mutable QMutex waitingMutex_;
    mutable QSet<QString> waiting_; // searchers whose answer waits out its delay
};
