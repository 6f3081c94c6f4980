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
    const QList<ShareEntry> entries = ReadListDatagram(text_);
    views.BeginUpdate();
    views.AddEntries(entries);
    listing_.CountReceived(int(entries.size()));
    views.ExpandAll();
    views.EndUpdate();
    main_.L_SearchFileCnt()->setText(QString::number(listing_.ReceivedCount()));
}
