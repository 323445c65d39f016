// The mixer and noise threshold windows against the simulated unit (offscreen):
// - BM_MixerOpen: build the mixer from its markup and show it (arg: source, 2 two rows, 4 four);
//   counters: the markup build alone, and the window thread's CPU time for the whole open;
// - BM_MixerTrimDrag: one second of a trim slider drag at 1 ms reply latency, a move every 4 ms;
//   counters: trim frames sent and the command queue's largest depth;
// - BM_NoiseClose: closing the noise window while its poller waits, to the window gone.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <chrono>
#include <ctime>

#include "app/MainWnd.h"
#include "app/dialogs/MixerWnd.h"
#include "app/dialogs/NoiseThresholdWnd.h"
#include "base/DeviceNotifier.h"
#include "bench/MainWindowBenchMain.h"
#include "sim/SimBus.h"
#include "sim/SimFrames.h"
#include "ui/UILib.h"

namespace {

using dv::sim::SimBus;

// CPU time of the calling thread: the window thread's own work, whatever else loads the machine.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A main window connected to a tuned car playing `source`, or nullptr.
CMainWnd* OpenConnected(benchmark::State& state, int source) {
    dv::sim::SimUnitState unit = dv::sim::TunedCarState();
    unit.sourceCode = static_cast<uint8_t>(0x51 + source);
    CMainWnd* wnd = OpenConnectedMainWindow(state, dv::sim::SimOptions{}, unit);
    if (!wnd) return nullptr;
    EqualizerManager& manager = wnd->Manager();
    PumpUntil([&] { return manager.Device().QueuedCommandCount() == 0; }, 5000);
    return wnd;
}

void CloseMain(CMainWnd* wnd) {
    if (wnd->IsWindow()) wnd->SendMessage(DuiLib::WM_CLOSE);
    delete wnd;
    SimBus::Instance().Reset();
}

// Creates and shows a tool window as its modal run does, without the nested loop.
template <typename Window>
bool Show(Window* window, CMainWnd* parent, const char* title) {
    if (!window->Create(parent->GetHWND(), title, DuiLib::UI_WNDSTYLE_DIALOG,
                        DuiLib::UI_WNDSTYLE_EX_DIALOG))
        return false;
    window->CenterWindow();
    window->ShowWindow(true, true);
    QCoreApplication::processEvents();
    return true;
}

void CloseTool(DuiLib::CWindowWnd* window) {
    const dv::WindowHandle handle = window->GetWindowHandle();
    window->Close(0);
    PumpUntil([&] { return !handle->IsAttached(); }, 5000);
    // The closed window's widgets go now, not inside the next measured open.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_MixerOpen(benchmark::State& state) {
    CMainWnd* wnd = OpenConnected(state, static_cast<int>(state.range(0)));
    if (!wnd) return;
    double buildMs = 0;
    double threadMs = 0;
    for (auto _ : state) {
        const double cpuStart = ThreadCpuMs();
        QElapsedTimer build;
        build.start();
        auto* mixer = new CMixerWnd(wnd->Manager(), wnd->Manager().Profile().source);
        if (!mixer->Create(wnd->GetHWND(), "MixerWnd", DuiLib::UI_WNDSTYLE_DIALOG,
                           DuiLib::UI_WNDSTYLE_EX_DIALOG)) {
            state.SkipWithError("no mixer window");
            break;
        }
        buildMs += static_cast<double>(build.nsecsElapsed()) / 1e6;
        mixer->CenterWindow();
        mixer->ShowWindow(true, true);
        QCoreApplication::processEvents();
        threadMs += ThreadCpuMs() - cpuStart;
        state.PauseTiming();
        CloseTool(mixer);
        state.ResumeTiming();
    }
    state.counters["build_ms"] = benchmark::Counter(buildMs, benchmark::Counter::kAvgIterations);
    state.counters["window_thread_cpu_ms"] =
        benchmark::Counter(threadMs, benchmark::Counter::kAvgIterations);
    CloseMain(wnd);
}
BENCHMARK(BM_MixerOpen)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_MixerTrimDrag(benchmark::State& state) {
    CMainWnd* wnd = OpenConnected(state, 4);
    if (!wnd) return;
    EqualizerManager& manager = wnd->Manager();
    int frames = 0;
    for (auto _ : state) {
        auto* mixer = new CMixerWnd(manager, manager.Profile().source);
        if (!Show(mixer, wnd, "MixerWnd")) {
            state.SkipWithError("no mixer window");
            break;
        }
        auto* slider = dynamic_cast<DuiLib::CSliderUI*>(
            mixer->GetPaintManager()->FindControl("box_volume_3_1"));
        manager.Device().ResetQueueHighWater();
        const size_t mark = SimBus::Instance().Transcript().size();
        QElapsedTimer drag;
        drag.start();
        int step = 0;
        while (drag.elapsed() < 1000) {
            // Up and down the whole range, so that every move changes the value.
            const int phase = step++ % 200;
            slider->SetValue(phase <= 100 ? phase : 200 - phase);
            mixer->GetPaintManager()->SendNotify(slider, DuiLib::DUI_MSGTYPE_VALUECHANGED_MOVE);
            PumpUntil([] { return false; }, 4);
        }
        mixer->GetPaintManager()->SendNotify(slider, DuiLib::DUI_MSGTYPE_VALUECHANGED);
        PumpUntil([&] { return manager.Device().QueuedCommandCount() == 0; }, 5000);
        const auto transcript = SimBus::Instance().Transcript();
        for (size_t i = mark; i < transcript.size(); ++i) {
            if (transcript[i].direction != dv::sim::Direction::ToUnit) continue;
            const auto frame = dv::sim::DecodeOutputReport(transcript[i].bytes);
            if (frame && frame->subcmd == 36 && frame->optype == 0xBB) ++frames;
        }
        state.counters["moves"] = step;
        CloseTool(mixer);
    }
    state.counters["trim_frames_sent"] = frames;
    state.counters["max_queue_depth"] = static_cast<double>(manager.Device().QueueHighWater());
    CloseMain(wnd);
}
BENCHMARK(BM_MixerTrimDrag)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_NoiseClose(benchmark::State& state) {
    CMainWnd* wnd = OpenConnected(state, 4);
    if (!wnd) return;
    for (auto _ : state) {
        auto* noise = new CNoiseThresholdWnd(wnd->Manager(), std::chrono::seconds(1));
        if (!Show(noise, wnd, "msgwnd")) {
            state.SkipWithError("no noise window");
            break;
        }
        // The poller has sent its request and waits for the next period.
        PumpUntil([] { return false; }, 20);
        QElapsedTimer closing;
        closing.start();
        CloseTool(noise);
        state.SetIterationTime(static_cast<double>(closing.nsecsElapsed()) / 1e9);
    }
    CloseMain(wnd);
}
BENCHMARK(BM_NoiseClose)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunMainWindowBenchmarks(argc, argv);
}
