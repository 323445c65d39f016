// Undo, redo and A/B compare on the main window against the simulated unit: after every step
// the unit holds what the panel shows, gestures are single steps, and the compare sends only
// what differs.
#include <QKeyEvent>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "controls/CSButtonUI.h"
#include "device/DspReplyRecords.h"
#include "device/ProfileDiff.h"
#include "profiles/ProfileFile.h"
#include "tests/app/EditTestSupport.h"
#include "tests/app/MsgWindowTestSupport.h"
#include "tests/app/SceneTestSupport.h"
#include "tests/core/RandomProfiles.h"

using namespace DuiLib;
using maintest::Commit;

namespace {

class MainHistoryTest : public maintest::EditingTest {
public:
    const dv::DspProfile& Model() { return Manager().Profile(); }

    // A tuned car whose mixer trims are at full level, as the panel takes unset ones.
    void Connect() {
        ConnectWith([](dv::sim::SimUnitState& s) {
            for (auto& source : s.current.mixTrim)
                for (auto& input : source) input.fill(100);
        });
    }

    // The one comparison: the unit holds, in its own units, every setting the panel shows.
    ::testing::AssertionResult UnitMatchesPanel() {
        WaitFor([this] {
            return Manager().Device().QueuedCommandCount() == 0 &&
                   Manager().Device().IsCommandThreadIdle();
        });
        Settle();
        return dvtest::UnitHolds(m_unit->State(), Model());
    }

    void Key(int key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : m_wnd->GetHWND(), static_cast<Qt::Key>(key), mods);
        Settle();
    }
    void Click(const char* name) {
        Find(QString::fromLatin1(name))->Activate();
        Settle();
    }
    // Opens `output`'s role menu and picks `item`, as a user does.
    void PickRole(int output, const std::wstring& item) {
        Find(QString("ch_output_btn_%1").arg(output))->Activate();
        auto cmd = std::make_unique<MenuCmd>();
        std::copy(item.begin(), item.end(), cmd->szName);
        dv::PostToWindow(m_wnd->GetWindowHandle(), WM_MENUCLICK, 0, std::move(cmd));
        Settle();
    }
    void ClickAnswering(const char* button, const char* answer) {
        msgtest::WhenShown("MsgWnd", [answer](WindowImplBase* w) { msgtest::Click(w, answer); });
        Click(button);
    }
    std::vector<dv::sim::SimFrame> Of(const std::vector<dv::sim::SimFrame>& frames, int subcmd) {
        std::vector<dv::sim::SimFrame> out;
        for (const auto& f : frames)
            if (f.subcmd == subcmd) out.push_back(f);
        return out;
    }
    bool Shows(const dv::DspProfile& p) { return dv::DiffProfiles(Model(), p).empty(); }
};

TEST_F(MainHistoryTest, RandomEditsUndosAndRedosKeepTheUnitEqualToThePanel) {
    Connect();
    Manager().SetHeldGestureWindow(std::chrono::milliseconds(0));
    ASSERT_TRUE(UnitMatchesPanel());
    std::mt19937 rng(7);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    std::vector<dv::DspProfile> states{Model()};  // states[at] is what the panel shows
    size_t at = 0;
    for (int i = 0; i < 60; ++i) {
        const int action = pick(10);
        const size_t undoable = Manager().CanUndo() ? 1 : 0;
        if (action < 2 && undoable) {
            if (action == 0)
                Key(Qt::Key_Z);
            else
                Click("btn_undo");
            ASSERT_GT(at, 0u);
            --at;
        } else if (action < 4 && Manager().CanRedo()) {
            if (action == 2)
                Key(Qt::Key_Y);
            else
                Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            ++at;
        } else {
            const int band = pick(11), out = pick(8);
            const QString n = QString::number(band), k = QString::number(out);
            switch (pick(6)) {
                case 0:
                    Drag("eq_slider_" + n, {pick(200) - 100, pick(200) - 100});
                    break;
                case 1:
                    Step("eq_gain_" + n, pick(2) == 0);
                    break;
                case 2:
                    Type("edit_ch_volume_" + k, QString::number(-pick(40)), Commit::Return);
                    break;
                case 3:
                    Click(("ch_mute_" + k).toLatin1().constData());
                    break;
                case 4:
                    Drag("slider_ch_delay_" + k, {pick(15000)});
                    break;
                default:
                    Click(("ch_enable_" + k).toLatin1().constData());  // selects: not a step
                    break;
            }
            m_wnd->GetPaintManager()->SetFocus(nullptr);
            Settle();
            if (!Shows(states[at])) {
                states.resize(at + 1);
                states.push_back(Model());
                ++at;
            }
        }
        ASSERT_TRUE(Shows(states[at])) << "step " << i;
        ASSERT_TRUE(UnitMatchesPanel()) << "step " << i;
    }
}

