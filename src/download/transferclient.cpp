#include "download/transferclient.h"

#include "core/dispatcher.h"
#include "core/frame.h"
#include "core/host.h"
#include "core/messenger.h"
#include "download/downloadqueue.h"
#include "platform/hostinfo.h"

#include <QTimer>

#include <cmath>
#include <limits>

#include <arpa/inet.h>

namespace {

// -1 when text is no size.
qint64 SizeOf(const QString &text) {
    bool ok = false;
    const qulonglong v = text.toULongLong(&ok);
    return ok && v <= qulonglong(std::numeric_limits<qint64>::max()) ? qint64(v) : -1;
}

// Dotted IPv4 text of one host: a request must never go out as a broadcast
// (a crafted list entry that is no address would become 255.255.255.255).
bool IsHostAddress(const QString &ip) {
    in_addr a{};
    if (::inet_pton(AF_INET, ip.toLatin1().constData(), &a) != 1) return false;
    const quint32 v = ntohl(a.s_addr);
    // "This network" below, multicast and the reserved block with the broadcast above.
    if (v >> 24 == 0 || v >= 0xE0000000u) return false;
    return !hostinfo::IsInterfaceBroadcast(a.s_addr);
}

QString PercentText(qint64 received, qint64 size) {
    return QString::number(qint64(std::floor(double(received) * 100.0 / double(size))));
}

} // namespace

TransferClient::TransferClient(DownloadQueue &queue, Messenger &net, const HostIdentity &host,
                               Dispatcher &dispatcher, Timers timers, int waitMs, QObject *parent)
    : QObject(parent), queue_(queue), net_(net), host_(host), timers_(timers), waitMs_(waitMs) {
    for (QTimer *t : {timers_.downCtl, timers_.fileDown, timers_.connect}) t->setSingleShot(true);
    timers_.downCtl->setInterval(kSchedulerMs);
    timers_.fileDown->setInterval(waitMs_);
    timers_.connect->setInterval(kConnectDelayMs);
    connect(timers_.downCtl, &QTimer::timeout, this, &TransferClient::Timer_DownCTLTimer);
    connect(timers_.fileDown, &QTimer::timeout, this, &TransferClient::Timer_FileDownTimer);
    connect(timers_.connect, &QTimer::timeout, this, &TransferClient::Timer_ConnectTimer);
    connect(&queue_, &DownloadQueue::countersChanged, this, [this] {
        if (queue_.Count() == 0) SetStartEnabled(false);
    });

    dispatcher.SetHandler("@_+O", [this](const QString &from, const QString &) { Refused(from, rowstate::FileMissing); });
    dispatcher.SetHandler("@_+V", [this](const QString &from, const QString &) { Refused(from, rowstate::NoFileServer); });
    dispatcher.SetHandler("@_+M", [this](const QString &from, const QString &) { Refused(from, rowstate::ServerBusy); });
    dispatcher.SetHandler("@_+I", [this](const QString &from, const QString &text) { FileInfo(from, text); });
    dispatcher.SetHandler("@_+K", [this](const QString &from, const QString &text) { ServerReady(from, text); });
}

TransferClient::~TransferClient() = default;

void TransferClient::SetStartEnabled(bool enabled) {
    if (startEnabled_ == enabled) return;
    startEnabled_ = enabled;
    emit startEnabledChanged(enabled);
}

void TransferClient::Timer_DownCTLTimer() {
    timers_.downCtl->stop();
    if (signal_ == kStopRequested || timers_.fileDown->isActive() || timers_.connect->isActive()) return;
    if (queue_.AnyActive() || phase_ != Phase::Idle) {
        SetStartEnabled(false);
        return;
    }
    const int row = queue_.FirstWaiting();
    if (row < 0) {
        emit queueDone();
        SetStartEnabled(true);
        return;
    }
    signal_ = kNothing;
    queue_.SetState(row, {}, rowstate::Connecting);
    BeginDownload(row);
}

