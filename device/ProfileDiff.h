// The set commands that take the unit from one setting to another: only what differs, compared
// as the unit holds it (two values that encode alike are equal), in an order the unit accepts:
// the roles change while the outputs are unlocked, link and lock come back after them.
//
// The one place in device/ that reads the settings model: it turns settings into commands, so it
// needs both, and keeping it here leaves the model free of the wire.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "device/DspDevice.h"
#include "model/DspProfile.h"

namespace dv {

// One group-1 set command for the unit's current setting (scene 0), with the arguments its
// DspDevice operation takes.
struct ProfileCommand {
    CommandId id{};
    uint8_t source = 0;   // Mix_Ch_Ctrl, Input_Mix_Trim_Ctrl
    uint8_t channel = 0;  // EQ_Ctrl, Filter_Ctrl: the output; Input_Mix_Trim_Ctrl: the input
    uint8_t first = 0;    // range commands: outputs first .. last
    uint8_t last = 0;
    uint8_t band = 0;                          // EQ_Ctrl
    FilterSide side = FilterSide::HighPass;    // Filter_Ctrl
    int freq = 0;                              // EQ_Ctrl, Filter_Ctrl
    float q = 0.0f;                            // EQ_Ctrl
    float gain = 0.0f;                         // EQ_Ctrl: as played (0 for a band switched off)
    std::array<int, kOutputCount> values{};    // range values from `first`; else values[0]
    std::array<float, kOutputCount> delays{};  // Delay_Ctrl, from `first`
    std::array<LinkPair, kOutputCount / 2> pairs{};  // CH_Link_Ctrl
    uint8_t pairCount = 0;
};

// Appends to `out` (cleared first) the commands that turn a unit holding `from` into one
// holding `to`. Nothing when they play alike. View state (the output being edited, the curves
// shown) and the mixer phases, which no command sets, are not compared.
void DiffProfiles(const DspProfile& from, const DspProfile& to, std::vector<ProfileCommand>& out);
std::vector<ProfileCommand> DiffProfiles(const DspProfile& from, const DspProfile& to);

// Hands each command to its DspDevice operation, queued (latest wins) unless `immediate`.
// False when one of them was refused or, immediate, not acknowledged as applied.
bool SendProfileCommands(DspDevice& device, std::span<const ProfileCommand> commands,
                         bool immediate);

}  // namespace dv