TEST_F(MainHistoryTest, GesturesAreStepsAndRefreshesAreNot) {
    Connect();
    Manager().SetHeldGestureWindow(std::chrono::hours(1));
    Drag("eq_slider_2", {10, 20, 30, 40});  // moves and a release
    Step("eq_gain_4", true);                // a held stepper
    Step("eq_gain_4", true);
    Step("eq_gain_4", true);
    Manager().SetHeldGestureWindow(std::chrono::milliseconds(0));
    Step("eq_gain_4", true);                          // a later press: a step of its own
    Type("edit_ch_volume_3", "-17", Commit::Return);  // Return, then the focus leaves
    Click("ch_phase_5");
    // The unit reports a value: shown, never a step.
    m_unit->Mutate([](dv::sim::SimUnitState& u) { u.current.outputs[6].trim = -9; });
    auto record = std::make_unique<dv::ChannelValueRecord>();
    record->scene = 0;
    record->channel = 6;
    record->value = -9;
    PostReply(1234, 8, std::move(record));
    EXPECT_EQ(Model().channels[6].gain, -9);
    int steps = 0;
    while (Manager().Undo()) ++steps;
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(Model().channels[6].gain, -9);  // an undo leaves the unit's report alone
    EXPECT_FALSE(FindAs<CButtonUI>("btn_undo")->IsEnabled());
    EXPECT_TRUE(FindAs<CButtonUI>("btn_redo")->IsEnabled());
    ASSERT_TRUE(UnitMatchesPanel());
}

// Each whole-output action is one step: its undo brings back the setting before it and the unit
// with it, its redo the setting after it.
TEST_F(MainHistoryTest, EachWholeOutputActionIsOneStep) {
    const struct {
        const char* what;
        std::function<void(MainHistoryTest&)> act;
    } rows[] = {
        {"EQ reset", [](MainHistoryTest& t) { t.ClickAnswering("btn_reset_eq", "confirm_btn"); }},
        {"mode switch", [](MainHistoryTest& t) { t.ClickAnswering("btn_arg_eq", "confirm_btn"); }},
        {"output reset",
         [](MainHistoryTest& t) { t.ClickAnswering("btn_reset_output", "third_btn"); }},
        {"link with copy",
         [](MainHistoryTest& t) {
             msgtest::WhenShown("MsgCheckBoxWnd", [](WindowImplBase* w) {
                 msgtest::Click(w, "check_box_0");
                 msgtest::Click(w, "confirm_btn");
             });
             t.Click("btn_link_output");
         }},
        {"role", [](MainHistoryTest& t) { t.PickRole(4, L"output_menu_center_all_freq"); }},
    };
    for (const auto& row : rows) {
        Connect();
        // Shaped bands at Q 2, so the mode switch and the resets have something to change.
        Drag("eq_slider_3", {-45});
        ClickAnswering("btn_arg_eq", "confirm_btn");
        Type("eq_q_3", "2", Commit::Return);
        const dv::DspProfile before = Model();
        const bool parametric = FindAs<CSButtonUI>("btn_arg_eq")->IsSelected();
        row.act(*this);
        const dv::DspProfile after = Model();
        ASSERT_FALSE(Shows(before) && row.what != std::string("mode switch")) << row.what;
        ASSERT_TRUE(Manager().Undo()) << row.what;
        EXPECT_TRUE(Shows(before)) << row.what;
        EXPECT_EQ(FindAs<CSButtonUI>("btn_arg_eq")->IsSelected(), parametric) << row.what;
        EXPECT_TRUE(UnitMatchesPanel()) << row.what;
        ASSERT_TRUE(Manager().Redo()) << row.what;
        EXPECT_TRUE(Shows(after)) << row.what;
        EXPECT_TRUE(UnitMatchesPanel()) << row.what;
        CloseWindow();
        dv::sim::SimBus::Instance().Reset();
    }
}

