#include "chat/vchat.h"

TV_Chat::TV_Chat(TMainForm &main) : main_(main) { setObjectName(QStringLiteral("TV_Chat")); }
