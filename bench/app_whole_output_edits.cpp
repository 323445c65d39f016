// Window-thread cost of the edits that touch every output, against the simulated unit
// (offscreen, 100 %), and the edit-to-wire latency of a curve drag:
// - BM_SwitchEqMode: the PEQ/GEQ switch with every band of all eight outputs off Q 5.8, so each
//   is reset and queued (counter queued_eq).
// - BM_SetOutputReset: the reset of all outputs to their default roles.
// - BM_LinkWithCopy: linking four pairs, copying left onto right.
// - BM_DragEditToWire: 2 s of curve drag moves at 250 per second (each one dispatched, refreshed
//   and repainted as the window does), unit latency 1 ms or 5 ms; per move the time from the
//   event until a frame carrying its value or a newer one crosses the bus (p50, p99, max).
// The questions are answered at once by the benchmark's own asker, so only the operation counts.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "app/MainWnd.h"
#include "base/DeviceNotifier.h"
#include "bench/MainWindowBenchMain.h"
#include "controls/UIEqualizer.h"
#include "manager/QuestionAsker.h"
#include "sim/SimBus.h"
#include "sim/SimFrames.h"
#include "ui/UILib.h"

namespace {

using Clock = std::chrono::steady_clock;
using dv::sim::SimBus;

// Confirms every question and picks the first option of a choice.
class ConfirmingAsker final : public QuestionAsker {
public:
    int Ask(DuiLib::HWND, const QString&, const QString&, const QStringList&) override { return 1; }
    int AskChoice(DuiLib::HWND, const QString&, const QString&, const QString&,
                  const QString&) override {
        return 1;
    }
    void Tell(DuiLib::HWND, const QString&, const QString&) override {}
};

CMainWnd* OpenConnected(benchmark::State& state, std::chrono::microseconds latency) {
    dv::sim::SimOptions options;
    options.latency = latency;
    CMainWnd* wnd = OpenConnectedMainWindow(state, options, dv::sim::TunedCarState());
    if (!wnd) return nullptr;
    EqualizerManager& manager = wnd->Manager();
    manager.SetQuestionAsker(std::make_unique<ConfirmingAsker>());
    return wnd;
}

bool Drained(CMainWnd* wnd) {
    return PumpUntil([wnd] { return wnd->Manager().Device().QueuedCommandCount() == 0; }, 30000);
}

void Close(CMainWnd* wnd) {
    delete wnd;
    SimBus::Instance().Reset();
}

void BM_SwitchEqMode(benchmark::State& state) {
    CMainWnd* wnd = OpenConnected(state, std::chrono::milliseconds(1));
    if (!wnd) return;
    EqualizerManager& manager = wnd->Manager();
    // The benchmark puts every band off the default Q behind the panel's back before each run.
    auto& profile = const_cast<dv::DspProfile&>(manager.Profile());
    int queued = 0;
    for (auto _ : state) {
        state.PauseTiming();
        queued = 0;
        for (int k = 0; k < dv::kOutputCount; ++k)
            for (int b = 0; b < profile.BandCount(k); ++b, ++queued)
                profile.channels[k].eqArray[b].eqFactor = 2.0f;
        state.ResumeTiming();
        manager.SwitchEqMode();
        state.PauseTiming();
        if (!Drained(wnd)) state.SkipWithError("queue did not drain");
        state.ResumeTiming();
    }
    state.counters["queued_eq"] = queued;
    Close(wnd);
}
BENCHMARK(BM_SwitchEqMode)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SetOutputReset(benchmark::State& state) {
    CMainWnd* wnd = OpenConnected(state, std::chrono::milliseconds(1));
    if (!wnd) return;
    for (auto _ : state) {
        wnd->Manager().SetOutputReset();
        state.PauseTiming();
        if (!Drained(wnd)) state.SkipWithError("queue did not drain");
        state.ResumeTiming();
    }
    Close(wnd);
}
BENCHMARK(BM_SetOutputReset)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_LinkWithCopy(benchmark::State& state) {
    CMainWnd* wnd = OpenConnected(state, std::chrono::milliseconds(1));
    if (!wnd) return;
    EqualizerManager& manager = wnd->Manager();
    int pairs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (manager.Profile().linkMode == 1) manager.SetOutputLink();  // unlinks, no question
        if (!Drained(wnd)) state.SkipWithError("queue did not drain");
        state.ResumeTiming();
        manager.SetOutputLink();
        state.PauseTiming();
        pairs = 0;
        for (int k = 0; k < dv::kOutputCount; ++k) pairs += manager.Profile().linkOutputs[k] > k;
        if (!Drained(wnd)) state.SkipWithError("queue did not drain");
        state.ResumeTiming();
    }
    state.counters["pairs"] = pairs;
    Close(wnd);
}
BENCHMARK(BM_LinkWithCopy)->Unit(benchmark::kMillisecond)->Iterations(10);

