#include "sim/SimCalibration.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "sim/SimFrames.h"

namespace dv::sim {

namespace {

constexpr double kSampleRate = 48000.0;
constexpr int kMaxPayload = 57;
constexpr uint8_t kRunEnd = 10, kFailed = 11, kExit = 12;

// Eleven centres from 31 Hz to 12.5 kHz, about 0.86 octave apart.
constexpr std::array<uint16_t, kSimCalBands> kCorrectionCentres = {
    31, 57, 104, 189, 343, 624, 1135, 2063, 3750, 6817, 12500};
constexpr uint16_t kCorrectionQ = 160;  // hundredths

constexpr std::array<uint16_t, kSimOutputs> kDistances = {95, 132, 105, 141, 196, 218, 255, 261};
constexpr std::array<int, kSimOutputs> kTrims = {-3, -2, -1, -1, 0, 0, -4, -4};

double Log2(double x) {
    return std::log(x) / std::numbers::ln2;
}

// A cabin as a microphone at the listening position hears one speaker.
double CabinDb(int channel, double f) {
    const int c = channel;
    const double roomGain = 6.0 + (c * 37 % 5);
    const double roomCorner = 70.0 + 10.0 * (c % 3);
    const double speakerLow = 35.0 + 5.0 * c;
    const double dipFreq = 200.0 * std::pow(2.0, std::fmod(c * 0.7, 2.5));
    const double dipDepth = 5.0 + (c % 4);
    const double presence = 2500.0 * (1.0 + 0.15 * c);
    const double highCorner = 7000.0 - 400.0 * c;
    double db = roomGain / (1.0 + (f / roomCorner) * (f / roomCorner));
    db -= 10.0 * std::log10(1.0 + std::pow(speakerLow / f, 4.0));
    const double dip = Log2(f / dipFreq);
    db -= dipDepth * std::exp(-dip * dip / (2.0 * 0.45 * 0.45));
    const double peak = Log2(f / presence);
    db += 3.0 * std::exp(-peak * peak / (2.0 * 0.3 * 0.3));
    const double r = (f / highCorner) * (f / highCorner);
    db -= 14.0 * r / (1.0 + r);
    db += 1.2 * std::sin(2.0 * std::numbers::pi * Log2(f) * 1.7 + c);
    return db;
}

double SpectrumFreq(int k) {
    return 20.0 * std::pow(1000.0, k / 120.0);
}

bool ValidChannel(int c) {
    return c >= 0 && c < kSimOutputs;
}

void PutCalBand(std::vector<uint8_t>& out, const SimCalBand& band) {
    PutBandBytes(out, band.freq, band.qHundredths, band.gainTenths);
}

void PutPoint(std::vector<uint8_t>& out, const SimSpectrumPoint& point) {
    const long freqHundredths = std::lround(point.freq * 100.0);
    const long gainHundredths = std::lround(point.gain * 100.0);
    out.push_back(static_cast<uint8_t>((freqHundredths / 100) >> 8));
    out.push_back(static_cast<uint8_t>(freqHundredths / 100));
    out.push_back(static_cast<uint8_t>(freqHundredths % 100));
    out.push_back(static_cast<uint8_t>(static_cast<int8_t>(gainHundredths / 100)));
    out.push_back(static_cast<uint8_t>(static_cast<int8_t>(gainHundredths % 100)));
}

}  // namespace

// A peaking band whose bandwidth is set by its lower band edge, a cut's narrowed by its depth.
double SimPeakingDb(const SimCalBand& band, double freq) {
    const double q = band.qHundredths / 100.0;
    if (q <= 0.0 || band.freq == 0 || band.gainTenths == 0) return 0.0;
    const double k = std::pow(10.0, band.gainTenths / 200.0);
    const double w0 = 2.0 * std::numbers::pi * band.freq / kSampleRate;
    const double w1 = (std::sqrt(4.0 * q * q + 1.0) - 1.0) * w0 / (2.0 * q);
    double r = std::sin(w1) * std::sin(w0) / (2.0 * (std::cos(w1) - std::cos(w0)));
    if (k < 1.0) r *= k;
    const double s0 = std::sin(w0), u = 2.0 * r + s0;
    const double a1 = -4.0 * r * std::cos(w0) / u, a2 = (2.0 * r - s0) / u;
    const double b0 = (2.0 * r + k * s0) / u, b2 = (2.0 * r - k * s0) / u;
    const std::complex<double> z = std::polar(1.0, -2.0 * std::numbers::pi * freq / kSampleRate);
    const std::complex<double> num = b0 + a1 * z + b2 * z * z;
    const std::complex<double> den = 1.0 + a1 * z + a2 * z * z;
    return 20.0 * std::log10(std::abs(num) / std::abs(den));
}

std::array<SimSpectrumPoint, kSimSpectrumPoints> MeasuredResponse(int channel) {
    std::array<SimSpectrumPoint, kSimSpectrumPoints> points{};
    for (int k = 0; k < kSimSpectrumPoints; ++k) {
        const double f = std::round(SpectrumFreq(k) * 100.0) / 100.0;
        points[k] = {f, std::round(CabinDb(channel, f) * 100.0) / 100.0};
    }
    return points;
}

std::array<SimCalBand, kSimCalBands> CorrectiveEq(int channel) {
    // Each band is pulled towards the gain that cancels what the whole correction leaves at its
    // centre; cuts go deeper than boosts, as a unit does not boost into a speaker's roll-off.
    std::array<double, kSimCalBands> gains{};
    std::array<SimCalBand, kSimCalBands> bands{};
    for (int round = 0; round < 24; ++round) {
        for (int i = 0; i < kSimCalBands; ++i)
            bands[i] = {kCorrectionCentres[i], kCorrectionQ,
                        static_cast<int16_t>(std::lround(gains[i] * 10.0))};
        std::array<double, kSimCalBands> residual{};
        for (int i = 0; i < kSimCalBands; ++i) {
            double level = CabinDb(channel, kCorrectionCentres[i]);
            for (const SimCalBand& band : bands) level += SimPeakingDb(band, kCorrectionCentres[i]);
            residual[i] = level;
        }
        for (int i = 0; i < kSimCalBands; ++i)
            gains[i] = std::clamp(gains[i] - 0.6 * residual[i], -12.0, 6.0);
    }
    for (int i = 0; i < kSimCalBands; ++i)
        bands[i] = {kCorrectionCentres[i], kCorrectionQ,
                    static_cast<int16_t>(std::lround(gains[i] * 10.0))};
    return bands;
}

uint16_t MeasuredDistanceHundredths(int channel) {
    return ValidChannel(channel) ? kDistances[channel] : 0;
}

int MeasuredTrim(int channel) {
    return ValidChannel(channel) ? kTrims[channel] : 0;
}

void SimCalibrationCourse::Control(uint8_t action, uint16_t mask, uint8_t mode,
                                   SimUnitState& state) {
    SimCalibration& cal = state.calibration;
    frozen_ = silent_ = false;
    switch (action) {
        case 1: {
            mask_ = mask & 0xFF;
            measured_ = corrected_ = 0;
            course_.clear();
            course_.push_back({0, 0, 0});
            // An output with no speaker on it (role empty) stays silent in the speaker test.
            bool silentOutput = false;
            for (int c = 0; c < kSimOutputs; ++c)
                silentOutput |= (mask_ & (1u << c)) && state.current.outputs[c].role == 0;
            if (mask_ == 0) {
                course_.push_back({kFailed, 0, 0});
            } else if (silentOutput) {
                course_.push_back({1, 0, 0});
                course_.push_back({kFailed, 0, 0});
            } else {
                for (uint8_t stage = 1; stage <= 4; ++stage) {
                    course_.push_back({stage, 0, 0});
                    course_.push_back({stage, 0, 0});
                }
                for (uint8_t c = 0; c < kSimOutputs; ++c) {
                    if (!(mask_ & (1u << c))) continue;
                    for (uint8_t status : {6, 7, 9, 5, 8}) course_.push_back({status, c, 0});
                }
                course_.push_back({kRunEnd, 0, 100});
            }
            // Progress rises with the steps; the last one says 100.
            const size_t n = course_.size();
            for (size_t i = 1; i + 1 < n; ++i)
                course_[i].progress = static_cast<uint8_t>(i * 100 / n);
            next_ = 1;
            running_ = true;
            done_ = false;
            Answer(course_[0], state);
            cal.reason = mask_ == 0 || silentOutput ? 2 : 0;
            return;
        }
        case 2:
            if (done_) {
                ApplyResult(state);
                appliedMode_ = mode;
            }
            break;
        default:  // 0 stop, 3 discard, anything else: no run and no result
            break;
    }
    running_ = false;
    done_ = false;
    cal.status = kExit;
}

void SimCalibrationCourse::Answer(const Step& step, SimUnitState& state) {
    SimCalibration& cal = state.calibration;
    cal.status = step.status;
    cal.channel = step.channel;
    cal.progress = step.progress;
    if (step.status == 3)
        for (int c = 0; c < kSimOutputs; ++c)
            if (mask_ & (1u << c)) cal.distanceHundredths[c] = MeasuredDistanceHundredths(c);
    if (step.status == 4)
        for (int c = 0; c < kSimOutputs; ++c)
            if (mask_ & (1u << c)) cal.trim[c] = static_cast<uint8_t>(MeasuredTrim(c));
    if (step.status == 7) measured_ |= static_cast<uint16_t>(1u << step.channel);
    if (step.status == 8) corrected_ |= static_cast<uint16_t>(1u << step.channel);
}

std::optional<std::vector<uint8_t>> SimCalibrationCourse::StatusQuery(SimUnitState& state) {
    ++queries_;
    SimCalibration& cal = state.calibration;
    if (silent_) return std::nullopt;
    if (running_ && !frozen_ && next_ < course_.size()) {
        Step step = course_[next_];
        const bool channelMatches = fault_.channel < 0 || fault_.channel == step.channel;
        if (fault_.kind != SimCalFaultKind::None && step.status == fault_.atStatus &&
            channelMatches) {
            const SimCalFault fault = fault_;
            fault_ = {};  // one strike
            switch (fault.kind) {
                case SimCalFaultKind::Fail:
                    step = {kFailed, 0, step.progress};
                    running_ = false;
                    break;
                case SimCalFaultKind::Exit:
                    step = {kExit, 0, step.progress};
                    running_ = false;
                    break;
                case SimCalFaultKind::Freeze:
                    frozen_ = true;
                    break;
                default:
                    silent_ = true;
                    return std::nullopt;
            }
            if (step.status == kFailed) cal.reason = fault.reason;
        }
        ++next_;
        Answer(step, state);
        if (step.status == kRunEnd) {
            running_ = false;
            done_ = true;
        }
    }
    return std::vector<uint8_t>{cal.status, cal.channel, 0, cal.progress, cal.reason};
}

std::optional<std::vector<uint8_t>> SimCalibrationCourse::DataQuery(
    bool spectrum, std::span<const uint8_t> p) const {
    if (p.size() < 3 || !ValidChannel(p[0])) return std::nullopt;
    const int channel = p[0], first = p[1];
    const int limit = spectrum ? kSimSpectrumPoints - 1 : kSimCalBands - 1;
    const int room = (kMaxPayload - 3) / (spectrum ? 5 : 6);
    const int last = std::min({static_cast<int>(p[2]), limit, first + room - 1});
    std::vector<uint8_t> out = {p[0], p[1], static_cast<uint8_t>(last >= first ? last : first - 1)};
    const bool have = (spectrum ? measured_ : corrected_) & (1u << channel);
    if (spectrum) {
        const auto points = MeasuredResponse(channel);
        for (int k = first; k <= last; ++k)
            PutPoint(out, have ? points[k] : SimSpectrumPoint{points[k].freq, 0.0});
    } else {
        const auto bands = CorrectiveEq(channel);
        for (int b = first; b <= last; ++b)
            PutCalBand(out, have ? bands[b] : SimCalBand{bands[b].freq, bands[b].qHundredths, 0});
    }
    return out;
}

void SimCalibrationCourse::ApplyResult(SimUnitState& state) const {
    uint16_t farthest = 0;
    for (int c = 0; c < kSimOutputs; ++c)
        if (mask_ & (1u << c)) farthest = std::max(farthest, MeasuredDistanceHundredths(c));
    for (int c = 0; c < kSimOutputs; ++c) {
        SimOutput& out = state.current.outputs[c];
        if (corrected_ & (1u << c)) {
            const auto bands = CorrectiveEq(c);
            for (int b = 0; b < kSimBands; ++b) {
                if (b < kSimCalBands)
                    out.bands[b] = {bands[b].freq, bands[b].qHundredths, bands[b].gainTenths};
                else
                    out.bands[b].gainTenths = 0;
            }
        }
        if (mask_ & (1u << c)) {
            // Sound travels 343 m/s: the nearer speakers wait for the farthest.
            const double metres = (farthest - MeasuredDistanceHundredths(c)) / 100.0;
            out.delayMicros = static_cast<uint32_t>(std::lround(metres / 343.0 * 1e6));
            out.trim = static_cast<int8_t>(MeasuredTrim(c));
        }
    }
}

}  // namespace dv::sim
