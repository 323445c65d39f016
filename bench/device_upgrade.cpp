// Figures of the firmware upgrade engine against the simulated loader (no restart to wait for):
// - Transfer: an MCU (32-byte blocks) or DSP-flash (50-byte blocks) image of 64 KiB or 1 MiB
//   with the unit answering each block after 1 ms; "ratio" is (blocks x 1 ms) / transfer time.
//   "link_ratio" is the same for bare handshakes on that link just before (1 ms / one round
//   trip): what the link itself allows on this machine now. "engine_share" is the share of the
//   transfer time that was the unit's, measured in the same run: blocks x 1 ms plus how late
//   this machine's wake-ups delivered the unit's replies to a waiting reader, over the transfer
//   time; the rest is the engine's and the panel's own. On a loaded machine the scheduler's
//   wake-up delays lower ratio and link_ratio alike; `chrt -f 10` takes them out.
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

struct TransferTimes {
    size_t blocks = 0;
    double seconds = 0;           // from the start's end to the finish
    double roundTripSeconds = 0;  // one bare handshake on the same link
    double lateSeconds = 0;       // how late the replies reached a waiting reader, in all
};

// One transfer, after a mean bare round trip on its link.
TransferTimes Transfer(std::chrono::microseconds latency, bool flash, size_t size) {
    SimulatedLink link(latency);
    link.device->SetCmdQueueEnabled(false);
    link.device->SetExpectedModel(1);
    link.unit->WithLoader(
        [](dv::sim::SimLoader& l) { l.SetPersonality(dv::sim::SimPersonality::Loader); });
    dv::sim::SimBus::Instance().SetTranscriptLimit(0);
    TransferTimes times;
    constexpr int kRoundTrips = 300;
    const auto bare = Clock::now();
    for (int i = 0; i < kRoundTrips; ++i) link.device->Hand_Connect();
    times.roundTripSeconds =
        std::chrono::duration<double>(Clock::now() - bare).count() / kRoundTrips;
    const std::string path = WriteFirmware(flash ? "X_FLASH_UPG.BIN" : "X_MCU_UPG.BIN", size);
    if (link.device->UpgradeStart(path) != 0) return times;
    const auto late = dv::sim::SimBus::Instance().ReplyLateness();
    const auto start = Clock::now();
    while (link.device->UpgradeProcess() <= 100) {
    }
    times.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    times.lateSeconds =
        std::chrono::duration<double>(dv::sim::SimBus::Instance().ReplyLateness() - late).count();
    std::filesystem::remove(path);
    const size_t block = flash ? 50 : 32;
    times.blocks = (size + block - 1) / block;
    return times;
}

void Transfer(benchmark::State& state) {
    const bool flash = state.range(0) == 1;
    const auto size = static_cast<size_t>(state.range(1));
    const auto latency = std::chrono::microseconds(state.range(2));
    TransferTimes times;
    for (auto _ : state) {
        times = Transfer(latency, flash, size);
        state.SetIterationTime(times.seconds);
    }
    if (times.blocks == 0) {
        state.SkipWithError("the upgrade did not start");
        return;
    }
    const auto blocks = static_cast<double>(times.blocks);
    if (latency.count() > 0) {
        const double ratio = blocks * (latency.count() / 1e6) / times.seconds;
        const double linkRatio = (latency.count() / 1e6) / times.roundTripSeconds;
        state.counters["ratio"] = ratio;
        state.counters["link_ratio"] = linkRatio;
        state.counters["engine_share"] =
            (blocks * (latency.count() / 1e6) + times.lateSeconds) / times.seconds;
    } else {
        state.counters["us_per_block"] = times.seconds * 1e6 / blocks;
    }
    state.counters["blocks"] = blocks;
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
