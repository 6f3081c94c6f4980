#include "chat/chatcontroller.h"

ChatController::ChatController(TMainForm &main) : main_(main) { setObjectName(QStringLiteral("ChatController")); }
