// The settings of the processor as the panel holds them: one DspProfile per scene. A profile is
// plain data of fixed size (no pointers, no heap), so copying one is a single flat copy.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <type_traits>

#include "base/UnitCounts.h"

namespace dv {

inline constexpr int kCurvePoints = 512;  // points of a response curve

inline constexpr int kFreqMin = 20;
inline constexpr int kFreqMax = 20000;
inline constexpr float kDefaultQ = 5.8f;

// ISO third-octave centres; an 11-band output uses the first 11.
inline constexpr std::array<int32_t, kMaxBands> kBandFrequencies = {
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

struct EqBand {
    float eqGain = 0.0f;  // dB
    float eqFactor = kDefaultQ;
    int32_t freq = 0;    // Hz
    uint8_t enable = 1;  // only 1 counts as on
};

// What a band plays: the unit has no enable flag, so a band switched off plays at 0 dB.
inline float PlayedGain(const EqBand& band) {
    return band.enable == 1 ? band.eqGain : 0.0f;
}

// One side of a crossover. Write through the setters so the stored values stay in range.
struct FilterSection {
    int32_t fs = kFreqMin;  // corner frequency, Hz
    int32_t type = 1;       // 1 Butterworth, 2 Linkwitz-Riley, 3 Bessel
    int32_t slope = 0;      // order, 0 = off
    int32_t bypass = 1;     // 1 when the side is off

    void SetFs(int32_t hz);
    void SetType(int32_t value);
    // Also sets bypass: 1 for slope 0, else 0.
    void SetSlope(int32_t value);
};

struct Crossover {
    int32_t bpType = 0;  // bit 0: high-pass on, bit 1: low-pass on (as built from defaults)
    FilterSection hp;
    FilterSection lp;
};

struct OutputChannel {
    // The output's own bands, held by value; only the first eqSize (at most BandCapacity) count.
    std::array<EqBand, kMaxBands> eqArray{};
    int32_t eqSize = kMaxBands;
    int32_t gain = 0;  // volume, whole dB
    int32_t mute = 0;
    float delay = 0.0f;  // ms
    int32_t phase = 1;
    uint8_t bypass = 1;  // 1 = EQ bypassed: bands play and show as 0 dB, gains stay stored
    Crossover crossover;
};

// Routing masks: bit k set = input k+1 feeds the output while that source is active.
using RoutingTable = std::array<std::array<int32_t, kOutputCount>, kSourceCount>;
using MixerTable =
    std::array<std::array<std::array<int32_t, kOutputCount>, kMixerInputs>, kSourceCount>;
using CurveArray = std::array<double, kCurvePoints>;

struct DspProfile {
    // Device identity from the handshake.
    int32_t modelCode = -1;
    int32_t masterVersion = -1;
    int32_t slaveVersion = -1;
    std::array<int32_t, 4> flashVersion{};
    int32_t source = 0;  // input source index 0 .. 6
    int32_t mainVolume = -5;
    int32_t subVolume = 0;
    uint8_t scene = 0;  // 0 = the unit's current setting, 1 .. 10 the stored scenes
    int32_t mainVolumeMute = 0;
    int32_t channelCount = kOutputCount;
    std::array<OutputChannel, kOutputCount> channels{};
    RoutingTable routing{};
    MixerTable mixerTrim{};
    MixerTable mixerPhase{};
    std::array<int32_t, kOutputCount> roles{};  // speaker role per output, 0 .. 24
    std::array<int32_t, kOutputCount> linkOutputs{};
    std::array<int32_t, kOutputCount> showChEqualizer{};
    int32_t currChannel = 0;
    int32_t linkMode = 0;
    int32_t lockMode = 0;
    int32_t inputThreshold = -40;
    // Working levels of the last curve computation.
    CurveArray hpLevels{};
    CurveArray lpLevels{};
    // Per output: the curve's grid in Hz and its level in dB.
    std::array<CurveArray, kOutputCount> curveFreq{};
    std::array<CurveArray, kOutputCount> curveLevel{};

    DspProfile() { ResetDefaults(); }

    void ResetDefaults();

    // Any index other than 1 .. 7 designates output 0.
    std::span<EqBand> Bands(int output);
    std::span<const EqBand> Bands(int output) const;
    int32_t BandCount(int output) const;

    bool IsRoleInUse(int role) const;
    // Whether output `output` may take `role` without two outputs of one position sharing a band.
    bool IsRoleAvailable(int role, int output) const;
    // Whether some output has its mirror role on an output of the same bank.
    bool IsLinkable() const;
    // Fills linkOutputs with each output's mirror partner in its bank, -1 where there is none.
    void ComputeLinkPartners();
    // Copies bands, crossover (through the setters), EQ bypass and volume of one output to another.
    void CopyOutput(int from, int to);

    // Routing masks derived from the roles (table B for two-input sources, else table A).
    void ResetRoutingFromRoles();
};

static_assert(std::is_trivially_copyable_v<DspProfile>, "a profile must copy flat");

// Scene names as the unit holds them: 8 UTF-16 code units each.
using SceneName = std::array<char16_t, kSceneNameChars>;
using SceneNameTable = std::array<SceneName, kSceneCount>;
// Scene slots 1 .. 10 at indexes 0 .. 9.
using SceneSlots = std::array<DspProfile, kSceneCount>;

// Whether two outputs lie in the same pairing bank (outputs 1-6 or 7-8).
constexpr bool SameBank(int a, int b) {
    return (a < kFirstSmallOutput) == (b < kFirstSmallOutput);
}

}  // namespace dv
