// The seven input sources: selector items, the codes the unit uses for them and their mixer inputs.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "model/DspProfile.h"

namespace dv {

enum class RoutingDefault { A, B };

struct InputSource {
    std::string_view itemName;  // input-source selector item
    uint8_t deviceCode;
    bool shownAtStart;
    int mixerInputs;
    RoutingDefault routing;  // which role routing table seeds this source's masks
};

extern const std::array<InputSource, kSourceCount> kInputSources;

// The source a low-level input falls back to for unknown codes.
inline constexpr int kFallbackSource = 4;

// 2 for Bluetooth, 4 for the low- and high-level inputs, else 0.
int SourceMixerInputs(int source);
// 0x51 .. 0x57 select 0 .. 6; any other code selects index 4.
int SourceIndexFromCode(int code);
// The code sent for a source index; index 4's code for an index outside the table.
uint8_t SourceDeviceCode(int source);

}  // namespace dv
