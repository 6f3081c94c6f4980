#include "core/receiver.h"

#include "core/dispatcher.h"
#include "platform/udpsocket.h"

#include <QElapsedTimer>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace {
// A search answered by thousands of computers with several full list
// datagrams each fits many times over.
constexpr qsizetype kQueueBytes = 32 << 20;
// Longest run of dispatching before the event loop gets its turn.
constexpr int kSliceMs = 10;
} // namespace

DatagramReceiver::DatagramReceiver(Dispatcher &dispatcher, std::function<void(const QString &)> status,
                                   QObject *parent)
    : QObject(parent), dispatcher_(dispatcher), status_(std::move(status)), queue_(kQueueBytes) {}

DatagramReceiver::~DatagramReceiver() { Close(); }

bool DatagramReceiver::Start(int fd, const QString &localIp) {
    Close();
    if (fd < 0) return false;
    fd_ = fd;
    const std::optional<hostinfo::LocalAddress> home = hostinfo::FindLocalAddress(localIp);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (!home || stopFd_ < 0) {
        Close();
        return false;
    }
    home_ = *home;
    reader_ = std::thread([this] { ReadLoop(); });
    return true;
}

void DatagramReceiver::SetLingerZero() { udp::SetLingerZero(fd_); }

void DatagramReceiver::Close() {
    if (reader_.joinable()) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
        reader_.join();
    }
    if (stopFd_ >= 0) ::close(stopFd_);
    stopFd_ = -1;
    queue_.Clear();
    udp::Close(fd_);
}

void DatagramReceiver::Wake() {
    QMetaObject::invokeMethod(this, &DatagramReceiver::DispatchDatagram, Qt::QueuedConnection);
}

// Reader thread: blocks in poll, then empties the socket before it sleeps again.
void DatagramReceiver::ReadLoop() {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            if (queue_.Push({{}, {}, true})) Wake();
            return;
        }
        if (fds[1].revents) return;
        for (;;) {
            ReceivedDatagram d;
            udp::Arrival arrival;
            const udp::ReadResult r = udp::ReadOne(fd_, d.bytes, d.sender, &arrival);
            if (r == udp::ReadResult::Empty) break;
            if (r == udp::ReadResult::Dropped) continue;
            if (r == udp::ReadResult::Failed) {
                d.failed = true;
                if (queue_.Push(std::move(d))) Wake();
                return;
            }
            // The socket listens on every address of the host; what came in
            // through another interface (a bridge, a VPN) or to a loopback
            // address is from peers that can never be answered or browsed.
            if (!home_.Hears(arrival.interfaceIndex, arrival.destination)) continue;
            if (queue_.Push(std::move(d))) Wake();
        }
    }
}

void DatagramReceiver::DispatchDatagram() {
    QElapsedTimer slice;
    slice.start();
    while (fd_ >= 0) {
        std::optional<ReceivedDatagram> d = queue_.Pop();
        if (!d) return;
        if (d->failed) {
            status_(QStringLiteral("통신오류: 통신 메시지를 받을 수 없습니다."));
            Close();
            return;
        }
        dispatcher_.DispatchDatagram(d->sender, d->bytes);
        if (slice.elapsed() >= kSliceMs) {
            Wake();
            return;
        }
    }
}
