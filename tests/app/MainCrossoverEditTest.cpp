// Editing the crossover against the simulated unit, by control name: corner edits, steppers,
// type and slope combos and the curve's "H" and "L" markers reach the unit once per change, keep
// the high-pass at or below the low-pass, and reach a link partner under its own number.
#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Log.h"
#include "controls/UIEqualizer.h"
#include "sim/SimFrames.h"
#include "tests/app/EditTestSupport.h"

using namespace DuiLib;
using maintest::Commit;
using maintest::EditingTest;

namespace {

using Frames = std::vector<std::string>;

// "Filter <output> <hp|lp> type <t> <Hz> slope <s>" as the unit reads the frame.
std::string Describe(const dv::sim::SimFrame& f) {
    const auto& p = f.payload;
    if (f.subcmd != 5 || p.size() < 8) return "Set" + std::to_string(f.subcmd);
    std::string text = "Filter " + std::to_string(p[2]) +
                       (p[3] == 2   ? " hp"
                        : p[3] == 1 ? " lp"
                                    : " ?") +
                       " type " + std::to_string(p[4]) + " " + std::to_string(p[5] << 8 | p[6]) +
                       " slope " + std::to_string(p[7]);
    if (p[0] != 0 || p[1] != 0) text += " (scene/source!)";
    return text;
}

std::string Filter(int output, bool hp, int type, int hz, int slope) {
    return "Filter " + std::to_string(output) + (hp ? " hp" : " lp") + " type " +
           std::to_string(type) + " " + std::to_string(hz) + " slope " + std::to_string(slope);
}

}  // namespace

class MainCrossoverEditTest : public EditingTest {
protected:
    Frames Sent() {
        Frames frames;
        for (const dv::sim::SimFrame& f : SentFrames()) frames.push_back(Describe(f));
        return frames;
    }

    void Select(int output) {
        m_wnd->GetPaintManager()->SendNotify(Find(QString("ch_enable_%1").arg(output)),
                                             DUI_MSGTYPE_CLICK);
        ASSERT_EQ(Manager().Profile().currChannel, output);
        Mark();
    }

    const dv::Crossover& Model(int output) {
        return Manager().Profile().channels[output].crossover;
    }

    // The one comparison of the unit with the panel: both sides of each output's crossover, and
    // the edits showing the current output's corners.
    void ExpectUnitHolds(const std::vector<int>& outputs) {
        auto same = [&](const dv::sim::SimFilter& u, const dv::FilterSection& m) {
            return u.type == m.type && u.freq == m.fs && u.slope == m.slope;
        };
        auto all = [&] {
            const dv::sim::SimUnitState unit = m_unit->State();
            for (int k : outputs)
                if (!same(unit.current.outputs[k].hp, Model(k).hp) ||
                    !same(unit.current.outputs[k].lp, Model(k).lp))
                    return false;
            return true;
        };
        EXPECT_TRUE(WaitFor(all, 3000));
        const dv::sim::SimUnitState unit = m_unit->State();
        for (int k : outputs) {
            const dv::sim::SimOutput& o = unit.current.outputs[k];
            EXPECT_TRUE(same(o.hp, Model(k).hp)) << "output " << k << " hp " << o.hp.freq;
            EXPECT_TRUE(same(o.lp, Model(k).lp)) << "output " << k << " lp " << o.lp.freq;
            EXPECT_LE(Model(k).hp.fs, Model(k).lp.fs) << "output " << k;
        }
        const dv::Crossover& c = Model(Manager().Profile().currChannel);
        EXPECT_EQ(TextOf("hp_freq"), QString("%1Hz").arg(c.hp.fs));
        EXPECT_EQ(TextOf("lp_freq"), QString("%1Hz").arg(c.lp.fs));
    }

    UIEqualizer* Curve() { return FindAs<UIEqualizer>("equalizer"); }

    void Mouse(int type, int x, int y) {
        TEventUI e;
        e.Type = type;
        e.ptMouse = QPoint(x, y);
        Curve()->DoEvent(e);
    }

    // Drags a corner marker by `dx` pixels per move; returns the frames a change must send.
    Frames DragMarker(bool hp, std::initializer_list<int> dxs, const std::vector<int>& outputs) {
        const dv::CurveRect r =
            hp ? Curve()->GetEditor().hpMarkerRect() : Curve()->GetEditor().lpMarkerRect();
        const int x0 = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        Mouse(UIEVENT_BUTTONDOWN, x0, y);
        Frames expected;
        int last = hp ? Model(outputs[0]).hp.fs : Model(outputs[0]).lp.fs;
        for (int dx : dxs) {
            Mouse(UIEVENT_MOUSEMOVE, x0 + dx, y);
            const dv::FilterSection& s = hp ? Model(outputs[0]).hp : Model(outputs[0]).lp;
            EXPECT_EQ(hp ? Curve()->GetHpFreq() : Curve()->GetLpFreq(), s.fs);
            if (s.fs == last) continue;
            last = s.fs;
            for (int k : outputs) expected.push_back(Filter(k, hp, s.type, s.fs, s.slope));
        }
        Mouse(UIEVENT_BUTTONUP, x0 + *(dxs.end() - 1), y);  // repeats the last move
        return expected;
    }
};

