#pragma once
// Desktop notifications through the freedesktop notification service on the
// session bus (org.freedesktop.Notifications). Without a bus or a service
// nothing is shown and nothing is reported: a notification is a courtesy.
#include <QHash>
#include <QObject>
#include <QString>

class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A notification of one kind replaces the previous one of that kind still on screen.
    void Notify(const QString &kind, const QString &summary, const QString &body);

private:
    QHash<QString, uint> shown_; // the service's id of each kind's latest notification
};
