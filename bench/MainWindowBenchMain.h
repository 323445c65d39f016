// The main() of the benchmarks that open the main window: offscreen unless a platform is named,
// an instance lock of their own (so an open panel does not stop the measurement) and the skin.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>

#include "app/SkinResources.h"

// Runs the event loop until `done` or `ms` milliseconds have passed; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return done();
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
