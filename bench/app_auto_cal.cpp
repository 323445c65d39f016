// The calibration window against the simulated unit at 1 ms latency.
//   ratio    (status 7 read from the unit .. measured curve painted) / (its 14 spectrum round
//            trips, request written .. reply read, from the transcript of the same run); target
//            1.1 or less. What is left over is the panel's: the hop from the status to the first
//            request, the gaps between a reply and the next request, and the tail to the paint.
//   bare_ratio, nominal_ratio   the same span over 14 round trips on the bare link measured
//            beside each run, and over 14 x 1 ms: these also hold the machine's timer lateness.
//   stop     click on stop .. worker ended and the window enabled again, at the production poll
//            interval of 500 ms; target one status round trip + 20 ms or less.
//   record   window-thread time per spectrum point or correction band during a run, and per
//            posted message (a measurement of 121 points, or a reply of correction bands).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "app/dialogs/AutoCalWnd.h"
#include "bench/SimulatedLink.h"
#include "bench/ToolWindowBenchMain.h"
#include "controls/UIEqualizerAc.h"
#include "controls/UIEqualizerPainter.h"
#include "curves/CalibrationCurves.h"
#include "device/DspReplyRecords.h"
#include "sim/SimFrames.h"
#include "ui/UILib.h"

using namespace DuiLib;
using Clock = std::chrono::steady_clock;
using dv::sim::SimBus;

namespace {

QTemporaryDir* g_dir = nullptr;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Runs the event loop as a window thread does: asleep until an event comes (a 2 ms tick bounds
// the wait), so the measuring thread does not take a core from the link.
bool Pump(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    QTimer tick;
    tick.start(2);
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

// Notes the first paint of the plot once `ready` holds.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(std::function<bool()> ready) : ready_(std::move(ready)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && painted == Clock::time_point{} && ready_())
            painted = Clock::now();
        return false;
    }
    Clock::time_point painted{};

private:
    std::function<bool()> ready_;
};

struct Window {
    Window(SimulatedLink& link, std::chrono::milliseconds poll) {
        AutoCalOptions options;
        options.pollInterval = poll;
        options.speakerLog = g_dir->filePath("speaker.txt");
        dv::DspProfile profile;
        profile.ResetDefaults();
        wnd = new CAutoCalWnd(profile, *link.device, options);
        wnd->Create(nullptr, "updatefwwnd", UI_WNDSTYLE_DIALOG, UI_WNDSTYLE_EX_DIALOG);
        wnd->ShowWindow(true);
        pm = wnd->GetPaintManager();
        for (int c = 1; c < 8; ++c)
            static_cast<COptionUI*>(pm->FindControl(QString("ch_checkbox_%1").arg(c)))
                ->Selected(false);
        Pump([] { return false; }, 20);
    }
    ~Window() {
        QPointer<QWidget> widget(wnd->GetHWND());
        wnd->Close(0);
        Pump([&] { return widget.isNull(); }, 15000);
    }
    void Click() { pm->SendNotify(pm->FindControl("start_auto_cal"), DUI_MSGTYPE_CLICK); }
    bool Idle() const {
        return !wnd->IsWorkerRunning() && pm->FindControl("start_auto_cal")->IsEnabled() &&
               pm->FindControl("closebtn")->IsEnabled();
    }

