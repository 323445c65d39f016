// Random settings within the unit's ranges (values on the panel's edit grid, roles and links
// consistent), and what a unit holding a setting keeps in its own units, taken from the wire
// description rather than from the panel's encoders.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <utility>

#include "model/DspProfile.h"
#include "sim/SimState.h"

namespace dvtest {

class ProfileRandom {
public:
    explicit ProfileRandom(unsigned seed) : rng_(seed) {}

    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool Chance(int percent) { return Int(1, 100) <= percent; }

    dv::EqBand Band() {
        return {Int(-180, 120) / 10.0f, Int(50, 900) / 100.0f, Int(20, 20000), uint8_t{Chance(85)}};
    }
    void Section(dv::FilterSection& s) {
        s.SetFs(Int(20, 20000));
        s.SetType(Int(1, 3));
        s.SetSlope(Int(0, 8));
    }
    void Output(dv::DspProfile& p, int k) {
        dv::OutputChannel& out = p.channels[k];
        out.gain = Int(-60, 0);
        out.mute = Int(0, 1);
        out.phase = Int(0, 1);
        out.delay = Int(0, 15000) / 1000.0f;
        out.bypass = static_cast<uint8_t>(Int(0, 1));
        Section(out.crossover.hp);
        Section(out.crossover.lp);
        for (int b = 0; b < p.BandCount(k); ++b) out.eqArray[b] = Band();
    }
    // Roles first; link only where the roles pair up, and linking locks.
    void Link(dv::DspProfile& p) {
        p.linkMode = 0;
        p.linkOutputs.fill(-1);
        p.lockMode = Int(0, 1);
        if (Chance(50) && p.IsLinkable()) {
            p.linkMode = p.lockMode = 1;
            p.ComputeLinkPartners();
        }
    }
    void Roles(dv::DspProfile& p) {
        if (Chance(40)) {
            p.roles = {6, 12, 15, 18, 19, 20, 22, 23};
        } else {
            for (auto& role : p.roles) role = Int(0, 24);
        }
        Link(p);
    }

    dv::DspProfile Profile() {
        dv::DspProfile p;
        p.source = Int(0, 6);
        p.mainVolume = Int(-60, 0);
        p.mainVolumeMute = Int(0, 1);
        p.subVolume = Int(-20, 0);
        p.inputThreshold = Int(-90, -20);
        for (int k = 0; k < dv::kOutputCount; ++k) Output(p, k);
        for (auto& source : p.routing)
            for (auto& mask : source) mask = Int(0, 63);
        for (auto& source : p.mixerTrim)
            for (auto& input : source)
                for (auto& trim : input) trim = Int(0, 100);
        Roles(p);
        return p;
    }