TEST_F(MainHistoryTest, UndoOfAnEqResetSendsExactlyTheBandsThatChanged) {
    Connect();
    // Output 0 with four shaped bands, the rest at their defaults.
    for (int b : {3, 9, 17, 28}) {
        Drag("eq_slider_" + QString::number(b), {-45});
        Step("eq_freq_" + QString::number(b), true);
    }
    const dv::DspProfile shaped = Model();
    std::vector<int> changed;  // bands the reset moves: the four and any the car came with
    for (int b = 0; b < 31; ++b) {
        const dv::EqBand& band = shaped.channels[0].eqArray[b];
        if (std::lround(band.eqGain * 10) != 0 || std::lround(band.eqFactor * 10) != 58 ||
            band.freq != dv::kBandFrequencies[b])
            changed.push_back(b);
    }
    ClickAnswering("btn_reset_eq", "confirm_btn");
    ASSERT_TRUE(UnitMatchesPanel());
    Mark();
    Key(Qt::Key_Z);
    const auto sent = SentFrames();
    std::vector<int> bands;
    for (const auto& f : sent)
        bands.push_back(f.subcmd == 6 && f.payload[2] == 0 ? f.payload[3] : -1);
    EXPECT_EQ(bands, changed);
    EXPECT_TRUE(Shows(shaped));
    ASSERT_TRUE(UnitMatchesPanel());
}

TEST_F(MainHistoryTest, CompareSendsOnlyTheDifferenceAndKeepsBothSlots) {
    Connect();
    Drag("eq_slider_1", {-30});  // an edit in A
    const dv::DspProfile a = Model();
    SentFrames();       // the edit's own frames
    Click("btn_ab_b");  // B starts as a copy of A: nothing to send
    EXPECT_TRUE(SentFrames().empty());
    EXPECT_TRUE(FindAs<CSButtonUI>("btn_ab_b")->IsSelected());
    EXPECT_FALSE(FindAs<CSButtonUI>("btn_ab_a")->IsSelected());
    EXPECT_FALSE(Manager().CanUndo());  // B's own history
    Drag("eq_slider_5", {60});
    const dv::DspProfile b = Model();
    SentFrames();
    for (int swap = 0; swap < 10; ++swap) {
        if (swap % 2 == 0)
            Click("btn_ab_a");
        else
            Key(Qt::Key_B);
        const auto sent = SentFrames();
        ASSERT_EQ(sent.size(), 1u) << "swap " << swap;
        EXPECT_EQ(sent[0].subcmd, 6);
        EXPECT_TRUE(Shows(swap % 2 == 0 ? a : b)) << "swap " << swap;
        ASSERT_TRUE(UnitMatchesPanel()) << "swap " << swap;
    }
    // Back on B after an even number of swaps; A kept its history.
    EXPECT_TRUE(FindAs<CSButtonUI>("btn_ab_b")->IsSelected());
    ASSERT_TRUE(Manager().Undo());  // B's slider move
    EXPECT_TRUE(Shows(a));
    Click("btn_ab_a");
    EXPECT_TRUE(Manager().CanUndo());
}

TEST_F(MainHistoryTest, WhileDisconnectedAnUndoChangesTheModelOnly) {
    Connect();
    Drag("eq_slider_1", {-30});
    const dv::DspProfile edited = Model();
    dv::sim::SimBus::Instance().Unplug();
    ASSERT_TRUE(WaitFor([this] { return !Manager().IsConnected(); }));
    Mark();
    ASSERT_TRUE(Manager().Undo());
    EXPECT_FALSE(Shows(edited));
    EXPECT_TRUE(SentFrames().empty());
}

class SceneHistoryTest : public scenetest::SceneTest {};

TEST_F(SceneHistoryTest, ASceneFileSentToTheUnitClearsTheHistoryAndEndsTheCompare) {
    ConnectFast([](dv::sim::SimUnitState&) {});
    ASSERT_TRUE(dv::writeSceneProfile(Manager().Profile(), PathOf("car.spf").toStdString(),
                                      [](std::string_view) {}));
    Drag("eq_slider_1", {-30});
    Find("btn_ab_b")->Activate();
    Drag("eq_slider_2", {30});
    ASSERT_TRUE(Manager().CanUndo());
    AnswerDialogs(PathOf("car.spf"));
    Manager().LoadSenceConfigFromFile();
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(Manager().CanUndo());
    EXPECT_FALSE(Manager().IsComparing());
    EXPECT_FALSE(Find("btn_undo")->IsEnabled());
    EXPECT_TRUE(FindAs<CSButtonUI>("btn_ab_a")->IsSelected());
    EXPECT_FALSE(FindAs<CSButtonUI>("btn_ab_b")->IsSelected());
}

}  // namespace
