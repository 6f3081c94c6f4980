#include "cli/listcommands.h"

#include "cli/cliargs.h"
#include "cli/clihosts.h"
#include "cli/clisession.h"
#include "core/session.h"
#include "listing/remotelisting.h"
#include "listing/searchterms.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

namespace {

const QString kNoAnswer = QStringLiteral("조건에 맞는 공개된 파일이 없습니다");

void print(const RemoteResults &results, bool json) {
    if (json) {
        QJsonArray all;
        for (int r = 0; r < results.Rows(); ++r) {
            const ShareEntry e = results.EntryAt(r);
            all.append(QJsonObject{{QStringLiteral("owner"), e.owner},
                                   {QStringLiteral("address"), e.ownerIP},
                                   {QStringLiteral("folder"), e.folder},
                                   {QStringLiteral("name"), e.name},
                                   {QStringLiteral("size"), e.size.toLongLong()},
                                   {QStringLiteral("comment"), e.comment},
                                   {QStringLiteral("password"), IsProtected(e.password)}});
        }
        cli::Out(QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact)));
        return;
    }
    for (int r = 0; r < results.Rows(); ++r) {
        const ShareEntry e = results.EntryAt(r);
        const QString lock = IsProtected(e.password) ? QStringLiteral("비밀번호") : QString();
        cli::Out(QStringList{e.owner, e.ownerIP, e.FullPath(), e.size, e.comment, lock}.join(QLatin1Char('\t')));
    }
}

// How long a request may go without any answer: the answer wait, or longer with --wait.
int answerWindowMs(const Session &session, const CliArgs &a) {
    const int asked = a.Has(QStringLiteral("wait")) ? *WaitSeconds(a.Value(QStringLiteral("wait"))) * 1000 : 0;
    return qMax(session.timings().answerWaitMs, asked);
}

// Runs the request until its answer is over; the exit status.
int await(Session &session, RemoteListing &listing, const CliArgs &a, bool search) {
    const int window = answerWindowMs(session, a);
    // A browse list is over at its end datagram or when it falls quiet; search
    // answers come from many computers, each after a delay, so a search waits
    // out the whole window and then for the list datagrams to stop.
    const int quietMs = session.timings().listSpacingMs + 500;
    bool windowOver = false;
    QTimer quiet, windowEnd;
    quiet.setSingleShot(true);
    windowEnd.setSingleShot(true);
    int status = -1;
    auto end = [&](int code) {
        if (status < 0) status = code;
        QCoreApplication::quit();
    };
    auto maybeEnd = [&] {
        if (!quiet.isActive() && windowOver && listing.results().Rows() > 0) end(cli::kOk);
    };
    QObject::connect(&quiet, &QTimer::timeout, maybeEnd);
    QObject::connect(&windowEnd, &QTimer::timeout, [&] {
        windowOver = true;
        if (listing.results().Rows() == 0) {
            cli::Err(kNoAnswer);
            end(cli::kFailed);
        } else if (search) {
            maybeEnd();
        }
    });
    QObject::connect(&listing, &RemoteListing::rowsArrived, [&] { quiet.start(quietMs); });
    QObject::connect(&listing, &RemoteListing::browseComplete, [&](int, bool missed) {
        if (missed) cli::Err(QStringLiteral("목록의 일부를 받지 못했습니다."));
        end(cli::kOk);
    });
    QObject::connect(&listing, &RemoteListing::noShares, [&] {
        cli::Err(QStringLiteral("공개한 파일이 하나도 없습니다"));
        end(cli::kOk);
    });
    // The listing's own answer wait is the windows' box; this command keeps its window instead.
    windowEnd.start(window);
    if (!cli::Run(session) && status < 0) status = cli::kFailed;
    print(listing.results(), a.Has(QStringLiteral("json")));
    const int closed = cli::Close(session, false);
    return status == cli::kOk ? closed : status;
}

} // namespace

int BrowseCommand(const CliArgs &a) {
    Session session(nullptr, Timings::FromEnvironment());
    if (const int status = cli::Start(session)) return status;
    const std::optional<PeerAddress> owner = cli::FindHost(session, a.operands.value(0));
    if (!owner) return cli::Close(session, false), cli::kFailed;
    RemoteListing &listing = session.listing();
    listing.Browse(owner->ip, owner->name);
    return await(session, listing, a, false);
}

int SearchCommand(const CliArgs &a) {
    const SearchInputCheck check = CheckSearchInput(a.operands.value(0));
    if (check.verdict != SearchInput::Accepted) {
        cli::Err(check.verdict == SearchInput::Empty ? QStringLiteral("검색어를 쓰세요.") : SearchInputRefusal(check));
        return cli::kUsage;
    }
    Session session(nullptr, Timings::FromEnvironment());
    if (const int status = cli::Start(session)) return status;
    RemoteListing &listing = session.listing();
    listing.Search(a.operands.value(0));
    return await(session, listing, a, true);
}
