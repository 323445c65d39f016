#include "device/StartupRead.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/UnitCounts.h"

namespace dv {

StartupReadOutcome RunStartupRead(DspDevice& d, std::span<const int> mixerInputs,
                                  const std::function<bool()>& alive,
                                  const std::function<void(int)>& beforeStep) {
    StartupReadOutcome outcome;
    int step = 0;
    auto next = [&] {
        if (beforeStep) beforeStep(step);
        return step++;
    };
    // A command that hears anything but its own data (a NOT_READY, a damaged frame, nothing)
    // fails, and the read stops at the first such query: one time-out, not one per query. A
    // reply split over two reports is still its own data.
    const DspDevice::AwaitOwnReplies strict;
    next();
    d.PC_Connect(1);  // write only: its answer is the handshake's
    const int handshake = next();
    if (!d.Hand_Connect()) return {StartupRead::NoHandshake, handshake};
    if (d.GetModel() != 1 || !d.IsHandshakeNormal()) return outcome;

    auto ask = [&](auto&& query) {
        if (outcome.result != StartupRead::Complete) return;
        const int at = next();
        if (!alive() || !query()) outcome = {StartupRead::Incomplete, at};
    };
    constexpr uint8_t kLast = kOutputCount - 1;
    ask([&] { return d.Get_Source(); });
    ask([&] { return d.Get_Main_Volume(); });
    ask([&] { return d.Get_Subwoofer_Volume(); });
    ask([&] { return d.Get_Mute(); });
    ask([&] { return d.Get_CH_Type(0, 0, 0, kLast); });
    ask([&] { return d.Get_CH_Link(0); });
    ask([&] { return d.Get_CH_Lock(0); });
    ask([&] { return d.Get_Filter(0, 0, 0, 3); });
    ask([&] { return d.Get_Filter(0, 0, 4, kLast); });
    ask([&] { return d.Get_PEQ_Bypass(0, 0, 0, kLast); });
    for (int k = 0; k < kOutputCount; ++k) {
        const int bands = BandCapacity(k);
        for (int first = 0; first < bands; first += 8) {
            const int last = std::min(first + 7, bands - 1);
            ask([&] {
                return d.Get_EQ(0, 0, static_cast<uint8_t>(k), static_cast<uint8_t>(first),
                                static_cast<uint8_t>(last));
            });
        }
    }
    ask([&] { return d.Get_Delay(0, 0, 0, kLast); });
    ask([&] { return d.Get_Trim(0, 0, 0, kLast); });
    ask([&] { return d.Get_Mute_Ch(0, 0, 0, kLast); });
    ask([&] { return d.Get_Phase(0, 0, 0, kLast); });
    for (int s = 0; s < kSourceCount; ++s)
        ask([&] { return d.Get_Mix_Ch(0, static_cast<uint8_t>(s), 0); });
    for (int s = 0; s < kSourceCount && s < static_cast<int>(mixerInputs.size()); ++s) {
        for (int input = 0; input < mixerInputs[static_cast<size_t>(s)]; ++input)
            ask([&] {
                return d.Get_Input_Mix_CH_Trim(0, static_cast<uint8_t>(s),
                                               static_cast<uint8_t>(input), 0, kLast);
            });
    }
    ask([&] { return d.Get_Input_Threshold(0, 0, true); });
    for (int scene = 1; scene <= kSceneCount; ++scene)
        ask([&] { return d.Get_Scene_Name(static_cast<uint8_t>(scene)); });
    return outcome;
}

}  // namespace dv
