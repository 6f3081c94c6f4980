#include "core/workersqueue.h"

#include "core/messenger.h"

#include <algorithm>

namespace {

std::mutex g_queuesMutex;
std::list<AnswerQueue *> g_queues;

} // namespace

AnswerQueue::AnswerQueue(Messenger &net) : net_(net) {
    {
        std::lock_guard lock(g_queuesMutex);
        g_queues.push_back(this);
    }
    thread_ = std::thread([this] { Run(); });
}

AnswerQueue::~AnswerQueue() {
    Stop();
    std::lock_guard lock(g_queuesMutex);
    g_queues.remove(this);
}

void AnswerQueue::StopAll() {
    std::lock_guard lock(g_queuesMutex);
    for (AnswerQueue *q : g_queues) q->Stop();
}

bool AnswerQueue::Submit(const QString &requester, const QString &key, int delayMs, Build build, Pace pace) {
    std::lock_guard lock(mutex_);
    if (stopped_) return false;
    const auto same = [&](const Answer &a) { return a.sent == 0 && a.requester == requester && a.key == key; };
    if (std::any_of(pending_.begin(), pending_.end(), same) || std::any_of(active_.begin(), active_.end(), same))
        return false;
    // A requester that asks again has started over: its oldest answer gives way.
    if (HeldBy(requester) >= kPerRequester) DropOldest(requester);
    if (int(pending_.size()) >= kPending) pending_.pop_front();
    pending_.push_back(
        {requester, key, std::move(build), Clock::now() + std::chrono::milliseconds(delayMs), {}, 0, pace});
    wake_.notify_one();
    return true;
}

bool AnswerQueue::Idle() const {
    std::lock_guard lock(mutex_);
    return pending_.empty() && active_.empty() && !sending_;
}

void AnswerQueue::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        pending_.clear();
        active_.clear();
        wake_.notify_one();
    }
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

int AnswerQueue::HeldBy(const QString &requester) const {
    const auto mine = [&](const Answer &a) { return a.requester == requester; };
    return int(std::count_if(pending_.begin(), pending_.end(), mine) +
               std::count_if(active_.begin(), active_.end(), mine));
}

void AnswerQueue::DropOldest(const QString &requester) {
    auto longest = active_.end();
    for (auto it = active_.begin(); it != active_.end(); ++it)
        if (it->requester == requester && (longest == active_.end() || it->sent > longest->sent)) longest = it;
    if (longest != active_.end()) {
        active_.erase(longest);
        return;
    }
    const auto pending =
        std::find_if(pending_.begin(), pending_.end(), [&](const Answer &a) { return a.requester == requester; });
    if (pending != pending_.end()) pending_.erase(pending);
}

void AnswerQueue::Admit() {
    while (!pending_.empty()) {
        if (int(active_.size()) + sending_ >= kActive) {
            const auto most = std::max_element(active_.begin(), active_.end(),
                                               [](const Answer &a, const Answer &b) { return a.sent < b.sent; });
            // Answers that have had nothing yet keep their place; the newcomer waits.
            if (most == active_.end() || most->sent == 0) return;
            active_.erase(most);
        }
        active_.push_back(std::move(pending_.front()));
        pending_.pop_front();
    }
}

std::list<AnswerQueue::Answer>::iterator AnswerQueue::Earliest() {
    return std::min_element(active_.begin(), active_.end(),
                            [](const Answer &a, const Answer &b) { return a.due < b.due; });
}

void AnswerQueue::SendNext(Answer &answer) {
    if (answer.build) {
        answer.datagrams = answer.build();
        answer.build = nullptr;
    }
    if (answer.sent < answer.datagrams.size()) {
        const Datagram &d = answer.datagrams.at(answer.sent);
        net_.SendCommand(d.code, answer.requester, d.payload);
        ++answer.sent;
    }
}

void AnswerQueue::Run() {
    // Ten paced datagrams may go at once after a quiet spell.
    const auto allowance = std::chrono::microseconds(10 * 1000000 / kDatagramsPerSecond);
    std::unique_lock lock(mutex_);
    while (!stopped_) {
        Admit();
        if (active_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const auto next = Earliest();
        const Clock::time_point when = std::max(next->due, nextSlot_);
        if (when > Clock::now()) {
            wake_.wait_until(lock, when);
            continue;
        }
        // Built and sent outside the lock, so that requests are taken meanwhile.
        std::list<Answer> current;
        current.splice(current.begin(), active_, next);
        sending_ = true;
        lock.unlock();
        Answer &answer = current.front();
        const int before = answer.sent;
        SendNext(answer);
        lock.lock();
        sending_ = false;
        const Pace pace = answer.pace;
        if (answer.sent > before)
            nextSlot_ = std::max(nextSlot_, Clock::now() - allowance) + std::chrono::microseconds(1000000 / pace.perSecond);
        if (!stopped_ && answer.sent < answer.datagrams.size()) {
            // Within a burst the answer stays due, behind those due before it.
            if (answer.sent % pace.burst == 0) answer.due = Clock::now() + std::chrono::milliseconds(pace.pauseMs);
            active_.splice(active_.end(), current);
        }
    }
}
