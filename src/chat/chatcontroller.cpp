#include "chat/chatcontroller.h"

#include "chat/repcht.h"
#include "chat/vchat.h"
#include "core/frame.h"
#include "core/mainform.h"
#include "core/prompts.h"
#include "listing/waitform.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace {

QString field(const QString &text, int n) { return GetField(text, QLatin1Char(';'), n); }

} // namespace

ChatController::ChatController(TMainForm &main, TWait_Form &wait, TV_Chat &chat)
    : main_(main), wait_(wait), chat_(chat) {
    setObjectName(QStringLiteral("ChatController"));
    connect(main.Timer_onechat(), &QTimer::timeout, this, &ChatController::Timer_onechatTimer);

    Dispatcher &d = main.dispatcher();
    d.SetHandler("@_*J", [this](const QString &, const QString &text) { ChatRequestArrived(text); });
    d.SetHandler("@_*T", [this](const QString &sender, const QString &text) {
        if (Answers(sender)) AcceptArrived(text);
    });
    d.SetHandler("@_*C", [this](const QString &sender, const QString &text) {
        if (Answers(sender)) RefusalArrived(text);
    });
    d.SetHandler("@_*V", [this](const QString &, const QString &) { CancelArrived(); });
}

ChatController::~ChatController() = default;

QString ChatController::OwnNameAndAddress() const {
    return main_.host().ComputerName + QLatin1Char(';') + main_.host().LocalIP;
}

void ChatController::TVMI_VChatClick(const QString &ip) {
    if (ip.isEmpty()) return;
    if (main_.Timer_onechat()->isActive()) Timer_onechatTimer();
    chatPeerIP_ = ip.left(16);
    main_.net().SendCommand(QStringLiteral("@_*J"), chatPeerIP_, OwnNameAndAddress());
    wait_.L_WaitMessage()->setText(QStringLiteral("상대방의 응답을 기다리고 있습니다"));
    wait_.show();
    main_.Timer_onechat()->start();
}

void ChatController::Timer_onechatTimer() {
    wait_.close();
    QTimer *timer = main_.Timer_onechat();
    if (!timer->isActive()) return;
    timer->stop();
    main_.net().SendCommand(QStringLiteral("@_*V"), chatPeerIP_, QString());
    prompts::Information(&main_, QStringLiteral("대기시간 초과로 1:1 채팅신청이 취소되었습니다"));
}

void ChatController::ChatRequestArrived(const QString &text) {
    QApplication::beep();
    if (!dialog_) {
        dialog_ = std::make_unique<TRepCht_Form>();
        connect(dialog_.get(), &TRepCht_Form::acceptedChat, this, &ChatController::AnswerYes);
        connect(dialog_.get(), &TRepCht_Form::refusedChat, this, &ChatController::AnswerNo);
    }
    dialog_->SetRequester(field(text, 2), field(text, 3));
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
    emit chatRequested(field(text, 2), field(text, 3));
}

void ChatController::AnswerYes(const QString &ip) {
    main_.net().SendCommand(QStringLiteral("@_*T"), ip, OwnNameAndAddress());
    chat_.ClearHistory();
    chat_.SetPartnerAddress(ip);
    chat_.ShowChat();
}

void ChatController::AnswerNo(const QString &ip) {
    main_.net().SendCommand(QStringLiteral("@_*C"), ip, OwnNameAndAddress());
}

bool ChatController::Answers(const QString &sender) const {
    // Anyone could send an answer; only the computer asked, while it is asked, gives one.
    return main_.Timer_onechat()->isActive() && sender == chatPeerIP_;
}

void ChatController::AcceptArrived(const QString &text) {
    wait_.close();
    main_.Timer_onechat()->stop();
    chat_.SetPartnerAddress(field(text, 3));
    chat_.ShowChat();
}

void ChatController::RefusalArrived(const QString &text) {
    wait_.close();
    main_.Timer_onechat()->stop();
    prompts::Information(&main_, field(text, 2) + QLatin1Char('(') + field(text, 3) +
                                     QStringLiteral(")님이 1:1 채팅를 거절하셨습니다."));
}

void ChatController::CancelArrived() {
    if (!dialog_) return;
    dialog_->hide();
    // The cancel may come while the dialog's own events are being handled.
    dialog_.release()->deleteLater();
}
