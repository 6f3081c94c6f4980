#pragma once
// The TCP side of one transfer: a connect that gives up after a while, then
// the bytes the file server sends, written into the target file as they come.
#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;
class TargetFile;

class TransferConnection : public QObject {
    Q_OBJECT
public:
    enum class Connect { Connected, Failed, TimedOut };
    enum class End { Closed, Silent, ReceiveFailed, WriteFailed };

    // Bytes asked of the socket at a time. Receives of 4 KiB cost twice the
    // CPU time per byte of these, and the transfer is bound by it.
    static constexpr int kReceiveBytes = 64 * 1024;
    // Bytes between two progress reports: ten receives of 4 KiB.
    static constexpr qint64 kReportBytes = 10 * 4096;

    explicit TransferConnection(QObject *parent = nullptr);
    ~TransferConnection() override;

    // False when no socket could be made. It is bound to localIp: the file
    // server takes only the address that asked for the file, which need not
    // be the one the kernel would choose for the route.
    bool Create(const QString &localIp);
    // Starts connecting; connectFinished follows, never from inside this call.
    void StartConnect(const QString &ip, quint16 port, int timeoutMs);
    // Receives into file until the server closes, a receive or write fails,
    // nothing arrives for silenceMs, or received reaches limit (the announced
    // size: a server must not fill the disk with more); received counts on
    // from its start value.
    void StartReceive(TargetFile *file, qint64 received, qint64 limit, int silenceMs);
    // Ends whatever runs, without a signal.
    void Abort();

    qint64 Received() const { return received_; }

signals:
    void connectFinished(TransferConnection::Connect result);
    // Every kReportBytes received.
    void progress(qint64 received);
    void ended(TransferConnection::End how);

private:
    void ConnectReady();
    void ReadReady();
    void Finish(End how);
    void CloseSocket();
    void DropNotifier();

    int fd_ = -1;
    QSocketNotifier *notifier_ = nullptr;
    QTimer *timer_ = nullptr;
    TargetFile *file_ = nullptr;
    qint64 received_ = 0;
    qint64 limit_ = 0;
    qint64 reported_ = 0;
    bool connecting_ = false;
};
