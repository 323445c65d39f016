// Writing and reading a whole-unit profile file (current settings, ten scenes, ten names).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "profiles/ProfileFile.h"

namespace {

struct WholeData {
    dv::DspProfile current;
    dv::SceneSlots scenes;
    dv::SceneNameTable names{};
};

std::filesystem::path BenchPath() {
    return std::filesystem::temp_directory_path() /
           ("dv-bench-" + std::to_string(getpid()) + ".wpf");
}

void BM_WriteWholeProfile(benchmark::State& state) {
    const auto data = std::make_unique<WholeData>();
    const std::filesystem::path path = BenchPath();
    for (auto _ : state) {
        if (!dv::writeWholeProfile(data->current, data->scenes, data->names, path)) {
            state.SkipWithError("cannot write the file");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteWholeProfile)->Unit(benchmark::kMillisecond);

void BM_ReadWholeProfile(benchmark::State& state) {
    const auto data = std::make_unique<WholeData>();
    const std::filesystem::path path = BenchPath();
    dv::writeWholeProfile(data->current, data->scenes, data->names, path);
    for (auto _ : state) {
        if (!dv::readWholeProfile(path, {data->current, data->scenes, data->names}, nullptr)) {
            state.SkipWithError("cannot read the file");
            break;
        }
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadWholeProfile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
