// Link, lock, bypass, EQ reset, the PEQ/GEQ switch and the output reset against the simulated
// unit, by control name: each asks first, changes nothing unless confirmed, and the unit ends
// holding what the panel shows for every output touched.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "controls/CSButtonUI.h"
#include "model/SpeakerRoles.h"
#include "sim/SimFrames.h"
#include "tests/app/EditTestSupport.h"
#include "tests/app/MsgWindowTestSupport.h"

using namespace DuiLib;
using maintest::EditingTest;

namespace {

// Set commands by name, as counted per kind.
const std::map<int, std::string> kNames = {
    {5, "Filter"}, {6, "EQ"},    {8, "Trim"},   {9, "MuteCh"},  {10, "Phase"}, {13, "Role"},
    {14, "Link"},  {15, "Lock"}, {17, "Reset"}, {18, "Bypass"}, {7, "Delay"}};

std::string Describe(const dv::sim::SimFrame& f) {
    const auto& p = f.payload;
    auto at = [&p](size_t i) { return i < p.size() ? static_cast<int>(p[i]) : -1; };
    const auto name =
        kNames.count(f.subcmd) ? kNames.at(f.subcmd) : "Set" + std::to_string(f.subcmd);
    switch (f.subcmd) {
        case 14:
        case 15:
            return name + " " + std::to_string(at(1));
        case 17: {
            std::string text = name;
            for (int i = 0; i < at(2); ++i) text += " " + std::to_string(at(3 + i));
            return text;
        }
        default:
            return name + " " + std::to_string(at(2));  // the output it is sent for
    }
}

using Frames = std::vector<std::string>;

}  // namespace

class MainLinkEditTest : public EditingTest {
protected:
    // A new window over a newly plugged unit, for tests that need a second start.
    void Fresh(bool linked) {
        CloseWindow();
        dv::sim::SimBus::Instance().Reset();
        Connect(linked);
    }

    Frames Sent() {
        Frames frames;
        for (const dv::sim::SimFrame& f : SentFrames()) frames.push_back(Describe(f));
        return frames;
    }

    static int Count(const Frames& frames, const std::string& frame) {
        return static_cast<int>(std::count(frames.begin(), frames.end(), frame));
    }

    // Clicks `button` and answers the question window with `answer` ("confirm_btn", ...).
    void ClickAnswering(const char* button, const char* answer) {
        msgtest::WhenShown("MsgWnd", [answer](WindowImplBase* w) { msgtest::Click(w, answer); });
        Find(button)->Activate();
        Settle();
    }

    // Clicks the link button and picks option 0 or 1 of the copy question (-1: cancel).
    void Link(int option) {
        msgtest::WhenShown("MsgCheckBoxWnd", [option](WindowImplBase* w) {
            if (option < 0) return msgtest::Click(w, "cancel_btn");
            msgtest::Click(w, option == 0 ? "check_box_0" : "check_box_1");
            msgtest::Click(w, "confirm_btn");
        });
        Find("btn_link_output")->Activate();
        Settle();
    }

    // The one comparison of the unit with the panel: link and lock, and for each output given
    // its role, crossover, bands (a band switched off plays 0 dB), EQ bypass and volume.
    void ExpectUnitHolds(const std::vector<int>& outputs) {
        auto mismatch = [&]() -> std::string {
            const dv::sim::SimUnitState unit = m_unit->State();
            const dv::DspProfile& model = Manager().Profile();
            if (unit.current.link != model.linkMode) return "link";
            if (unit.current.lock != model.lockMode) return "lock";
            for (int k : outputs) {
                const dv::OutputChannel& c = model.channels[k];
                const dv::sim::SimOutput& o = unit.current.outputs[k];
                const std::string at = " of " + std::to_string(k);
                if (o.role != model.roles[k]) return "role" + at;
                if (o.eqBypass != c.bypass) return "bypass" + at;
                if (o.trim != c.gain) return "volume" + at;
                for (const bool high : {true, false}) {
                    const dv::FilterSection& m = high ? c.crossover.hp : c.crossover.lp;
                    const dv::sim::SimFilter& u = high ? o.hp : o.lp;
                    if (u.freq != m.fs || u.slope != m.slope || (m.slope != 0 && u.type != m.type))
                        return (high ? "high-pass" : "low-pass") + at;
                }
                if (std::string band = maintest::BandMismatch(o, model, k); !band.empty())
                    return band + at;
            }
            return {};
        };
        WaitFor([&] { return mismatch().empty(); });
        EXPECT_EQ(mismatch(), "");
    }

