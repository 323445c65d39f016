// Cost of the response curves: one 31-band output, and the refresh of all eight outputs as the
// manager does it after a connection or a scene load (copy, compute, copy back).
#include <benchmark/benchmark.h>

#include <memory>

#include "curves/FilterMath.h"
#include "model/DspProfile.h"

namespace {

// Every band active and both crossover sides on at their steepest: the most work a curve takes.
std::unique_ptr<dv::DspProfile> BusyProfile() {
    auto profile = std::make_unique<dv::DspProfile>();
    for (int output = 0; output < dv::kOutputCount; ++output) {
        dv::OutputChannel& channel = profile->channels[output];
        channel.bypass = 0;
        channel.crossover.hp.SetFs(40 + output);
        channel.crossover.hp.SetType(3);
        channel.crossover.hp.SetSlope(8);
        channel.crossover.lp.SetFs(15000 - output);
        channel.crossover.lp.SetType(1);
        channel.crossover.lp.SetSlope(7);
        int band = 0;
        for (dv::EqBand& eq : profile->Bands(output)) {
            eq.eqGain = static_cast<float>(band % 7) - 3.5f;
            eq.eqFactor = 1.0f + 0.2f * static_cast<float>(band);
            ++band;
        }
    }
    return profile;
}

void RefreshAll(dv::DspProfile& current) {
    for (int output = 0; output < dv::kOutputCount; ++output) {
        auto copy = std::make_unique<dv::DspProfile>(current);
        dv::computeChannelCurve(*copy, output, current.channels[output].bypass == 1);
        current = *copy;
    }
}

void BM_OneOutput31Bands(benchmark::State& state) {
    auto profile = BusyProfile();
    for (auto _ : state) {
        dv::computeChannelCurve(*profile, 0, false);
        benchmark::DoNotOptimize(profile->curveLevel[0].data());
    }
}
BENCHMARK(BM_OneOutput31Bands)->Unit(benchmark::kMicrosecond);

void BM_RefreshAllEightBusy(benchmark::State& state) {
    auto profile = BusyProfile();
    for (auto _ : state) {
        RefreshAll(*profile);
        benchmark::DoNotOptimize(profile->curveLevel.data());
    }
}
BENCHMARK(BM_RefreshAllEightBusy)->Unit(benchmark::kMicrosecond);

void BM_RefreshAllEightDefaults(benchmark::State& state) {
    auto profile = std::make_unique<dv::DspProfile>();
    for (auto _ : state) {
        RefreshAll(*profile);
        benchmark::DoNotOptimize(profile->curveLevel.data());
    }
}
BENCHMARK(BM_RefreshAllEightDefaults)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
