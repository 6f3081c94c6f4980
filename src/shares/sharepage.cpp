#include "shares/sharepage.h"

TSharePage::TSharePage(TMainForm &main, QWidget *parent) : QWidget(parent), main_(main) {
    setObjectName(QStringLiteral("SharePage"));
}
