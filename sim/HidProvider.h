// What the panel asked of this folder's hidapi functions, for tests that check how long the
// panel waits for a reply.
#pragma once

#include <climits>

namespace dv::sim {

inline constexpr int kNoRead = INT_MIN;

// The time-out of the last hid_read_timeout call made on the calling thread, or kNoRead when
// there was none since ForgetLastReadTimeout.
int LastReadTimeoutOnThisThread();
void ForgetLastReadTimeout();

}  // namespace dv::sim
