#include "listing/waitform.h"

#include "chat/chatglyphs.h"
#include "chat/windowlook.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QWindow>

TWait_Form::TWait_Form() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TWait_Form"));
    setFixedSize(280, 50);
    setFont(GulimFont(12));
    setAutoFillBackground(true);
    QPalette frame = palette();
    frame.setColor(QPalette::Window, Qt::blue);
    setPalette(frame);
    CentreOnScreen(this);

    pWait_ = new QFrame(this);
    pWait_->setObjectName(QStringLiteral("P_Wait"));
    pWait_->setGeometry(1, 1, 278, 48);
    pWait_->setFrameShape(QFrame::NoFrame);
    pWait_->setAutoFillBackground(true);
    QPalette white = pWait_->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    pWait_->setPalette(white);

    imageWanted_ = new QLabel(pWait_);
    imageWanted_->setObjectName(QStringLiteral("Image_Wanted"));
    imageWanted_->setGeometry(9, 9, 32, 32);
    imageWanted_->setPixmap(chatglyphs::Waiting().pixmap(32, 32));

    lWaitMessage_ = new QLabel(QStringLiteral("상대방의 응답을 기다리고 있습니다"), pWait_);
    lWaitMessage_->setObjectName(QStringLiteral("L_WaitMessage"));
    lWaitMessage_->setTextFormat(Qt::PlainText);
    lWaitMessage_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lWaitMessage_->setGeometry(61, 11, 204, 16);

    auto *label2 = new QLabel(QStringLiteral("잠시만 기다려 주십시오"), pWait_);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->move(89, 29);
    label2->adjustSize();

    // A press on a label stays there instead of reaching the panel beneath.
    for (QLabel *l : {lWaitMessage_, label2}) l->setAttribute(Qt::WA_NoMousePropagation);
    pWait_->installEventFilter(this);
    imageWanted_->installEventFilter(this);
}

bool TWait_Form::event(QEvent *e) {
    if (e->type() == QEvent::WindowActivate) SetTopMost(this, true);
    return QWidget::event(e);
}

void TWait_Form::closeEvent(QCloseEvent *e) {
    SetTopMost(this, false);
    dragging_ = false;
    e->accept();
}

bool TWait_Form::eventFilter(QObject *watched, QEvent *e) {
    const QEvent::Type type = e->type();
    if ((watched != pWait_ && watched != imageWanted_) ||
        (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease))
        return QWidget::eventFilter(watched, e);
    const auto *mouse = static_cast<QMouseEvent *>(e);
    switch (type) {
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton) break;
        if (windowHandle() && windowHandle()->startSystemMove()) return true;
        // Without a window manager that moves windows, follow the mouse here.
        dragging_ = true;
        dragOffset_ = mouse->globalPosition().toPoint() - pos();
        return true;
    case QEvent::MouseMove:
        if (!dragging_) break;
        move(mouse->globalPosition().toPoint() - dragOffset_);
        return true;
    case QEvent::MouseButtonRelease:
        if (!dragging_) break;
        dragging_ = false;
        return true;
    default: break;
    }
    return QWidget::eventFilter(watched, e);
}
