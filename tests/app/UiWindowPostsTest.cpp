// Bursts of posts from another thread: order across a modal run, and a window destroyed mid-burst.
#include <QTimer>
#include <atomic>
#include <thread>

#include "tests/app/UiTestSupport.h"

using namespace DuiLib;
using uitest::RecordingWnd;

namespace {

const char kWindow[] =
    "<Window size=\"200,100\" caption=\"0,0,0,20\"><VerticalLayout>"
    "<Button name=\"closebtn\" height=\"20\"/>"
    "</VerticalLayout></Window>";

constexpr UINT kBurstMessage = WM_USER + 310;

struct CountedRecord : dv::MessageRecord {
    explicit CountedRecord(int v) : value(v) { ++live; }
    ~CountedRecord() override { --live; }
    int value;
    static inline std::atomic<int> live{0};
};

// Posts 1..count with their records from a worker thread, all before the UI thread looks.
void PostBurst(const dv::WindowHandle& handle, int count) {
    std::thread worker([handle, count] {
        for (int i = 1; i <= count; ++i)
            dv::PostToWindow(handle, kBurstMessage, i, std::make_unique<CountedRecord>(i));
    });
    worker.join();
}

int ValueOf(LPARAM lParam) {
    return reinterpret_cast<CountedRecord*>(lParam)->value;
}

// Like the connect flow: the first message opens a modal window, the later ones arrive inside
// its loop, and the last one closes it.
TEST(UiWindowPosts, ABurstKeepsItsOrderThroughAModalRunOpenedByOneOfIt) {
    auto wnd = std::make_unique<RecordingWnd>(kWindow);
    ASSERT_TRUE(wnd->Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
    RecordingWnd* modal = nullptr;
    std::vector<int> seen;
    std::vector<int> seenInsideModal;
    UINT modalCode = 0;
    wnd->onCustom = [&](UINT msg, WPARAM, LPARAM lParam, bool& handled) {
        if (msg != kBurstMessage) return LRESULT(0);
        handled = true;
        const int value = ValueOf(lParam);
        seen.push_back(value);
        if (modal) seenInsideModal.push_back(value);
        if (value == 1) {
            RecordingWnd busy(kWindow);
            if (!busy.Create(wnd->GetHWND(), "busy", UI_WNDSTYLE_DIALOG, 0)) return LRESULT(0);
            modal = &busy;
            // Should the rest never arrive, the run still ends and the checks below fail.
            QTimer guard;
            guard.setSingleShot(true);
            QObject::connect(&guard, &QTimer::timeout, [&busy] { busy.Close(99); });
            guard.start(5000);
            modalCode = busy.ShowModal();
            modal = nullptr;
        } else if (value == 5 && modal) {
            modal->Close(7);
        }
        return LRESULT(0);
    };
    PostBurst(wnd->GetWindowHandle(), 5);
    ASSERT_TRUE(uitest::WaitFor([&] { return seen.size() == 5 && !modal; }));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(seenInsideModal, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(modalCode, 7u);
    EXPECT_EQ(CountedRecord::live.load(), 0);

    // A second burst after the first one drained wakes the window again.
    seen.clear();
    wnd->onCustom = [&](UINT msg, WPARAM, LPARAM lParam, bool& handled) {
        handled = msg == kBurstMessage;
        if (handled) seen.push_back(ValueOf(lParam));
        return LRESULT(0);
    };
    PostBurst(wnd->GetWindowHandle(), 3);
    ASSERT_TRUE(uitest::WaitFor([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

TEST(UiWindowPosts, AWindowClosedByOneOfABurstDropsTheRestAndFreesTheirRecords) {
    auto wnd = std::make_unique<RecordingWnd>(kWindow);
    ASSERT_TRUE(wnd->Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
    std::vector<int> seen;
    wnd->onCustom = [&](UINT msg, WPARAM, LPARAM lParam, bool& handled) {
        if (msg != kBurstMessage) return LRESULT(0);
        handled = true;
        seen.push_back(ValueOf(lParam));
        if (seen.back() == 2) wnd->SendMessage(WM_CLOSE);
        return LRESULT(0);
    };
    PostBurst(wnd->GetWindowHandle(), 4);
    ASSERT_TRUE(uitest::WaitFor([&] { return !wnd->IsWindow(); }));
    // Give any stray wake-up a chance to deliver what must stay dropped.
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    wnd.reset();
    EXPECT_EQ(CountedRecord::live.load(), 0);
}

}  // namespace
