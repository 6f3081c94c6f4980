#include "listing/sharerecvthread.h"

#include "core/mainform.h"
#include "listing/listdatagram.h"
#include "listing/listingcontroller.h"

#include <QLabel>
#include <QTimer>

void TProcessShareRecvThread::Execute() {
    main_.Timer_FileShare()->stop();
    main_.SetStatusText(QString());
    RemoteShareViews &views = listing_.views();
    QList<ShareEntry> entries = ReadListDatagram(text_);
    const int room = qMax(0, ListingController::kMaxRows - listing_.ReceivedCount());
    if (entries.size() > room) {
        entries.resize(room);
        const int cap = ListingController::kMaxRows;
        main_.SetStatusText(QStringLiteral("받은 파일이 너무 많아 %1개까지만 보여 줍니다").arg(cap));
        if (entries.isEmpty()) return;
    }
    views.BeginUpdate();
    views.AddEntries(entries);
    listing_.CountReceived(int(entries.size()));
    views.ExpandAll();
    views.EndUpdate();
    main_.L_SearchFileCnt()->setText(QString::number(listing_.ReceivedCount()));
}
