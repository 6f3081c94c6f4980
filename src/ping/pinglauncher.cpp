#include "ping/pinglauncher.h"

#include "core/controls.h"
#include "core/mainform.h"
#include "peers/peertree.h"
#include "ping/neticmp.h"
#include "platform/icmpecho.h"

#include <QAction>

PingLauncher::PingLauncher(TMainForm &main) : main_(main) {
    setObjectName(QStringLiteral("PingLauncher"));
    if (auto *a = Control<QAction>(main, "TVMI_Ping"))
        connect(a, &QAction::triggered, this, &PingLauncher::TVMI_PingClick);
}

void PingLauncher::TVMI_PingClick() {
    const TPersonInfo person = main_.peers().SelectedPerson();
    if (person.IP.isEmpty()) return;
    const QString ip = person.IP.trimmed();
    TPingForm form(&main_, person.Name.trimmed() + QStringLiteral(" (") + ip + QStringLiteral(") - PING"), ip,
                   std::make_unique<echo::IcmpEcho>());
    form.exec();
}
