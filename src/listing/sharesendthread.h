#pragma once
// The answer to a browse request "@_+L": the whole share list in list
// datagrams, 1500 ms apart, or "@_+N" when nothing is shared.
#include <QString>

class Messenger;
class ShareRegistry;
struct HostIdentity;

class TProcessShareSendThread {
public:
    TProcessShareSendThread(QString requester, QString text, Messenger &net, const ShareRegistry &registry,
                            const HostIdentity &host)
        : requester_(std::move(requester)), text_(std::move(text)), net_(net), registry_(registry), host_(host) {}

    // Runs on a worker thread of its own; it reads the registry through a
    // consistent copy and sleeps between datagrams.
    void Execute();

private:
    QString requester_;
    QString text_; // the request as it came; it carries nothing to read
    Messenger &net_;
    const ShareRegistry &registry_;
    const HostIdentity &host_;
};
