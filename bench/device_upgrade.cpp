// Figures of the firmware upgrade engine against the simulated loader (no restart to wait for):
// - Transfer: an MCU (32-byte blocks) or DSP-flash (50-byte blocks) image of 64 KiB or 1 MiB
//   with the unit answering each block after 1 ms; "ratio" is (blocks x 1 ms) / transfer time.
// - OverheadPerBlock: the same at zero latency; time per block is the engine's and the link's own.
// - Verify1MiB: reading and checking a 1 MiB firmware file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "bench/SimulatedLink.h"
#include "device/FirmwareFile.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string WriteFirmware(const char* name, size_t imageSize) {
    std::vector<uint8_t> image(imageSize);
    for (size_t i = 0; i < imageSize; ++i) image[i] = static_cast<uint8_t>(i * 31 + 7);
    const auto file =
        dv::MakeFirmwareFile(image, dv::sim::SimUpgradeHeader(5, static_cast<uint32_t>(imageSize)));
    const auto path =
        std::filesystem::temp_directory_path() / (std::to_string(getpid()) + "_" + name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<long>(file.size()));
    return path.string();
}

// One transfer; returns the blocks sent and the time from the start's end to the finish.
std::pair<size_t, double> Transfer(std::chrono::microseconds latency, bool flash, size_t size) {
    SimulatedLink link(latency);
    link.device->SetCmdQueueEnabled(false);
    link.device->SetExpectedModel(1);
    link.unit->WithLoader(
        [](dv::sim::SimLoader& l) { l.SetPersonality(dv::sim::SimPersonality::Loader); });
    dv::sim::SimBus::Instance().SetTranscriptLimit(0);
    const std::string path = WriteFirmware(flash ? "X_FLASH_UPG.BIN" : "X_MCU_UPG.BIN", size);
    if (link.device->UpgradeStart(path) != 0) return {0, 0};
    const auto start = Clock::now();
    while (link.device->UpgradeProcess() <= 100) {
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::filesystem::remove(path);
    const size_t block = flash ? 50 : 32;
    return {(size + block - 1) / block, seconds};
}

void Transfer(benchmark::State& state) {
    const bool flash = state.range(0) == 1;
    const auto size = static_cast<size_t>(state.range(1));
    const auto latency = std::chrono::microseconds(state.range(2));
    size_t blocks = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto [n, s] = Transfer(latency, flash, size);
        blocks = n;
        seconds = s;
        state.SetIterationTime(s);
    }
    if (latency.count() > 0) {
        state.counters["ratio"] = blocks * (latency.count() / 1e6) / seconds;
    } else {
        state.counters["us_per_block"] = seconds * 1e6 / static_cast<double>(blocks);
    }
    state.counters["blocks"] = static_cast<double>(blocks);
}
BENCHMARK(Transfer)
    ->ArgNames({"flash", "bytes", "latency_us"})
    ->Args({0, 65536, 1000})
    ->Args({1, 65536, 1000})
    ->Args({0, (1 << 20) - 14, 1000})
    ->Args({1, (1 << 20) - 14, 1000})
    ->Args({0, 65536, 0})
    ->Args({1, 65536, 0})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void Verify1MiB(benchmark::State& state) {
    const std::string path = WriteFirmware("V_MCU_UPG.BIN", (1 << 20) - 14);
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        dv::FirmwareImage image;
        benchmark::DoNotOptimize(dv::ReadFirmwareFile(path, bytes));
        benchmark::DoNotOptimize(dv::ParseFirmwareFile(bytes, dv::FirmwareKind::McuApp, 1, image));
    }
    std::filesystem::remove(path);
}
BENCHMARK(Verify1MiB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