TEST_F(MainCrossoverEditTest, CornerEditsParseLimitAndKeepTheHighPassBelowTheLowPass) {
    Connect();
    struct Row {
        int output;
        const char* edit;
        const char* typed;
        const char* shown;
        Frames sent;
    };
    // Output 0: high-pass 3400 Hz (type 2, 24 dB), low-pass off at 20000 Hz (type 3).
    // Output 2: 70 Hz (type 2, 18 dB) to 3200 Hz (type 2, 24 dB).
    const Row rows[] = {
        {0, "hp_freq", "2k5", "2500Hz", {Filter(0, true, 2, 2500, 4)}},
        {0, "hp_freq", " 3000hz ", "3000Hz", {Filter(0, true, 2, 3000, 4)}},
        {0, "hp_freq", "1K", "1000Hz", {Filter(0, true, 2, 1000, 4)}},
        {0, "hp_freq", "1k25Hz", "1200Hz", {Filter(0, true, 2, 1200, 4)}},
        {0, "hp_freq", "1200.9", "1200Hz", {}},
        {0, "hp_freq", "5", "20Hz", {Filter(0, true, 2, 20, 4)}},
        {0, "hp_freq", "-300", "20Hz", {}},
        {0, "hp_freq", "25000", "20000Hz", {Filter(0, true, 2, 20000, 4)}},
        {0, "lp_freq", "10", "20000Hz", {}},
        {0, "lp_freq", "19k9", "20000Hz", {}},
        {0, "hp_freq", "99999999", "20000Hz", {}},
        {2, "lp_freq", "2000Hz", "2000Hz", {Filter(2, false, 2, 2000, 4)}},
        {2, "hp_freq", "3k", "2000Hz", {Filter(2, true, 2, 2000, 3)}},
        {2, "lp_freq", "1k5", "2000Hz", {}},
        {2, "lp_freq", "20000Hz", "20000Hz", {Filter(2, false, 2, 20000, 4)}},
        {2, "hp_freq", "80", "80Hz", {Filter(2, true, 2, 80, 3)}},
    };
    int selected = -1;
    for (const Row& row : rows) {
        if (row.output != selected) Select(selected = row.output);
        for (Commit how : {Commit::Return, Commit::KillFocus}) {
            Type(row.edit, row.typed, how);
            EXPECT_EQ(TextOf(row.edit), row.shown) << row.edit << " '" << row.typed << "'";
            // The second commit of the same text finds it stored.
            EXPECT_EQ(Sent(), how == Commit::Return ? row.sent : Frames{})
                << row.edit << " '" << row.typed << "'";
        }
        ExpectUnitHolds({0, 2});
    }
    EXPECT_EQ(Curve()->GetHpFreq(), 80);
    EXPECT_EQ(Curve()->GetLpFreq(), 20000);
}

TEST_F(MainCrossoverEditTest, TextWithoutANumberAndUnchangedCommitsRestoreAndSendNothing) {
    Connect();
    for (int output : {0, 6}) {
        Select(output);
        for (const char* edit : {"hp_freq", "lp_freq"}) {
            const QString shown = TextOf(edit);
            for (const char* text :
                 {"", "abc", "nan", "inf", "-inf", "1e99", "2147483647k9", "99999999999", "k", "k5",
                  "2k5x", "2kk", "5 5", "Hz", "-", "1.2.3", "2000 dB"}) {
                for (Commit how : {Commit::Return, Commit::KillFocus}) {
                    Type(edit, text, how);
                    ASSERT_EQ(TextOf(edit), shown) << edit << " '" << text << "'";
                }
            }
            // The stored value as shown, as typed without its suffix, and just left.
            const QString bare = shown.left(shown.size() - 2);
            for (const QString& same : {shown, bare, bare + " HZ", bare + ".4"})
                for (Commit how : {Commit::Return, Commit::KillFocus}) Type(edit, same, how);
            Find(edit)->SetFocus();
            m_wnd->GetPaintManager()->SetFocus(nullptr);
        }
        // Combos selected where they already stand.
        for (const char* combo : {"hp_type", "lp_type", "hp_slop", "lp_slop"}) {
            auto* c = FindAs<CComboUI>(combo);
            c->SelectItem(c->GetCurSel());
        }
        EXPECT_EQ(Sent(), Frames{}) << "output " << output;
    }
    ExpectUnitHolds({0, 6});
}