    CAutoCalWnd* wnd = nullptr;
    CPaintManagerUI* pm = nullptr;
};

double SpectrumRoundTrips(SimulatedLink& link, int reps) {
    std::vector<double> runs;
    for (int r = 0; r < reps; ++r) {
        const auto t0 = Clock::now();
        for (int first = 0; first < 121; first += 9)
            link.device->IRC_Get_Spectrum(0, static_cast<uint8_t>(first),
                                          static_cast<uint8_t>(std::min(first + 8, 120)));
        runs.push_back(Ms(Clock::now() - t0));
    }
    return Median(runs);
}

// Moments of a measurement's fetch in the transcript after entry `mark`: the first status 7
// reply read, the first spectrum request written and the last spectrum reply read. Input
// reports are AA 55 len mcmd subcmd optype payload.
struct FetchMoments {
    Clock::time_point seven, firstAsk, lastReply;
    double tripsMs = 0;  // the spectrum round trips, each from its request to its reply
    int trips = 0;
};

FetchMoments FetchAt(size_t mark) {
    FetchMoments at{};
    const auto transcript = SimBus::Instance().Transcript();
    Clock::time_point asked{};
    for (size_t i = mark; i < transcript.size(); ++i) {
        const dv::sim::TranscriptEntry& e = transcript[i];
        if (e.direction == dv::sim::Direction::ToUnit) {
            const auto f = dv::sim::DecodeOutputReport(e.bytes);
            if (f && f->mcmd == 1 && f->subcmd == 26) {
                if (at.firstAsk == Clock::time_point{}) at.firstAsk = e.at;
                asked = e.at;
            }
            continue;
        }
        const auto& b = e.bytes;
        if (b.size() < 7 || b[0] != 0xAA || b[1] != 0x55 || b[3] != 1 || b[5] != 0xDD) continue;
        if (b[4] == 19 && b[6] == 7 && at.seven == Clock::time_point{}) at.seven = e.at;
        if (b[4] == 26 && at.trips < 14) {
            at.lastReply = e.at;
            at.tripsMs += Ms(e.at - asked);
            ++at.trips;
        }
    }
    return at;
}

void BM_StatusSevenToCurve(benchmark::State& state) {
    SimulatedLink link(std::chrono::microseconds(1000));
    Window w(link, std::chrono::milliseconds(1));
    auto* plot = w.wnd->Plot()->GetWidget();
    PaintWatch watch([&] { return w.wnd->SpectrumPoint(0, 120).eqGain != 0.0f; });
    plot->installEventFilter(&watch);
    std::vector<double> spans, hops, tails, paints, trips, ratios, bareRatios;
    for (auto _ : state) {
        // The bare link's 14 round trips, measured beside each run under the same load.
        link.device->SetAutoCalWindow(nullptr);
        trips.push_back(SpectrumRoundTrips(link, 3));
        link.device->SetAutoCalWindow(w.wnd->GetWindowHandle());
        watch.painted = {};
        const size_t mark = SimBus::Instance().Transcript().size();
        w.Click();
        Pump([&] { return watch.painted != Clock::time_point{}; }, 10000);
        // From the moment the unit's status 7 was read, whoever acts on it.
        const FetchMoments at = FetchAt(mark);
        // The paint itself, timed on its own and added to its start.
        const auto p0 = Clock::now();
        plot->repaint();
        const auto paint = Clock::now() - p0;
        paints.push_back(Ms(paint));
        spans.push_back(Ms(watch.painted + paint - at.seven));
        ratios.push_back(at.trips == 14 ? spans.back() / at.tripsMs : 0.0);
        bareRatios.push_back(spans.back() / trips.back());
        hops.push_back(Ms(at.firstAsk - at.seven));
        tails.push_back(Ms(watch.painted + paint - at.lastReply));
        state.SetIterationTime(spans.back() / 1000.0);
        Pump([&] { return w.Idle(); }, 10000);
    }
    state.counters["trips_ms"] = Median(trips);
    state.counters["span_ms"] = Median(spans);
    state.counters["paint_ms"] = Median(paints);
    // The window's own parts of the span: status read .. first request, last reply .. painted.
    state.counters["hop_ms"] = Median(hops);
    state.counters["tail_ms"] = Median(tails);
    state.counters["ratio"] = Median(ratios);
    state.counters["bare_ratio"] = Median(bareRatios);
    state.counters["nominal_ratio"] = Median(spans) / 14.0;
}
BENCHMARK(BM_StatusSevenToCurve)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_StopLatency(benchmark::State& state) {
    SimulatedLink link(std::chrono::microseconds(1000));
    std::vector<double> trips;
    for (int r = 0; r < 20; ++r) {
        const auto t0 = Clock::now();
        link.device->IRC_Get();
        trips.push_back(Ms(Clock::now() - t0));
    }
    Window w(link, std::chrono::milliseconds(500));
    std::vector<double> latencies, clicks;
    int k = 0;
    for (auto _ : state) {
        w.Click();
        // Stops land in the poll sleep, in a status query and in the spectrum fetch.
        Pump([] { return false; }, 40 + 97 * (k++ % 9));
        const auto t0 = Clock::now();
        w.Click();
        clicks.push_back(Ms(Clock::now() - t0));
        Pump([&] { return w.Idle(); }, 15000);
        latencies.push_back(Ms(Clock::now() - t0));
        state.SetIterationTime(latencies.back() / 1000.0);
    }
    state.counters["status_trip_ms"] = Median(trips);
    state.counters["stop_median_ms"] = Median(latencies);
    state.counters["stop_max_ms"] = *std::max_element(latencies.begin(), latencies.end());
    state.counters["click_max_ms"] = *std::max_element(clicks.begin(), clicks.end());
}
BENCHMARK(BM_StopLatency)->UseManualTime()->Iterations(18)->Unit(benchmark::kMillisecond);

void BM_WindowTimePerRecord(benchmark::State& state) {
    SimulatedLink link(std::chrono::microseconds(1000));
    link.device->SetReplyTimeoutCap(300);
    link.unit->SetCalibrationFault({dv::sim::SimCalFaultKind::Silent, 3});
    Window w(link, std::chrono::milliseconds(500));
    w.Click();  // a run that writes the speaker log; the unit then stops answering
    Pump([&] { return w.wnd->Status() == 2; }, 5000);
    const dv::WindowHandle handle = w.wnd->GetWindowHandle();
    const bool spectrum = state.range(0) == 0;
    const int perChannel = spectrum ? 121 : 11;
    for (auto _ : state) {
        // As the window gets them: a whole measurement, or a reply of 6 or 5 bands, a message.
        std::vector<std::unique_ptr<dv::MessageRecord>> records;
        size_t values = 0;
        for (int c = 0; c < 6; ++c) {
            const int group = spectrum ? 121 : 6;
            for (int first = 0; first < perChannel; first += group) {
                const int last = std::min(first + group, perChannel);
                values += static_cast<size_t>(last - first);
                if (spectrum) {
                    auto r = std::make_unique<dv::IrcSpectrumRecord>();
                    r->channel = c;
                    for (int b = first; b < last; ++b)
                        r->points.push_back({b, 20.0f + 165.0f * b, -3.0f});
                    records.push_back(std::move(r));
                } else {
                    auto r = std::make_unique<dv::IrcEqBandsRecord>();
                    r->channel = c;
                    for (int b = first; b < last; ++b)
                        r->bands.push_back({b, 100 * (b + 1), 1.6f, -2.5f});
                    records.push_back(std::move(r));
                }
            }
        }
        const size_t messages = records.size();
        for (auto& r : records)
            dv::PostToWindow(handle, dv::WM_IRC_VALUE, spectrum ? 26 : 22, std::move(r));
        const auto t0 = Clock::now();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        const double us = Ms(Clock::now() - t0) * 1000.0;
        state.SetIterationTime(us / static_cast<double>(values) / 1e6);
        state.counters["us_per_value"] = us / static_cast<double>(values);
        state.counters["us_per_message"] = us / static_cast<double>(messages);
    }
    w.Click();  // stop
    Pump([&] { return w.Idle(); }, 5000);
}
BENCHMARK(BM_WindowTimePerRecord)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;  // the speaker logs of the runs
    g_dir = &dir;
    return RunToolWindowBenchmarks(argc, argv);
}
