#include "core/workers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <atomic>

namespace {

std::atomic<bool> g_shuttingDown{false};

QThreadPool &pool() {
    // Every browse request gets its own sender, so the pool must not queue them.
    static QThreadPool *p = [] {
        auto *tp = new QThreadPool;
        tp->setMaxThreadCount(256);
        tp->setExpiryTimeout(2000);
        return tp;
    }();
    return *p;
}

bool onMainThread() {
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

void StartWorker(std::function<void()> work) { pool().start(std::move(work)); }

bool ShuttingDown() { return g_shuttingDown.load(); }

void WaitWorkers(int maxMs) {
    QElapsedTimer t;
    t.start();
    // Short slices: a worker may be waiting for the main thread to run its window work.
    while (!pool().waitForDone(1) && t.elapsed() < maxMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void StopWorkers(int maxMs) {
    g_shuttingDown.store(true);
    WaitWorkers(maxMs);
}

void RunOnMainThread(QObject *context, std::function<void()> fn) {
    if (!context) return;
    if (QThread::currentThread() == context->thread()) {
        fn();
        return;
    }
    // The blocking call already orders fn's work before the return; the flag
    // says so in a form that race detectors see, as Qt's semaphore is hidden from them.
    std::atomic<bool> ran{false};
    QMetaObject::invokeMethod(
        context,
        [&] {
            fn();
            ran.store(true, std::memory_order_release);
        },
        Qt::BlockingQueuedConnection);
    ran.load(std::memory_order_acquire);
}

void WaitPumping(int ms) {
    if (ms <= 0) return;
    if (onMainThread()) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
        return;
    }
    // Sleep in slices so that a closing program is not held up by a long pause.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms && !ShuttingDown())
        QThread::msleep(qMin<qint64>(50, ms - t.elapsed()));
}