    const dv::DspProfile& Model() { return Manager().Profile(); }
};

TEST_F(MainLinkEditTest, LinkWithCopySendsEveryCopiedOutputAndTheUnitHoldsIt) {
    for (const int option : {0, 1}) {
        Fresh(false);
        Link(option);
        ASSERT_EQ(Model().linkMode, 1);
        EXPECT_EQ(Model().lockMode, 1);
        EXPECT_TRUE(FindAs<CSButtonUI>("btn_link_output")->IsSelected());
        EXPECT_TRUE(FindAs<CSButtonUI>("btn_lock_output")->IsSelected());
        const Frames sent = Sent();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front(), "Lock 1");
        EXPECT_EQ(sent.back(), "Link 1");
        std::vector<int> touched;
        for (int i = 0; i < dv::kOutputCount; ++i) {
            const int p = Model().linkOutputs[i];
            if (p < 0) continue;
            touched.push_back(i);
            const bool target = option == 0 ? Model().roles[p] < Model().roles[i]
                                            : Model().roles[i] < Model().roles[p];
            const std::string k = " " + std::to_string(i);
            // A copied-onto output gets its whole state once; its source is not sent at all.
            EXPECT_EQ(Count(sent, "Filter" + k), target ? 2 : 0) << i;
            EXPECT_EQ(Count(sent, "EQ" + k), target ? Model().BandCount(i) : 0) << i;
            EXPECT_EQ(Count(sent, "Bypass" + k), target ? 1 : 0) << i;
            EXPECT_EQ(Count(sent, "Trim" + k), target ? 1 : 0) << i;
            if (target) {
                EXPECT_EQ(TextOf(QString::asprintf("edit_ch_volume_%d", i)),
                          TextOf(QString::asprintf("edit_ch_volume_%d", p)))
                    << i;
            }
        }
        EXPECT_EQ(touched.size(), 8u);
        ExpectUnitHolds(touched);
        EXPECT_EQ(m_unit->State().current.pairCount, 4);
    }
}

TEST_F(MainLinkEditTest, CancelledLinkSendsNothingAndUnlinkEndsLinkAndLock) {
    Connect(false);
    Link(-1);
    EXPECT_EQ(Model().linkMode, 0);
    EXPECT_FALSE(FindAs<CSButtonUI>("btn_link_output")->IsSelected());
    EXPECT_EQ(Sent(), Frames{});

    Fresh(true);
    ASSERT_EQ(Model().linkMode, 1);
    Find("btn_link_output")->Activate();  // unlinking asks nothing
    Settle();
    EXPECT_EQ(Sent(), (Frames{"Link 0", "Lock 0"}));
    EXPECT_EQ(Model().lockMode, 0);
    EXPECT_TRUE(Find("ch_output_btn_0")->IsEnabled());
    ExpectUnitHolds({});
}

TEST_F(MainLinkEditTest, LockAsksAndUnlockingEndsTheLink) {
    Connect(true);
    ClickAnswering("btn_lock_output", "cancel_btn");
    EXPECT_EQ(Sent(), Frames{});
    EXPECT_EQ(Model().lockMode, 1);
    EXPECT_TRUE(FindAs<CSButtonUI>("btn_lock_output")->IsSelected());

    ClickAnswering("btn_lock_output", "confirm_btn");
    EXPECT_EQ(Sent(), (Frames{"Link 0", "Lock 0"}));
    EXPECT_EQ(Model().linkMode, 0);
    EXPECT_FALSE(FindAs<CSButtonUI>("btn_link_output")->IsSelected());
    EXPECT_TRUE(Find("ch_output_btn_3")->IsEnabled());
    ExpectUnitHolds({});

    ClickAnswering("btn_lock_output", "confirm_btn");
    EXPECT_EQ(Sent(), Frames{"Lock 1"});
    EXPECT_FALSE(Find("ch_output_btn_3")->IsEnabled());
    ExpectUnitHolds({});
}

