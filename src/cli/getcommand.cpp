#include "cli/getcommand.h"

#include "cli/cliargs.h"
#include "cli/clihosts.h"
#include "cli/clisession.h"
#include "core/session.h"
#include "download/downloadqueue.h"
#include "download/downloads.h"
#include "download/transferclient.h"
#include "download/transferfigures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

// The progress line of a terminal: percent, speed and time left, redrawn in place.
class ProgressLine {
public:
    explicit ProgressLine(bool shown) : shown_(shown) { clock_.start(); }
    void Show(qint64 received, qint64 size) {
        if (!shown_ || size <= 0) return;
        rate_.Sample(clock_.elapsed(), received);
        QString line = QStringLiteral("%1 %  %2 / %3")
                           .arg(received * 100 / size, 3)
                           .arg(ReadableSize(received), ReadableSize(size));
        if (rate_.Known()) {
            line += QStringLiteral("  %1/s").arg(ReadableSize(qint64(rate_.BytesPerSecond())));
            const qint64 left = rate_.SecondsLeft(size);
            if (left >= 0) line += QStringLiteral("  %1 남음").arg(ReadableDuration(left));
        }
        std::fprintf(stdout, "\r%-70s", line.toLocal8Bit().constData());
        std::fflush(stdout);
        drawn_ = true;
    }
    void End() {
        if (drawn_) std::fputs("\n", stdout);
        drawn_ = false;
    }

private:
    bool shown_;
    bool drawn_ = false;
    QElapsedTimer clock_;
    TransferRate rate_;
};

// The folder part of a remote path, up to and with its last separator; a
// Windows owner's path uses "\".
qsizetype nameStart(const QString &remote) {
    return qMax(remote.lastIndexOf(QLatin1Char('/')), remote.lastIndexOf(QLatin1Char('\\'))) + 1;
}

} // namespace

int GetCommand(const CliArgs &a) {
    const QString remote = a.operands.value(1);
    const qsizetype start = nameStart(remote);
    const QString sourceFolder = remote.left(start), fileName = remote.mid(start);
    if (!IsPlainFileName(fileName)) {
        cli::Err(QStringLiteral("받을 파일의 경로가 아닙니다: %1").arg(remote));
        return cli::kUsage;
    }
    Session session(nullptr, Timings::FromEnvironment());
    QString folder = a.Has(QStringLiteral("to")) ? a.Value(QStringLiteral("to")) : session.host().DownloadDir;
    folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (!QDir().mkpath(folder)) {
        cli::Err(QStringLiteral("받을 폴더를 만들 수 없습니다: %1").arg(folder));
        return cli::kFailed;
    }
    const LocalTarget target = MakeTarget(folder, {fileName});
    if (const int status = cli::Start(session)) return status;
    const std::optional<PeerAddress> owner = cli::FindHost(session, a.operands.value(0));
    if (!owner) return cli::Close(session, false), cli::kFailed;

    DownloadQueue &queue = session.downloads().queue();
    TransferClient &client = session.downloads().client();
    const bool overwrite = a.Has(QStringLiteral("overwrite"));
    const int row = queue.Append(fileName, owner->name, overwrite, target, sourceFolder, owner->ip);
    ProgressLine progress(::isatty(STDOUT_FILENO));
    QObject::connect(&queue, &QAbstractItemModel::dataChanged, [&] {
        const DownloadRow &r = queue.Row(row);
        progress.Show(r[DownloadRow::Received].toLongLong(), r[DownloadRow::Size].toLongLong());
    });
    QString state;
    QObject::connect(&queue, &DownloadQueue::stateChanged, [&](int changed) {
        const DownloadRow &r = queue.Row(changed);
        if (changed != row || r.IsActive() || r[DownloadRow::State] == rowstate::Waiting) return;
        state = r[DownloadRow::State];
        QCoreApplication::quit();
    });
    client.StartAll();
    const bool finished = cli::Run(session);
    progress.End();
    client.Stop();
    const int closed = cli::Close(session, false);
    if (!finished) {
        cli::Err(QStringLiteral("중지했습니다. 다시 받으면 이어받습니다: %1").arg(target.Path()));
        return cli::kFailed;
    }
    if (state != rowstate::Complete) {
        cli::Err(QStringLiteral("받지 못했습니다 (%1): %2").arg(state, remote));
        return cli::kFailed;
    }
    cli::Out(target.Path());
    return closed;
}
