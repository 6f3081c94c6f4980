#include "core/receiver.h"

#include "core/dispatcher.h"
#include "platform/udpsocket.h"

#include <QSocketNotifier>

DatagramReceiver::DatagramReceiver(Dispatcher &dispatcher, std::function<void(const QString &)> status,
                                   QObject *parent)
    : QObject(parent), dispatcher_(dispatcher), status_(std::move(status)) {}

DatagramReceiver::~DatagramReceiver() { Close(); }

bool DatagramReceiver::Start(int fd, const QString &localIp) {
    Close();
    if (fd < 0) return false;
    fd_ = fd;
    const std::optional<hostinfo::LocalAddress> home = hostinfo::FindLocalAddress(localIp);
    if (!home) {
        Close();
        return false;
    }
    home_ = *home;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &DatagramReceiver::DispatchDatagram);
    return true;
}

void DatagramReceiver::SetLingerZero() { udp::SetLingerZero(fd_); }

void DatagramReceiver::Close() {
    delete notifier_;
    notifier_ = nullptr;
    udp::Close(fd_);
}

void DatagramReceiver::DispatchDatagram() {
    if (fd_ < 0) return;
    QByteArray bytes;
    QString sender;
    udp::Arrival arrival;
    switch (udp::ReadOne(fd_, bytes, sender, &arrival)) {
    case udp::ReadResult::Failed:
        status_(QStringLiteral("통신오류: 통신 메시지를 받을 수 없습니다."));
        Close();
        return;
    case udp::ReadResult::Dropped:
        return;
    case udp::ReadResult::Datagram:
        // The socket listens on every address of the host; what came in
        // through another interface (a bridge, a VPN) or to a loopback address
        // is from peers that can never be answered or browsed.
        if (home_.Hears(arrival.interfaceIndex, arrival.destination)) dispatcher_.DispatchDatagram(sender, bytes);
        return;
    }
}
