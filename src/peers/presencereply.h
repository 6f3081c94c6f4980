#pragma once
// Answers a computer heard for the first time with this host's own
// announcement, sent to that computer alone: a copy that has just started
// then sees us at once instead of at our next broadcast, up to 30 s later.
// The answers draw on a small allowance that refills slowly, so a flood of
// forged newcomers cannot make us send without bound.
#include "core/host.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>

class Messenger;

// The payload of a presence announcement: workgroup ";" computer name.
QString PresencePayload(const HostIdentity &host);

class PresenceReply {
public:
    static constexpr int kBurst = 16;      // answers that may go out at once
    static constexpr int kRefillMs = 250;  // one more answer allowed per this many ms

    PresenceReply(Messenger &net, const HostIdentity &host);

    // sender has just entered the tree, or came back after a silence.
    void Answer(const QString &sender);
    // Tests drive the clock that refills the allowance.
    void SetClock(std::function<qint64()> nowMs) { now_ = std::move(nowMs); }

private:
    bool Allow();

    Messenger &net_;
    const HostIdentity &host_;
    QElapsedTimer started_;
    std::function<qint64()> now_;
    int allowance_ = kBurst;
    qint64 refilledAt_ = 0;
};
