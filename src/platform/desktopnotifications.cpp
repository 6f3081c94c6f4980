#include "platform/desktopnotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

void DesktopNotifications::Notify(const QString &kind, const QString &summary, const QString &body) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Quillmere") << shown_.value(kind) << QStringLiteral("quillmere") << summary << body
         << QStringList() << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("quillmere")}} << -1;
    // Asynchronous: a slow or absent service never holds up the window.
    auto *watch = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this, kind](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid()) shown_[kind] = reply.value();
        w->deleteLater();
    });
}