TEST_F(MainLinkEditTest, UnitReportingLinkWithoutLockIsToldThePanelsState) {
    ConnectWith([](dv::sim::SimUnitState& s) {
        s.current.link = 1;
        s.current.lock = 0;
        s.current.pairs = {{{0, 1}, {2, 3}, {4, 5}, {6, 7}}};
        s.current.pairCount = 4;
    });
    EXPECT_EQ(Model().linkMode, 0);
    EXPECT_EQ(Model().lockMode, 0);
    ExpectUnitHolds({});
}

TEST_F(MainLinkEditTest, BypassAndRestoreReachBothLinkedOutputs) {
    // Gains all under 1 dB: still an EQ to bypass and restore.
    ConnectWith([](dv::sim::SimUnitState& s) {
        s.current.link = 1;
        s.current.lock = 1;
        s.current.pairs = {{{0, 1}, {2, 3}, {4, 5}, {6, 7}}};
        s.current.pairCount = 4;
        s.current.outputs[0].bands[24].gainTenths = -5;
        s.current.outputs[1].bands[24].gainTenths = -5;
    });
    ASSERT_EQ(Model().channels[0].bypass, 0);
    ClickAnswering("btn_bypass", "cancel_btn");
    EXPECT_EQ(Sent(), Frames{});

    ClickAnswering("btn_bypass", "confirm_btn");
    EXPECT_EQ(Sent(), (Frames{"Bypass 0", "Bypass 1"}));
    EXPECT_EQ(TextOf("btn_bypass"), Tr("${restore_eq}"));
    EXPECT_EQ(TextOf("eq_gain_24"), "0.0");
    EXPECT_FLOAT_EQ(Model().channels[1].eqArray[24].eqGain, -0.5f);  // kept, only not played
    ExpectUnitHolds({0, 1});

    ClickAnswering("btn_bypass", "confirm_btn");
    EXPECT_EQ(Sent(), (Frames{"Bypass 0", "Bypass 1"}));
    EXPECT_EQ(TextOf("btn_bypass"), Tr("${bypass_eq}"));
    EXPECT_EQ(TextOf("eq_gain_24"), "-0.5");
    ExpectUnitHolds({0, 1});
}

TEST_F(MainLinkEditTest, EqResetReachesBothLinkedOutputsAndKeepsTheBypassCaptionTrue) {
    Connect(true);
    ClickAnswering("btn_reset_eq", "cancel_btn");
    EXPECT_EQ(Sent(), Frames{});
    ClickAnswering("btn_reset_eq", "confirm_btn");
    EXPECT_EQ(Sent(), Frames{"Reset 0 1"});
    for (int k : {0, 1})
        for (int b = 0; b < Model().BandCount(k); ++b) {
            const dv::EqBand& band = Model().channels[k].eqArray[b];
            EXPECT_EQ(band.freq, dv::kBandFrequencies[b]);
            EXPECT_FLOAT_EQ(band.eqGain, 0.0f);
            EXPECT_FLOAT_EQ(band.eqFactor, dv::kDefaultQ);
        }
    EXPECT_EQ(TextOf("btn_bypass"),
              Tr(Model().channels[0].bypass == 1 ? "${restore_eq}" : "${bypass_eq}"));
    ExpectUnitHolds({0, 1, 2});
}

TEST_F(MainLinkEditTest, ModeSwitchResetsEveryQToTheDefaultAfterItsQuestion) {
    // The tuned car's cuts have Q 4.3, 2.5 and 1.2; a band switched off goes out at 0 dB.
    Connect(false);
    ClickAnswering("btn_arg_eq", "cancel_btn");
    EXPECT_EQ(Sent(), Frames{});
    EXPECT_FALSE(FindAs<CSButtonUI>("btn_arg_eq")->IsSelected());

    ClickAnswering("btn_arg_eq", "confirm_btn");
    const Frames sent = Sent();
    EXPECT_EQ(sent, (Frames{"EQ 0", "EQ 1", "EQ 2", "EQ 3", "EQ 6", "EQ 7"}));
    EXPECT_TRUE(FindAs<CSButtonUI>("btn_arg_eq")->IsSelected());
    EXPECT_EQ(TextOf("btn_arg_eq"), Tr("${peq_mode}"));
    EXPECT_TRUE(Find("eq_q_0")->IsEnabled());
    for (int k = 0; k < dv::kOutputCount; ++k)
        for (int b = 0; b < Model().BandCount(k); ++b)
            EXPECT_FLOAT_EQ(Model().channels[k].eqArray[b].eqFactor, dv::kDefaultQ) << k << b;
    ExpectUnitHolds({0, 1, 2, 3, 4, 5, 6, 7});

    ClickAnswering("btn_arg_eq", "confirm_btn");  // back to graphic: every Q is 5.8 already
    EXPECT_EQ(Sent(), Frames{});
    EXPECT_EQ(TextOf("btn_arg_eq"), Tr("${geq_mode}"));
    EXPECT_FALSE(Find("eq_q_0")->IsEnabled());
}

