#include "cli/peerscommand.h"

#include "cli/cliargs.h"
#include "cli/clihosts.h"
#include "cli/clisession.h"
#include "core/session.h"
#include "peers/peerdirectory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Long enough for every copy to answer the announcement.
constexpr int kDefaultWaitSeconds = 3;

} // namespace

int PeersCommand(const CliArgs &a) {
    Session session(nullptr, Timings::FromEnvironment());
    if (const int status = cli::Start(session)) return status;
    session.peers().Announce();
    const int seconds = a.Has(QStringLiteral("wait")) ? *WaitSeconds(a.Value(QStringLiteral("wait"))) : kDefaultWaitSeconds;
    cli::Wait(seconds * 1000);
    const QList<PeerDirectory::Computer> computers = session.peers().Computers();
    if (a.Has(QStringLiteral("json"))) {
        QJsonArray all;
        for (const PeerDirectory::Computer &c : computers)
            all.append(QJsonObject{{QStringLiteral("workgroup"), c.workgroup},
                                   {QStringLiteral("computer"), c.name},
                                   {QStringLiteral("address"), c.address}});
        cli::Out(QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact)));
    } else {
        for (const PeerDirectory::Computer &c : computers)
            cli::Out(QStringList{c.workgroup, c.name, c.address}.join(QLatin1Char('\t')));
    }
    return cli::Close(session, false);
}
