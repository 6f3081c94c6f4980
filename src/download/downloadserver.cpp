#include "download/downloadserver.h"

#include "core/frame.h"
#include "core/session.h"
#include "core/workers.h"
#include "download/downloadserverslots.h"
#include "download/ftpthread.h"
#include "download/servedfiles.h"
#include "platform/fileservers.h"
#include "shares/shareregistry.h"

#include <QFileInfo>

namespace {

QList<qint64> runningFileServers() {
    return fileservers::Running(QStringLiteral("Vellicor"), QString::fromLatin1(LaunchToken));
}

} // namespace

DownloadServer::DownloadServer(Session &session)
    : session_(session), slots_(std::make_unique<FileServerSlots>(runningFileServers)) {
    setObjectName(QStringLiteral("DownloadServer"));
    session.dispatcher().SetHandler("@_+S", [this](const QString &s, const QString &t) { DownloadRequest(s, t); });
    session.dispatcher().SetHandler("@_+R", [this](const QString &s, const QString &t) { StartRequest(s, t); });
}

DownloadServer::~DownloadServer() = default;

void DownloadServer::DownloadRequest(const QString &sender, const QString &text) {
    const QChar sep = QLatin1Char(';');
    const QString path = GetField(text, sep, 4);
    Messenger &net = session_.net();
    const qint64 size = ServedFileSize(session_.registry().Records(), path);
    if (size < 0) {
        net.SendCommand(QStringLiteral("@_+O"), sender, {});
        return;
    }
    const QString server = session_.host().FileServerPath;
    if (server.isEmpty() || !QFileInfo(server).isFile()) {
        net.SendCommand(QStringLiteral("@_+V"), sender, {});
        return;
    }
    if (!slots_->Free(sender)) {
        net.SendCommand(QStringLiteral("@_+M"), sender, {});
        return;
    }
    net.SendCommand(QStringLiteral("@_+I"), sender, path + sep + QString::number(size));
}

void DownloadServer::StartRequest(const QString &sender, const QString &text) {
    const QChar sep = QLatin1Char(';');
    // A requester that skips the download request, or ignores its "busy"
    // answer, must not start file servers past the limit: the slot is taken
    // here, before the launcher runs.
    int before = 0;
    const int slot = slots_->Reserve(sender, &before);
    if (slot == 0) {
        session_.net().SendCommand(QStringLiteral("@_+M"), sender, {});
        return;
    }
    TProcessFTPThread launcher(session_, sender, GetField(text, sep, 2), GetField(text, sep, 3),
                               ParseStartOffset(GetField(text, sep, 4)), *slots_, slot, FileServerPort(sender, before));
    const bool started = StartWorker([launcher]() mutable { launcher.Execute(); });
    if (!started) slots_->Release(slot);
}
