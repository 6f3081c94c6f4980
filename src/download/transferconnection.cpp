#include "download/transferconnection.h"

#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

TransferConnection::TransferConnection(ReceiveLoop::Path path, QObject *parent)
    : QObject(parent), timer_(new QTimer(this)), progressTimer_(new QTimer(this)), loop_(path) {
    timer_->setSingleShot(true);
    progressTimer_->setInterval(kProgressMs);
    connect(progressTimer_, &QTimer::timeout, this, &TransferConnection::ReportProgress);
}

TransferConnection::~TransferConnection() { CloseSocket(); }

bool TransferConnection::Create(const QString &localIp) {
    CloseSocket();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd_ < 0) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (::inet_pton(AF_INET, localIp.toLatin1().constData(), &local.sin_addr) != 1 ||
        ::bind(fd_, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
        CloseSocket();
        return false;
    }
    return true;
}

void TransferConnection::StartConnect(const QString &ip, quint16 port, int timeoutMs) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    int rc = -1;
    if (::inet_pton(AF_INET, ip.toLatin1().constData(), &addr.sin_addr) == 1) {
        do rc = ::connect(fd_, reinterpret_cast<const sockaddr *>(&addr), sizeof addr);
        while (rc < 0 && errno == EINTR);
    }
    if (rc == 0 || errno != EINPROGRESS) {
        const Connect result = rc == 0 ? Connect::Connected : Connect::Failed;
        QMetaObject::invokeMethod(this, [this, result] { emit connectFinished(result); }, Qt::QueuedConnection);
        return;
    }
    connecting_ = true;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TransferConnection::ConnectReady);
    timer_->disconnect();
    connect(timer_, &QTimer::timeout, this, [this] {
        connecting_ = false;
        DropNotifier();
        emit connectFinished(Connect::TimedOut);
    });
    timer_->start(timeoutMs);
}

void TransferConnection::ConnectReady() {
    if (!connecting_) return;
    connecting_ = false;
    timer_->stop();
    DropNotifier();
    int error = 0;
    socklen_t len = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
    emit connectFinished(error == 0 ? Connect::Connected : Connect::Failed);
}

void TransferConnection::StartReceive(TargetFile *file, qint64 received, qint64 limit, int silenceMs) {
    reported_ = received;
    receiving_ = loop_.Start(fd_, file, received, limit, silenceMs, [this](End how) {
        QMetaObject::invokeMethod(this, [this, how] { LoopEnded(how); }, Qt::QueuedConnection);
    });
    if (!receiving_) {
        QMetaObject::invokeMethod(this, [this] { emit ended(End::ReceiveFailed); }, Qt::QueuedConnection);
        return;
    }
    progressTimer_->start();
}

void TransferConnection::ReportProgress() {
    const qint64 received = loop_.Received();
    if (received == reported_) return;
    reported_ = received;
    emit progress(received);
}

void TransferConnection::LoopEnded(End how) {
    // An Abort before this came through has ended the transfer already.
    if (!receiving_) return;
    CloseSocket();
    emit ended(how);
}

void TransferConnection::Abort() { CloseSocket(); }

void TransferConnection::CloseSocket() {
    // The loop lets go of the socket before it is closed.
    loop_.Stop();
    receiving_ = false;
    connecting_ = false;
    timer_->stop();
    progressTimer_->stop();
    DropNotifier();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void TransferConnection::DropNotifier() {
    // It may be the one whose signal is being handled right now.
    if (!notifier_) return;
    notifier_->setEnabled(false);
    notifier_->deleteLater();
    notifier_ = nullptr;
}
