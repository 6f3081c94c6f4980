#include "download/downloadserverslots.h"

#include "core/workers.h"
#include "platform/fileservers.h"

#include <algorithm>

namespace {

constexpr auto kScanEvery = std::chrono::seconds(3);

} // namespace

FileServerSlots::FileServerSlots(std::function<QList<qint64>()> scan) : scan_(std::move(scan)) {}

void FileServerSlots::Refresh(std::unique_lock<std::mutex> &lock) {
    State &s = *state_;
    s.mine.removeIf([](const Slot &slot) { return slot.pid > 0 && !fileservers::Alive(slot.pid); });
    // The last scan may have caught one of ours before it was known as ours.
    s.others.removeIf([&](qint64 pid) {
        return !fileservers::Alive(pid) ||
               std::any_of(s.mine.begin(), s.mine.end(), [pid](const Slot &m) { return m.pid == pid; });
    });
    const auto now = std::chrono::steady_clock::now();
    if (s.scanning || now - s.scanned < kScanEvery) return;
    s.scanning = true;
    s.scanned = now;
    lock.unlock();
    const bool started = StartWorker([state = state_, scan = scan_] {
        const QList<qint64> found = scan();
        std::lock_guard guard(state->mutex);
        state->others.clear();
        for (qint64 pid : found)
            if (std::none_of(state->mine.begin(), state->mine.end(), [pid](const Slot &m) { return m.pid == pid; }))
                state->others.append(pid);
        state->scanning = false;
    });
    lock.lock();
    if (!started) s.scanning = false;
}

int FileServerSlots::Running() {
    std::unique_lock lock(state_->mutex);
    Refresh(lock);
    return CountLocked();
}

bool FileServerSlots::Free(const QString &requester) {
    std::unique_lock lock(state_->mutex);
    Refresh(lock);
    const auto held = std::count_if(state_->mine.begin(), state_->mine.end(),
                                    [&](const Slot &s) { return s.requester == requester; });
    return CountLocked() < kLimit && held < kPerRequester;
}

int FileServerSlots::Reserve(const QString &requester, int *before) {
    if (!Free(requester)) return 0;
    std::lock_guard lock(state_->mutex);
    *before = CountLocked();
    state_->mine.append({nextId_, requester, 0});
    return nextId_++;
}

void FileServerSlots::Started(int id, qint64 pid) {
    std::lock_guard lock(state_->mutex);
    for (Slot &s : state_->mine)
        if (s.id == id) s.pid = pid;
}

void FileServerSlots::Release(int id) {
    std::lock_guard lock(state_->mutex);
    state_->mine.removeIf([id](const Slot &s) { return s.id == id; });
}
