#include "core/singleinstance.h"

#include "chat/windowlook.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// An abstract socket lives in the network namespace, as the port does: a copy
// on a test network of namespaces never answers for another one.
QString beaconName() { return QStringLiteral("quillmere-%1").arg(::getuid()); }

bool sameUser(const QLocalSocket &socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::getuid();
}

} // namespace

InstanceBeacon::InstanceBeacon(QWidget *window) : QObject(window) {
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    // A name taken by another user's program only costs this hand-over.
    if (!server->listen(beaconName())) return;
    connect(server, &QLocalServer::newConnection, this, [server, window] {
        while (QLocalSocket *caller = server->nextPendingConnection()) {
            if (sameUser(*caller)) BringToFront(window);
            caller->deleteLater();
        }
    });
}

bool RaiseRunningCopy() {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(beaconName());
    // Connecting is all it takes: the running copy may be this very process, in a test.
    return socket.waitForConnected(1000) && sameUser(socket);
}
