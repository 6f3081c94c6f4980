#include "ping/pinglauncher.h"

#include "peers/personinfo.h"
#include "ping/neticmp.h"
#include "platform/icmpecho.h"

PingLauncher::PingLauncher(QWidget &owner) : owner_(owner) { setObjectName(QStringLiteral("PingLauncher")); }

void PingLauncher::TVMI_PingClick(const TPersonInfo &person) {
    if (person.IP.isEmpty()) return;
    const QString ip = person.IP.trimmed();
    TPingForm form(&owner_, person.Name.trimmed() + QStringLiteral(" (") + ip + QStringLiteral(") - PING"), ip,
                   std::make_unique<echo::IcmpEcho>());
    form.exec();
}
