#include "core/receivequeue.h"

bool ReceiveQueue::Push(ReceivedDatagram datagram) {
    const qsizetype cost = datagram.bytes.size() + kOverhead;
    std::lock_guard lock(mutex_);
    if (!datagram.failed && bytes_ + cost > maxBytes_) {
        ++drops_;
        return false;
    }
    const bool wasEmpty = items_.empty();
    bytes_ += cost;
    items_.push_back(std::move(datagram));
    return wasEmpty;
}

std::optional<ReceivedDatagram> ReceiveQueue::Pop() {
    std::lock_guard lock(mutex_);
    if (items_.empty()) return std::nullopt;
    ReceivedDatagram d = std::move(items_.front());
    items_.pop_front();
    bytes_ -= d.bytes.size() + kOverhead;
    return d;
}

void ReceiveQueue::Clear() {
    std::lock_guard lock(mutex_);
    items_.clear();
    bytes_ = 0;
}

quint64 ReceiveQueue::Drops() const {
    std::lock_guard lock(mutex_);
    return drops_;
}
