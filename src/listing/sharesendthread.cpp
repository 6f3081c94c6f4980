#include "listing/sharesendthread.h"

#include "core/messenger.h"
#include "listing/sharelisting.h"
#include "shares/shareregistry.h"

void TProcessShareSendThread::Execute() {
    const QList<ShareRecord> records = registry_.Snapshot();
    // One listing serves counting and sending, so a folder that changes in
    // between cannot turn a non-empty answer into silence.
    ListPacker packer = ListSender(net_, requester_);
    PackShareList(records, {host_.ComputerName, host_.LocalIP}, packer);
    if (packer.Entries() == 0) {
        net_.SendCommand(QStringLiteral("@_+N"), requester_, QString());
        return;
    }
    packer.Finish();
}
