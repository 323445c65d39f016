// Building a message window from the skin's markup and showing it (target: 20 ms or less).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPointer>

#include "app/MsgWnd.h"
#include "app/NameMsgWnd.h"
#include "bench/ToolWindowBenchMain.h"
#include "ui/UILib.h"

using namespace DuiLib;

namespace {

// Closes a window and lets it be destroyed, outside the timed part.
void Dispose(benchmark::State& state, CWindowWnd* wnd) {
    state.PauseTiming();
    QPointer<QWidget> widget(wnd->GetHWND());
    wnd->Close(0);
    while (widget) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
}

void BM_MsgWndBuildAndShow(benchmark::State& state) {
    for (auto _ : state) {
        auto* wnd = new CMsgWnd("${tips}", "${factory_default_tips}");
        wnd->Create(nullptr, "msgwnd", UI_WNDSTYLE_DIALOG, UI_WNDSTYLE_EX_DIALOG);
        wnd->CenterWindow();
        wnd->ShowWindow(true);
        wnd->GetHWND()->repaint();  // the first frame on screen
        Dispose(state, wnd);
    }
}
BENCHMARK(BM_MsgWndBuildAndShow)->Unit(benchmark::kMillisecond);

void BM_NameMsgWndBuildAndShow(benchmark::State& state) {
    char16_t name[8] = u"Rock";
    for (auto _ : state) {
        auto* wnd = new CNameMsgWnd(name, 8);
        wnd->Create(nullptr, "namemsgwnd", UI_WNDSTYLE_DIALOG, UI_WNDSTYLE_EX_DIALOG);
        wnd->CenterWindow();
        wnd->ShowWindow(true);
        wnd->GetHWND()->repaint();
        Dispose(state, wnd);
    }
}
BENCHMARK(BM_NameMsgWndBuildAndShow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunToolWindowBenchmarks(argc, argv);
}
