// Window-thread cost of one band move against the simulated unit (offscreen), at 100 % and
// 200 %: a drag step on the curve (the callback with the band rows, the curve recompute and a
// repaint of what changed on the curve control) and a band slider step (dispatch, model, rows,
// curve, command).
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <array>
#include <cmath>

#include "app/MainWnd.h"
#include "base/DeviceNotifier.h"
#include "bench/MainWindowBenchMain.h"
#include "controls/UIEqualizer.h"
#include "sim/SimBus.h"
#include "ui/UILib.h"

namespace {

using dv::sim::SimBus;

// A connected main window at `scale` percent, or null.
CMainWnd* OpenConnected(benchmark::State& state, int scale) {
    CMainWnd* wnd =
        OpenConnectedMainWindow(state, dv::sim::SimOptions{}, dv::sim::TunedCarState());
    if (!wnd) return nullptr;
    wnd->GetPaintManager()->SetDPI(scale);
    QCoreApplication::processEvents();
    return wnd;
}

void Close(CMainWnd* wnd) {
    delete wnd;
    SimBus::Instance().Reset();
}

void BM_CurveBandDrag(benchmark::State& state) {
    CMainWnd* wnd = OpenConnected(state, static_cast<int>(state.range(0)));
    if (!wnd) return;
    auto* curve = dynamic_cast<UIEqualizer*>(wnd->GetPaintManager()->FindControl("equalizer"));
    const DuiLib::CDuiRect pos = curve->GetPos();
    QImage image(std::max(1, pos.right - pos.left), std::max(1, pos.bottom - pos.top),
                 QImage::Format_ARGB32_Premultiplied);
    std::array<dv::EqBand, dv::kMaxBands> bands{};
    const int count = curve->GetBandCount();
    for (int b = 0; b < count; ++b) bands[b] = curve->GetBand(b);
    int step = 0;
    double painted = 0;
    int steps = 0;
    for (auto _ : state) {
        // What the control does on a mouse move: its band changes, then it notifies.
        bands[20].eqGain = static_cast<float>(std::sin(step++ * 0.05) * 9.0);
        state.PauseTiming();
        curve->setCurEqBands(bands.data(), count, 20);
        curve->SetUserData("20");
        state.ResumeTiming();
        wnd->GetPaintManager()->SendNotify(curve, DUI_MSGTYPE_EQUALIZER_EQ);
        // The widget is asked to paint what changed, as its paint event would be.
        const QRegion dirty = curve->GetPendingDamage();
        QPainter painter(&image);
        painter.translate(-pos.left, -pos.top);
        painter.setClipRegion(dirty);
        curve->DoPaint(painter, DuiLib::CDuiRect(dirty.boundingRect()));
        painter.end();
        for (const QRect& r : dirty) painted += static_cast<double>(r.width()) * r.height();
        ++steps;
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["max_queue_depth"] =
        static_cast<double>(wnd->Manager().Device().QueueHighWater());
    // Share of the plot a step repaints.
    state.counters["painted_share"] =
        steps ? painted / steps / (static_cast<double>(image.width()) * image.height()) : 0;
    Close(wnd);
}
BENCHMARK(BM_CurveBandDrag)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_BandSliderMove(benchmark::State& state) {
    CMainWnd* wnd = OpenConnected(state, static_cast<int>(state.range(0)));
    if (!wnd) return;
    auto* slider =
        dynamic_cast<DuiLib::CSliderUI*>(wnd->GetPaintManager()->FindControl("eq_slider_20"));
    int step = 0;
    for (auto _ : state) {
        slider->SetValue(static_cast<int>(std::lround(std::sin(++step * 0.05) * 90.0)));
        wnd->GetPaintManager()->SendNotify(slider, DuiLib::DUI_MSGTYPE_VALUECHANGED_MOVE);
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    Close(wnd);
}
BENCHMARK(BM_BandSliderMove)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return RunMainWindowBenchmarks(argc, argv);
}
