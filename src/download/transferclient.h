#pragma once
// Fetches the queue's rows one at a time, in list order: the scheduler, the
// request exchange with the owner, and the transfer from its file server.
// Everything runs on the main thread, driven by the three timers, the
// owner's replies and the socket.
#include "download/localtarget.h"
#include "download/targetfile.h"
#include "download/transferconnection.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class Dispatcher;
class DownloadQueue;
class Messenger;
class QTimer;
struct HostIdentity;

namespace rowstate {
inline const QString NoAnswer = QStringLiteral("응답없음");
inline const QString FileMissing = QStringLiteral("요청파일없음");
inline const QString NoFileServer = QStringLiteral("파일서버없음");
inline const QString ServerBusy = QStringLiteral("파일서버바쁨");
inline const QString SocketError = QStringLiteral("내부소켓오류");
inline const QString ConnectFailed = QStringLiteral("연결실패");
inline const QString ConnectDelayed = QStringLiteral("전송지연");
inline const QString CreateError = QStringLiteral("파일생성에러");
inline const QString Broken = QStringLiteral("전송끊김");
} // namespace rowstate

// The values of the row being fetched.
struct CurrentDownload {
    QString LocalPath;
    qint64 ResumeOffset = 0;
    QString RemotePath;
    qint64 RemoteSize = 0;
    QString OwnerIP;
    quint16 ServerPort = 0;
    bool OverwriteMode = false;
    // The size the owner gave in "@_+I", once "@_+R" has gone out for it; -1 before.
    qint64 AnnouncedSize = -1;
    LocalTarget Target;
    // The row's name in the queue, as it was when its request went out.
    QString SourceFolder, FileName;
};

class TransferClient : public QObject {
    Q_OBJECT
public:
    // TransferSignal values.
    enum : int { kNothing = 0, kStopRequested = 1, kConnectFailed = 2, kConnectTimedOut = 3, kConnected = 5 };
    static constexpr int kSchedulerMs = 500;
    static constexpr int kConnectDelayMs = 100;

    struct Timers {
        QTimer *downCtl;  // the scheduler
        QTimer *fileDown; // no answer to the request
        QTimer *connect;  // start of the transfer
    };

    // waitMs: how long the owner's reply, the connect and a silence in the
    // transfer may each take before the row fails.
    TransferClient(DownloadQueue &queue, Messenger &net, const HostIdentity &host, Dispatcher &dispatcher,
                   Timers timers, int waitMs, QObject *parent = nullptr);
    ~TransferClient() override;

    int TransferSignal() const { return signal_; }
    const CurrentDownload &Current() const { return current_; }
    // The idle mark: the queue has nothing under way and the user may start rows.
    bool StartEnabled() const { return startEnabled_; }
    void SetStartEnabled(bool enabled);
    // How the transfers' bytes reach the file (see ReceiveLoop::Path).
    void SetReceivePath(ReceiveLoop::Path path) { receivePath_ = path; }

    // The scheduler: hands the first waiting row to BeginDownload.
    void Timer_DownCTLTimer();
    void BeginDownload(int row);
    void Timer_FileDownTimer();
    void Timer_ConnectTimer();

    void Stop();
    void StartAll();
    // Start on the selected rows only.
    void Start(const QList<int> &selected);

signals:
    void startEnabledChanged(bool enabled);
    // The scheduler found nothing more to fetch: the window comes up.
    void queueDone();

private:
    bool IsReplyToRequest(const QString &sender) const;
    // Ends the row before its transfer; the queue goes on unless the state stops it.
    void EndRequest(const QString &state);
    void Refused(const QString &sender, const QString &state);
    void FileInfo(const QString &sender, const QString &text);
    void ServerReady(const QString &sender, const QString &text);
    void ConnectFinished(TransferConnection::Connect result);
    void ReportProgress(qint64 received);
    void ReceiveEnded(TransferConnection::End how);
    void EndTransfer(const QString &state);
    void SetState(const QString &sizeText, const QString &state);
    void ArmScheduler();
    void DropConnection();

    DownloadQueue &queue_;
    Messenger &net_;
    const HostIdentity &host_;
    Timers timers_;
    const int waitMs_;
    CurrentDownload current_;
    int signal_ = kNothing;
    bool startEnabled_ = false;
    enum class Phase { Idle, Connecting, Receiving } phase_ = Phase::Idle;
    ReceiveLoop::Path receivePath_ = ReceiveLoop::Path::Splice;
    std::unique_ptr<TransferConnection> connection_;
    TargetFile file_;
};
