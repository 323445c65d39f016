// The main() of the benchmarks that open the main window: offscreen unless a platform is named,
// an instance lock of their own (so an open panel does not stop the measurement) and the skin.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>

#include "app/MainWnd.h"
#include "app/SkinResources.h"
#include "base/DeviceNotifier.h"
#include "sim/SimBus.h"

// Runs the event loop until `done` or `ms` milliseconds have passed; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return done();
}

// A main window connected to a freshly plugged simulated unit holding `unit`, or nullptr (the
// benchmark is then marked as failed).
inline CMainWnd* OpenConnectedMainWindow(benchmark::State& state, dv::sim::SimOptions options,
                                         dv::sim::SimUnitState unit) {
    dv::sim::SimBus::Instance().Reset();
    dv::sim::SimBus::Instance().Plug(
        std::make_shared<dv::sim::ProcessorSimulator>(options, std::move(unit)));
    auto* wnd = new CMainWnd(CreateSimBusDeviceNotifier);
    if (!wnd->Create(nullptr, "Stormedge DSP Audio", DuiLib::UI_WNDSTYLE_FRAME, 0, 0, 0, 1230,
                     650)) {
        state.SkipWithError("no main window");
        delete wnd;
        return nullptr;
    }
    EqualizerManager& manager = wnd->Manager();
    if (!PumpUntil([&] { return manager.IsConnected() && !wnd->BusyWindow(); }, 20000)) {
        state.SkipWithError("did not connect");
        delete wnd;
        return nullptr;
    }
    return wnd;
}

inline int RunMainWindowBenchmarks(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QTemporaryDir runtime;
    if (runtime.isValid()) setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    PrepareSkinResources();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
