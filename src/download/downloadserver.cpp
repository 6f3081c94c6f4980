#include "download/downloadserver.h"

DownloadServer::DownloadServer(TMainForm &main) : main_(main) { setObjectName(QStringLiteral("DownloadServer")); }
