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
    explicit DesktopNotifications(QObject *parent = nullptr);

    // A notification of one kind replaces the previous one of that kind still on screen.
    void Notify(const QString &kind, const QString &summary, const QString &body);

private:
    QHash<QString, uint> shown_; // the service's id of each kind's latest notification
    // Whether the service reads the body as markup: then a peer's name or file
    // name is escaped, so that it shows as typed and cannot carry links or
    // images. Most services do; it is assumed until the service says otherwise.
    bool bodyMarkup_ = true;
};