    // A few single changes, as a session of edits makes them.
    dv::DspProfile Mutate(dv::DspProfile p, int changes) {
        for (int i = 0; i < changes; ++i) {
            const int k = Int(0, dv::kOutputCount - 1);
            switch (Int(0, 9)) {
                case 0:
                    p.channels[k].eqArray[Int(0, p.BandCount(k) - 1)] = Band();
                    break;
                case 1:
                    Section(Chance(50) ? p.channels[k].crossover.hp : p.channels[k].crossover.lp);
                    break;
                case 2:
                    p.channels[k].gain = Int(-60, 0);
                    break;
                case 3:
                    p.channels[k].delay = Int(0, 15000) / 1000.0f;
                    break;
                case 4:
                    p.routing[Int(0, 6)][k] = Int(0, 63);
                    break;
                case 5:
                    p.mixerTrim[Int(0, 6)][Int(0, 7)][k] = Int(0, 100);
                    break;
                case 6:
                    p.roles[k] = Int(0, 24);
                    Link(p);
                    break;
                case 7:
                    Link(p);
                    break;
                case 8:
                    p.mainVolume = Int(-60, 0);
                    p.source = Int(0, 6);
                    break;
                default:
                    p.channels[k].bypass = static_cast<uint8_t>(Int(0, 1));
                    p.channels[k].mute = Int(0, 1);
                    break;
            }
        }
        return p;
    }

private:
    std::mt19937 rng_;
};

// Q goes out as its integer part and tenths digit, the gain as gain + 18 truncated to tenths, the
// delay in whole microseconds; the small allowance keeps a float just short of a step on it.
inline uint16_t UnitQ(float q) {
    return static_cast<uint16_t>(std::floor(q * 10.0 + 1e-3) * 10);
}
inline int16_t UnitGain(const dv::EqBand& b) {
    const double gain = b.enable == 1 ? b.eqGain : 0.0;
    return static_cast<int16_t>(std::floor((gain + 18.0) * 10.0 + 1e-3) - 180);
}
inline uint32_t UnitDelay(float ms) {
    return static_cast<uint32_t>(std::floor(ms * 1000.0 + 1e-2));
}

inline std::set<std::pair<int, int>> Partners(const dv::DspProfile& p) {
    std::set<std::pair<int, int>> pairs;
    if (p.linkMode != 1) return pairs;
    for (int i = 0; i < dv::kOutputCount; ++i)
        if (p.linkOutputs[i] > i) pairs.insert({i, p.linkOutputs[i]});
    return pairs;
}

// The unit's current setting as it holds `p`.
inline void LoadUnit(dv::sim::SimUnitState& s, const dv::DspProfile& p) {
    dv::sim::SimScene& scene = s.current;
    for (int k = 0; k < dv::kOutputCount; ++k) {
        const dv::OutputChannel& out = p.channels[k];
        dv::sim::SimOutput& o = scene.outputs[k];
        const auto& x = out.crossover;
        o.hp = {static_cast<uint8_t>(x.hp.type), static_cast<uint16_t>(x.hp.fs),
                static_cast<uint8_t>(x.hp.slope)};
        o.lp = {static_cast<uint8_t>(x.lp.type), static_cast<uint16_t>(x.lp.fs),
                static_cast<uint8_t>(x.lp.slope)};
        for (int b = 0; b < p.BandCount(k); ++b)
            o.bands[b] = {static_cast<uint16_t>(out.eqArray[b].freq),
                          UnitQ(out.eqArray[b].eqFactor), UnitGain(out.eqArray[b])};
        o.delayMicros = UnitDelay(out.delay);
        o.trim = static_cast<int8_t>(out.gain);
        o.mute = static_cast<uint8_t>(out.mute);
        o.phase = static_cast<int8_t>(out.phase);
        o.role = static_cast<uint8_t>(p.roles[k]);
        o.eqBypass = out.bypass;
        for (int src = 0; src < dv::kSourceCount; ++src) {
            scene.routing[src][k] = static_cast<uint8_t>(p.routing[src][k]);
            for (int in = 0; in < dv::kMixerInputs; ++in)
                scene.mixTrim[src][in][k] = static_cast<int8_t>(p.mixerTrim[src][in][k]);
        }
    }
    scene.link = p.linkMode == 1;
    scene.lock = p.linkMode == 1 || p.lockMode == 1;
    scene.pairCount = 0;
    scene.pairs = {};
    for (const auto& [from, to] : Partners(p))
        scene.pairs[scene.pairCount++] = {static_cast<uint8_t>(from), static_cast<uint8_t>(to)};
    s.sourceCode = static_cast<uint8_t>(0x51 + p.source);
    s.mainVolume = static_cast<int8_t>(p.mainVolume);
    s.subVolume = static_cast<int8_t>(p.subVolume);
    s.mute = static_cast<uint8_t>(p.mainVolumeMute);
    s.inputThreshold = static_cast<int8_t>(p.inputThreshold);
}

// Field by field: does the unit hold `p`? The first difference found is reported.
inline ::testing::AssertionResult UnitHolds(const dv::sim::SimUnitState& unit,
                                            const dv::DspProfile& p) {
    dv::sim::SimUnitState want = unit;
    LoadUnit(want, p);
    const dv::sim::SimScene& a = unit.current;
    const dv::sim::SimScene& b = want.current;
    auto fail = [](const char* what, int k, int i = -1) {
        return ::testing::AssertionFailure() << what << " of output " << k << " (" << i << ")";
    };
    for (int k = 0; k < dv::kOutputCount; ++k) {
        const dv::sim::SimOutput& x = a.outputs[k];
        const dv::sim::SimOutput& y = b.outputs[k];
        if (x.hp.type != y.hp.type || x.hp.freq != y.hp.freq || x.hp.slope != y.hp.slope)
            return fail("high-pass", k);
        if (x.lp.type != y.lp.type || x.lp.freq != y.lp.freq || x.lp.slope != y.lp.slope)
            return fail("low-pass", k);
        for (int i = 0; i < p.BandCount(k); ++i)
            if (x.bands[i].freq != y.bands[i].freq ||
                x.bands[i].qHundredths != y.bands[i].qHundredths ||
                x.bands[i].gainTenths != y.bands[i].gainTenths)
                return fail("band", k, i);
        if (x.delayMicros != y.delayMicros) return fail("delay", k);
        if (x.trim != y.trim || x.mute != y.mute || x.phase != y.phase) return fail("strip", k);
        if (x.role != y.role) return fail("role", k);
        if (x.eqBypass != y.eqBypass) return fail("EQ bypass", k);
        for (int src = 0; src < dv::kSourceCount; ++src) {
            if (a.routing[src][k] != b.routing[src][k]) return fail("routing", k, src);
            for (int in = 0; in < dv::kMixerInputs; ++in)
                if (a.mixTrim[src][in][k] != b.mixTrim[src][in][k]) return fail("mix trim", k, in);
        }
    }
    std::set<std::pair<int, int>> pairs;
    for (int i = 0; i < a.pairCount; ++i)
        pairs.insert(std::minmax<int>(a.pairs[i].from, a.pairs[i].to));
    if (a.link != b.link || a.lock != b.lock || pairs != Partners(p))
        return ::testing::AssertionFailure() << "link or lock";
    if (unit.sourceCode != want.sourceCode || unit.mainVolume != want.mainVolume ||
        unit.subVolume != want.subVolume || unit.mute != want.mute ||
        unit.inputThreshold != want.inputThreshold)
        return ::testing::AssertionFailure() << "unit-wide value";
    return ::testing::AssertionSuccess();
}

}  // namespace dvtest
