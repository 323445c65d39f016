// The mixer window against the simulated unit: what its cells send, what the unit ends holding,
// the focus walk, the rows per source and the window's height.
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "app/dialogs/MixerWnd.h"
#include "base/Log.h"
#include "tests/app/EditTestSupport.h"
#include "tests/app/MsgWindowTestSupport.h"

using namespace DuiLib;
using maintest::EditingTest;

namespace {

using Frames = std::vector<std::string>;
constexpr int kBt = 2;  // the tuned car plays Bluetooth: two mixer inputs

std::string Describe(const dv::sim::SimFrame& f) {
    const auto& p = f.payload;
    auto at = [&p](size_t i) { return i < p.size() ? static_cast<int>(p[i]) : -1; };
    auto n = [](int v) { return std::to_string(v); };
    if (f.subcmd == 11) return "Mix " + n(at(1)) + " " + n(at(2)) + " mask " + n(at(4));
    if (f.subcmd == 36)
        return "MixTrim " + n(at(1)) + " in " + n(at(2)) + " out " + n(at(3)) + " " +
               n(static_cast<int8_t>(at(5)));
    return "Set" + n(f.subcmd);
}

QString Cell(const char* kind, int c, int r) {
    return QString("box_%1_%2_%3").arg(kind).arg(c).arg(r);
}

}  // namespace

class ToolWndMixerTest : public EditingTest {
protected:
    // Unrouted Bluetooth inputs everywhere, with trims given per (input, output).
    void ConnectUnrouted(int trim = 0, int source = kBt) {
        ConnectWith([=](dv::sim::SimUnitState& s) {
            s.sourceCode = static_cast<uint8_t>(0x51 + source);
            s.current.routing[source].fill(0);
            for (auto& row : s.current.mixTrim[source]) row.fill(static_cast<int8_t>(trim));
        });
    }

    Frames Sent() {
        Frames frames;
        for (const dv::sim::SimFrame& f : SentFrames()) frames.push_back(Describe(f));
        return frames;
    }

    // Opens the mixer, runs `action` in it and then closes it with 0 unless the action does.
    int WithMixer(const std::function<void(WindowImplBase*)>& action, bool actionCloses = false) {
        msgtest::WhenShown("MixerWnd", [&](WindowImplBase* w) {
            action(w);
            if (!actionCloses) w->Close(0);
        });
        const int result = Manager().ShowMixer();
        Settle();
        return result;
    }

    static void Type(WindowImplBase* w, const QString& edit, const QString& text) {
        auto* control = dynamic_cast<CEditUI*>(msgtest::Find(w, edit));
        ASSERT_NE(control, nullptr);
        control->SetFocus();
        control->SetText(text);
        QTest::keyClick(control->GetLineEdit(), Qt::Key_Return);
    }

    static bool Selected(WindowImplBase* w, const QString& name) {
        auto* option = dynamic_cast<COptionUI*>(msgtest::Find(w, name));
        return option && option->IsSelected();
    }

    bool MainOption(int input, int output) const {
        auto* option = FindAs<COptionUI>(QString("option_ch_in%1_%2").arg(input).arg(output));
        return option && option->IsSelected();
    }
};

