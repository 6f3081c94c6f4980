#pragma once
// The chat request and its answer: the requester's wait of at most 15 s with
// the wait notice, and the answer dialog of the asked computer.
#include <QObject>
#include <QString>

#include <memory>

class TMainForm;
class TRepCht_Form;
class TV_Chat;
class TWait_Form;

class ChatController : public QObject {
    Q_OBJECT
public:
    ChatController(TMainForm &main, TWait_Form &wait, TV_Chat &chat);
    ~ChatController() override;

    // Asks the computer at ip for a chat.
    void TVMI_VChatClick(const QString &ip);
    void Timer_onechatTimer();

    // Where the latest chat request went.
    QString ChatPeerIP() const { return chatPeerIP_; }
    // The answer dialog, or null when none exists.
    TRepCht_Form *AnswerDialog() const { return dialog_.get(); }

signals:
    // A chat request arrived and its answer dialog is up.
    void chatRequested(const QString &name, const QString &ip);

private:
    void ChatRequestArrived(const QString &text);
    // Whether a chat answer from sender counts: the request to it still waits.
    bool Answers(const QString &sender) const;
    void AcceptArrived(const QString &text);
    void RefusalArrived(const QString &text);
    void CancelArrived();
    void AnswerYes(const QString &ip);
    void AnswerNo(const QString &ip);
    QString OwnNameAndAddress() const;

    TMainForm &main_;
    TWait_Form &wait_;
    TV_Chat &chat_;
    QString chatPeerIP_;
    std::unique_ptr<TRepCht_Form> dialog_;
};
