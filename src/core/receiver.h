#pragma once
// The receive path. A reader thread takes every datagram off the socket as
// soon as it arrives, so that the kernel's queue never overflows while the
// main thread is busy, and keeps those that LocalIP would have heard in a
// bounded queue; the main thread dispatches them in order of arrival, in
// slices short enough to keep the windows live.
#include "core/receivequeue.h"
#include "platform/hostinfo.h"

#include <QObject>

#include <functional>
#include <thread>

class Dispatcher;

class DatagramReceiver : public QObject {
    Q_OBJECT
public:
    DatagramReceiver(Dispatcher &dispatcher, std::function<void(const QString &)> status, QObject *parent = nullptr);
    ~DatagramReceiver() override;

    // Takes over fd (already bound); false when it cannot be watched or no
    // interface holds localIp.
    bool Start(int fd, const QString &localIp);
    int RecvSocket() const { return fd_; }
    // Linger 0 and close; the variable reads -1 afterwards.
    void SetLingerZero();
    void Close();

    // Dispatches what the reader has queued, for at most one slice; what is
    // left waits for the next turn of the event loop.
    void DispatchDatagram();
    // Datagrams dropped because the queue was full.
    quint64 QueueDrops() const { return queue_.Drops(); }

private:
    void ReadLoop();
    void Wake();

    Dispatcher &dispatcher_;
    std::function<void(const QString &)> status_;
    int fd_ = -1;
    int stopFd_ = -1;
    std::thread reader_;
    ReceiveQueue queue_;
    hostinfo::LocalAddress home_;
};
