#include "peers/presencereply.h"

#include "core/messenger.h"

QString PresencePayload(const HostIdentity &host) {
    return host.WorkgroupName + QLatin1Char(';') + host.ComputerName;
}

PresenceReply::PresenceReply(Messenger &net, const HostIdentity &host) : net_(net), host_(host) {
    started_.start();
    now_ = [this] { return started_.elapsed(); };
    refilledAt_ = now_();
}

void PresenceReply::Answer(const QString &sender) {
    // Our own broadcast comes back to us; it needs no answer.
    if (sender == host_.LocalIP || !Allow()) return;
    // The envelope and sub-command of the broadcast, byte for byte, to one address.
    net_.SendCommand(QStringLiteral("@_&#"), sender, QStringLiteral("@_&F;") + PresencePayload(host_));
}

bool PresenceReply::Allow() {
    const qint64 now = now_();
    const qint64 earned = (now - refilledAt_) / kRefillMs;
    if (earned > 0) {
        allowance_ = int(qMin<qint64>(kBurst, allowance_ + earned));
        refilledAt_ += earned * kRefillMs;
    }
    if (allowance_ == 0) return false;
    --allowance_;
    return true;
}
