#include "peers/peerdirectory.h"

#include "core/dispatcher.h"
#include "core/frame.h"
#include "core/messenger.h"
#include "core/timings.h"
#include "core/workers.h"

#include <QTimer>

PeerDirectory::PeerDirectory(Messenger &net, Dispatcher &dispatcher, const HostIdentity &host, const Timings &timings)
    : net_(net), host_(host), announceMs_(timings.announceMs), reply_(net, host), alive_(new QTimer(this)),
      sweep_(new QTimer(this)) {
    setObjectName(QStringLiteral("PeerDirectory"));
    alive_->setObjectName(QStringLiteral("Timer_alive"));
    alive_->setInterval(announceMs_);
    connect(alive_, &QTimer::timeout, this, &PeerDirectory::Announce);

    // Half an interval between looks: a silent computer dims 60 to 75 s after it was last heard.
    clock_.start();
    connect(sweep_, &QTimer::timeout, this, &PeerDirectory::Sweep);
    sweep_->start(announceMs_ / 2);

    // The broadcast worker hands each announcement to the main thread and waits.
    dispatcher.SetBroadcastHandler("@_&F", [this](const QString &sender, const QString &text) {
        const QString workgroup = GetField(text, QLatin1Char(';'), 3);
        const QString computer = GetField(text, QLatin1Char(';'), 4);
        RunOnMainThread(this, [=, this] { AddPresence(sender, workgroup, computer); });
    });
}

void PeerDirectory::Announce() {
    alive_->stop();
    if (net_.SendSocket() == -1) return;
    net_.BroadcastCommand(QStringLiteral("@_&F"), PresencePayload(host_));
    alive_->start();
}

void PeerDirectory::StopAnnouncing() { alive_->stop(); }

PeerDirectory::Group *PeerDirectory::findGroup(const QString &workgroup) {
    for (Group &g : groups_)
        if (g.name == workgroup) return &g;
    return nullptr;
}

PeerDirectory::Entry *PeerDirectory::findEntry(Group &group, const QString &computer) {
    for (Entry &e : group.entries)
        if (e.computer.name == computer) return &e;
    return nullptr;
}

void PeerDirectory::AddPresence(const QString &sender, const QString &workgroup, const QString &computer) {
    Group *group = findGroup(workgroup);
    if (!group) group = &groups_.emplaceBack(Group{workgroup, {}});
    const qint64 now = clock_.elapsed();
    // A newcomer, a computer back after a silence, or one that announces out
    // of its rhythm (its copy started again) may have just started: it learns
    // of us at once instead of at our next broadcast. Not twice within a few
    // seconds, so that two copies answering each other stop at once.
    if (Entry *known = findEntry(*group, computer)) {
        const qint64 gap = now - known->heardMs;
        known->heardMs = now;
        known->computer.heardAt = QDateTime::currentDateTime();
        const bool outOfRhythm = gap < announceMs_ * 9 / 10 || gap > announceMs_ * 11 / 10;
        if (known->computer.dimmed || (outOfRhythm && now - known->answeredMs > kAnswerAgainMs)) {
            reply_.Answer(sender);
            known->answeredMs = now;
        }
        if (!known->computer.dimmed) return;
        known->computer.dimmed = false;
        emit computerBrightened(workgroup, computer);
        return;
    }
    const QString address = sender.left(16);
    group->entries.append({{workgroup, computer, address, QDateTime::currentDateTime(), false}, now, now});
    reply_.Answer(sender);
    emit computerAdded(workgroup, computer, address);
}

void PeerDirectory::RemoveGroup(const QString &workgroup) {
    if (groups_.removeIf([&](const Group &g) { return g.name == workgroup; })) emit groupRemoved(workgroup);
}

void PeerDirectory::RemoveComputer(const QString &workgroup, const QString &computer) {
    Group *group = findGroup(workgroup);
    if (group && group->entries.removeIf([&](const Entry &e) { return e.computer.name == computer; }))
        emit computerRemoved(workgroup, computer);
}

QStringList PeerDirectory::Workgroups() const {
    QStringList names;
    for (const Group &g : groups_) names << g.name;
    return names;
}

QList<PeerDirectory::Computer> PeerDirectory::Computers() const {
    QList<Computer> all;
    for (const Group &g : groups_)
        for (const Entry &e : g.entries) all << e.computer;
    return all;
}

void PeerDirectory::Sweep() {
    const qint64 now = clock_.elapsed();
    QList<Computer> dimmed;
    for (Group &g : groups_)
        for (Entry &e : g.entries)
            if (!e.computer.dimmed && now - e.heardMs > 2 * qint64(announceMs_)) {
                e.computer.dimmed = true;
                dimmed << e.computer;
            }
    // Told after the walk: a listener may change the directory.
    for (const Computer &c : dimmed) emit computerDimmed(c.workgroup, c.name, c.heardAt);
}
