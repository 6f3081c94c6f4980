#include "download/downfile.h"

TDownForm::TDownForm(TMainForm &main) : main_(main) { setObjectName(QStringLiteral("TDownForm")); }
