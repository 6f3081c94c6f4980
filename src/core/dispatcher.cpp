#include "core/dispatcher.h"

#include "core/broadcastthread.h"
#include "core/frame.h"
#include "core/host.h"
#include "core/workers.h"
#include "platform/cp949.h"

#include <cstring>

void Dispatcher::SetHandler(const char *code, Handler handler) {
    for (size_t i = 1; i < kCommandTable.size(); ++i) {
        if (std::strcmp(kCommandTable[i], code) == 0) {
            handlers_[i] = std::move(handler);
            return;
        }
    }
    Q_ASSERT_X(false, "Dispatcher::SetHandler", code);
}

void Dispatcher::SetBroadcastHandler(const char *subCommand, Handler handler, BroadcastThread where) {
    broadcastHandlers_.insert(QString::fromLatin1(subCommand), {std::move(handler), where});
}

void Dispatcher::DispatchDatagram(const QString &sender, const QByteArray &datagram) {
    if (datagram.size() < 4) return;
    const QByteArray code = datagram.left(4);
    const qsizetype nul = datagram.indexOf('\0');
    const QString text = cp949::decode(nul < 0 ? datagram : datagram.left(nul));
    for (size_t i = 0; i < kCommandTable.size(); ++i) {
        if (code != kCommandTable[i]) continue;
        if (i == 0)
            BroadcastEnvelope(sender, text);
        else if (handlers_[i])
            handlers_[i](sender, text);
        return;
    }
}

void Dispatcher::BroadcastEnvelope(const QString &sender, const QString &text) {
    const QString sub = GetField(text, QLatin1Char(';'), 2);
    if (sender == host_.LocalIP && sub == QLatin1String("@_+B")) return; // no answer to one's own search
    const BroadcastHandler handler = broadcastHandlers_.value(sub);
    if (handler.where == OnMainThread) {
        if (handler.handler) handler.handler(sender, text);
        return;
    }
    StartWorker([thread = TProcessBroadcastThread(sender, text, handler.handler)]() mutable { thread.Execute(); });
}
