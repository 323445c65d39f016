// A band drag against the simulated unit: 2 s of moves at 250 events per second, each queued
// as EQ_Ctrl (immediate false) for one output, or for both outputs of a linked pair, with the
// unit answering after 1 ms or 5 ms; with latest-wins coalescing in the queue and without.
// Counters:
// Three drags per case; the counters give the worst of them:
// - frames_per_event: reports written for the drag over drag events.
// - max_queue_depth: the most records waiting at once.
// - settle_ms, settle_rt: from the last enqueue until the unit holds the final value of every
//   output dragged, in milliseconds and in round trips.
// - rt_ms: one round trip of the command thread at this latency (write, reply, read), measured
//   with a full queue.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "bench/SimulatedLink.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using dv::sim::SimBus;

constexpr int kEvents = 500;  // 2 s at 250 per second
constexpr auto kEventGap = 4ms;
constexpr uint8_t kBand = 3;

struct Link : SimulatedLink {
    using SimulatedLink::SimulatedLink;

    // Frames the unit has taken; counted before it applies them, so a value it holds is counted.
    uint64_t Frames() const { return static_cast<uint64_t>(unit->FramesHandled()); }
    // Waits, sleeping briefly between looks so the link keeps the CPU, until every frame taken
    // since `framesBefore`/`readBefore` has been answered and its answer read.
    void Drain(uint64_t framesBefore, uint64_t readBefore) const {
        for (;;) {
            const uint64_t written = Frames() - framesBefore;
            const uint64_t read = SimBus::Instance().ReportsRead() - readBefore;
            if (device->QueuedCommandCount() == 0 && read >= written) return;
            std::this_thread::sleep_for(100us);
        }
    }
    bool Holds(uint8_t output, int freq, int gainTenths) const {
        bool held = false;
        unit->Mutate([&](dv::sim::SimUnitState& s) {
            const dv::sim::SimBand& band = s.current.outputs[output].bands[kBand];
            held = band.freq == freq && band.gainTenths == gainTenths;
        });
        return held;
    }
};

// Time per record when the command thread never waits for work.
double RoundTripMs(Link& link) {
    constexpr int kCount = 200;
    link.device->SetCmdCoalescing(false);
    const uint64_t written = link.Frames();
    const uint64_t read = SimBus::Instance().ReportsRead();
    const auto start = Clock::now();
    for (int i = 0; i < kCount; ++i)
        link.device->EQ_Ctrl(0, 0, static_cast<uint8_t>(i % 8), static_cast<uint8_t>(i / 8 % 11),
                             1000, 5.8f, 0.0f, false);
    link.Drain(written, read);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kCount;
}

void DragBands(benchmark::State& state) {
    const auto latency = std::chrono::milliseconds(state.range(0));
    const bool linked = state.range(1) != 0;
    const bool coalescing = state.range(2) != 0;
    Link link(latency);
    const double rt = RoundTripMs(link);
    link.device->SetCmdCoalescing(coalescing);
    double framesPerEvent = 0, settleMs = 0;
    size_t depth = 0;
    int drag = 0;
    for (auto _ : state) {
        ++drag;  // each drag ends on values the unit does not hold yet
        link.device->ResetQueueHighWater();
        const uint64_t written = link.Frames();
        const uint64_t read = SimBus::Instance().ReportsRead();
        const auto start = Clock::now();
        int freq = 0, gainTenths = 0;
        Clock::time_point lastEnqueue;
        for (int i = 0; i < kEvents; ++i) {
            std::this_thread::sleep_until(start + i * kEventGap);
            freq = 200 + 3 * i + drag;
            gainTenths = (i * 7) % 301 - 180;
            const float gain = static_cast<float>(gainTenths) / 10;
            link.device->EQ_Ctrl(0, 0, 0, kBand, freq, 5.8f, gain, false);
            if (linked) link.device->EQ_Ctrl(0, 0, 1, kBand, freq, 5.8f, gain, false);
            lastEnqueue = Clock::now();
        }
        while (!link.Holds(0, freq, gainTenths) || (linked && !link.Holds(1, freq, gainTenths)))
            std::this_thread::sleep_for(20us);
        const auto settled = Clock::now();
        link.Drain(written, read);
        state.SetIterationTime(std::chrono::duration<double>(settled - start).count());
        settleMs = std::max(
            settleMs, std::chrono::duration<double, std::milli>(settled - lastEnqueue).count());
        framesPerEvent =
            std::max(framesPerEvent, static_cast<double>(link.Frames() - written) / kEvents);
        depth = std::max(depth, link.device->QueueHighWater());
    }
    state.counters["frames_per_event"] = framesPerEvent;
    state.counters["max_queue_depth"] = static_cast<double>(depth);
    state.counters["settle_ms"] = settleMs;
    state.counters["settle_rt"] = settleMs / rt;
    state.counters["rt_ms"] = rt;
}
BENCHMARK(DragBands)
    ->ArgNames({"latency_ms", "linked", "coalescing"})
    ->ArgsProduct({{1, 5}, {0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