TEST_F(ToolWndMixerTest, CellEditsReachTheUnitAndSurviveAReconnect) {
    ConnectUnrouted();
    QTemporaryDir dir;
    InitConsoleWindow(dir.filePath("save.log").toStdString());
    WithMixer([this](WindowImplBase* w) {
        // Enabling a silent cell routes it at full level: the main window's option sends both.
        msgtest::Click(w, Cell("enable", 3, 1));
        EXPECT_TRUE(MainOption(2, 3));
        EXPECT_EQ(msgtest::Find(w, Cell("edit", 3, 1))->GetText(), "100");
        EXPECT_EQ(Sent(), (Frames{"Mix 2 3 mask 2", "MixTrim 2 in 1 out 3 100"}));
        // A trim typed into an unrouted cell routes it.
        Type(w, Cell("edit", 0, 0), "60");
        EXPECT_TRUE(Selected(w, Cell("enable", 0, 0)));
        EXPECT_EQ(Sent(), (Frames{"MixTrim 2 in 0 out 0 60", "Mix 2 0 mask 1"}));
        // 0 typed into a routed cell unroutes it, and the main window's option follows.
        Type(w, Cell("edit", 3, 1), "0");
        EXPECT_FALSE(Selected(w, Cell("enable", 3, 1)));
        EXPECT_FALSE(MainOption(2, 3));
        EXPECT_EQ(Sent(), (Frames{"MixTrim 2 in 1 out 3 0", "Mix 2 3 mask 0"}));
        // A drag sends each step and nothing more at the release; the edit gets the focus only
        // when the thumb is let go.
        auto* slider = dynamic_cast<CSliderUI*>(msgtest::Find(w, Cell("volume", 5, 1)));
        CPaintManagerUI* pm = w->GetPaintManager();
        for (int v : {30, 45}) {
            slider->SetValue(v);
            pm->SendNotify(slider, DUI_MSGTYPE_VALUECHANGED_MOVE);
            EXPECT_NE(pm->GetFocus(), msgtest::Find(w, Cell("edit", 5, 1)));
        }
        pm->SendNotify(slider, DUI_MSGTYPE_VALUECHANGED);
        EXPECT_EQ(pm->GetFocus(), msgtest::Find(w, Cell("edit", 5, 1)));
        EXPECT_EQ(Sent(),
                  (Frames{"MixTrim 2 in 1 out 5 30", "Mix 2 5 mask 2", "MixTrim 2 in 1 out 5 45"}));
        // The phase flag has no command: it is shown, not offered.
        EXPECT_FALSE(msgtest::Find(w, Cell("phase", 5, 1))->IsEnabled());
    });
    LogClose();
    QFile log(dir.filePath("save.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    for (const char* line :
         {"Notify selectchanged\n", "SetInputTrimEdit set in_ch 0 out_ch 0 volume to 60dB\n",
          "SetInputTrimSlider set in_ch 1 out_ch 5 volume to 45dB\n"})
        EXPECT_TRUE(text.contains(line)) << line;

    const dv::sim::SimUnitState unit = m_unit->State();
    EXPECT_EQ(unit.current.routing[kBt][0], 1);
    EXPECT_EQ(unit.current.routing[kBt][3], 0);
    EXPECT_EQ(unit.current.routing[kBt][5], 2);
    EXPECT_EQ(unit.current.mixTrim[kBt][0][0], 60);
    EXPECT_EQ(unit.current.mixTrim[kBt][1][5], 45);

    // The main window's options drive the mixer's boxes too.
    Find("option_ch_in1_6")->Activate();
    // The routing goes out queued; a disconnect before the unit has it would drop it.
    ASSERT_TRUE(WaitFor([this] { return (m_unit->State().current.routing[kBt][6] & 1) != 0; }));
    Manager().Disconnect();
    Manager().Connect(false);
    ASSERT_TRUE(WaitConnected());
    WithMixer([this](WindowImplBase* w) {
        EXPECT_TRUE(Selected(w, Cell("enable", 0, 0)));
        EXPECT_TRUE(Selected(w, Cell("enable", 5, 1)));
        EXPECT_TRUE(Selected(w, Cell("enable", 6, 0)));
        EXPECT_FALSE(Selected(w, Cell("enable", 3, 1)));
        EXPECT_EQ(msgtest::Find(w, Cell("edit", 0, 0))->GetText(), "60");
        EXPECT_EQ(msgtest::Find(w, Cell("edit", 5, 1))->GetText(), "45");
        EXPECT_EQ(msgtest::Find(w, Cell("edit", 6, 0))->GetText(), "100");
    });
}

TEST_F(ToolWndMixerTest, EditCommitsSendOnlyWhatChanged) {
    ConnectUnrouted(60);  // unrouted cells holding a trim of 60, shown as 0
    struct Row {
        const char* typed;
        const char* shown;
        Frames sent;
    };
    const Row rows[] = {
        {"0", "0", {}},                           // as shown: nothing
        {"abc", "0", {}},                         // a typo is not a 0
        {"-5", "0", {"MixTrim 2 in 0 out 2 0"}},  // limited to the slider
        {"150", "100", {"MixTrim 2 in 0 out 2 100", "Mix 2 2 mask 1"}},
        {"100", "100", {}},
        {"12.4", "12", {"MixTrim 2 in 0 out 2 12"}},
        {"", "12", {}},
    };
    WithMixer([&](WindowImplBase* w) {
        for (const Row& row : rows) {
            Type(w, Cell("edit", 2, 0), row.typed);
            w->GetPaintManager()->SetFocus(nullptr);  // killfocus after Return changes nothing
            EXPECT_EQ(msgtest::Find(w, Cell("edit", 2, 0))->GetText(), row.shown) << row.typed;
            EXPECT_EQ(Sent(), row.sent) << row.typed;
        }
        // Enabling a cell that holds a trim keeps it and sends only the routing.
        msgtest::Click(w, Cell("enable", 4, 1));
        EXPECT_EQ(msgtest::Find(w, Cell("edit", 4, 1))->GetText(), "60");
        EXPECT_EQ(Sent(), (Frames{"Mix 2 4 mask 2"}));
    });
}

TEST_F(ToolWndMixerTest, FocusWalkOverUnroutedCellsStoresAndSendsNothing) {
    ConnectUnrouted(60);
    WithMixer([this](WindowImplBase* w) {
        CPaintManagerUI* pm = w->GetPaintManager();
        auto* first = dynamic_cast<CEditUI*>(msgtest::Find(w, Cell("edit", 0, 0)));
        first->SetFocus();
        // Right along input 0 continues on input 1 and wraps to input 0; Left wraps back.
        const std::pair<int, int> walk[] = {{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0},
                                            {7, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1},
                                            {5, 1}, {6, 1}, {7, 1}, {0, 0}};
        for (const auto& [c, r] : walk) {
            QTest::keyClick(dynamic_cast<CEditUI*>(pm->GetFocus())->GetLineEdit(), Qt::Key_Right);
            EXPECT_EQ(pm->GetFocus(), msgtest::Find(w, Cell("edit", c, r))) << c << "," << r;
        }
        QTest::keyClick(first->GetLineEdit(), Qt::Key_Left);
        EXPECT_EQ(pm->GetFocus(), msgtest::Find(w, Cell("edit", 7, 1)));
        pm->SetFocus(nullptr);
    });
    EXPECT_EQ(Sent(), Frames{});
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < dv::kOutputCount; ++c)
            EXPECT_EQ(Manager().Profile().mixerTrim[kBt][r][c], 60) << c << "," << r;
}

