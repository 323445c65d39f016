// The undo history: the bytes it holds at its depth of 200 steps (aim: at most 5 MB for both
// compare slots together) and the cost of recording one step.
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

#include "model/SettingsHistory.h"

namespace {

using Edit = std::function<void(dv::DspProfile&, int)>;

// 200 steps of one kind; the counter is the bytes held, twice over for the two compare slots
// plus the setting of the slot not playing.
void Fill(benchmark::State& state, const Edit& edit) {
    size_t bytes = 0;
    for (auto _ : state) {
        dv::SettingsHistory history;
        auto p = std::make_unique<dv::DspProfile>();
        auto next = std::make_unique<dv::DspProfile>();
        for (int i = 0; i < 200; ++i) {
            *next = *p;
            edit(*next, i);
            history.Record(*p, *next, {}, {}, {}, false);
            std::swap(p, next);
        }
        bytes = history.BytesHeld();
    }
    state.counters["bytes_200_steps"] = static_cast<double>(bytes);
    state.counters["bytes_both_slots"] = static_cast<double>(2 * bytes + sizeof(dv::DspProfile));
}

void BM_BandEdits(benchmark::State& state) {
    Fill(state, [](dv::DspProfile& p, int i) {
        p.channels[i % 8].eqArray[i % 11].eqGain = static_cast<float>(i % 24) - 12.0f;
    });
}
BENCHMARK(BM_BandEdits)->Unit(benchmark::kMillisecond);

// The largest ordinary step: an EQ reset of a linked pair of 31-band outputs.
void BM_LinkedEqResets(benchmark::State& state) {
    Fill(state, [](dv::DspProfile& p, int i) {
        for (int k : {0, 1})
            for (auto& band : p.channels[k].eqArray) {
                band.eqGain = static_cast<float>(i % 12);
                band.eqFactor = 1.0f + static_cast<float>(i % 7);
                band.freq = 100 + i;
            }
    });
}
BENCHMARK(BM_LinkedEqResets)->Unit(benchmark::kMillisecond);

// An output reset: every role, crossover, volume and link of the unit.
void BM_OutputResets(benchmark::State& state) {
    Fill(state, [](dv::DspProfile& p, int i) {
        for (int k = 0; k < dv::kOutputCount; ++k) {
            p.roles[k] = (i + k) % 25;
            p.channels[k].crossover.hp.SetFs(20 + i);
            p.channels[k].crossover.lp.SetFs(20000 - i);
            p.channels[k].gain = -(i % 60);
            p.linkOutputs[k] = i % 2 ? -1 : k ^ 1;
        }
        p.linkMode = p.lockMode = i % 2;
    });
}
BENCHMARK(BM_OutputResets)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
