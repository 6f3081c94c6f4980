#pragma once
// Datagrams taken off the receive socket, waiting for the main thread in
// their order of arrival. Bounded in bytes: what does not fit is dropped and
// counted, so a flood costs memory only up to the bound.
#include <QByteArray>
#include <QString>

#include <deque>
#include <mutex>
#include <optional>

struct ReceivedDatagram {
    QString sender;
    QByteArray bytes;
    bool failed = false; // the read failed: the socket is done, nothing follows
};

class ReceiveQueue {
public:
    explicit ReceiveQueue(qsizetype maxBytes) : maxBytes_(maxBytes) {}

    // True when the queue was empty before, so the reader has to be woken;
    // false also when the datagram was dropped. A failure always goes in.
    bool Push(ReceivedDatagram datagram);
    std::optional<ReceivedDatagram> Pop();
    void Clear();
    quint64 Drops() const;

private:
    // Bookkeeping beside the text of each queued datagram.
    static constexpr qsizetype kOverhead = 64;

    mutable std::mutex mutex_;
    std::deque<ReceivedDatagram> items_;
    qsizetype bytes_ = 0;
    const qsizetype maxBytes_;
    quint64 drops_ = 0;
};
