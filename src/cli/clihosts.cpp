#include "cli/clihosts.h"

#include "cli/clisession.h"
#include "core/session.h"
#include "peers/peerdirectory.h"

#include <QElapsedTimer>
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

void Wait(int ms, const QObject *sender, const char *signal) {
    QEventLoop loop;
    if (sender) QObject::connect(sender, signal, &loop, SLOT(quit()));
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::optional<PeerAddress> FindHost(Session &session, const QString &text) {
    in_addr a{};
    const bool isAddress = ::inet_pton(AF_INET, text.toLatin1().constData(), &a) == 1;
    // The owner's name only labels a request; an address is enough.
    if (isAddress) return PeerAddress{text, text};
    session.peers().Announce();
    // Each computer heard may be the one; the answers come within the wait.
    QElapsedTimer waited;
    waited.start();
    while (!known(session, text) && waited.elapsed() < kFindHostMs)
        Wait(int(kFindHostMs - waited.elapsed()), &session.peers(), SIGNAL(computerAdded(QString, QString, QString)));
    if (auto found = known(session, text)) return found;
    Err(QStringLiteral("이름이 %1인 컴퓨터가 들리지 않습니다. IP 주소로 해 보세요.").arg(text));
    return std::nullopt;
}

} // namespace cli
