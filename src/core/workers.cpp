#include "core/workers.h"

#include "core/workersqueue.h"

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
// Counts hand-overs to the pool; see StartWorker.
std::atomic<unsigned> g_handedOver{0};
// Work started and not yet ended: a flood of presence datagrams must not
// grow the pool's queue without end.
std::atomic<int> g_unfinished{0};
constexpr int kMaxUnfinished = 4096;

QThreadPool &pool() {
    // Presence insertions wait for the main thread; many may wait at once.
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

bool StartWorker(std::function<void()> work) {
    if (g_shuttingDown.load()) return false;
    if (g_unfinished.fetch_add(1) >= kMaxUnfinished) {
        g_unfinished.fetch_sub(1);
        return false;
    }
    // The pool hands work over through Qt's mutex, which race detectors cannot
    // see; the release here and the acquire on the worker state the same order.
    std::function<void()> job = [work = std::move(work)] {
        g_handedOver.load(std::memory_order_acquire);
        if (!g_shuttingDown.load()) work();
        g_unfinished.fetch_sub(1);
    };
    g_handedOver.fetch_add(1, std::memory_order_release);
    pool().start(std::move(job));
    return true;
}

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
    AnswerQueue::StopAll();
    // Work that has not started never will: it would outlive the windows it uses.
    pool().clear();
    WaitWorkers(maxMs);
}

void RunOnMainThread(QObject *context, std::function<void()> fn) {
    if (!context) return;
    if (QThread::currentThread() == context->thread()) {
        fn();
        return;
    }
    // Qt's posting and its blocking call already order the caller's work before
    // fn, and fn's before the return; the two flags say so in a form that race
    // detectors see, as Qt's mutex and semaphore are hidden from them.
    std::atomic<bool> posted{false}, ran{false};
    posted.store(true, std::memory_order_release);
    QMetaObject::invokeMethod(
        context,
        [&] {
            posted.load(std::memory_order_acquire);
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
