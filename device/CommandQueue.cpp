#include "device/CommandQueue.h"

namespace dv {

void CommandQueue::Push(QueuedCommand command) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        records_.push_back(std::move(command));
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

}  // namespace dv
