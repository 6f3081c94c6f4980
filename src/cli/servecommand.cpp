#include "cli/servecommand.h"

#include "cli/clisession.h"
#include "core/session.h"
#include "peers/peerdirectory.h"
#include "shares/shareregistry.h"

int ServeCommand() {
    Session session(nullptr, Timings::FromEnvironment());
    if (const int status = cli::Start(session)) return status;
    session.peers().Announce();
    const HostIdentity &host = session.host();
    cli::Out(QStringLiteral("%1 (%2, 작업그룹 %3): 공유 %4개를 공개합니다. 설정 파일: %5")
                 .arg(host.ComputerName, host.LocalIP, host.WorkgroupName)
                 .arg(session.registry().rowCount())
                 .arg(host.IniFilePath));
    if (host.FileServerPath.isEmpty())
        cli::Err(QStringLiteral("파일 서버(Vellicor)가 프로그램 폴더에 없어 파일을 보낼 수 없습니다."));
    cli::Run(session);
    return cli::Close(session, true);
}
