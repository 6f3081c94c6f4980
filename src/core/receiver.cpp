#include "core/receiver.h"

#include "core/dispatcher.h"
#include "platform/udpsocket.h"

#include <QSocketNotifier>

DatagramReceiver::DatagramReceiver(Dispatcher &dispatcher, std::function<void(const QString &)> status,
                                   QObject *parent)
    : QObject(parent), dispatcher_(dispatcher), status_(std::move(status)) {}

DatagramReceiver::~DatagramReceiver() { Close(); }

bool DatagramReceiver::Start(int fd) {
    Close();
    if (fd < 0) return false;
    fd_ = fd;
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
    switch (udp::ReadOne(fd_, bytes, sender)) {
    case udp::ReadResult::Failed:
        status_(QStringLiteral("통신오류: 통신 메시지를 받을 수 없습니다."));
        Close();
        return;
    case udp::ReadResult::Dropped:
        return;
    case udp::ReadResult::Datagram:
        dispatcher_.DispatchDatagram(sender, bytes);
        return;
    }
}
