#include "chat/windowlook.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

QFont GulimFont(int pixelSize) {
    QFont f;
    f.setFamilies({QStringLiteral("굴림체"), QStringLiteral("GulimChe"), QStringLiteral("NanumGothicCoding"),
                   QStringLiteral("NanumGothic")});
    f.setPixelSize(pixelSize);
    return f;
}

void SetTopMost(QWidget *window, bool on) {
    // QWidget::setWindowFlags would hide the window; tell the window system
    // directly and keep the widget's own flags in step.
    const Qt::WindowFlags flags = on ? window->windowFlags() | Qt::WindowStaysOnTopHint
                                     : window->windowFlags() & ~Qt::WindowStaysOnTopHint;
    window->overrideWindowFlags(flags);
    if (QWindow *handle = window->windowHandle()) handle->setFlags(flags);
}

void CentreOnScreen(QWidget *window) {
    if (QScreen *s = QGuiApplication::primaryScreen())
        window->move(s->availableGeometry().center() - window->rect().center());
}

void BringToFront(QWidget *window) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}
