#pragma once
// The answer dialog for a chat request that has arrived. It can be closed
// only by its two buttons; the chat handshake acts on the answer.
#include <QDialog>

class QLabel;
class QPushButton;

class TRepCht_Form : public QDialog {
    Q_OBJECT
public:
    TRepCht_Form();

    // Fills the dialog for one requester.
    void SetRequester(const QString &name, const QString &ip);
    QString RequesterName() const;
    QString RequesterIP() const;

    void Button1Click();
    void Button2Click();

signals:
    void acceptedChat(const QString &ip);
    void refusedChat(const QString &ip);

public slots:
    // Esc is the refusal button.
    void reject() override;

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    QLabel *lTitle_;
    QLabel *lName_;
    QLabel *lIp_;
    QPushButton *button1_;
    QPushButton *button2_;
};
