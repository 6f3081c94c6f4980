#pragma once
// Hands each received datagram to the handler of its command code. The
// table's order is the protocol's; subsystems fill in their rows with
// SetHandler (or SetBroadcastHandler for the sub-commands of "@_&#").
#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <functional>

struct HostIdentity;

class Dispatcher {
public:
    // sender: dotted IPv4 text of the source; text: the datagram decoded, up to its first NUL.
    using Handler = std::function<void(const QString &sender, const QString &text)>;

    // After the protocol's 17 rows come codes of our own, which the original ignores:
    // "@_+E" ends a fast browse answer.
    static constexpr std::array<const char *, 18> kCommandTable = {
        "@_&#", "@_+G", "@_+L", "@_+N", "@_+S", "@_+O", "@_+V", "@_+M", "@_+I",
        "@_+R", "@_+K", "@_*J", "@_*T", "@_*C", "@_*V", "@_*I", "@_*X", "@_+E"};

    explicit Dispatcher(const HostIdentity &host) : host_(host) {}

    // Runs on the main thread for each datagram of that code (rows 2 on).
    void SetHandler(const char *code, Handler handler);
    // Where a broadcast handler runs: on a broadcast worker thread, handing
    // window work to the main thread; or on the main thread when all it does
    // is queue its work, so that a flood does not fill the worker pool.
    enum BroadcastThread { OnWorker, OnMainThread };
    // Runs for each envelope with that sub-command ("@_&F", "@_+B").
    void SetBroadcastHandler(const char *subCommand, Handler handler, BroadcastThread where = OnWorker);

    // One received datagram, as it came off the socket.
    void DispatchDatagram(const QString &sender, const QByteArray &datagram);

private:
    void BroadcastEnvelope(const QString &sender, const QString &text);

    const HostIdentity &host_;
    std::array<Handler, kCommandTable.size()> handlers_{};
    struct BroadcastHandler {
        Handler handler;
        BroadcastThread where = OnWorker;
    };
    QHash<QString, BroadcastHandler> broadcastHandlers_;
};
