#pragma once
// A send side that records every datagram instead of putting it on the wire.
#include "core/messenger.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>

struct SentDatagram {
    QString ip;
    quint16 port;
    QByteArray bytes;
};

class RecordingMessenger : public Messenger {
public:
    QList<SentDatagram> Sent() const {
        QMutexLocker lock(&mutex_);
        return sent_;
    }
    void ClearSent() {
        QMutexLocker lock(&mutex_);
        sent_.clear();
    }

protected:
    void Transmit(const QString &ip, quint16 port, const QByteArray &bytes) override {
        QMutexLocker lock(&mutex_);
        sent_.append({ip, port, bytes});
    }

private:
    mutable QMutex mutex_;
    QList<SentDatagram> sent_;
};
