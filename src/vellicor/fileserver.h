#pragma once
// Sends one file to one requester over TCP: listen, accept the requester only,
// send the bytes from the start offset to the end raw, close in order.
#include "vellicor/windowmodule.h"

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

struct ServeRequest {
    in_addr requester{};
    uint16_t port = 0;
    std::string path;
    int64_t startOffset = 0;
    int file = -1; // the file, opened and checked by the program; -1: open path
};

class FileServer final : public ServingTask {
public:
    FileServer() = default;
    FileServer(const FileServer &) = delete;
    FileServer &operator=(const FileServer &) = delete;
    ~FileServer();

    // Takes or opens the file (a regular file only, never waiting on a FIFO)
    // and listens on the port; false when either fails, for example when the
    // port is in use.
    bool Open(const ServeRequest &request);
    // Waits a few seconds for the requester's connection, then sends the file
    // and closes the connection in order. A requester that takes less than a
    // few kilobytes a second for a while is cut off: it holds a slot others
    // need. True when every byte went out.
    bool Serve() override;
    // Drops the connection so that the requester sees it broken, not complete.
    void Abort() override;

    int64_t Total() const override { return total_.load(); }
    int64_t Sent() const override { return sent_.load(); }

private:
    int AcceptRequester();
    bool SendFrom(int conn, int64_t offset, int64_t end);
    bool CopyFrom(int conn, int64_t offset, int64_t end);
    // False once the bytes sent over the last whole window fall short of the floor.
    bool KeepsUp(int64_t sent);
    void CloseInOrder(int conn);

    ServeRequest request_;
    int file_ = -1;
    int listener_ = -1;
    std::atomic<int> conn_{-1};
    std::atomic<int64_t> total_{0};
    std::atomic<int64_t> sent_{0};
    std::chrono::steady_clock::time_point windowStart_{};
    int64_t windowBase_ = 0;
};
