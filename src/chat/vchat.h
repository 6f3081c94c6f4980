#pragma once
// The one-to-one chat window: one per program, hidden between chats. It
// sends the chat line "@_*I" and the leave notice "@_*X" to its partner
// address and shows lines from whoever sends them.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QToolButton;
class TMainForm;

class TV_Chat : public QWidget {
    Q_OBJECT
public:
    explicit TV_Chat(TMainForm &main);

    // Offered to the chat handshake.
    void SetPartnerAddress(const QString &ip);
    QString PartnerAddress() const;
    void ClearHistory();
    // Shows the window in front and puts the input focus into Edit1.
    void ShowChat();

    // The history as plain text, one line per message.
    QStringList HistoryLines() const;

    void Edit1KeyPress();
    void ReceiveChatLine(const QString &sender, const QString &text);
    void ReceiveLeaveNotice();
    void SB_ClearMsgClick();

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    int HistoryLineCount() const;
    void AddHistoryLine(const QString &line);
    void CaretToLastLine();
    void RichEdit1Change();

    TMainForm &main_;
    QToolButton *sbChangeName_;
    QToolButton *sbChangeColor_;
    QToolButton *sbClearMsg_;
    QTextEdit *richEdit1_;
    QLineEdit *edit1_;
    QPushButton *bbExit_;
    QLabel *label2_;
};