void TransferClient::BeginDownload(int r) {
    timers_.fileDown->start();
    timers_.connect->stop();
    const DownloadRow &row = queue_.Row(r);
    current_ = {};
    current_.LocalPath = row[DownloadRow::SavePath];
    current_.Target = row.target;
    current_.SourceFolder = row[DownloadRow::SourceFolder];
    current_.FileName = row[DownloadRow::FileName];
    current_.RemotePath = current_.SourceFolder + current_.FileName;
    current_.OwnerIP = row[DownloadRow::OwnerIP];
    current_.OverwriteMode = row.Overwrite();
    if (!IsHostAddress(current_.OwnerIP)) {
        EndRequest(rowstate::ConnectFailed);
        return;
    }
    TargetFile::MakeFolders(current_.Target);
    net_.SendCommand(QStringLiteral("@_+S"), current_.OwnerIP,
                     host_.ComputerName + QLatin1Char(';') + row[DownloadRow::Owner] + QLatin1Char(';') +
                         current_.RemotePath);
}

bool TransferClient::IsReplyToRequest(const QString &sender) const {
    // Only the owner asked can answer: a stray reply would end the wrong request.
    return timers_.fileDown->isActive() && sender == current_.OwnerIP;
}

void TransferClient::EndRequest(const QString &state) {
    timers_.fileDown->stop();
    SetState({}, state);
    // Like a file that cannot be opened, a full disk leaves the queue to the user.
    if (state != rowstate::CreateError) ArmScheduler();
}

void TransferClient::Refused(const QString &sender, const QString &state) {
    if (IsReplyToRequest(sender)) EndRequest(state);
}

void TransferClient::FileInfo(const QString &sender, const QString &text) {
    // One start request per attempt: a second one would start a second file server.
    if (!IsReplyToRequest(sender) || current_.AnnouncedSize >= 0 ||
        GetField(text, QLatin1Char(';'), 2) != current_.RemotePath)
        return;
    const qint64 size = SizeOf(GetField(text, QLatin1Char(';'), 3));
    if (size < 0) return;
    const qint64 existing = TargetFile::ExistingSize(current_.Target);
    current_.ResumeOffset = current_.OverwriteMode ? 0 : qMax<qint64>(0, existing);
    // A local file longer than the owner's is some other file: it is left as it is.
    if (current_.ResumeOffset > size) {
        EndRequest(rowstate::Broken);
        return;
    }
    // Truncating frees what the file held.
    const qint64 freed = current_.OverwriteMode ? qMax<qint64>(0, existing) : 0;
    if (!TargetFile::HasRoom(current_.Target, size - current_.ResumeOffset - freed)) {
        EndRequest(rowstate::CreateError);
        return;
    }
    current_.AnnouncedSize = size;
    net_.SendCommand(QStringLiteral("@_+R"), sender,
                     host_.ComputerName + QLatin1Char(';') + current_.RemotePath + QLatin1Char(';') +
                         QString::number(current_.ResumeOffset));
}

void TransferClient::ServerReady(const QString &sender, const QString &text) {
    // A late answer about an earlier file, or to an earlier attempt at this
    // one (its offset may not be this attempt's), must not pour its bytes in;
    // neither may an answer whose size is not the one this attempt was told.
    if (!IsReplyToRequest(sender) || current_.AnnouncedSize < 0 ||
        GetField(text, QLatin1Char(';'), 3) != current_.RemotePath ||
        SizeOf(GetField(text, QLatin1Char(';'), 4)) != current_.AnnouncedSize)
        return;
    timers_.fileDown->stop();
    bool ok = false;
    const uint port = GetField(text, QLatin1Char(';'), 2).toUInt(&ok);
    current_.ServerPort = ok && port <= 65535 ? quint16(port) : 0;
    current_.RemoteSize = current_.AnnouncedSize;
    SetState(QString::number(current_.RemoteSize), rowstate::Transferring);
    timers_.connect->start();
}

void TransferClient::Timer_FileDownTimer() {
    timers_.fileDown->stop();
    timers_.connect->stop();
    SetState({}, rowstate::NoAnswer);
    ArmScheduler();
}

void TransferClient::Timer_ConnectTimer() {
    timers_.fileDown->stop();
    timers_.connect->stop();
    timers_.downCtl->stop();
    connection_ = std::make_unique<TransferConnection>(receivePath_);
    if (!connection_->Create(host_.LocalIP)) {
        DropConnection();
        SetState({}, rowstate::SocketError);
        queue_.FailWaiting(rowstate::SocketError);
        return;
    }
    connect(connection_.get(), &TransferConnection::connectFinished, this, &TransferClient::ConnectFinished);
    connect(connection_.get(), &TransferConnection::progress, this, &TransferClient::ReportProgress);
    connect(connection_.get(), &TransferConnection::ended, this, &TransferClient::ReceiveEnded);
    // Connecting clears a Stop that came while the request was out.
    signal_ = kNothing;
    phase_ = Phase::Connecting;
    connection_->StartConnect(current_.OwnerIP, current_.ServerPort, waitMs_);
}

