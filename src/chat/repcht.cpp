#include "chat/repcht.h"

#include "chat/windowlook.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *centredLabel(QWidget *parent, const char *name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    // Names and addresses come from the network: never read them as markup.
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QPushButton *answerButton(QWidget *parent, const char *name, const QString &caption, const QString &hint) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setFixedSize(75, 25);
    return b;
}

} // namespace

TRepCht_Form::TRepCht_Form()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("TRepCht_Form"));
    setWindowTitle(QStringLiteral("1:1 채팅 신청이 왔습니다"));
    setFont(GulimFont(13));
    setFixedSize(343, 106);
    CentreOnScreen(this);

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(2);
    lTitle_ = centredLabel(this, "L_title", QString());
    lTitle_->setFixedWidth(330);
    v->addWidget(lTitle_, 0, Qt::AlignHCenter);
    v->addWidget(centredLabel(this, "Label4", QStringLiteral("1:1 채팅을 신청하셨습니다")));
    v->addWidget(centredLabel(this, "Label5", QStringLiteral("신청을 받으시겠습니까?")));
    auto *bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    v->addWidget(bevel);

    auto *h = new QHBoxLayout;
    button1_ = answerButton(this, "Button1", QStringLiteral("예"), QStringLiteral("1:1 채팅을 시작합니다."));
    button1_->setDefault(true);
    button2_ = answerButton(this, "Button2", QStringLiteral("아니오"), QStringLiteral("1:1 채팅 신청을 거절합니다."));
    h->addStretch(1);
    h->addWidget(button1_);
    h->addSpacing(12);
    h->addWidget(button2_);
    h->addStretch(1);
    v->addLayout(h);

    lName_ = centredLabel(this, "L_name", QString());
    lIp_ = centredLabel(this, "L_ip", QString());
    lName_->hide();
    lIp_->hide();

    connect(button1_, &QPushButton::clicked, this, &TRepCht_Form::Button1Click);
    connect(button2_, &QPushButton::clicked, this, &TRepCht_Form::Button2Click);
}

void TRepCht_Form::SetRequester(const QString &name, const QString &ip) {
    lTitle_->setText(name + QLatin1Char('(') + ip + QStringLiteral(")님께서"));
    lName_->setText(name);
    lIp_->setText(ip);
}

QString TRepCht_Form::RequesterName() const { return lName_->text(); }

QString TRepCht_Form::RequesterIP() const { return lIp_->text(); }

void TRepCht_Form::Button1Click() {
    emit acceptedChat(RequesterIP());
    hide();
}

void TRepCht_Form::Button2Click() {
    emit refusedChat(RequesterIP());
    hide();
}

void TRepCht_Form::reject() { Button2Click(); }

void TRepCht_Form::showEvent(QShowEvent *e) {
    SetTopMost(this, true);
    QDialog::showEvent(e);
}

void TRepCht_Form::closeEvent(QCloseEvent *e) { e->ignore(); }
