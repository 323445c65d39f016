// The DV80MAX's fixed counts, shared by the link, the settings model and the windows.
#pragma once

namespace dv {

inline constexpr int kOutputCount = 8;
inline constexpr int kMaxBands = 31;         // outputs 1-6
inline constexpr int kSmallBands = 11;       // outputs 7 and 8
inline constexpr int kFirstSmallOutput = 6;  // first index of the second pairing bank
inline constexpr int kSourceCount = 7;
inline constexpr int kMixerInputs = 8;
inline constexpr int kRoleCount = 25;
inline constexpr int kSceneCount = 10;
inline constexpr int kSceneNameChars = 8;
inline constexpr int kIrcSpectrumPoints = 121;  // points of one calibration measurement
inline constexpr int kIrcEqBands = 11;          // bands of one calibration correction

// Number of bands output `output` can hold: 31 on outputs 1-6, 11 on 7 and 8.
constexpr int BandCapacity(int output) {
    return output >= kFirstSmallOutput && output < kOutputCount ? kSmallBands : kMaxBands;
}

}  // namespace dv
