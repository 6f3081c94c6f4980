#include "cli/clihosts.h"

#include "cli/clisession.h"
#include "core/session.h"
#include "peers/peerdirectory.h"

#include <QEventLoop>
#include <QTimer>

#include <arpa/inet.h>

namespace cli {

namespace {

// Newcomers are answered at once; a copy under load may take a moment.
constexpr int kFindHostMs = 3000;

std::optional<PeerAddress> known(Session &session, const QString &name) {
    for (const PeerDirectory::Computer &c : session.peers().Computers())
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return PeerAddress{c.name, c.address};
    return std::nullopt;
}

} // namespace

bool WaitUntil(int ms, const std::function<bool()> &done) {
    if (done()) return true;
    QEventLoop loop;
    QTimer poll, deadline;
    bool met = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            met = true;
            loop.quit();
        }
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(20);
    deadline.setSingleShot(true);
    deadline.start(ms);
    loop.exec();
    return met;
}

void AnnounceSelf(Session &session) {
    session.peers().Announce();
}

std::optional<PeerAddress> FindHost(Session &session, const QString &text) {
    in_addr a{};
    const bool isAddress = ::inet_pton(AF_INET, text.toLatin1().constData(), &a) == 1;
    // The owner's name only labels a request; an address is enough.
    if (isAddress) return PeerAddress{text, text};
    AnnounceSelf(session);
    WaitUntil(kFindHostMs, [&] { return known(session, text).has_value(); });
    if (auto found = known(session, text)) return found;
    Err(QStringLiteral("이름이 %1인 컴퓨터가 들리지 않습니다. IP 주소로 해 보세요.").arg(text));
    return std::nullopt;
}

} // namespace cli
