// News while the user is away: a chat request, failed rows (told together)
// and the end of a download queue reach the desktop's notification service,
// captured here on a private session bus; none while the window is in view.
#include "chat/chatcontroller.h"
#include "core/frame.h"
#include "core/mainform.h"
#include "testform.h"
#include "core/trayactivity.h"
#include "download/downfile.h"
#include "download/downloadqueue.h"
#include "download/transferclient.h"
#include "platform/desktopnotifications.h"
#include "notificationlistener.h"
#include "recordingmessenger.h"

#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>

class TestNotifications : public QObject {
    Q_OBJECT

    QProcess bus;
    NotificationListener listener;

private slots:
    void initTestCase() {
        bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                   QStringLiteral("--print-address")});
        if (!bus.waitForStarted()) QSKIP("dbus-daemon is not installed (package dbus-daemon)");
        QVERIFY(bus.waitForReadyRead());
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("listener"));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &listener,
                                       QDBusConnection::ExportAllSlots));
    }
    void cleanupTestCase() {
        bus.kill();
        bus.waitForFinished();
    }

    void newsWhileAway() {
        auto net = std::make_unique<RecordingMessenger>();
        TestForm form(std::move(net));
        DesktopNotifications notifications;
        TrayActivity tray(form, [&](const QString &kind, const QString &summary, const QString &body) {
            notifications.Notify(kind, summary, body);
        });
        form.desktop().ReportTo(tray);
        TDownForm &down = form.downForm();
        const QList<QStringList> none;

        // In view: the dialog is enough, no notification.
        form.show();
        form.dispatcher().DispatchDatagram(QStringLiteral("10.0.0.9"), CommandBytes(QStringLiteral("@_*J"), QStringLiteral("PC9;10.0.0.9")));
        QVERIFY(!tray.Marked());

        // A peer's name shows as typed, not as the service's markup.
        form.showMaximized();
        form.showMinimized();
        form.dispatcher().DispatchDatagram(QStringLiteral("10.0.0.9"), CommandBytes(QStringLiteral("@_*J"), QStringLiteral("<b>PC9</b>;10.0.0.9")));
        QTRY_COMPARE(listener.shown.size(), 1);
        QCOMPARE(listener.shown[0], (QStringList{"Quillmere", "1:1 채팅 신청이 왔습니다", "&lt;b&gt;PC9&lt;/b&gt;(10.0.0.9)님께서 1:1 채팅을 신청하셨습니다"}));
        QVERIFY(tray.Marked());

        form.hide();
        for (const char *name : {"a", "b"})
            QVERIFY(down.AddDownload(QString::fromLatin1(name), QStringLiteral("OWNER"), true,
                                     LocalTarget{QDir::tempPath(), QString::fromLatin1(name)}, QStringLiteral("/srv/"),
                                     QStringLiteral("10.0.0.5")));
        down.queue().FailWaiting(QStringLiteral("파일생성에러")); // two rows at once: one notification
        QTRY_COMPARE(listener.shown.size(), 2);
        QCOMPARE(listener.shown[1].mid(1), (QStringList{"파일을 받지 못했습니다",
                                                        "a (OWNER): 파일생성에러\nb (OWNER): 파일생성에러"}));

        down.client().Timer_DownCTLTimer(); // nothing waits any more
        QTRY_COMPARE(listener.shown.size(), 3);
        QCOMPARE(listener.shown[2].mid(1), (QStringList{"다운로드가 끝났습니다", "전송완료 0 개, 실패 2 개"}));
        down.client().Timer_DownCTLTimer(); // running dry again without new work is no news
        down.hide();

        emit tray.TrayIcon()->activated(QSystemTrayIcon::Trigger); // back at the window, as it was: the mark goes
        QVERIFY(form.isMaximized() && !form.isMinimized());
        QVERIFY(!tray.Marked());
        QTest::qWait(200);
        QCOMPARE(listener.shown.size(), 3);
    }
};

QTEST_MAIN(TestNotifications)
#include "tst_notifications.moc"
