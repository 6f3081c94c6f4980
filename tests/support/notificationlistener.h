#pragma once
// The notification service of a private session bus: it keeps what it is
// asked to show and tells of each as it comes.
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class NotificationListener : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<QStringList> shown; // app, summary, body

signals:
    void notified(const QStringList &notification);

public slots:
    QStringList GetCapabilities() { return {QStringLiteral("body"), QStringLiteral("body-markup")}; }
    uint Notify(const QString &app, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int) {
        shown.append({app, summary, body});
        emit notified(shown.last());
        return uint(shown.size());
    }
};
