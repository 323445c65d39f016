// The queue between editing operations and the command thread: first in, first out, any
// number of producers, one consumer. It grows instead of refusing a record.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace dv {

struct QueuedCommand {
    uint8_t mcmd = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    std::vector<uint8_t> payload;
};

class CommandQueue {
public:
    void Push(QueuedCommand command);
    // Never blocks.
    std::optional<QueuedCommand> TryPop();
    // Waits for a record or for `Wake()`, without waking up in between.
    std::optional<QueuedCommand> Pop();
    void Wake();
    size_t Size() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<QueuedCommand> records_;
    bool woken_ = false;
};

}  // namespace dv
