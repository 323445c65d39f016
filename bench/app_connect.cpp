// Figures of the main window against the simulated unit (1 ms reply latency, offscreen):
// connect-to-ready time per reply round trip, start-up to first paint, resident memory after
// connecting.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>
#include <chrono>
#include <fstream>
#include <string>

#include "app/MainWnd.h"
#include "app/SkinResources.h"
#include "base/DeviceNotifier.h"
#include "bench/MainWindowBenchMain.h"
#include "sim/SimBus.h"
#include "ui/UILib.h"

namespace {

using dv::sim::SimBus;

// Set first thing in main(): the first window's paint is also timed from the process start.
std::chrono::steady_clock::time_point g_processStart;

// Resident set size of this process in MB.
double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

CMainWnd* OpenMainWindow() {
    auto* wnd = new CMainWnd(CreateSimBusDeviceNotifier);
    if (!wnd->Create(nullptr, "Stormedge DSP Audio", DuiLib::UI_WNDSTYLE_FRAME, 0, 0, 0, 1230,
                     650)) {
        delete wnd;
        return nullptr;
    }
    return wnd;
}

int RepliesInTranscript() {
    int replies = 0;
    for (const auto& entry : SimBus::Instance().Transcript())
        if (entry.direction == dv::sim::Direction::FromUnit) ++replies;
    return replies;
}

class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

void BM_StartUpToFirstPaint(benchmark::State& state) {
    SimBus::Instance().Reset();
    bool first = true;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        DuiLib::CPaintManagerUI::Term();
        PrepareSkinResources();
        CMainWnd* wnd = OpenMainWindow();
        if (!wnd) {
            state.SkipWithError("no main window");
            break;
        }
        FirstPaint watcher;
        wnd->GetPaintManager()->GetPaintWindow()->installEventFilter(&watcher);
        PumpUntil([&] { return watcher.painted; }, 5000);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (first) {
            state.counters["process_start_to_first_paint_ms"] =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                          g_processStart)
                    .count();
            first = false;
        }
        delete wnd;
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_StartUpToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ConnectToReady(benchmark::State& state) {
    SimBus::Instance().Reset();
    SimBus::Instance().Plug(std::make_shared<dv::sim::ProcessorSimulator>(
        dv::sim::SimOptions{}, dv::sim::TunedCarState()));
    CMainWnd* wnd = OpenMainWindow();
    if (!wnd) {
        state.SkipWithError("no main window");
        return;
    }
    EqualizerManager& manager = wnd->Manager();
    auto ready = [&] { return manager.IsConnected() && !wnd->BusyWindow(); };
    PumpUntil(ready, 20000);
    double totalSeconds = 0;
    int roundTrips = 0;
    int runs = 0;
    for (auto _ : state) {
        manager.Disconnect();
        SimBus::Instance().ClearTranscript();
        QElapsedTimer timer;
        timer.start();
        manager.Connect(false);
        if (!PumpUntil(ready, 20000)) {
            state.SkipWithError("did not connect");
            break;
        }
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        roundTrips = RepliesInTranscript();
        totalSeconds += seconds;
        ++runs;
    }
    state.counters["round_trips"] = roundTrips;
    // Mean connect-to-ready time over the time the replies alone take (1 ms each).
    state.counters["per_round_trip_ms_ratio"] =
        runs && roundTrips ? totalSeconds / runs / (roundTrips * 1e-3) : 0;
    state.counters["rss_mb_connected"] = ResidentMegabytes();
    delete wnd;
    SimBus::Instance().Reset();
}
BENCHMARK(BM_ConnectToReady)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    g_processStart = std::chrono::steady_clock::now();
    return RunMainWindowBenchmarks(argc, argv);
}
