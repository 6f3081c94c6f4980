#include "download/ftpthread.h"

#include "core/session.h"
#include "core/workers.h"
#include "download/downloadserverslots.h"
#include "download/servedfiles.h"
#include "platform/fileservers.h"
#include "platform/process.h"
#include "shares/shareregistry.h"

#include <QElapsedTimer>

#include <cmath>
#include <limits>

#include <unistd.h>

namespace {

// Long enough for a loaded computer to start the server, short enough that
// the requester's 5-second wait for the port still covers it.
constexpr int kListenWaitMs = 2500;

} // namespace

quint16 FileServerPort(const QString &requesterIp, int runningServers) {
    QString tail = requesterIp.right(3);
    const qsizetype dot = tail.indexOf(QLatin1Char('.'));
    if (dot >= 0) tail = tail.mid(dot + 1);
    const int octet = tail.toInt();
    return quint16(9265 + octet + runningServers);
}

QStringList FileServerArguments(const QString &requesterIp, quint16 port, const QString &requesterName,
                                const QString &filePath, qint64 size, qint64 startOffset) {
    return {requesterIp,           QString::number(port),        requesterName, filePath,
            QString::number(size), QString::number(startOffset), QString::fromLatin1(LaunchToken)};
}

qint64 ParseStartOffset(const QString &field) {
    bool ok = false;
    const qint64 whole = field.toLongLong(&ok);
    if (ok) return qMax<qint64>(whole, 0);
    // Copies that hold the offset as a floating-point number may send it in that form.
    const double d = field.toDouble(&ok);
    if (!ok || !std::isfinite(d) || d <= 0) return 0;
    return d >= 9.2e18 ? std::numeric_limits<qint64>::max() : qint64(d);
}

TProcessFTPThread::TProcessFTPThread(Session &session, QString requesterIp, QString requesterName, QString filePath,
                                     qint64 startOffset, FileServerSlots &serverSlots, int slot, quint16 port)
    : session_(session), RequesterIP(std::move(requesterIp)), RequesterName(std::move(requesterName)),
      FilePath(std::move(filePath)), StartOffset(startOffset), slots_(serverSlots), slot_(slot), port_(port) {}

void TProcessFTPThread::Execute() {
    Messenger &net = session_.net();
    // The file may have gone, or been unshared, since the download request.
    // The server gets the file opened here, not its path: what it sends is
    // what was checked.
    qint64 size = -1;
    const int file = OpenServedFile(session_.registry().Snapshot(), FilePath, &size);
    if (file < 0) {
        slots_.Release(slot_);
        net.SendCommand(QStringLiteral("@_+O"), RequesterIP, {});
        return;
    }
    const QStringList args =
        FileServerArguments(RequesterIP, port_, RequesterName, FilePath, size, qMin(StartOffset, size));
    const qint64 pid = process::StartDetached(session_.host().FileServerPath, args, file);
    ::close(file);
    if (pid < 0) {
        slots_.Release(slot_);
        net.SendCommand(QStringLiteral("@_+V"), RequesterIP, {});
        return;
    }
    slots_.Started(slot_, pid);
    // A server that ends at once could not take its port (another one holds it).
    if (!WaitListening(pid, port_)) {
        net.SendCommand(QStringLiteral("@_+M"), RequesterIP, {});
        return;
    }
    net.SendCommand(QStringLiteral("@_+K"), RequesterIP,
                    QString::number(port_) + QLatin1Char(';') + FilePath + QLatin1Char(';') + QString::number(size) +
                        QLatin1Char(';'));
}

bool TProcessFTPThread::WaitListening(qint64 pid, quint16 port) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < kListenWaitMs && !ShuttingDown()) {
        switch (fileservers::ListenState(pid, port)) {
        case fileservers::Readiness::Listening: return true;
        case fileservers::Readiness::Ended: return false;
        case fileservers::Readiness::Starting: WaitPumping(5); break;
        }
    }
    // Still starting: it may yet take the connection, so the requester is told the port.
    return true;
}
