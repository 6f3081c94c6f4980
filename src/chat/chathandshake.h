#pragma once
// The chat request and its answer without windows. Asking: one request at a
// time, waiting for an answer from the computer asked until the chat wait
// ends. Asked: requests arrive, and this host accepts or refuses them.
#include <QObject>
#include <QString>
#include <QTimer>

class Session;

class ChatHandshake : public QObject {
    Q_OBJECT
public:
    explicit ChatHandshake(Session &session);

    // Asks the computer at ip for a chat; a request still waiting expires first.
    void Request(const QString &ip);
    // This host's answer to the request from ip.
    void Accept(const QString &ip);
    void Refuse(const QString &ip);
    // Ends the waiting request as its wait running out does: the computer
    // asked is told, and waitExpired reported. Without one, nothing.
    void Expire();

    // Where the latest request went.
    QString ChatPeerIP() const { return peerIP_; }
    // Runs while a request waits for its answer (objectName Timer_onechat).
    QTimer *WaitTimer() { return &wait_; }

signals:
    // A computer asks this host for a chat.
    void requestArrived(const QString &name, const QString &ip);
    // The computer asked accepted; partnerIP: the address its answer names.
    void accepted(const QString &partnerIP);
    // The computer asked refused.
    void refused(const QString &name, const QString &ip);
    // A requester gave up its request to this host.
    void cancelled();
    // The request waited in vain and is cancelled.
    void waitExpired();

private:
    // Whether a chat answer from sender counts: the request to it still waits.
    bool Answers(const QString &sender) const;
    QString OwnNameAndAddress() const;

    Session &session_;
    QString peerIP_;
    QTimer wait_{this};
};
