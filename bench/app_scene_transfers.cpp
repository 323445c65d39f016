// Figures of the scene transfers against the simulated unit at 1 ms reply latency: wall time per
// round trip (round trips counted from the transcript, every command answered once, none
// retried) and per unit of the time the unit took to reply (1 ms a round trip plus how late its
// replies came), the unit's and the panel's fixed waits taken out and reported apart, and the
// window thread's longest stall and the busy ring's turning while a transfer runs. The window
// thread sleeps in its event loop as it does in use, so it never takes a core from the worker.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <functional>

#include "app/BusyRingUI.h"
#include "app/LoadingWnd.h"
#include "app/MainWnd.h"
#include "base/DeviceNotifier.h"
#include "bench/MainWindowBenchMain.h"
#include "profiles/ProfileFile.h"
#include "sim/SimBus.h"
#include "ui/UILib.h"

namespace {

using Clock = std::chrono::steady_clock;
using dv::sim::SimBus;

constexpr auto kSlotPause = std::chrono::milliseconds(50);

struct Panel {
    CMainWnd* wnd = nullptr;
    QTemporaryDir dir;
    QString scenePath, wholePath, savedPath;

    bool Open() {
        SimBus::Instance().Reset();
        dv::sim::SimOptions options;  // 1 ms latency
        options.sceneLoadDelay = std::chrono::milliseconds(40);
        SimBus::Instance().Plug(
            std::make_shared<dv::sim::ProcessorSimulator>(options, dv::sim::TunedCarState()));
        DuiLib::CPaintManagerUI::Term();
        PrepareSkinResources();
        wnd = new CMainWnd(CreateSimBusDeviceNotifier);
        if (!wnd->Create(nullptr, "Stormedge DSP Audio", DuiLib::UI_WNDSTYLE_FRAME, 0, 0, 0, 1230,
                         650))
            return false;
        if (!PumpUntil([this] { return wnd->Manager().IsConnected() && !wnd->BusyWindow(); },
                       10000))
            return false;
        TransferTimings timings;
        timings.slotPause = kSlotPause;
        timings.wholeSettle = std::chrono::milliseconds(0);  // reported apart
        wnd->Manager().SetTransferTimings(timings);
        scenePath = dir.filePath("car.spf");
        wholePath = dir.filePath("car.wpf");
        savedPath = dir.filePath("saved.wpf");
        const auto& p = wnd->Manager().Profile();
        dv::SceneSlots scenes;
        for (auto& s : scenes) s = p;
        dv::SceneNameTable names{};
        if (!dv::writeSceneProfile(p, scenePath.toStdString(), [](std::string_view) {}) ||
            !dv::writeWholeProfile(p, scenes, names, wholePath.toStdString()))
            return false;
        ManagerWindows windows;
        windows.ask = [](const QString&) { return 1; };
        windows.openFile = [this](bool whole) { return whole ? wholePath : scenePath; };
        windows.saveFile = [this](bool) { return savedPath; };
        wnd->Manager().SetWindows(std::move(windows));
        return true;
    }
    ~Panel() {
        if (wnd) {
            wnd->SendMessage(DuiLib::WM_CLOSE);
            delete wnd;
            // Closing asks the application to quit; left pending, that request would end the
            // next panel's busy window at once.
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
        }
        SimBus::Instance().Reset();
    }
};

// Watches the window thread from a 2 ms timer, which also runs inside the busy window's loop.
struct StallWatch {
    QTimer timer;
    Clock::time_point last = Clock::now();
    double worstMs = 0;
    int angles = 0;
    int lastAngle = -1;
    explicit StallWatch(CMainWnd* wnd) {
        QObject::connect(&timer, &QTimer::timeout, [this, wnd] {
            const auto now = Clock::now();
            worstMs = std::max(worstMs,
                               std::chrono::duration<double, std::milli>(now - last).count() - 2.0);
            last = now;
            // The outcome's message box ("${profile_save_ok}") is answered at once.
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
                    box->done(0);
            if (CLoadingWnd* busy = wnd->BusyWindow()) {
                auto* ring =
                    dynamic_cast<CBusyRingUI*>(busy->GetPaintManager()->FindControl("busy_ring"));
                if (ring && ring->GetAngle() != lastAngle) {
                    lastAngle = ring->GetAngle();
                    ++angles;
                }
            }
        });
        timer.start(2);
    }
};

// Runs the event loop as the window thread does during a transfer: asleep until an event comes.
// Every reply posts one, and a 1 ms tick notices the worker's end when its last post came just
// before it. (A loop that polls without sleeping takes one of the two cores from the worker.)
bool PumpAsleep(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.start(1);
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

enum class Transfer { SceneFile, WholeFile, WholeSave, SceneLoad };

void RunTransfer(benchmark::State& state, Transfer kind) {
    Panel panel;
    if (!panel.Open()) {
        state.SkipWithError("no connected panel");
        return;
    }
    EqualizerManager& m = panel.wnd->Manager();
    double ratio = 0, panelRatio = 0, shownRatio = 0, trips = 0, unanswered = 0, stall = 0,
           turns = 0, gaps = 0, late = 0, tail = 0;
    for (auto _ : state) {
        const size_t mark = SimBus::Instance().Transcript().size();
        StallWatch watch(panel.wnd);
        const auto start = Clock::now();
        switch (kind) {
            case Transfer::SceneFile:
                m.LoadSenceConfigFromFile();
                break;
            case Transfer::WholeFile:
                m.LoadWholeConfigFromFile();
                break;
            case Transfer::WholeSave:
                m.SaveWholeConfigToFile();
                break;
            case Transfer::SceneLoad:
                // Without the scene window, so without its busy window.
                m.StartLoadScene(2, nullptr);
                break;
        }
        PumpAsleep([&] { return !m.IsWorkerRunning(); }, 60000);
        const auto end = Clock::now();
        PumpUntil([&] { return !panel.wnd->BusyWindow(); }, 5000);
        // The result on screen: the tail the worker posted to the window thread has run.
        QCoreApplication::processEvents();
        const auto shown = Clock::now();
        PumpUntil([] { return false; }, 50);
        if (kind == Transfer::SceneLoad) m.Device().SetCmdQueueEnabled(true);
        const auto transcript = SimBus::Instance().Transcript();
        // Where the time went: between a reply and the next command (the panel), beyond the
        // 1 ms latency between a command and its reply (the simulated endpoint and the OS's
        // wake-up), and after the last reply until the window has finished (the tail: showing
        // the result; for the whole-file save, writing and syncing the file).
        int sent = 0, answered = 0;
        double panelGaps = 0, replyLate = 0;
        Clock::time_point last = start;
        for (size_t i = mark; i < transcript.size(); ++i) {
            const dv::sim::TranscriptEntry& e = transcript[i];
            const double gap = std::chrono::duration<double, std::milli>(e.at - last).count();
            if (e.direction == dv::sim::Direction::ToUnit) {
                ++sent;
                if (gap < kSlotPause.count() / 2.0) panelGaps += gap;  // not the slot pauses
            } else {
                ++answered;
                replyLate += gap - 1.0;
            }
            last = e.at;
        }
        double wallMs = std::chrono::duration<double, std::milli>(end - start).count();
        double shownMs = std::chrono::duration<double, std::milli>(shown - start).count();
        if (kind == Transfer::WholeSave) {
            wallMs -= 10 * kSlotPause.count();
            shownMs -= 10 * kSlotPause.count();
        }
        // A send the unit does not answer (the PC_Connect of a read) is no round trip.
        ratio = wallMs / answered;
        // The same over the time the unit actually took: its replies' lateness on this machine
        // (timed wake-ups) is not the panel's.
        panelRatio = wallMs / (answered + replyLate);
        shownRatio = shownMs / answered;
        trips = answered;
        unanswered = sent - answered;
        stall = watch.worstMs;
        turns = watch.angles;
        gaps = panelGaps;
        late = replyLate;
        tail = std::chrono::duration<double, std::milli>(end - last).count();
    }
    state.counters["panel_gaps_ms"] = gaps;
    state.counters["reply_late_ms"] = late;
    state.counters["tail_ms"] = tail;
    state.counters["wall_per_round_trip"] = ratio;
    state.counters["wall_per_unit_time"] = panelRatio;
    state.counters["shown_per_round_trip"] = shownRatio;
    state.counters["round_trips"] = trips;
    state.counters["unanswered"] = unanswered;
    state.counters["worst_stall_ms"] = stall;
    state.counters["ring_steps"] = turns;
}

void BM_SceneFileSend(benchmark::State& state) {
    RunTransfer(state, Transfer::SceneFile);
}
void BM_WholeFileSend(benchmark::State& state) {
    RunTransfer(state, Transfer::WholeFile);
}
void BM_WholeFileSave(benchmark::State& state) {
    RunTransfer(state, Transfer::WholeSave);
}
void BM_SceneLoad(benchmark::State& state) {
    RunTransfer(state, Transfer::SceneLoad);
}

BENCHMARK(BM_SceneFileSend)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WholeFileSend)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WholeFileSave)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SceneLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return RunMainWindowBenchmarks(argc, argv);
}
