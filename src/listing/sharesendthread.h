#pragma once
// The answer to a browse request "@_+L": the whole share list in list
// datagrams, or "@_+N" when nothing is shared. The answer queue sends them,
// 1500 ms apart, or fast to a copy of ours that asked so (fastbrowse.h).
#include "core/workersqueue.h"
#include "listing/listdatagram.h"

class ShareRegistry;
struct HostIdentity;

class TProcessShareSendThread {
public:
    TProcessShareSendThread(const ShareRegistry &registry, const HostIdentity &host)
        : registry_(registry), host_(host) {}

    // Reads the registry through a consistent copy; any thread.
    AnswerQueue::Datagrams Execute() const;

private:
    const ShareRegistry &registry_;
    const HostIdentity &host_;
};

// A packer that collects each payload as a list datagram "@_+G" into out.
ListPacker ListCollector(AnswerQueue::Datagrams &out);
