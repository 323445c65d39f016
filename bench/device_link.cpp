// Figures of the command queue and its thread against the simulated unit:
// - QueuedRoundTrip: a queued set command written, answered (latency 0) and its reply read;
//   time per command is the link's own overhead.
// - QueuedAtUsbPace: 1000 queued set commands with the unit answering after 1 ms; the counter
//   "ratio" is the total time over 1000 x 1 ms; "os_wake_late_us" is how late this machine
//   wakes a 1 ms timed wait, which every simulated reply pays on top of the link's own time.
// - EnqueueToWrite: from putting one record into an idle queue until the unit has its report;
//   "idle_cpu_percent" is the process's CPU use over half a second with nothing queued.
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "bench/SimulatedLink.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using dv::sim::SimBus;

struct Link : SimulatedLink {
    // Every record is sent: the figures are per command, and merged records are never read.
    explicit Link(std::chrono::microseconds latency) : SimulatedLink(latency) {
        device->SetCmdCoalescing(false);
    }

    // Queues `count` trims and waits until the last reply has been read. `poll` of zero spins;
    // otherwise the waiting thread sleeps between looks and leaves the CPU to the link.
    void RunBatch(int count, std::chrono::microseconds poll = 0us) {
        const uint64_t target = SimBus::Instance().ReportsRead() + static_cast<uint64_t>(count);
        for (int i = 0; i < count; ++i) {
            const int trim[] = {i % 12};
            device->Trim_Ctrl(0, 0, static_cast<uint8_t>(i % 8), static_cast<uint8_t>(i % 8), trim,
                              false);
        }
        while (SimBus::Instance().ReportsRead() < target) {
            if (poll > 0us)
                std::this_thread::sleep_for(poll);
            else
                std::this_thread::yield();
        }
        SimBus::Instance().ClearTranscript();
    }
};

// How late a 1 ms timed wait wakes on this machine right now: the simulated reply cannot
// arrive earlier than that, so it bounds the ratio from below whatever the link does.
double TimedWakeLateMicros() {
    std::mutex mutex;
    std::condition_variable never;
    std::unique_lock<std::mutex> lock(mutex);
    double late = 0;
    constexpr int kWaits = 200;
    for (int i = 0; i < kWaits; ++i) {
        const auto due = Clock::now() + 1ms;
        never.wait_until(lock, due);
        late += std::chrono::duration<double, std::micro>(Clock::now() - due).count();
    }
    return late / kWaits;
}

double ProcessCpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void QueuedRoundTrip(benchmark::State& state) {
    Link link(0us);
    constexpr int kBatch = 1000;
    for (auto _ : state) link.RunBatch(kBatch);
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["us_per_command"] = benchmark::Counter(
        static_cast<double>(state.iterations() * kBatch),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(QueuedRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

void QueuedAtUsbPace(benchmark::State& state) {
    Link link(1000us);
    double ratio = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        link.RunBatch(1000, 200us);
        const std::chrono::duration<double> total = Clock::now() - start;
        ratio = total.count() / 1.0;  // 1000 x 1 ms
        state.SetIterationTime(total.count());
    }
    state.counters["ratio"] = ratio;
    state.counters["os_wake_late_us"] = TimedWakeLateMicros();
}
BENCHMARK(QueuedAtUsbPace)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void EnqueueToWrite(benchmark::State& state) {
    Link link(0us);
    double idleCpu = 0;
    {
        const double cpu0 = ProcessCpuSeconds();
        const auto wall0 = Clock::now();
        std::this_thread::sleep_for(500ms);  // measuring idle CPU over a fixed span is the point
        const std::chrono::duration<double> wall = Clock::now() - wall0;
        idleCpu = 100.0 * (ProcessCpuSeconds() - cpu0) / wall.count();
    }
    for (auto _ : state) {
        std::this_thread::sleep_for(2ms);  // let the thread fall idle in its wait
        const uint64_t target = SimBus::Instance().ReportsWritten() + 1;
        const auto start = Clock::now();
        link.device->Mute_Ctrl(0, false);
        while (SimBus::Instance().ReportsWritten() < target) {
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        while (SimBus::Instance().ReportsRead() < target) std::this_thread::yield();
    }
    state.counters["idle_cpu_percent"] = idleCpu;
}
BENCHMARK(EnqueueToWrite)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
