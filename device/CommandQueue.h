// The queue between editing operations and the command thread: first in, first out, any
// number of producers, one consumer. It grows instead of refusing a record.
//
// Latest wins: a set record for a setting that already has a record waiting replaces that one
// in place, as long as nothing queued between them could touch the same setting (a record that
// does not merge, or one of the same command on an overlapping range). The unit then ends as if
// it had been sent everything, after fewer frames.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "device/CommandTable.h"

namespace dv {

struct QueuedCommand {
    uint8_t mcmd = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    std::vector<uint8_t> payload;
    SetTarget target{};  // from the command's row; no target: never merged
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

    // On by default; off, every record is sent.
    void SetCoalescing(bool on);
    // The most records waiting at once since the last reset.
    size_t HighWater() const;
    void ResetHighWater();

private:
    bool Merge(QueuedCommand& command);

    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<QueuedCommand> records_;
    bool woken_ = false;
    bool coalescing_ = true;
    size_t highWater_ = 0;
};

}  // namespace dv
