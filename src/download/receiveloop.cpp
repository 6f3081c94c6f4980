#include "download/receiveloop.h"

#include "download/targetfile.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void CloseFd(int &fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

} // namespace

bool ReceiveLoop::Start(int socket, TargetFile *file, qint64 received, qint64 limit, int silenceMs,
                        std::function<void(End)> ended) {
    Stop();
    socket_ = socket;
    file_ = file;
    limit_ = limit;
    silenceMs_ = silenceMs;
    received_.store(received);
    stop_.store(false);
    spliceToFile_ = true;
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) return false;
    // Without a pipe the bytes are copied; a pipe that stays small only means smaller steps.
    if (path_ == Path::Splice && ::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) == 0) {
        ::fcntl(pipe_[1], F_SETPIPE_SZ, int(kStepBytes));
    } else {
        pipe_[0] = pipe_[1] = -1;
    }
    thread_ = std::thread([this, ended = std::move(ended)] { ended(Run()); });
    return true;
}

void ReceiveLoop::Stop() {
    if (thread_.joinable()) {
        stop_.store(true);
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t w = ::write(wake_, &one, sizeof one);
    }
    Join();
}

void ReceiveLoop::Join() {
    if (thread_.joinable()) thread_.join();
    CloseFd(wake_);
    CloseFd(pipe_[0]);
    CloseFd(pipe_[1]);
}

ReceiveLoop::End ReceiveLoop::Run() {
    if (pipe_[0] >= 0)
        if (const std::optional<End> end = Splice()) return *end;
    return Copy();
}

std::optional<ReceiveLoop::End> ReceiveLoop::Splice() {
    bool moved = false;
    while (spliceToFile_) {
        if (stop_.load()) return End::Stopped;
        const qint64 room = Room();
        if (room <= 0) return End::Closed;
        const ssize_t n = ::splice(socket_, nullptr, pipe_[1], nullptr, size_t(room), SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
        if (n > 0) {
            moved = true;
            if (!Drain(n)) return End::WriteFailed;
        } else if (n == 0) {
            return End::Closed;
        } else if (errno == EAGAIN) {
            if (const std::optional<End> end = Wait()) return end;
        } else if (errno != EINTR) {
            // A socket that cannot be spliced says so at the first call.
            if (!moved && (errno == EINVAL || errno == ENOSYS)) return std::nullopt;
            return End::ReceiveFailed;
        }
    }
    return std::nullopt;
}

bool ReceiveLoop::Drain(qsizetype n) {
    while (n > 0 && spliceToFile_) {
        const ssize_t w = ::splice(pipe_[0], nullptr, file_->Descriptor(), nullptr, size_t(n), SPLICE_F_MOVE);
        if (w > 0) {
            n -= w;
            Add(w);
        } else if (w < 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system that takes no splice: what the pipe holds is copied, and so is the rest.
            spliceToFile_ = false;
        } else if (w == 0 || errno != EINTR) {
            file_->Fail();
            return false;
        }
    }
    if (n > 0) buffer_.resize(size_t(kStepBytes));
    while (n > 0) {
        const ssize_t r = ::read(pipe_[0], buffer_.data(), size_t(qMin<qsizetype>(n, kStepBytes)));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        const qsizetype w = file_->Write(buffer_.data(), r);
        Add(w);
        if (w < r) return false;
        n -= r;
    }
    return true;
}

ReceiveLoop::End ReceiveLoop::Copy() {
    buffer_.resize(size_t(kStepBytes));
    for (;;) {
        if (stop_.load()) return End::Stopped;
        const qint64 room = Room();
        if (room <= 0) return End::Closed;
        // Gathers what the socket holds, up to a whole step, and writes it in one go.
        qsizetype used = 0;
        std::optional<End> end;
        bool empty = false;
        while (used < room && !end && !empty) {
            const ssize_t n = ::recv(socket_, buffer_.data() + used, size_t(room - used), 0);
            if (n > 0) used += n;
            else if (n == 0) end = End::Closed;
            else if (errno == EAGAIN) empty = true;
            else if (errno != EINTR) end = End::ReceiveFailed;
        }
        const qsizetype w = used > 0 ? file_->Write(buffer_.data(), used) : 0;
        Add(w);
        if (w < used) return End::WriteFailed;
        if (!end && empty) end = Wait();
        if (end) return *end;
    }
}

std::optional<ReceiveLoop::End> ReceiveLoop::Wait() {
    pollfd p[2] = {{socket_, POLLIN, 0}, {wake_, POLLIN, 0}};
    for (;;) {
        const int r = ::poll(p, 2, silenceMs_);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return End::ReceiveFailed;
        if (r == 0) return End::Silent;
        if (p[1].revents) return End::Stopped;
        return std::nullopt;
    }
}
