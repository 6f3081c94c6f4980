// quillmere-cli: a copy of Quillmere without windows, for servers and scripts.
#include "cli/cliargs.h"
#include "cli/clisession.h"
#include "cli/getcommand.h"
#include "cli/listcommands.h"
#include "cli/peerscommand.h"
#include "cli/servecommand.h"
#include "cli/sharecommand.h"

#include <QCoreApplication>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.value(0) == QLatin1String("--help") || args.value(0) == QLatin1String("-h") ||
        args.value(0) == QLatin1String("help")) {
        cli::Out(CliUsage());
        return cli::kOk;
    }
    QString error;
    const std::optional<CliArgs> parsed = ParseCliArgs(args, &error);
    if (!parsed) {
        cli::Err(error);
        cli::Err(QStringLiteral("사용법은 quillmere-cli --help 로 보세요."));
        return cli::kUsage;
    }
    const CliArgs &a = *parsed;
    if (a.command == QLatin1String("serve")) return ServeCommand();
    if (a.command == QLatin1String("share")) return ShareCommand(a);
    if (a.command == QLatin1String("peers")) return PeersCommand(a);
    if (a.command == QLatin1String("browse")) return BrowseCommand(a);
    if (a.command == QLatin1String("search")) return SearchCommand(a);
    return GetCommand(a);
}
