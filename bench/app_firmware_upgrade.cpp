// The firmware window running a 1 MiB upgrade against the simulated unit at 1 ms reply latency
// (offscreen): the window thread's CPU time while the worker streams (the worker posts progress
// only when the percentage changes), and its share of the wall time. Args: 0 MCU, 1 DSP flash.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "app/dialogs/UpdateFwWnd.h"
#include "bench/MainWindowBenchMain.h"
#include "device/FirmwareFile.h"
#include "sim/SimLoader.h"

namespace {

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

std::string WriteFirmware(bool flash) {
    std::vector<uint8_t> image((1 << 20) - dv::kFirmwareOverhead);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 31 + 7);
    const auto file = dv::MakeFirmwareFile(
        image, dv::sim::SimUpgradeHeader(5, static_cast<uint32_t>(image.size())));
    const auto path = std::filesystem::temp_directory_path() /
                      (std::to_string(getpid()) + (flash ? "_FLASH_UPG.BIN" : "_MCU_UPG.BIN"));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<long>(file.size()));
    return path.string();
}

// The visible window of a framework class, or nullptr.
DuiLib::WindowImplBase* Visible(const char* className) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = dynamic_cast<DuiLib::WindowImplBase*>(DuiLib::CWindowWnd::FromHWND(widget));
        if (widget->isVisible() && window && window->GetWindowClassName() == className)
            return window;
    }
    return nullptr;
}

void BM_FirmwareWindowUpgrade(benchmark::State& state) {
    const bool flash = state.range(0) == 1;
    dv::sim::SimOptions options;
    options.restartDelay = std::chrono::milliseconds(100);
    CMainWnd* wnd = OpenConnectedMainWindow(state, options, dv::sim::TunedCarState());
    if (!wnd) return;
    dv::UpgradeTiming timing;
    timing.restartWaitMs = 200;
    timing.reopenIntervalMs = 50;
    wnd->Manager().Device().SetUpgradeTiming(timing);
    dv::sim::SimBus::Instance().SetTranscriptLimit(0);
    const std::string path = WriteFirmware(flash);
    for (auto _ : state) {
        double cpuMs = 0, wallMs = 0;
        bool started = false;
        QString tips;
        // Inside the window's modal run: start, and measure to the end; the question it asks is
        // answered by a timer of its own (a timer does not fire inside its own handler).
        QTimer answer, driver;
        QObject::connect(&answer, &QTimer::timeout, [] {
            if (DuiLib::WindowImplBase* question = Visible("MsgWnd")) question->Close(1);
        });
        answer.start(5);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* fw = started ? nullptr : static_cast<CUpdateFwWnd*>(Visible("UpdateFwWnd"));
            if (!fw) return;
            started = true;
            driver.stop();
            fw->SetFilePath(QString::fromStdString(path));
            // Returns once the question is answered and the worker runs.
            static_cast<DuiLib::CButtonUI*>(fw->GetPaintManager()->FindControl("update_btn"))
                ->Activate();
            answer.stop();
            QElapsedTimer wall;
            const double cpuStart = ThreadCpuMs();
            wall.start();
            // The window thread waits in its event loop, as in the program: no polling of its own
            // beyond a look every 50 ms.
            QEventLoop loop;
            QTimer look;
            QObject::connect(&look, &QTimer::timeout, [&] {
                if (!fw->IsUpdating()) loop.quit();
            });
            look.start(50);
            loop.exec();
            cpuMs = ThreadCpuMs() - cpuStart;
            wallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
            tips = fw->GetPaintManager()->FindControl("update_tips")->GetRawText();
            fw->Close(0);
        });
        driver.start(5);
        wnd->OpenFirmwareWindow();
        driver.stop();
        if (tips != "${update_ok}") {
            state.SkipWithError(("the upgrade ended with " + tips.toStdString()).c_str());
            break;
        }
        state.SetIterationTime(wallMs / 1e3);
        state.counters["window_thread_cpu_ms"] = cpuMs;
        state.counters["window_thread_cpu_share"] = cpuMs / wallMs;
        PumpUntil([&] { return wnd->Manager().IsConnected() && !wnd->BusyWindow(); }, 20000);
    }
    std::filesystem::remove(path);
    if (wnd->IsWindow()) wnd->SendMessage(DuiLib::WM_CLOSE);
    delete wnd;
    dv::sim::SimBus::Instance().Reset();
    // Closing the main window asked the application to quit; a short main loop takes that
    // request, which would otherwise end the next modal run at once.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}
BENCHMARK(BM_FirmwareWindowUpgrade)
    ->ArgName("flash")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunMainWindowBenchmarks(argc, argv);
}
