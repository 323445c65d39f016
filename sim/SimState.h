// The simulated unit's memory: the current setting, ten stored scenes and the unit-wide values.
// Held in the unit's own units (hundredths of Q, tenths of dB, microseconds), not the panel's.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace dv::sim {

constexpr int kSimOutputs = 8;
constexpr int kSimInputs = 8;
constexpr int kSimSources = 7;
constexpr int kSimScenes = 10;
constexpr int kSimBands = 31;

struct SimFilter {
    uint8_t type = 3;
    uint16_t freq = 20;
    uint8_t slope = 0;
};

struct SimBand {
    uint16_t freq = 1000;
    uint16_t qHundredths = 580;
    int16_t gainTenths = 0;  // dB x 10
};

struct SimOutput {
    SimFilter hp;
    SimFilter lp{3, 20000, 0};
    std::array<SimBand, kSimBands> bands{};
    uint32_t delayMicros = 0;
    int8_t trim = 0;
    uint8_t mute = 0;
    int8_t phase = 0;
    uint8_t role = 0;
    uint8_t eqBypass = 0;
    uint8_t dspBypass = 0;
    std::array<uint8_t, 8> remap{};
};

struct SimInput {
    int8_t trim = 0;
    uint8_t mute = 0;
    int8_t phase = 0;
    std::array<SimBand, kSimBands> bands{};
};

// One linked pair as the panel sent it: `to` follows `from`.
struct SimLinkPair {
    uint8_t from = 0;
    uint8_t to = 0;
    bool operator==(const SimLinkPair&) const = default;
};

struct SimScene {
    std::array<SimOutput, kSimOutputs> outputs{};
    std::array<SimInput, kSimInputs> inputs{};
    std::array<std::array<uint8_t, kSimOutputs>, kSimSources> routing{};  // [source][output]
    std::array<std::array<std::array<int8_t, kSimOutputs>, kSimInputs>, kSimSources>
        mixTrim{};  // [source][input][output]
    // Linking locks the roles and unlocking ends the link, so link 1 always comes with lock 1,
    // and pairs exist only while linked; no output is in two pairs.
    uint8_t link = 0;
    uint8_t lock = 0;
    std::array<SimLinkPair, kSimOutputs / 2> pairs{};
    uint8_t pairCount = 0;
};

struct SimCalibration {
    uint8_t status = 12;  // exit: no run in progress
    uint8_t channel = 0;
    uint8_t progress = 0;
    uint8_t reason = 0;
    uint8_t testMic = 0;
    std::array<uint16_t, kSimOutputs> distanceHundredths{};
    std::array<uint8_t, kSimOutputs> trim{};
    std::array<uint8_t, kSimOutputs> speakerSize{};
    std::array<int8_t, kSimOutputs> speakerPhase{};
    std::array<uint8_t, kSimOutputs> speakerLevel{};
    std::array<uint8_t, kSimOutputs> noiseLevel{};
};

struct SimUnitState {
    SimScene current;
    std::array<SimScene, kSimScenes> stored{};                // scene n at index n - 1
    std::array<std::array<uint8_t, 16>, kSimScenes> names{};  // 0xFF bytes: never named
    uint8_t sourceCode = 0x55;
    int8_t mainVolume = 0;
    int8_t subVolume = 0;
    uint8_t mute = 0;
    int8_t inputThreshold = -40;
    std::array<int16_t, kSimInputs> noiseTenths{};  // input noise level, dB x 10
    uint32_t noiseSeed = 0x2545F491u;               // moves the levels from query to query
    SimCalibration calibration;
};

// A unit fresh from the factory.
SimUnitState FactoryState();
// A plausibly tuned two-way front, rear fill and stereo subwoofer install, with two named scenes.
SimUnitState TunedCarState();
// Name bytes as the unit stores them: the text, zero filled to 16 bytes.
std::array<uint8_t, 16> SceneNameBytes(std::string_view text);

}  // namespace dv::sim
