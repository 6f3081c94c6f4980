#pragma once
// Reads the receive socket on the main thread: one datagram per
// notification, handed to the dispatcher when LocalIP would have heard it.
#include "platform/hostinfo.h"

#include <QObject>

#include <functional>

class Dispatcher;
class QSocketNotifier;

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

    // One read: the handler of the readable notification.
    void DispatchDatagram();

private:
    Dispatcher &dispatcher_;
    std::function<void(const QString &)> status_;
    QSocketNotifier *notifier_ = nullptr;
    int fd_ = -1;
    hostinfo::LocalAddress home_;
};
