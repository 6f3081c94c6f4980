#pragma once
// The computers heard on the LAN, by workgroup, in the order heard: this
// host's presence announcement every interval, the announcements of others,
// the answer to a newcomer, and the dimming of a computer silent for two
// intervals. The peer tree and the command-line client both show it.
#include "peers/presencereply.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>

class Dispatcher;
class Messenger;
class QTimer;
struct Timings;

class PeerDirectory : public QObject {
    Q_OBJECT
public:
    struct Computer {
        QString workgroup;
        QString name;
        QString address; // the first address it was heard from
        QDateTime heardAt;
        bool dimmed = false;
    };

    PeerDirectory(Messenger &net, Dispatcher &dispatcher, const HostIdentity &host, const Timings &timings);

    // One presence announcement now, and the next one an interval later;
    // without a send socket the cycle stops.
    void Announce();
    void StopAnnouncing();
    // A computer heard from sender (main thread).
    void AddPresence(const QString &sender, const QString &workgroup, const QString &computer);

    // The user's deletions. A deleted computer comes back when heard again.
    void RemoveGroup(const QString &workgroup);
    void RemoveComputer(const QString &workgroup, const QString &computer);

    QStringList Workgroups() const;
    QList<Computer> Computers() const;

    QTimer *Timer_alive() const { return alive_; }
    PresenceReply &reply() { return reply_; }

signals:
    // A newcomer, or one back after the user deleted it; its group is new
    // with it when the group was not known.
    void computerAdded(const QString &workgroup, const QString &computer, const QString &address);
    void computerDimmed(const QString &workgroup, const QString &computer, const QDateTime &heardAt);
    // A dimmed computer was heard again.
    void computerBrightened(const QString &workgroup, const QString &computer);
    void groupRemoved(const QString &workgroup);
    void computerRemoved(const QString &workgroup, const QString &computer);

private:
    struct Entry {
        Computer computer;
        qint64 heardMs;
        qint64 answeredMs; // when our announcement last went to it alone
    };
    static constexpr qint64 kAnswerAgainMs = 500;
    struct Group {
        QString name;
        QList<Entry> entries;
    };
    Group *findGroup(const QString &workgroup);
    static Entry *findEntry(Group &group, const QString &computer);
    void Sweep();

    Messenger &net_;
    const HostIdentity &host_;
    const int announceMs_;
    QList<Group> groups_;
    PresenceReply reply_;
    QTimer *alive_;
    QTimer *sweep_;
    QElapsedTimer clock_;
};