TEST_F(MainLinkEditTest, OutputResetToDefaultsOrEmptyEndsLinkAndLock) {
    for (const char* answer : {"confirm_btn", "third_btn"}) {
        Fresh(true);
        ClickAnswering("btn_reset_output", answer);
        const bool empty = std::string(answer) == "third_btn";
        for (int k = 0; k < dv::kOutputCount; ++k) {
            EXPECT_EQ(Model().roles[k], empty ? 0 : dv::kDefaultRoles[k]) << k;
            if (empty) {
                EXPECT_EQ(Model().channels[k].crossover.hp.fs, 20);
                EXPECT_EQ(Model().channels[k].crossover.lp.fs, 20000);
            }
        }
        EXPECT_EQ(Model().linkMode, 0);
        EXPECT_EQ(Model().lockMode, 0);
        EXPECT_FALSE(FindAs<CSButtonUI>("btn_lock_output")->IsSelected());
        EXPECT_TRUE(Find("ch_output_btn_0")->IsEnabled());
        const Frames sent = Sent();
        EXPECT_EQ(Count(sent, "Role 0") + Count(sent, "Role 7"), 2);
        EXPECT_EQ(Count(sent, "Lock 0"), 1);
        EXPECT_EQ(Count(sent, "Link 0"), 1);
        EXPECT_EQ(Count(sent, "Trim 0"), 1);  // one frame for all eight volumes
        ExpectUnitHolds({0, 1, 2, 3, 4, 5, 6, 7});
    }
    Fresh(false);
    ClickAnswering("btn_reset_output", "cancel_btn");
    EXPECT_EQ(Sent(), Frames{});
}

TEST_F(MainLinkEditTest, RolesWithoutAPairInOneBankAreNotLinked) {
    // Subwoofers left on output 5 and right on output 6: a pair, but across the banks.
    ConnectWith([](dv::sim::SimUnitState& s) {
        const std::array<uint8_t, dv::kOutputCount> roles = {1, 2, 3, 4, 5, 22, 23, 0};
        for (int k = 0; k < dv::kOutputCount; ++k) s.current.outputs[k].role = roles[k];
    });
    ASSERT_FALSE(Model().IsLinkable());
    Find("btn_link_output")->Activate();
    Settle();
    EXPECT_TRUE(SawBox(Tr("${not_linkable_tips}")));
    EXPECT_EQ(Sent(), Frames{"Link 0"});
    EXPECT_EQ(Model().linkMode, 0);
    EXPECT_FALSE(FindAs<CSButtonUI>("btn_link_output")->IsSelected());
    ExpectUnitHolds({});
}

TEST_F(MainLinkEditTest, OutputResetGivesEachOutputItsRoleThroughTheRoleMenuPath) {
    // Subwoofers at different levels: each role change pairs them, the reset's last step too.
    ConnectWith([](dv::sim::SimUnitState& s) {
        s.current.outputs[6].trim = -4;
        s.current.outputs[7].trim = -8;
    });
    ClickAnswering("btn_reset_output", "confirm_btn");
    Frames expected;
    for (int k = 0; k < dv::kOutputCount; ++k) {
        const std::string n = std::to_string(k);
        expected.insert(expected.end(), {"Role " + n, "Filter " + n, "Filter " + n});
        if (k == 6) expected.insert(expected.end(), {"Trim 6", "Trim 7"});
        if (k == 7) expected.insert(expected.end(), {"Trim 7", "Trim 6"});
    }
    expected.insert(expected.end(), {"Lock 0", "Link 0", "Trim 0"});
    EXPECT_EQ(Sent(), expected);
    EXPECT_EQ(Model().channels[6].gain, -4);
    EXPECT_EQ(Model().channels[7].gain, -4);
    EXPECT_EQ(TextOf("edit_ch_volume_7"), QStringLiteral("-4dB"));
    ExpectUnitHolds({0, 1, 2, 3, 4, 5, 6, 7});
}