void TransferClient::ConnectFinished(TransferConnection::Connect result) {
    if (phase_ != Phase::Connecting) return;
    switch (result) {
    case TransferConnection::Connect::Failed:
        signal_ = kConnectFailed;
        EndTransfer(rowstate::ConnectFailed);
        return;
    case TransferConnection::Connect::TimedOut:
        signal_ = kConnectTimedOut;
        EndTransfer(rowstate::ConnectDelayed);
        return;
    case TransferConnection::Connect::Connected:
        break;
    }
    signal_ = kConnected;
    if (!file_.Open(current_.Target, current_.ResumeOffset)) {
        phase_ = Phase::Idle;
        DropConnection();
        file_.Close();
        // The queue stays idle until the user starts it again.
        SetState({}, rowstate::CreateError);
        return;
    }
    signal_ = kNothing;
    phase_ = Phase::Receiving;
    const qint64 received = current_.ResumeOffset > 0 ? current_.ResumeOffset : 0;
    // A resumed row shows at once how much it already holds.
    if (received > 0 && current_.RemoteSize > 0) ReportProgress(received);
    connection_->StartReceive(&file_, received, current_.RemoteSize, waitMs_);
}

void TransferClient::ReportProgress(qint64 received) {
    if (current_.RemoteSize <= 0) return;
    queue_.SetProgress(queue_.Find(current_.OwnerIP, current_.SourceFolder, current_.FileName),
                       PercentText(received, current_.RemoteSize), QString::number(received));
}

void TransferClient::ReceiveEnded(TransferConnection::End how) {
    if (phase_ != Phase::Receiving) return;
    const bool written = file_.Close();
    const qint64 received = connection_->Received();
    ReportProgress(received);
    if (!written || how == TransferConnection::End::ReceiveFailed || how == TransferConnection::End::WriteFailed)
        EndTransfer(rowstate::Broken);
    else if (signal_ != kNothing)
        EndTransfer(rowstate::Stopped);
    else
        // Complete only when the file holds exactly what was announced: a close
        // or a silence before that is a broken transfer, not a finished one.
        EndTransfer(TargetFile::ExistingSize(current_.Target) == current_.RemoteSize ? rowstate::Complete
                                                                                     : rowstate::Broken);
}

void TransferClient::EndTransfer(const QString &state) {
    phase_ = Phase::Idle;
    DropConnection();
    file_.Close();
    SetState({}, state);
    ArmScheduler();
}

void TransferClient::DropConnection() {
    if (!connection_) return;
    connection_->Abort();
    // Its signal may be the one being handled.
    connection_.release()->deleteLater();
}

void TransferClient::Stop() {
    signal_ = kStopRequested;
    SetStartEnabled(true);
    if (phase_ == Phase::Connecting) {
        EndTransfer(rowstate::Stopped);
    } else if (phase_ == Phase::Receiving) {
        connection_->Abort();
        const bool written = file_.Close();
        ReportProgress(connection_->Received());
        EndTransfer(written ? rowstate::Stopped : rowstate::Broken);
    }
}

void TransferClient::StartAll() {
    signal_ = kNothing;
    SetStartEnabled(false);
    ArmScheduler();
}

void TransferClient::Start(const QList<int> &selected) {
    if (timers_.fileDown->isActive() || timers_.connect->isActive()) return;
    if (queue_.AnyActive() || phase_ != Phase::Idle) {
        SetStartEnabled(false);
        return;
    }
    queue_.StartSelected(selected);
    signal_ = kNothing;
    ArmScheduler();
}

void TransferClient::SetState(const QString &sizeText, const QString &state) {
    queue_.SetState(queue_.Find(current_.OwnerIP, current_.SourceFolder, current_.FileName), sizeText, state);
}

void TransferClient::ArmScheduler() { timers_.downCtl->start(); }
