// The difference engine: the cost of comparing two whole settings, and how long the unit takes
// to follow a switch between two settings that differ in 40 commands (aim: at most 1.05 x 40
// round trips at 1 ms latency).
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>

#include "bench/SimulatedLink.h"
#include "device/ProfileDiff.h"

namespace {

// Every band, side, strip value, route and trim different.
std::unique_ptr<dv::DspProfile> Everything(const dv::DspProfile& from) {
    auto to = std::make_unique<dv::DspProfile>(from);
    for (int k = 0; k < dv::kOutputCount; ++k) {
        dv::OutputChannel& out = to->channels[k];
        for (int b = 0; b < to->BandCount(k); ++b) out.eqArray[b] = {-3.5f, 2.4f, 100 + b, 1};
        out.crossover.hp.SetFs(80);
        out.crossover.lp.SetFs(8000);
        out.gain = -10;
        out.mute = 1;
        out.phase = 0;
        out.delay = 3.25f;
        out.bypass = 0;
    }
    for (auto& source : to->routing)
        for (auto& mask : source) mask ^= 0x3;
    for (auto& source : to->mixerTrim)
        for (auto& input : source)
            for (auto& trim : input) trim = 50;
    to->roles = {1, 7, 13, 16, 19, 20, 22, 23};
    to->source = 5;
    to->mainVolume = -20;
    return to;
}

void BM_DiffWholeSettings(benchmark::State& state) {
    const auto from = std::make_unique<dv::DspProfile>();
    const auto to = Everything(*from);
    std::vector<dv::ProfileCommand> list;
    for (auto _ : state) {
        dv::DiffProfiles(*from, *to, list);
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["commands"] = static_cast<double>(list.size());
}
BENCHMARK(BM_DiffWholeSettings)->Unit(benchmark::kMicrosecond);

void BM_DiffEqualSettings(benchmark::State& state) {
    const auto from = std::make_unique<dv::DspProfile>();
    const auto to = std::make_unique<dv::DspProfile>(*from);
    std::vector<dv::ProfileCommand> list;
    for (auto _ : state) {
        dv::DiffProfiles(*from, *to, list);
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_DiffEqualSettings)->Unit(benchmark::kMicrosecond);

// 40 bands of two outputs differ: queued, as a switch sends them, until the unit has them all.
void BM_Switch40Commands(benchmark::State& state) {
    SimulatedLink link(std::chrono::microseconds(1000));
    auto a = std::make_unique<dv::DspProfile>();
    auto b = std::make_unique<dv::DspProfile>(*a);
    for (int i = 0; i < 40; ++i) b->channels[i / 31].eqArray[i % 31].eqGain = -2.0f;
    std::vector<dv::ProfileCommand> list;
    bool toB = true;
    for (auto _ : state) {
        dv::DiffProfiles(toB ? *a : *b, toB ? *b : *a, list);
        dv::SendProfileCommands(*link.device, list, false);
        while (link.device->QueuedCommandCount() != 0 || !link.device->IsCommandThreadIdle())
            std::this_thread::yield();
        toB = !toB;
    }
    state.counters["commands"] = static_cast<double>(list.size());
    state.counters["per_command_ms"] = benchmark::Counter(
        static_cast<double>(list.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Switch40Commands)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// One queued command until the unit has it: the round trip the switch is measured against.
void BM_OneRoundTrip(benchmark::State& state) {
    SimulatedLink link(std::chrono::microseconds(1000));
    float gain = 1.0f;
    for (auto _ : state) {
        link.device->EQ_Ctrl(0, 0, 0, 0, 1000, 5.8f, gain, false);
        while (link.device->QueuedCommandCount() != 0 || !link.device->IsCommandThreadIdle())
            std::this_thread::yield();
        gain = -gain;
    }
}
BENCHMARK(BM_OneRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
