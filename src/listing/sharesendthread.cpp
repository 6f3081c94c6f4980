#include "listing/sharesendthread.h"

#include "core/host.h"
#include "listing/sharelisting.h"
#include "shares/shareregistry.h"

ListPacker ListCollector(AnswerQueue::Datagrams &out) {
    return ListPacker([&out](const QString &payload) { out.append({QStringLiteral("@_+G"), payload}); }, [] {});
}

AnswerQueue::Datagrams TProcessShareSendThread::Execute() const {
    AnswerQueue::Datagrams out;
    // One listing serves counting and sending, so a folder that changes in
    // between cannot turn a non-empty answer into silence.
    ListPacker packer = ListCollector(out);
    PackShareList(registry_.Snapshot(), {host_.ComputerName, host_.LocalIP}, packer);
    if (packer.Entries() == 0) return {{QStringLiteral("@_+N"), QString()}};
    packer.Finish();
    return out;
}
