#include "core/desktop.h"
#include "core/mainform.h"
#include "core/session.h"
#include "core/qtkorean.h"
#include "core/singleinstance.h"
#include "core/trayactivity.h"
#include "platform/desktopnotifications.h"

#include <QApplication>
#include <QProxyStyle>

namespace {

// Hints appear half a second after the pointer comes to rest.
class HintStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return 500;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    app.setStyle(new HintStyle);
    LoadQtKorean();
    // Docks and task bars match the windows to the menu entry and its icons.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillmere"));
    // Hidden windows live for the whole run; the program ends with the main window.
    app.setQuitOnLastWindowClosed(false);
    // Started again while running: the running copy comes forward, no second window opens.
    if (RaiseRunningCopy()) return 0;
    Session session(nullptr, Timings::FromEnvironment());
    TMainForm form(session);
    Desktop desktop(session, form);
    QObject::connect(&form, &TMainForm::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    DesktopNotifications notifications;
    TrayActivity tray(form, [&notifications](const QString &kind, const QString &summary, const QString &body) {
        notifications.Notify(kind, summary, body);
    });
    desktop.ReportTo(tray);
    form.showMaximized();
    return app.exec();
}
