#pragma once
// The TCP side of one transfer: a connect that gives up after a while, then
// the bytes the file server sends, written into the target file as they come
// by a loop of their own; the main thread only looks at how far it has got.
#include "download/receiveloop.h"

#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

class TransferConnection : public QObject {
    Q_OBJECT
public:
    enum class Connect { Connected, Failed, TimedOut };
    using End = ReceiveLoop::End;

    // Time between two progress reports: often enough for the eye, rarely
    // enough that the list costs nothing next to the transfer.
    static constexpr int kProgressMs = 250;

    explicit TransferConnection(ReceiveLoop::Path path, QObject *parent = nullptr);
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
    // Ends whatever runs, without a signal; what was received is in the file.
    void Abort();

    qint64 Received() const { return loop_.Received(); }

signals:
    void connectFinished(TransferConnection::Connect result);
    // Every kProgressMs while the count grows.
    void progress(qint64 received);
    void ended(TransferConnection::End how);

private:
    void ConnectReady();
    void ReportProgress();
    void LoopEnded(End how);
    void CloseSocket();
    void DropNotifier();

    int fd_ = -1;
    QSocketNotifier *notifier_ = nullptr;
    QTimer *timer_ = nullptr;
    QTimer *progressTimer_ = nullptr;
    ReceiveLoop loop_;
    qint64 reported_ = 0;
    bool connecting_ = false;
    bool receiving_ = false;
};
