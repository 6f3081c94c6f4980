#include "listing/waitform.h"

TWait_Form::TWait_Form() { setObjectName(QStringLiteral("TWait_Form")); }
