// Window-thread cost of one output-strip slider move against the simulated unit (offscreen):
// the notification through the main window's dispatch, the model, the edit's text and focus,
// and the queued command. Arg 0: a volume slider; arg 1: a delay slider.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include "app/MainWnd.h"
#include "base/DeviceNotifier.h"
#include "bench/MainWindowBenchMain.h"
#include "sim/SimBus.h"
#include "ui/UILib.h"

namespace {

using dv::sim::SimBus;

void BM_StripSliderMove(benchmark::State& state) {
    CMainWnd* wnd =
        OpenConnectedMainWindow(state, dv::sim::SimOptions{}, dv::sim::TunedCarState());
    if (!wnd) return;
    EqualizerManager& manager = wnd->Manager();
    const bool delay = state.range(0) == 1;
    auto* slider = dynamic_cast<DuiLib::CSliderUI*>(
        wnd->GetPaintManager()->FindControl(delay ? "slider_ch_delay_2" : "slider_ch_volume_2"));
    const int low = slider->GetMinValue();
    const int span = slider->GetMaxValue() - low + 1;
    int step = 0;
    for (auto _ : state) {
        slider->SetValue(low + (step++ * 7) % span);
        wnd->GetPaintManager()->SendNotify(slider, DuiLib::DUI_MSGTYPE_VALUECHANGED_MOVE);
        // The command thread drains between moves, as at a tuner's pace.
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["max_queue_depth"] = static_cast<double>(manager.Device().QueueHighWater());
    delete wnd;
    SimBus::Instance().Reset();
}
BENCHMARK(BM_StripSliderMove)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return RunMainWindowBenchmarks(argc, argv);
}
