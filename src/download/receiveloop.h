#pragma once
// Moves what the file server sends from the socket into the target file, on
// a thread of its own so that painting and datagrams never hold it up. The
// bytes go through a pipe with splice where the kernel allows it (no copy
// into our memory), else in reads of about 1 MiB, each written whole.
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

class TargetFile;

class ReceiveLoop {
public:
    enum class End { Closed, Silent, ReceiveFailed, WriteFailed, Stopped };
    // Copy is the way taken where splice cannot be used; asked for, it lets
    // tests reach that way on any file system.
    enum class Path { Splice, Copy };

    // Bytes moved per step: the pipe's capacity, and the size of a read.
    static constexpr qsizetype kStepBytes = 1 << 20;

    explicit ReceiveLoop(Path path) : path_(path) {}
    ~ReceiveLoop() { Stop(); }
    ReceiveLoop(const ReceiveLoop &) = delete;
    ReceiveLoop &operator=(const ReceiveLoop &) = delete;

    // Receives from the non-blocking socket into file until the server
    // closes, a receive or write fails, nothing arrives for silenceMs, or
    // received reaches limit (the announced size: a server must not fill the
    // disk with more). received counts on from its start value. ended is
    // called once, on the loop's thread, as it ends (Stopped after Stop).
    // False when the loop cannot be set up.
    bool Start(int socket, TargetFile *file, qint64 received, qint64 limit, int silenceMs,
               std::function<void(End)> ended);
    // Ends the loop and waits for it: a step under way is finished, so every
    // byte taken from the socket is in the file when this returns.
    void Stop();
    // Waits for a loop that has ended by itself.
    void Join();

    // Bytes in the file; safe to read from any thread.
    qint64 Received() const { return received_.load(std::memory_order_relaxed); }

private:
    End Run();
    // Through the pipe; nothing when splice cannot be used here.
    std::optional<End> Splice();
    End Copy();
    // Moves n bytes from the pipe into the file; false when a write failed.
    bool Drain(qsizetype n);
    // Waits until the socket has something to say; nothing then, else how the loop ends.
    std::optional<End> Wait();
    void Add(qint64 n) { received_.store(Received() + n, std::memory_order_relaxed); }
    qint64 Room() const { return qMin<qint64>(kStepBytes, limit_ - Received()); }

    const Path path_;
    int socket_ = -1;
    TargetFile *file_ = nullptr;
    qint64 limit_ = 0;
    int silenceMs_ = 0;
    int wake_ = -1;
    int pipe_[2] = {-1, -1};
    bool spliceToFile_ = true;
    std::vector<char> buffer_;
    std::atomic<qint64> received_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
