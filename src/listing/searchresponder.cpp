#include "listing/searchresponder.h"

#include "core/frame.h"
#include "core/messenger.h"
#include "core/workers.h"
#include "listing/searchterms.h"
#include "shares/shareregistry.h"

#include <QRandomGenerator>

SearchResponder::SearchResponder(Messenger &net, const ShareRegistry &registry, const HostIdentity &host,
                                 std::function<int()> delay)
    : net_(net), registry_(registry), host_(host), delay_(std::move(delay)) {
    // The global generator is seeded from the system at start and is safe to
    // share between the workers of concurrent requests.
    if (!delay_) delay_ = [] { return int(QRandomGenerator::global()->bounded(kDelayRangeMs)); };
}

void SearchResponder::Answer(const QString &searcher, const QString &text) const {
    {
        QMutexLocker lock(&waitingMutex_);
        if (waiting_.contains(searcher)) return;
        waiting_.insert(searcher);
    }
    const QList<ShareRecord> records = registry_.Snapshot();
    if (!records.isEmpty()) WaitPumping(delay_());
    {
        QMutexLocker lock(&waitingMutex_);
        waiting_.remove(searcher);
    }
    if (records.isEmpty() || ShuttingDown()) return;

    ListPacker packer = ListSender(net_, searcher);
    PackSearchAnswer(records, {host_.ComputerName, host_.LocalIP}, GetField(text, QLatin1Char(';'), 3), packer);
    packer.Finish();
}

void SearchResponder::PackSearchAnswer(const QList<ShareRecord> &records, const ListOrigin &origin,
                                       const QString &searchText, ListPacker &packer) {
    const QStringList terms = SearchTermList(searchText);
    // The owner is the same for every entry: when it matches, everything does.
    const bool ownerMatches = !origin.owner.isEmpty() && MatchesTerms(origin.owner, terms);
    QString lastComment;
    bool commentMatches = false;
    ForEachShareEntry(records, origin, [&](const ShareEntry &entry) {
        if (entry.comment != lastComment) {
            lastComment = entry.comment;
            commentMatches = !lastComment.isEmpty() && MatchesTerms(lastComment, terms);
        }
        if (MatchesTerms(entry.name, terms) || commentMatches || ownerMatches) packer.Add(entry);
    });
}
