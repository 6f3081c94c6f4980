#include "platform/desktopnotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

QDBusMessage ServiceCall(const char *method) {
    return QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QString::fromLatin1(method));
}

} // namespace

DesktopNotifications::DesktopNotifications(QObject *parent) : QObject(parent) {
    auto *watch = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(ServiceCall("GetCapabilities")), this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<QStringList> reply = *w;
        if (reply.isValid()) bodyMarkup_ = reply.value().contains(QStringLiteral("body-markup"));
        w->deleteLater();
    });
}

void DesktopNotifications::Notify(const QString &kind, const QString &summary, const QString &body) {
    QDBusMessage call = ServiceCall("Notify");
    call << QStringLiteral("Quillmere") << shown_.value(kind) << QStringLiteral("quillmere") << summary
         << (bodyMarkup_ ? body.toHtmlEscaped() : body)
         << QStringList() << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("quillmere")}} << -1;
    // Asynchronous: a slow or absent service never holds up the window.
    auto *watch = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this, kind](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid()) shown_[kind] = reply.value();
        w->deleteLater();
    });
}
