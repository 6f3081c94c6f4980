#pragma once
// An echo provider that answers from a script and remembers every call. A
// test may hold a request open (HoldRequest) to act while it is in progress.
#include "platform/icmpecho.h"

#include <QList>
#include <QMutex>
#include <QSemaphore>
#include <QStringList>

#include <atomic>

class FakeEcho : public echo::IcmpEcho {
public:
    struct Call {
        quint32 address;
        QByteArray data;
        quint8 ttl;
        int timeoutMs;
    };

    // A reply with data after rtt ms, a reply without data, or a failure.
    static echo::EchoResult Reply(quint32 rtt, const QString &from = QStringLiteral("10.0.0.9")) {
        return {1, {from, echo::kSuccess, rtt, 56, 128}, echo::kSuccess};
    }
    static echo::EchoResult Report(quint32 status, const QString &from) { return {1, {from, status, 0, 0, 0}, 0}; }
    static echo::EchoResult Failure(quint32 error) { return {0, {}, error}; }

    bool createSucceeds = true;
    QList<echo::EchoResult> script; // one per request; timeouts once it runs out
    int holdRequest = 0;            // 1-based request that waits for Release()

    bool Create() override {
        log(QStringLiteral("create"));
        return createSucceeds;
    }
    echo::EchoResult SendEcho(quint32 address, const QByteArray &data, quint8 ttl, int timeoutMs) override {
        int n;
        {
            QMutexLocker lock(&mutex_);
            calls_.append({address, data, ttl, timeoutMs});
            n = calls_.size();
            events_ << QStringLiteral("send %1").arg(n);
        }
        if (n == holdRequest) {
            inProgress.release();
            release_.acquire();
        }
        log(QStringLiteral("return %1").arg(n));
        return n <= script.size() ? script[n - 1] : Failure(echo::kRequestTimedOut);
    }
    void Close() override { log(QStringLiteral("close")); }

    // Lets the held request return.
    void Release() { release_.release(); }
    QSemaphore inProgress; // released when the held request has begun

    QList<Call> Calls() const {
        QMutexLocker lock(&mutex_);
        return calls_;
    }
    QStringList Events() const {
        QMutexLocker lock(&mutex_);
        return events_;
    }

private:
    void log(const QString &e) {
        QMutexLocker lock(&mutex_);
        events_ << e;
    }
    mutable QMutex mutex_;
    QList<Call> calls_;
    QStringList events_;
    QSemaphore release_;
};
