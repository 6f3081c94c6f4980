// Saves a picture of a desktop notification: a chat request arrives while the
// window is minimized; a listener on a private session bus takes the service's
// place and shows what it is sent as a bubble in the screen's corner, for looking at.
#include "core/frame.h"
#include "core/mainform.h"
#include "core/trayactivity.h"
#include "notificationlistener.h"
#include "platform/desktopnotifications.h"
#include "recordingmessenger.h"
#include "shottheme.h"
#include "testform.h"

#include <QApplication>
#include <QDBusConnection>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    ApplyShotTheme();
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                               QStringLiteral("--print-address")});
    if (!bus.waitForStarted() || !bus.waitForReadyRead()) return 1;
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    NotificationListener listener;
    QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("listener"));
    if (!service.registerService(QStringLiteral("org.freedesktop.Notifications")) ||
        !service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &listener,
                                QDBusConnection::ExportAllSlots))
        return 1;

    QFrame bubble(nullptr, Qt::ToolTip);
    bubble.setFrameShape(QFrame::Box);
    auto *lines = new QVBoxLayout(&bubble);
    auto *app_ = new QLabel, *summary = new QLabel, *body = new QLabel;
    summary->setStyleSheet(QStringLiteral("font-weight: bold"));
    body->setTextFormat(Qt::RichText); // the service was told it reads markup
    for (QLabel *l : {app_, summary, body}) lines->addWidget(l);
    QObject::connect(&listener, &NotificationListener::notified, [&](const QStringList &n) {
        app_->setText(n[0]);
        summary->setText(n[1]);
        body->setText(n[2]);
        bubble.setFixedWidth(380);
        bubble.adjustSize();
        bubble.move(bubble.screen()->geometry().topRight() - QPoint(bubble.width() + 16, -16));
        bubble.show();
    });

    TestForm form;
    DesktopNotifications notifications;
    TrayActivity tray(form, [&](const QString &kind, const QString &s, const QString &b) { notifications.Notify(kind, s, b); });
    form.desktop().ReportTo(tray);
    form.showMinimized();
    QTest::qWait(300);
    form.dispatcher().DispatchDatagram(QStringLiteral("10.0.0.7"),
                                       CommandBytes(QStringLiteral("@_*J"), QStringLiteral("<i>DEV-KIM</i>;10.0.0.7")));
    if (!QTest::qWaitFor([&] { return bubble.isVisible(); }, 5000)) return 1;
    QTest::qWait(300);
    const QRect corner = bubble.geometry().adjusted(-16, -16, 16, 16);
    const QPixmap screen = bubble.screen()->grabWindow(0);
    (screen.isNull() ? bubble.grab() : screen.copy(corner))
        .save(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/notification.png"));
    bus.kill();
    bus.waitForFinished();
    return 0;
}
