#include "download/downloadserver.h"

#include "core/frame.h"
#include "core/mainform.h"
#include "core/workers.h"
#include "download/ftpthread.h"
#include "download/servedfiles.h"
#include "platform/fileservers.h"
#include "shares/shareregistry.h"

#include <QFileInfo>

namespace {

// Five running file servers still let a request through; the sixth blocks it.
constexpr int kMaxFileServers = 5;

} // namespace

DownloadServer::DownloadServer(TMainForm &main) : main_(main) {
    setObjectName(QStringLiteral("DownloadServer"));
    main.dispatcher().SetHandler("@_+S", [this](const QString &s, const QString &t) { DownloadRequest(s, t); });
    main.dispatcher().SetHandler("@_+R", [this](const QString &s, const QString &t) { StartRequest(s, t); });
}

void DownloadServer::CountFileServers() {
    fileServerCount_.store(
        int(fileservers::Running(QStringLiteral("Vellicor"), QString::fromLatin1(LaunchToken)).size()));
}

void DownloadServer::DownloadRequest(const QString &sender, const QString &text) {
    const QChar sep = QLatin1Char(';');
    const QString path = GetField(text, sep, 4);
    Messenger &net = main_.net();
    const qint64 size = ServedFileSize(main_.registry().Records(), path);
    if (size < 0) {
        net.SendCommand(QStringLiteral("@_+O"), sender, {});
        return;
    }
    const QString server = main_.host().FileServerPath;
    if (server.isEmpty() || !QFileInfo(server).isFile()) {
        net.SendCommand(QStringLiteral("@_+V"), sender, {});
        return;
    }
    CountFileServers();
    if (FileServerCount() > kMaxFileServers) {
        net.SendCommand(QStringLiteral("@_+M"), sender, {});
        return;
    }
    net.SendCommand(QStringLiteral("@_+I"), sender, path + sep + QString::number(size));
}

void DownloadServer::StartRequest(const QString &sender, const QString &text) {
    const QChar sep = QLatin1Char(';');
    // A requester that skips the download request, or ignores its "busy"
    // answer, must not start file servers past the limit.
    CountFileServers();
    if (FileServerCount() > kMaxFileServers) {
        main_.net().SendCommand(QStringLiteral("@_+M"), sender, {});
        return;
    }
    StartWorker([thread = TProcessFTPThread(main_, sender, GetField(text, sep, 2), GetField(text, sep, 3),
                                            ParseStartOffset(GetField(text, sep, 4)))]() mutable { thread.Execute(); });
}
