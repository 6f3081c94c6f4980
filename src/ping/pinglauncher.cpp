#include "ping/pinglauncher.h"

PingLauncher::PingLauncher(TMainForm &main) : main_(main) { setObjectName(QStringLiteral("PingLauncher")); }
