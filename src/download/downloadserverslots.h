#pragma once
// The slots of the file servers on this computer: six at most, shared by
// every copy on it, and two at most for one requester address. A start
// request takes its slot at once, on the main thread; the count is cheap:
// the servers this copy started are known, and the others come from a scan
// of /proc on a worker, at most every few seconds.
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

class FileServerSlots {
public:
    // Five running file servers still let a request through; the sixth blocks it.
    static constexpr int kLimit = 6;
    static constexpr int kPerRequester = 2;

    // scan: the process ids of every running file server; runs on a worker.
    explicit FileServerSlots(std::function<QList<qint64>()> scan);

    // Servers running or starting now, this copy's and others'.
    int Running();
    // Whether requester may start one more server now.
    bool Free(const QString &requester);
    // Reserves a slot for requester: its id, or 0 when none is free for it.
    // before: the servers there were without this one.
    int Reserve(const QString &requester, int *before);
    // Any thread: the slot's server runs as process pid and holds the slot until it ends.
    void Started(int id, qint64 pid);
    // Any thread: the slot's server did not start.
    void Release(int id);

private:
    struct Slot {
        int id = 0;
        QString requester;
        qint64 pid = 0; // 0 while it starts
    };
    // Shared with the scan on its worker, which may end after this object.
    struct State {
        std::mutex mutex;
        QList<Slot> mine;
        QList<qint64> others;
        bool scanning = false;
        std::chrono::steady_clock::time_point scanned{};
    };

    // Forgets this copy's servers that have ended and starts a scan when the last is old.
    void Refresh(std::unique_lock<std::mutex> &lock);
    int CountLocked() const { return int(state_->mine.size() + state_->others.size()); }

    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::function<QList<qint64>()> scan_;
    int nextId_ = 1;
};
