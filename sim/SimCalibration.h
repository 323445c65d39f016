// The simulated unit's microphone calibration: a run moves one step per status query (no wall
// clock), measures each selected output as a car cabin would shape it and derives a corrective
// EQ, delays and trims from the measurement. Faults on demand.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/SimState.h"

namespace dv::sim {

inline constexpr int kSimSpectrumPoints = 121;
inline constexpr int kSimCalBands = 11;

struct SimSpectrumPoint {
    double freq = 0.0;  // Hz
    double gain = 0.0;  // dB
};

struct SimCalBand {
    uint16_t freq = 0;
    uint16_t qHundredths = 0;
    int16_t gainTenths = 0;
};

// What output `channel` measures (121 points, 20 Hz .. 20 kHz, twelve per octave): cabin gain
// in the lows, a dip in the mids, rolled-off highs, different for every output. Deterministic.
std::array<SimSpectrumPoint, kSimSpectrumPoints> MeasuredResponse(int channel);
// The correction the unit computes for that measurement: 11 peaking bands.
std::array<SimCalBand, kSimCalBands> CorrectiveEq(int channel);
// Level of a peaking band at `freq` in dB, 48 kHz (the unit's own filter model).
double SimPeakingDb(const SimCalBand& band, double freq);
// Distance of an output from the listening position in hundredths of the unit's distance unit
// (metres), and its level in dB relative to the loudest.
uint16_t MeasuredDistanceHundredths(int channel);
int MeasuredTrim(int channel);

enum class SimCalFaultKind {
    None,
    Fail,    // status 11 with `reason`
    Exit,    // status 12: the unit gives up the run
    Freeze,  // the status stops moving: every later query answers the same
    Silent,  // status queries go unanswered
};

// Strikes when the run first reaches a step whose status is `atStatus` (for 7 and 8 also of
// `channel`, when it is not -1).
struct SimCalFault {
    SimCalFaultKind kind = SimCalFaultKind::None;
    uint8_t atStatus = 0;
    int channel = -1;
    uint8_t reason = 0;
};

class SimCalibrationCourse {
public:
    // IRC_Ctrl: action, channel mask, EQ mode. Acts on `state` (the unit's memory).
    void Control(uint8_t action, uint16_t mask, uint8_t mode, SimUnitState& state);
    // IRC_Get: advances one step; nothing when the unit does not answer.
    std::optional<std::vector<uint8_t>> StatusQuery(SimUnitState& state);
    // IRC_Get_Spectrum (spectrum true) and IRC_Get_EQ: channel, first band, last band.
    std::optional<std::vector<uint8_t>> DataQuery(bool spectrum, std::span<const uint8_t> p) const;

    void SetFault(const SimCalFault& fault) { fault_ = fault; }
    int StatusQueries() const { return queries_; }
    // Outputs measured in the current run.
    uint16_t MeasuredMask() const { return measured_; }
    uint8_t AppliedMode() const { return appliedMode_; }

private:
    struct Step {
        uint8_t status;
        uint8_t channel;
        uint8_t progress;
    };
    void Answer(const Step& step, SimUnitState& state);
    void ApplyResult(SimUnitState& state) const;

    std::vector<Step> course_;
    size_t next_ = 0;
    bool running_ = false;
    bool done_ = false;  // the last run reached status 10 and has a result
    bool frozen_ = false;
    bool silent_ = false;
    uint16_t mask_ = 0;
    uint16_t measured_ = 0;
    uint16_t corrected_ = 0;
    uint8_t appliedMode_ = 0;
    int queries_ = 0;
    SimCalFault fault_;
};

}  // namespace dv::sim
