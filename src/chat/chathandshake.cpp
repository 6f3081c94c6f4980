#include "chat/chathandshake.h"

#include "core/frame.h"
#include "core/session.h"

namespace {

QString field(const QString &text, int n) { return GetField(text, QLatin1Char(';'), n); }

} // namespace

ChatHandshake::ChatHandshake(Session &session) : session_(session) {
    setObjectName(QStringLiteral("ChatHandshake"));
    wait_.setObjectName(QStringLiteral("Timer_onechat"));
    wait_.setInterval(session.timings().chatWaitMs);
    connect(&wait_, &QTimer::timeout, this, &ChatHandshake::Expire);

    Dispatcher &d = session.dispatcher();
    d.SetHandler("@_*J", [this](const QString &, const QString &text) {
        emit requestArrived(field(text, 2), field(text, 3));
    });
    d.SetHandler("@_*T", [this](const QString &sender, const QString &text) {
        if (!Answers(sender)) return;
        wait_.stop();
        emit accepted(field(text, 3));
    });
    d.SetHandler("@_*C", [this](const QString &sender, const QString &text) {
        if (!Answers(sender)) return;
        wait_.stop();
        emit refused(field(text, 2), field(text, 3));
    });
    d.SetHandler("@_*V", [this](const QString &, const QString &) { emit cancelled(); });
}

QString ChatHandshake::OwnNameAndAddress() const {
    return session_.host().ComputerName + QLatin1Char(';') + session_.host().LocalIP;
}

void ChatHandshake::Request(const QString &ip) {
    if (wait_.isActive()) Expire();
    peerIP_ = ip.left(16);
    session_.net().SendCommand(QStringLiteral("@_*J"), peerIP_, OwnNameAndAddress());
    wait_.start();
}

void ChatHandshake::Accept(const QString &ip) {
    session_.net().SendCommand(QStringLiteral("@_*T"), ip, OwnNameAndAddress());
}

void ChatHandshake::Refuse(const QString &ip) {
    session_.net().SendCommand(QStringLiteral("@_*C"), ip, OwnNameAndAddress());
}

void ChatHandshake::Expire() {
    if (!wait_.isActive()) return;
    wait_.stop();
    session_.net().SendCommand(QStringLiteral("@_*V"), peerIP_, QString());
    emit waitExpired();
}

bool ChatHandshake::Answers(const QString &sender) const {
    // Anyone could send an answer; only the computer asked, while it is asked, gives one.
    return wait_.isActive() && sender == peerIP_;
}