TEST_F(MainCrossoverEditTest, EveryStepperFrequencyIsSentOnceAndReadsBackAsShown) {
    Connect();
    Type("hp_freq", "20", Commit::Return);  // lp stands at 20000: the whole range is open
    Sent();
    Frames expected;
    std::vector<int> seen{20};
    for (bool up : {true, false}) {
        for (int i = 0; i < 400; ++i) {
            const int before = Model(0).hp.fs;
            Step("hp_freq", up);
            const int now = Model(0).hp.fs;
            if (now == before) break;
            ASSERT_TRUE(up ? now > before : now < before) << before << " -> " << now;
            expected.push_back(Filter(0, true, 2, now, 4));
            seen.push_back(now);
            // What the edit shows commits as itself.
            Type("hp_freq", TextOf("hp_freq"), Commit::KillFocus);
            ASSERT_EQ(TextOf("hp_freq"), QString("%1Hz").arg(now));
        }
        EXPECT_EQ(Model(0).hp.fs, up ? 20000 : 20);
    }
    EXPECT_EQ(Sent(), expected);
    EXPECT_GT(seen.size(), 300u);
    ExpectUnitHolds({0});

    // The steppers stop at the opposite corner and at the ends.
    Select(2);
    Type("hp_freq", "3000", Commit::Return);
    for (int i = 0; i < 10; ++i) Step("hp_freq", true);
    EXPECT_EQ(Model(2).hp.fs, 3200);
    for (int i = 0; i < 10; ++i) Step("lp_freq", false);
    EXPECT_EQ(Model(2).lp.fs, 3200);
    Type("lp_freq", "20000", Commit::Return);
    Sent();
    Step("lp_freq", true);
    Type("hp_freq", "20", Commit::Return);
    Sent();
    Step("hp_freq", false);
    EXPECT_EQ(Sent(), Frames{});
    ExpectUnitHolds({2});
}

TEST_F(MainCrossoverEditTest, CombosSendTheirSideOnly) {
    Connect();
    Select(2);
    FindAs<CComboUI>("hp_type")->SelectItem(3);
    FindAs<CComboUI>("hp_slop")->SelectItem(1);
    FindAs<CComboUI>("lp_type")->SelectItem(1);
    FindAs<CComboUI>("lp_slop")->SelectItem(0);  // off: the low-pass stops filtering
    EXPECT_EQ(Sent(), (Frames{Filter(2, true, 3, 70, 3), Filter(2, true, 3, 70, 1),
                              Filter(2, false, 1, 3200, 4), Filter(2, false, 1, 3200, 0)}));
    // The hidden placeholder of the type combos is no type: nothing changes or goes out.
    FindAs<CComboUI>("hp_type")->SelectItem(0);
    EXPECT_EQ(FindAs<CComboUI>("hp_type")->GetCurSel(), 3);
    EXPECT_EQ(Sent(), Frames{});
    EXPECT_EQ(Model(2).lp.bypass, 1);
    EXPECT_EQ(Model(2).hp.bypass, 0);
    ExpectUnitHolds({2, 3});
}

TEST_F(MainCrossoverEditTest, EveryEditReachesTheLinkPartnerUnderItsOwnNumber) {
    Connect(true);
    Select(2);
    Type("hp_freq", "100Hz", Commit::Return);
    Step("lp_freq", true);
    const int lp = Model(2).lp.fs;
    FindAs<CComboUI>("lp_slop")->SelectItem(2);
    FindAs<CComboUI>("hp_type")->SelectItem(1);
    EXPECT_EQ(Sent(), (Frames{Filter(2, true, 2, 100, 3), Filter(3, true, 2, 100, 3),
                              Filter(2, false, 2, lp, 4), Filter(3, false, 2, lp, 4),
                              Filter(2, false, 2, lp, 2), Filter(3, false, 2, lp, 2),
                              Filter(2, true, 1, 100, 3), Filter(3, true, 1, 100, 3)}));
    ExpectUnitHolds({2, 3});
    // Selecting the partner shows the same crossover; its edits reach output 2 in turn.
    Select(3);
    EXPECT_EQ(TextOf("hp_freq"), "100Hz");
    Type("hp_freq", "120", Commit::KillFocus);
    EXPECT_EQ(Sent(), (Frames{Filter(3, true, 1, 120, 3), Filter(2, true, 1, 120, 3)}));
    ExpectUnitHolds({2, 3});
}

