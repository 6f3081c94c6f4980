#pragma once
// The chat request and its answer on screen, over the session's chat
// handshake: the requester's wait notice and its outcome, and the answer
// dialog of the asked computer.
#include <QObject>
#include <QString>

#include <memory>

class ChatHandshake;
class TMainForm;
class TRepCht_Form;
class TV_Chat;
class TWait_Form;

class ChatController : public QObject {
    Q_OBJECT
public:
    ChatController(TMainForm &main, ChatHandshake &handshake, TWait_Form &wait, TV_Chat &chat);
    ~ChatController() override;

    // Asks the computer at ip for a chat.
    void TVMI_VChatClick(const QString &ip);

    // The answer dialog, or null when none exists.
    TRepCht_Form *AnswerDialog() const { return dialog_.get(); }

signals:
    // A chat request arrived and its answer dialog is up.
    void chatRequested(const QString &name, const QString &ip);

private:
    void ChatRequestArrived(const QString &name, const QString &ip);
    void AcceptArrived(const QString &partnerIP);
    void RefusalArrived(const QString &name, const QString &ip);
    void WaitExpired();
    void CancelArrived();
    void AnswerYes(const QString &ip);

    TMainForm &main_;
    ChatHandshake &handshake_;
    TWait_Form &wait_;
    TV_Chat &chat_;
    std::unique_ptr<TRepCht_Form> dialog_;
};
