#include "chat/chatcontroller.h"

#include "chat/chathandshake.h"
#include "chat/repcht.h"
#include "chat/vchat.h"
#include "core/mainform.h"
#include "core/prompts.h"
#include "listing/waitform.h"

#include <QApplication>
#include <QLabel>

ChatController::ChatController(TMainForm &main, ChatHandshake &handshake, TWait_Form &wait, TV_Chat &chat)
    : main_(main), handshake_(handshake), wait_(wait), chat_(chat) {
    setObjectName(QStringLiteral("ChatController"));
    connect(&handshake_, &ChatHandshake::requestArrived, this, &ChatController::ChatRequestArrived);
    connect(&handshake_, &ChatHandshake::accepted, this, &ChatController::AcceptArrived);
    connect(&handshake_, &ChatHandshake::refused, this, &ChatController::RefusalArrived);
    connect(&handshake_, &ChatHandshake::waitExpired, this, &ChatController::WaitExpired);
    connect(&handshake_, &ChatHandshake::cancelled, this, &ChatController::CancelArrived);
}

ChatController::~ChatController() = default;

void ChatController::TVMI_VChatClick(const QString &ip) {
    if (ip.isEmpty()) return;
    handshake_.Request(ip);
    wait_.L_WaitMessage()->setText(QStringLiteral("상대방의 응답을 기다리고 있습니다"));
    wait_.show();
}

void ChatController::WaitExpired() {
    wait_.close();
    prompts::Information(&main_, QStringLiteral("대기시간 초과로 1:1 채팅신청이 취소되었습니다"));
}

void ChatController::ChatRequestArrived(const QString &name, const QString &ip) {
    QApplication::beep();
    if (!dialog_) {
        dialog_ = std::make_unique<TRepCht_Form>();
        connect(dialog_.get(), &TRepCht_Form::acceptedChat, this, &ChatController::AnswerYes);
        connect(dialog_.get(), &TRepCht_Form::refusedChat, &handshake_, &ChatHandshake::Refuse);
    }
    dialog_->SetRequester(name, ip);
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
    emit chatRequested(name, ip);
}

void ChatController::AnswerYes(const QString &ip) {
    handshake_.Accept(ip);
    chat_.ClearHistory();
    chat_.SetPartnerAddress(ip);
    chat_.ShowChat();
}

void ChatController::AcceptArrived(const QString &partnerIP) {
    wait_.close();
    chat_.SetPartnerAddress(partnerIP);
    chat_.ShowChat();
}

void ChatController::RefusalArrived(const QString &name, const QString &ip) {
    wait_.close();
    prompts::Information(&main_, name + QLatin1Char('(') + ip + QStringLiteral(")님이 1:1 채팅를 거절하셨습니다."));
}

void ChatController::CancelArrived() {
    if (!dialog_) return;
    dialog_->hide();
    // The cancel may come while the dialog's own events are being handled.
    dialog_.release()->deleteLater();
}