TEST_F(ToolWndMixerTest, RowsAndHeightFollowTheSource) {
    ConnectUnrouted();
    const struct {
        int source;
        int rows;
    } cases[] = {{kBt, 2}, {4, 4}, {5, 4}, {0, 0}, {6, 0}};
    for (const auto& [source, rows] : cases) {
        FindAs<CComboUI>("btn_input_source")->SelectItem(source);
        ASSERT_EQ(Manager().Profile().source, source);
        WithMixer([&, rows = rows](WindowImplBase* w) {
            CPaintManagerUI* pm = w->GetPaintManager();
            const int scale = pm->GetScale();
            EXPECT_EQ(pm->GetClientSize().height(),
                      (rows * CMixerWnd::kRowHeight + pm->GetInitSize().height() -
                       CMixerWnd::kRows * CMixerWnd::kRowHeight) *
                          scale / 100)
                << rows;
            for (int r = 0; r < CMixerWnd::kRows; ++r) {
                EXPECT_EQ(msgtest::Find(w, QString("box_7_%1").arg(r))->IsVisible(), r < rows);
                EXPECT_EQ(msgtest::Find(w, QString("title_label_%1").arg(r))->IsVisible(),
                          r < rows);
            }
            if (rows > 0) {
                EXPECT_EQ(msgtest::Find(w, "title_label_1")->GetText(),
                          Tr(source == kBt ? "${source_bt}"
                             : source == 4 ? "${source_low}"
                                           : "${source_hi}") +
                              "2");
            }
        });
    }
    Sent();
}

TEST_F(ToolWndMixerTest, ConnectAndDisconnectCloseTheMixer) {
    ConnectUnrouted();
    EXPECT_EQ(WithMixer([this](WindowImplBase*) { Manager().Disconnect(); }, true), 1);
    EXPECT_EQ(CMixerWnd::Current(), nullptr);
    EXPECT_EQ(WithMixer([this](WindowImplBase*) { Manager().Connect(false); }, true), 1);
    ASSERT_TRUE(WaitConnected());
    for (const auto& [button, result] :
         {std::pair{"confirm_btn", 1}, {"cancel_btn", 0}, {"closebtn", 0}}) {
        EXPECT_EQ(WithMixer(
                      [button = button](WindowImplBase* w) {
                          dynamic_cast<CButtonUI*>(msgtest::Find(w, button))->Activate();
                      },
                      true),
                  result)
            << button;
    }
}
