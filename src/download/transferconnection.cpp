#include "download/transferconnection.h"

#include "download/targetfile.h"

#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Receives per wake-up before the event loop gets its turn again.
constexpr int kReceivesPerWake = 16;

} // namespace

TransferConnection::TransferConnection(QObject *parent) : QObject(parent), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
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
    file_ = file;
    received_ = received;
    limit_ = limit;
    reported_ = received;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TransferConnection::ReadReady);
    timer_->disconnect();
    timer_->setInterval(silenceMs);
    connect(timer_, &QTimer::timeout, this, [this] { Finish(End::Silent); });
    timer_->start();
}

void TransferConnection::ReadReady() {
    for (int i = 0; i < kReceivesPerWake && fd_ >= 0; ++i) {
        // Whatever comes after the announced size is not taken.
        const qint64 room = qMin<qint64>(kReceiveBytes, limit_ - received_);
        if (room <= 0) {
            Finish(End::Closed);
            return;
        }
        char *at = file_->Reserve(room);
        const ssize_t n = ::recv(fd_, at, size_t(room), 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            Finish(End::ReceiveFailed);
            return;
        }
        if (n == 0) {
            Finish(End::Closed);
            return;
        }
        received_ += n;
        if (!file_->Commit(n)) {
            Finish(End::WriteFailed);
            return;
        }
        if (received_ - reported_ >= kReportBytes) {
            reported_ = received_;
            emit progress(received_);
        }
        if (received_ >= limit_) {
            Finish(End::Closed);
            return;
        }
    }
    if (fd_ >= 0) timer_->start();
}

void TransferConnection::Finish(End how) {
    CloseSocket();
    emit ended(how);
}

void TransferConnection::Abort() { CloseSocket(); }

void TransferConnection::CloseSocket() {
    connecting_ = false;
    timer_->stop();
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
