#include "download/downloads.h"

#include "core/session.h"
#include "download/downloadqueue.h"
#include "download/transferclient.h"

#include <QTimer>

namespace {

QTimer *makeTimer(QObject *parent, const char *name) {
    auto *t = new QTimer(parent);
    t->setObjectName(QString::fromLatin1(name));
    return t;
}

} // namespace

Downloads::Downloads(Session &session)
    : queue_(new DownloadQueue(this)), downCtl_(makeTimer(this, "Timer_DownCTL")),
      fileDown_(makeTimer(this, "Timer_FileDown")), connect_(makeTimer(this, "Timer_Connect")) {
    setObjectName(QStringLiteral("Downloads"));
    client_ = std::make_unique<TransferClient>(*queue_, session.net(), session.host(), session.dispatcher(),
                                               TransferClient::Timers{downCtl_, fileDown_, connect_},
                                               session.timings().transferWaitMs);
}

Downloads::~Downloads() = default;