// Runs the window's event loop until `until`, asleep while it has nothing to do, as between two
// mouse moves; a busy loop would take the CPU the command thread needs.
void WaitInEventLoop(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    if (left.count() > 0) {
        QEventLoop loop;
        QTimer::singleShot(left, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QCoreApplication::processEvents();
    std::this_thread::sleep_until(until);
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

void BM_DragEditToWire(benchmark::State& state) {
    constexpr int kEvents = 500;  // 2 s at 250 per second
    constexpr auto kGap = std::chrono::milliseconds(4);
    constexpr int kBand = 20;
    CMainWnd* wnd = OpenConnected(state, std::chrono::milliseconds(state.range(0)));
    if (!wnd) return;
    EqualizerManager& manager = wnd->Manager();
    manager.Device().SetCmdCoalescing(true);
    auto* curve = dynamic_cast<UIEqualizer*>(wnd->GetPaintManager()->FindControl("equalizer"));
    const int output = manager.Profile().currChannel;
    std::array<dv::EqBand, dv::kMaxBands> bands{};
    const int count = curve->GetBandCount();
    for (int b = 0; b < count; ++b) bands[b] = curve->GetBand(b);
    std::vector<double> latencies;
    for (auto _ : state) {
        SimBus::Instance().ClearTranscript();
        std::vector<Clock::time_point> times(kEvents);
        std::vector<int> tenths(kEvents);
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < kEvents; ++i) {
            WaitInEventLoop(start + i * kGap);
            tenths[i] = (i * 37) % 181 - 90;  // consecutive moves never repeat a value
            bands[kBand].eqGain = static_cast<float>(tenths[i]) / 10.0f;
            curve->setCurEqBands(bands.data(), count, kBand);
            curve->SetUserData("20");
            times[i] = Clock::now();
            wnd->GetPaintManager()->SendNotify(curve, DUI_MSGTYPE_EQUALIZER_EQ);
        }
        if (!Drained(wnd)) state.SkipWithError("queue did not drain");
        PumpUntil([] { return false; }, 20);
        // For each frame of the band, the newest move that carried its value.
        std::vector<std::pair<Clock::time_point, int>> carried;
        for (const dv::sim::TranscriptEntry& e : SimBus::Instance().Transcript()) {
            if (e.direction != dv::sim::Direction::ToUnit) continue;
            const auto f = dv::sim::DecodeOutputReport(e.bytes);
            if (!f || f->mcmd != 1 || f->subcmd != 6 || f->payload.size() < 10) continue;
            const auto& p = f->payload;
            if (p[2] != output || p[3] != kBand) continue;
            const int value = (p[8] - 18) * 10 + p[9];
            int newest = -1;
            for (int i = 0; i < kEvents && times[i] <= e.at; ++i)
                if (tenths[i] == value) newest = i;
            if (newest >= 0) carried.emplace_back(e.at, newest);
        }
        size_t next = 0;
        for (int i = 0; i < kEvents; ++i) {
            while (next < carried.size() && carried[next].second < i) ++next;
            if (next == carried.size()) break;
            latencies.push_back(
                std::chrono::duration<double, std::milli>(carried[next].first - times[i]).count());
        }
    }
    state.counters["p50_ms"] = Percentile(latencies, 0.50);
    state.counters["p99_ms"] = Percentile(latencies, 0.99);
    state.counters["max_ms"] = Percentile(latencies, 1.0);
    state.counters["moves_measured"] = static_cast<double>(latencies.size());
    Close(wnd);
}
BENCHMARK(BM_DragEditToWire)
    ->ArgName("latency_ms")
    ->Arg(1)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    return RunMainWindowBenchmarks(argc, argv);
}
