#include "device/CommandQueue.h"

#include <algorithm>

namespace dv {

namespace {

bool SameCommand(const QueuedCommand& a, const QueuedCommand& b) {
    return a.mcmd == b.mcmd && a.subcmd == b.subcmd && a.optype == b.optype;
}

}  // namespace

// Looks back from the newest record; called with the lock held.
bool CommandQueue::Merge(QueuedCommand& command) {
    if (!coalescing_ || !command.target.merges) return false;
    const SetTarget& target = command.target;
    for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
        // Records of other merging commands set other settings, so the newer record may move
        // ahead of them; anything else keeps its order against it.
        if (!it->target.merges) return false;
        if (!SameCommand(*it, command)) continue;
        if (target.SameSetting(it->payload, command.payload)) {
            it->payload = std::move(command.payload);
            return true;
        }
        if (target.Overlaps(it->payload, command.payload)) return false;
    }
    return false;
}

void CommandQueue::Push(QueuedCommand command) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (Merge(command)) return;
        records_.push_back(std::move(command));
        highWater_ = std::max(highWater_, records_.size());
    }
    ready_.notify_one();
}

std::optional<QueuedCommand> CommandQueue::TryPop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (records_.empty()) return std::nullopt;
    QueuedCommand front = std::move(records_.front());
    records_.pop_front();
    return front;
}

std::optional<QueuedCommand> CommandQueue::Pop() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return !records_.empty() || woken_; });
    woken_ = false;
    if (records_.empty()) return std::nullopt;
    QueuedCommand front = std::move(records_.front());
    records_.pop_front();
    return front;
}

void CommandQueue::Wake() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        woken_ = true;
    }
    ready_.notify_all();
}

size_t CommandQueue::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return records_.size();
}

void CommandQueue::SetCoalescing(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    coalescing_ = on;
}

size_t CommandQueue::HighWater() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return highWater_;
}

void CommandQueue::ResetHighWater() {
    std::lock_guard<std::mutex> lock(mutex_);
    highWater_ = records_.size();
}

}  // namespace dv
