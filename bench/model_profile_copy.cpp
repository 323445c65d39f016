// Cost of copying a whole DspProfile, which every curve refresh does twice.
#include <benchmark/benchmark.h>

#include <memory>

#include "model/DspProfile.h"

namespace {

void BM_CopyProfile(benchmark::State& state) {
    const auto source = std::make_unique<dv::DspProfile>();
    auto target = std::make_unique<dv::DspProfile>();
    for (auto _ : state) {
        *target = *source;
        benchmark::DoNotOptimize(target.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(sizeof(dv::DspProfile)));
    state.counters["bytes"] = static_cast<double>(sizeof(dv::DspProfile));
}
BENCHMARK(BM_CopyProfile);

}  // namespace

BENCHMARK_MAIN();