TEST_F(MainCrossoverEditTest, DraggingTheMarkersSendsEachNewCornerAndTheReleaseNothing) {
    for (bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "linked" : "unlinked");
        if (linked) {
            CloseWindow();
            dv::sim::SimBus::Instance().Reset();
        }
        Connect(linked);
        Select(2);
        const std::vector<int> outputs = linked ? std::vector<int>{2, 3} : std::vector<int>{2};
        Frames expected = DragMarker(true, {5, 10, 10, 30, -15}, outputs);
        EXPECT_GE(expected.size(), 3 * outputs.size());
        EXPECT_EQ(TextOf("hp_freq"), QString("%1Hz").arg(Model(2).hp.fs));
        // "H" stops short of "L", "L" short of "H", wherever the mouse goes.
        for (const std::string& f : DragMarker(true, {400, 2000}, outputs)) expected.push_back(f);
        EXPECT_LT(Model(2).hp.fs, Model(2).lp.fs);
        for (const std::string& f : DragMarker(false, {-2000, 40, 5000}, outputs))
            expected.push_back(f);
        EXPECT_EQ(Model(2).lp.fs, 20000);
        EXPECT_EQ(Sent(), expected);
        ExpectUnitHolds({2, 3});
    }
    // Merged while queued, the corners still end where the panel shows them.
    Manager().Device().SetCmdCoalescing(true);
    DragMarker(true, {-3, -6, -9, -12, -15, -18, -21, -24, -27, -30}, {2, 3});
    DragMarker(false, {-3, -6, -9, -12, -15, -18, -21, -24, -27, -30}, {2, 3});
    ExpectUnitHolds({2, 3});
}

TEST_F(MainCrossoverEditTest, OperationsWriteTheirLogLines) {
    Connect();
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/save.log").toStdString();
    InitConsoleWindow(path);
    Select(2);
    Type("hp_freq", "2k5", Commit::Return);
    Type("lp_freq", "3k", Commit::Return);
    Step("hp_freq", true);
    Step("lp_freq", false);
    FindAs<CComboUI>("hp_slop")->SelectItem(2);
    FindAs<CComboUI>("lp_type")->SelectItem(3);
    DragMarker(true, {-20}, {2});
    LogClose();
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    for (const char* line : {
             "set hp freq to 2500 \n",
             "set lp freq to 3000 \n",
             "SetHpFreqUp up(1)\n",
             "SetLpFreqUp up(0)\n",
             "on eq hp_slop hp_slop valuechanged index set hp slop to 12 dB/oct index 2\n",
             "set lp type to ",
             " index 3\n",
             "on DUI_MSGTYPE_EQUALIZERCHANGED index ",
             "EqualizerCallback cmd 1 index ",
             "Filter_Ctrl scene@(0), source(0), ch(2), iFilter(2), freq(2500), slope(3), type(2)\n",
         })
        EXPECT_NE(text.str().find(line), std::string::npos) << line;
}

TEST_F(MainCrossoverEditTest, APartnerHoldingAnotherCrossoverTakesTheWholeOne) {
    // The unit reports a linked pair whose low-pass corners differ; a high-pass edit must not
    // leave the partner's high-pass above its own low-pass.
    dv::sim::SimUnitState state = dv::sim::TunedCarState();
    state.current.link = 1;
    state.current.lock = 1;
    state.current.pairs = {{{0, 1}, {2, 3}, {4, 5}, {6, 7}}};
    state.current.pairCount = 4;
    state.current.outputs[3].lp = {1, 500, 2};
    m_unit = PlugUnit({}, state);
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    Manager().Device().SetCmdCoalescing(false);
    ASSERT_TRUE(WaitFor([this] { return Manager().Device().QueuedCommandCount() == 0; }));
    Select(2);
    Type("hp_freq", "1000", Commit::Return);
    EXPECT_EQ(Sent(), (Frames{Filter(2, true, 2, 1000, 3), Filter(3, true, 2, 1000, 3),
                              Filter(3, false, 2, 3200, 4)}));
    ExpectUnitHolds({2, 3});
}

TEST_F(MainCrossoverEditTest, WithoutAUnitEditsChangeThePanelAndSendNothing) {
    OpenWindow();
    Settle();
    const int lp = Model(0).lp.fs;
    Type("hp_freq", "250Hz", Commit::Return);
    Step("hp_freq", true);
    FindAs<CComboUI>("hp_slop")->SelectItem(2);
    EXPECT_GT(Model(0).hp.fs, 250);
    EXPECT_LE(Model(0).hp.fs, lp);
    EXPECT_EQ(Model(0).hp.slope, 2);
    EXPECT_EQ(TextOf("hp_freq"), QString("%1Hz").arg(Model(0).hp.fs));
    EXPECT_TRUE(dv::sim::SimBus::Instance().WrittenReports().empty());
}
