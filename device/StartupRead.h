// The read that follows every connection: greeting, handshake, then every query of the unit's
// state in a fixed order, each waiting for its own answer, so that a read either brings the
// whole unit or says where it stopped.
#pragma once

#include <functional>
#include <span>

#include "device/DspDevice.h"

namespace dv {

enum class StartupRead {
    Complete,     // every query answered (or another model / a unit in its loader: none asked)
    NoHandshake,  // the unit did not answer the handshake
    Incomplete,   // a query went unanswered, was refused, or the link went away
};

struct StartupReadOutcome {
    StartupRead result = StartupRead::Complete;
    int failedStep = -1;  // the round trip that failed (0: greeting, 1: handshake, 2..: queries)
};

// `mixerInputs[s]`: how many mixer inputs source s has (their trims are read). `alive` is asked
// before each query; `beforeStep` runs before each round trip (tests arm faults there).
StartupReadOutcome RunStartupRead(DspDevice& device, std::span<const int> mixerInputs,
                                  const std::function<bool()>& alive,
                                  const std::function<void(int)>& beforeStep = {});

}  // namespace dv
