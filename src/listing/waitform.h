#pragma once
// The small borderless notice shown while waiting for a chat answer. It stays
// above all windows while shown and is dragged by its panel or its icon.
#include <QPoint>
#include <QWidget>

class QFrame;
class QLabel;

class TWait_Form : public QWidget {
    Q_OBJECT
public:
    TWait_Form();

    QLabel *L_WaitMessage() const { return lWaitMessage_; }

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    QFrame *pWait_;
    QLabel *imageWanted_;
    QLabel *lWaitMessage_;
    // Where a drag that the window system could not take over began.
    QPoint dragOffset_;
    bool dragging_ = false;
};
