#include "listing/searchresponder.h"

#include "core/frame.h"
#include "core/host.h"
#include "listing/searchterms.h"
#include "listing/sharesendthread.h"
#include "shares/shareregistry.h"

#include <QRandomGenerator>

SearchResponder::SearchResponder(Messenger &net, const ShareRegistry &registry, const HostIdentity &host,
                                 std::function<int()> delay, AnswerQueue::Pace pace)
    : registry_(registry), host_(host), delay_(std::move(delay)), pace_(pace), queue_(net) {
    // The global generator is seeded from the system at start and is safe to share.
    if (!delay_) delay_ = [] { return int(QRandomGenerator::global()->bounded(kDelayRangeMs)); };
}

void SearchResponder::Answer(const QString &searcher, const QString &text) {
    if (registry_.Snapshot().isEmpty()) return;
    const QString searchText = GetField(text, QLatin1Char(';'), 3);
    // Built when the delay is over, from the registry as it is then.
    queue_.Submit(searcher, searchText, delay_(), [this, searchText] {
        AnswerQueue::Datagrams out;
        ListPacker packer = ListCollector(out);
        PackSearchAnswer(registry_.Snapshot(), {host_.ComputerName, host_.LocalIP}, searchText, packer);
        packer.Finish();
        return out;
    }, pace_);
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
