#include "vellicor/fileserver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The requester connects about 100 ms after it is told the port and gives up
// after 5 seconds; a slot held longer for nobody keeps the others waiting.
constexpr auto kConnectWait = std::chrono::seconds(3);
// The floor: at least kWindowFloor bytes taken in every kWindow.
constexpr auto kWindow = std::chrono::seconds(10);
constexpr int64_t kWindowFloor = 40 * 1024;
// How long one send may wait before the floor is looked at again.
constexpr int kSendWaitSeconds = 1;
// After the last byte, how long to wait for the requester's own close.
constexpr int kCloseWaitMs = 5000;
// Bytes per sendfile call: small enough for the progress bar to move.
constexpr int64_t kSendfileChunk = 8 << 20;
// Asked for the send buffer; the kernel doubles it, to one whole piece.
constexpr int kSendBuffer = int(kSendfileChunk / 2);

void closeFd(int &fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// A buffer set by hand no longer grows by itself, so it is set only where
// the system grants the whole of it; elsewhere the kernel's growth does better.
void enlargeSendBuffer(int conn) {
    FILE *f = std::fopen("/proc/sys/net/core/wmem_max", "re");
    long most = 0;
    if (f) {
        if (std::fscanf(f, "%ld", &most) != 1) most = 0;
        std::fclose(f);
    }
    if (most >= kSendBuffer) ::setsockopt(conn, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);
}

} // namespace

FileServer::~FileServer() {
    closeFd(file_);
    closeFd(listener_);
    int conn = conn_.exchange(-1);
    closeFd(conn);
}

bool FileServer::Open(const ServeRequest &request) {
    request_ = request;
    file_ = request.file >= 0 ? request.file : ::open(request.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file_ < 0) return false;
    struct stat st {};
    if (::fstat(file_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    total_.store(std::max<int64_t>(0, int64_t(st.st_size) - std::clamp<int64_t>(request.startOffset, 0, st.st_size)));

    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return false;
    // Only lets the port be taken again while an earlier transfer's close
    // lingers; a port that another server listens on still refuses the bind.
    const int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(request.port);
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) return false;
    return ::listen(listener_, 8) == 0;
}

int FileServer::AcceptRequester() {
    const auto deadline = Clock::now() + kConnectWait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return -1;
        pollfd p{listener_, POLLIN, 0};
        const int r = ::poll(&p, 1, int(std::min<long long>(left, 1000)));
        if (r < 0 && errno != EINTR) return -1;
        if (r <= 0) continue;
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        const int conn = ::accept4(listener_, reinterpret_cast<sockaddr *>(&peer), &len, SOCK_CLOEXEC);
        if (conn < 0) continue;
        if (peer.sin_family == AF_INET && peer.sin_addr.s_addr == request_.requester.s_addr) return conn;
        // Anyone else is turned away with a reset and the wait goes on.
        const linger hard{1, 0};
        ::setsockopt(conn, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(conn);
    }
}

bool FileServer::Serve() {
    int conn = AcceptRequester();
    closeFd(listener_);
    if (conn < 0) return false;
    conn_.store(conn);
    // Only full segments go out; the close lets the last, partial one go at once.
    const int cork = 1;
    ::setsockopt(conn, IPPROTO_TCP, TCP_CORK, &cork, sizeof cork);
    enlargeSendBuffer(conn);
    const timeval wait{kSendWaitSeconds, 0};
    ::setsockopt(conn, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    windowStart_ = Clock::now();

    // The end is the file's size now: bytes appended since the start go out too.
    struct stat st {};
    const int64_t end = ::fstat(file_, &st) == 0 ? int64_t(st.st_size) : 0;
    const int64_t offset = std::clamp<int64_t>(request_.startOffset, 0, end);
    total_.store(end - offset);
    if (!SendFrom(conn, offset, end)) {
        Abort();
        return false;
    }
    CloseInOrder(conn);
    return true;
}

bool FileServer::SendFrom(int conn, int64_t offset, int64_t end) {
    off_t pos = off_t(offset);
    while (pos < end) {
        const ssize_t n = ::sendfile(conn, file_, &pos, size_t(std::min<int64_t>(end - pos, kSendfileChunk)));
        if (n > 0) {
            sent_.store(int64_t(pos) - offset);
            if (KeepsUp(int64_t(pos) - offset)) continue;
            return false;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            if (KeepsUp(int64_t(pos) - offset)) continue;
            return false;
        }
        // Nothing sent yet and no zero-copy path for this file: copy by hand.
        if (n < 0 && pos == offset && (errno == EINVAL || errno == ENOSYS || errno == EOVERFLOW))
            return CopyFrom(conn, offset, end);
        // 0: the file shrank under us; everything there was has been sent.
        return n == 0;
    }
    return true;
}

bool FileServer::CopyFrom(int conn, int64_t offset, int64_t end) {
    std::vector<char> buffer(1 << 20);
    int64_t pos = offset;
    while (pos < end) {
        const ssize_t got = ::pread(file_, buffer.data(), size_t(std::min<int64_t>(end - pos, buffer.size())), pos);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t n = ::send(conn, buffer.data() + done, size_t(got - done), MSG_NOSIGNAL);
            if (n < 0 && (errno == EINTR || errno == EAGAIN) && KeepsUp(pos + done - offset)) continue;
            if (n <= 0) return false;
            done += n;
        }
        pos += got;
        sent_.store(pos - offset);
    }
    return true;
}

bool FileServer::KeepsUp(int64_t sent) {
    const auto now = Clock::now();
    if (now - windowStart_ < kWindow) return true;
    const bool enough = sent - windowBase_ >= kWindowFloor;
    windowStart_ = now;
    windowBase_ = sent;
    return enough;
}

void FileServer::CloseInOrder(int conn) {
    // Our FIN after the last byte tells the requester the file is complete;
    // waiting for its close keeps unread data from turning the close into a reset.
    const int uncork = 0;
    ::setsockopt(conn, IPPROTO_TCP, TCP_CORK, &uncork, sizeof uncork);
    ::shutdown(conn, SHUT_WR);
    const auto deadline = Clock::now() + std::chrono::milliseconds(kCloseWaitMs);
    char sink[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{conn, POLLIN, 0};
        const int r = ::poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        const ssize_t n = ::recv(conn, sink, sizeof sink, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
    }
    conn = conn_.exchange(-1);
    closeFd(conn);
}

void FileServer::Abort() {
    int conn = conn_.exchange(-1);
    if (conn < 0) return;
    const linger hard{1, 0};
    ::setsockopt(conn, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    closeFd(conn);
}
