// Editing the output strips and the master section against the simulated unit, by control name:
// volumes, mutes, phase and delay reach the unit exactly once, in the unit's own terms, and the
// unit ends holding what the panel shows.
#include <QLineEdit>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Log.h"
#include "sim/SimFrames.h"
#include "tests/app/EditTestSupport.h"

using namespace DuiLib;
using maintest::Commit;
using maintest::EditingTest;

namespace {

// Delay units as "comb_ch_unit" lists them.
constexpr int kMs = 0, kCm = 1, kInch = 2;

// The set commands of the strips as the unit reads them: the byte values on the wire.
std::string Describe(const dv::sim::SimFrame& f) {
    const auto& p = f.payload;
    auto at = [&p](size_t i) { return i < p.size() ? static_cast<int>(p[i]) : -1; };
    auto one = [&](const char* name) {
        std::string text = std::string(name) + " " + std::to_string(at(2));
        if (at(0) != 0 || at(1) != 0 || at(2) != at(3)) text += " (scene/source/range!)";
        return text;
    };
    switch (f.subcmd) {
        case 2:
            return "MainVolume " + std::to_string(static_cast<int8_t>(at(0)));
        case 4:
            return "Mute " + std::to_string(at(0));
        case 7:
            return one("Delay") + " " + std::to_string(at(4) * 1000 + (at(5) << 8 | at(6)));
        case 8:
            return one("Trim") + " " + std::to_string(static_cast<int8_t>(at(4)));
        case 9:
            return one("MuteCh") + " " + std::to_string(at(4));
        case 10:
            return one("Phase") + " " + std::to_string(at(4));
        default:
            return "Set" + std::to_string(f.subcmd);
    }
}

using Frames = std::vector<std::string>;

}  // namespace

class MainStripEditTest : public EditingTest {
protected:
    // Set commands written since the last mark, as the unit reads them; marks again.
    Frames Sent() {
        Frames frames;
        for (const dv::sim::SimFrame& f : SentFrames()) frames.push_back(Describe(f));
        return frames;
    }

    // The one comparison of the unit with the panel: the master section and, for each output
    // given, its volume, mute, phase and delay (the unit keeps delays to the microsecond).
    void ExpectUnitHolds(const std::vector<int>& outputs) {
        const dv::DspProfile& model = Manager().Profile();
        auto same = [&] {
            const dv::sim::SimUnitState unit = m_unit->State();
            if (unit.mainVolume != model.mainVolume || unit.mute != model.mainVolumeMute)
                return false;
            for (int k : outputs) {
                const dv::sim::SimOutput& o = unit.current.outputs[k];
                const dv::OutputChannel& c = model.channels[k];
                if (o.trim != c.gain || o.mute != c.mute || o.phase != c.phase ||
                    std::lround(c.delay * 1000.0) != static_cast<long>(o.delayMicros))
                    return false;
            }
            return true;
        };
        if (WaitFor(same, 3000)) return;
        const dv::sim::SimUnitState unit = m_unit->State();
        EXPECT_EQ(unit.mainVolume, model.mainVolume);
        EXPECT_EQ(unit.mute, model.mainVolumeMute);
        for (int k : outputs) {
            const dv::sim::SimOutput& o = unit.current.outputs[k];
            const dv::OutputChannel& c = model.channels[k];
            EXPECT_EQ(o.trim, c.gain) << "output " << k;
            EXPECT_EQ(o.mute, c.mute) << "output " << k;
            EXPECT_EQ(o.phase, c.phase) << "output " << k;
            EXPECT_EQ(static_cast<long>(o.delayMicros), std::lround(c.delay * 1000.0))
                << "output " << k;
        }
    }
};

TEST_F(MainStripEditTest, TextWithoutANumberRestoresTheStoredValueAndSendsNothing) {
    Connect();
    const std::vector<int> all{0, 1, 2, 3, 4, 5, 6, 7};
    for (int unit : {kMs, kCm, kInch}) {
        SetUnit(unit);
        for (const char* edit : {"edit_main_volume", "edit_ch_volume_3", "edit_ch_delay_2"}) {
            const QString shown = TextOf(edit);
            for (const char* text : {"", "abc", "nan", "inf", "-inf", "1e99", "2147483647k9",
                                     "99999999999", "5 5", "--5", "1.2.3", "-", ".", "5x"}) {
                for (Commit how : {Commit::Return, Commit::KillFocus}) {
                    Type(edit, text, how);
                    ASSERT_EQ(TextOf(edit), shown) << edit << " '" << text << "' " << unit;
                }
            }
        }
    }
    EXPECT_EQ(Sent(), Frames{});
    ExpectUnitHolds(all);
}

TEST_F(MainStripEditTest, CommitsThatChangeNothingSendNothing) {
    Connect();
    for (int unit : {kMs, kCm, kInch}) {
        SetUnit(unit);
        // Every strip edit left as it shows, then the whole keyboard ring walked once.
        for (int k = 0; k < 8; ++k) {
            for (const QString& edit :
                 {QString("edit_ch_volume_%1").arg(k), QString("edit_ch_delay_%1").arg(k)}) {
                Type(edit, TextOf(edit), Commit::Return);
                Type(edit, TextOf(edit), Commit::KillFocus);
            }
        }
        Type("edit_main_volume", TextOf("edit_main_volume"), Commit::KillFocus);
        Find("edit_main_volume")->SetFocus();
        for (int i = 0; i < 31 + 16 + 3; ++i)
            QTest::keyClick(
                dynamic_cast<CEditUI*>(m_wnd->GetPaintManager()->GetFocus())->GetLineEdit(),
                Qt::Key_Right);
        m_wnd->GetPaintManager()->SetFocus(nullptr);
    }
    // The same values typed another way: the text the unit would get back is the same.
    SetUnit(kCm);
    const QString delay = TextOf("edit_ch_delay_0");  // 1.25 ms: 43 cm, not 43 cm's 1.243 ms
    Type("edit_ch_delay_0", delay.left(delay.indexOf(' ')), Commit::Return);
    Type("edit_ch_delay_0", " " + delay.toUpper() + " ", Commit::KillFocus);
    Type("edit_ch_volume_0", "-6", Commit::Return);
    Type("edit_ch_volume_0", "-6.9DB", Commit::KillFocus);
    Type("edit_main_volume", "-5", Commit::Return);
    EXPECT_EQ(Sent(), Frames{});
    EXPECT_FLOAT_EQ(Manager().Profile().channels[0].delay, 1.25f);
    ExpectUnitHolds({0, 1, 2, 3, 4, 5, 6, 7});
}

TEST_F(MainStripEditTest, CommitsParseThePanelsOwnTextAndAreLimited) {
    Connect();
    struct Row {
        const char* edit;
        int unit;
        const char* typed;
        const char* shown;  // "${off}": the translated text
        Frames sent;
    };
    // Main volume goes out as 6 - volume, output volumes negated (-12 dB as 12).
    const Row rows[] = {
        {"edit_main_volume", kMs, "-12dB", "-12dB", {"MainVolume 18"}},
        {"edit_main_volume", kMs, " -7 db ", "-7dB", {"MainVolume 13"}},
        {"edit_main_volume", kMs, "Off", "${off}", {"MainVolume 66"}},
        {"edit_main_volume", kMs, "+3", "0dB", {"MainVolume 6"}},
        {"edit_main_volume", kMs, "-0.5", "0dB", {}},
        {"edit_ch_volume_4", kMs, "-20dB", "-20dB", {"Trim 4 20"}},
        {"edit_ch_volume_4", kMs, "\xE5\x85\xB3", "${off}", {"Trim 4 60"}},
        {"edit_ch_volume_4", kMs, "-99", "${off}", {}},
        {"edit_ch_volume_4", kMs, "12", "0dB", {"Trim 4 0"}},
        {"edit_ch_delay_2", kMs, "1.250 ms", "1.250 ms", {"Delay 2 1250"}},
        {"edit_ch_delay_2", kMs, "7.5", "7.500 ms", {"Delay 2 7500"}},
        {"edit_ch_delay_2", kMs, "99", "15.000 ms", {"Delay 2 15000"}},
        {"edit_ch_delay_2", kMs, "-1", "0.000 ms", {"Delay 2 0"}},
        {"edit_ch_delay_2", kCm, "100 cm", "100 cm", {"Delay 2 2890"}},
        {"edit_ch_delay_2", kCm, "600", "519 cm", {"Delay 2 15000"}},
        {"edit_ch_delay_2", kCm, "1.9", "1 cm", {"Delay 2 29"}},
        {"edit_ch_delay_2", kInch, "10 inc", "10 inc", {"Delay 2 735"}},
        {"edit_ch_delay_2", kInch, "205 inch", "204 inc", {"Delay 2 15000"}},
        {"edit_ch_delay_2", kInch, "3 cm", "204 inc", {}},  // another unit's text is no number
    };
    for (const Row& row : rows) {
        SetUnit(row.unit);
        Type(row.edit, row.typed, Commit::Return);
        const QString shown = row.shown == std::string("${off}") ? Tr("${off}") : row.shown;
        EXPECT_EQ(TextOf(row.edit), shown) << row.edit << " '" << row.typed << "'";
        EXPECT_EQ(Sent(), row.sent) << row.edit << " '" << row.typed << "'";
        ExpectUnitHolds({2, 4});
    }
    EXPECT_EQ(FindAs<CSliderUI>("slider_ch_delay_2")->GetValue(), 15000);
    EXPECT_EQ(FindAs<CSliderUI>("slider_ch_volume_4")->GetValue(), 0);
}

TEST_F(MainStripEditTest, EveryVolumeTheEditsCanShowReadsBackAsShown) {
    Connect();
    Frames expected;
    for (int v = 0; v >= -60; --v) {  // each a step from the last
        const QString shown = v == -60 ? Tr("${off}") : QString("%1dB").arg(v);
        Type("edit_main_volume", QString::number(v), Commit::Return);
        Type("edit_ch_volume_4", QString::number(v), Commit::Return);
        ASSERT_EQ(TextOf("edit_main_volume"), shown);
        ASSERT_EQ(TextOf("edit_ch_volume_4"), shown);
        Type("edit_main_volume", shown, Commit::Return);
        Type("edit_ch_volume_4", shown, Commit::Return);
        expected.push_back("MainVolume " + std::to_string(6 - v));
        expected.push_back("Trim 4 " + std::to_string(-v));
    }
    EXPECT_EQ(Sent(), expected);
    ExpectUnitHolds({4});
}

TEST_F(MainStripEditTest, EveryDelayTheEditCanShowReadsBackAsShown) {
    Connect();
    Manager().Device().SetCmdCoalescing(true);  // thousands of commits end in one frame each
    auto* slider = FindAs<CSliderUI>("slider_ch_delay_5");
    for (auto [unit, top, suffix] : {std::tuple{kCm, 519, " cm"}, {kInch, 204, " inc"}}) {
        SetUnit(unit);
        for (int whole = 0; whole <= top; ++whole) {
            FindAs<CEditUI>("edit_ch_delay_5")->SetText(QString::number(whole) + suffix);
            Manager().SetChDelayEdit(5);
            const long micros = std::lround(whole * 15000.0 / top);
            ASSERT_EQ(std::lround(Manager().Profile().channels[5].delay * 1000.0), micros) << whole;
            ASSERT_EQ(slider->GetValue(), micros) << whole;
            ASSERT_EQ(TextOf("edit_ch_delay_5"), QString::number(whole) + suffix) << whole;
        }
    }
    // Every slider position, shown in each unit, commits back to itself.
    for (int unit : {kMs, kCm, kInch}) {
        SetUnit(unit);
        for (int micros = 0; micros <= 15000; ++micros) {
            slider->SetValue(micros);
            Manager().SetChDelaySlider(5);
            Manager().SetChDelayEdit(5);
            ASSERT_EQ(std::lround(Manager().Profile().channels[5].delay * 1000.0), micros)
                << unit << " " << TextOf("edit_ch_delay_5").toStdString();
        }
    }
    ExpectUnitHolds({5});
}

TEST_F(MainStripEditTest, SlidersAndSteppersSendEachNewValueOnce) {
    Connect();
    Drag("slider_main_volume", {-6, -7});
    EXPECT_EQ(Sent(), (Frames{"MainVolume 12", "MainVolume 13"}));
    EXPECT_EQ(TextOf("edit_main_volume"), "-7dB");
    Drag("slider_ch_volume_2", {-3, -4, -5});  // output 2 was at -2
    EXPECT_EQ(Sent(), (Frames{"Trim 2 3", "Trim 2 4", "Trim 2 5"}));
    Drag("slider_ch_delay_1", {2500});
    EXPECT_EQ(Sent(), Frames{"Delay 1 2500"});
    EXPECT_EQ(TextOf("edit_ch_delay_1"), "2.500 ms");
    ExpectUnitHolds({1, 2});

    // Steppers: one step each way, nothing past either end; the delay moves by 21 us.
    Step("edit_main_volume", true);
    Step("edit_ch_volume_2", false);
    Step("edit_ch_delay_1", true);
    EXPECT_EQ(Sent(), (Frames{"MainVolume 12", "Trim 2 6", "Delay 1 2521"}));
    Drag("slider_main_volume", {0});
    Drag("slider_ch_volume_2", {-60});
    Drag("slider_ch_delay_1", {15000});
    Drag("slider_ch_delay_0", {0});
    Sent();
    EXPECT_EQ(TextOf("edit_ch_volume_2"), Tr("${off}"));
    Step("edit_main_volume", true);
    Step("edit_ch_volume_2", false);
    Step("edit_ch_delay_1", true);
    Step("edit_ch_delay_0", false);
    EXPECT_EQ(Sent(), Frames{});
    ExpectUnitHolds({0, 1, 2});
}

TEST_F(MainStripEditTest, MutePhaseAndMasterMuteSendTheirOwnOutputOnly) {
    Connect(true);  // linked: mute and phase still stay with their output
    ASSERT_EQ(Manager().Profile().linkOutputs[0], 1);
    Find("ch_mute_0")->Activate();
    Find("ch_phase_0")->Activate();
    Find("main_mute")->Activate();
    EXPECT_EQ(Sent(), (Frames{"MuteCh 0 1", "Phase 0 1", "Mute 1"}));
    EXPECT_EQ(Find("ch_phase_0")->GetRawText(), "${reverse phase}");
    ExpectUnitHolds({0, 1});
    Find("ch_mute_0")->Activate();
    Find("ch_phase_5")->Activate();  // the tuned car's inverted output
    Type("edit_ch_delay_0", "3", Commit::KillFocus);
    EXPECT_EQ(Sent(), (Frames{"MuteCh 0 0", "Phase 5 0", "Delay 0 3000"}));
    EXPECT_EQ(Find("ch_phase_5")->GetRawText(), "${positive_phase}");
    ExpectUnitHolds({0, 1, 4, 5});
}

TEST_F(MainStripEditTest, VolumesReachTheLinkPartnerAndTheOtherSubwoofer) {
    Connect();
    ASSERT_EQ(Manager().Profile().roles[6], 22);
    ASSERT_EQ(Manager().Profile().roles[7], 23);
    Drag("slider_ch_volume_6", {-12});
    EXPECT_EQ(Sent(), (Frames{"Trim 6 12", "Trim 7 12"}));
    EXPECT_EQ(TextOf("edit_ch_volume_7"), "-12dB");
    Type("edit_ch_volume_7", "-3", Commit::Return);
    EXPECT_EQ(Sent(), (Frames{"Trim 7 3", "Trim 6 3"}));
    Type("edit_ch_volume_0", "-10", Commit::Return);  // no partner while unlinked
    EXPECT_EQ(Sent(), Frames{"Trim 0 10"});
    ExpectUnitHolds({0, 1, 6, 7});

    CloseWindow();
    dv::sim::SimBus::Instance().Reset();
    Connect(true);
    ASSERT_EQ(Manager().Profile().linkOutputs[2], 3);
    ASSERT_EQ(Manager().Profile().currChannel, 0);
    // Output 2's partner follows, whichever output is selected for editing.
    Type("edit_ch_volume_2", "-8dB", Commit::KillFocus);
    Drag("slider_ch_volume_1", {-15});
    EXPECT_EQ(Sent(), (Frames{"Trim 2 8", "Trim 3 8", "Trim 1 15", "Trim 0 15"}));
    EXPECT_EQ(TextOf("edit_ch_volume_3"), "-8dB");
    EXPECT_EQ(TextOf("edit_ch_volume_0"), "-15dB");
    ExpectUnitHolds({0, 1, 2, 3});
}

TEST_F(MainStripEditTest, TheDelaySliderStandsBesideTheFocusedDelayEdit) {
    Connect();
    auto shownSliders = [this] {
        std::string shown;
        for (int k = 0; k < 8; ++k) {
            const bool slider = Find(QString("slider_ch_delay_%1").arg(k))->IsVisible();
            const bool empty = Find(QString("control_empty_%1").arg(k))->IsVisible();
            shown += slider == empty ? '?' : slider ? 'S' : '-';
        }
        return shown;
    };
    EXPECT_EQ(shownSliders(), "--------");
    Find("edit_ch_delay_3")->SetFocus();
    EXPECT_EQ(shownSliders(), "---S----");
    Find("edit_ch_delay_6")->SetFocus();
    EXPECT_EQ(shownSliders(), "------S-");
    Find("edit_ch_volume_6")->SetFocus();
    EXPECT_EQ(shownSliders(), "--------");
    // Switching the unit rewrites every delay edit and sends nothing.
    SetUnit(kCm);
    EXPECT_EQ(TextOf("edit_ch_delay_6"), "145 cm");  // 4.2 ms
    SetUnit(kInch);
    EXPECT_EQ(TextOf("edit_ch_delay_6"), "57 inc");
    EXPECT_EQ(Sent(), Frames{});
}

TEST_F(MainStripEditTest, OperationsWriteTheirLogLines) {
    Connect();
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/save.log").toStdString();
    InitConsoleWindow(path);
    Drag("slider_main_volume", {-6});
    Type("edit_main_volume", "-12", Commit::Return);
    Find("main_mute")->Activate();
    Drag("slider_ch_volume_2", {-3});
    Step("edit_ch_volume_2", true);
    Find("ch_mute_0")->Activate();
    Find("ch_phase_0")->Activate();
    Type("edit_ch_delay_2", "1.25", Commit::Return);
    Drag("slider_ch_delay_1", {2500});
    Step("edit_ch_delay_1", false);
    Step("edit_main_volume", true);
    SetUnit(kCm);
    LogClose();
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    for (const char* line : {
             "on main volume change to -6 dB\n",
             "on main volume edit change to -12 dB\n",
             "set main mute to 1\n",
             "on volume silder slider_ch_volume_2 valuechanged index 2\n",
             "set channel 2 volume to -3dB\n",
             "SetChVolumeUp 1 \nset channel 2 volume to -2dB\n",
             "channel 0 mute seleted 1\n",
             "channel 0 phase seleted 1\n",
             "channel 2 delay edit value 1.250\n",
             "on delay silder slider_ch_delay_1 valuechanged index 1\n",
             "channel 1 delay value 2.500\n",
             "SetChDelayUp 0 \nchannel 1 delay value 2.479\n",
             "SetMainVolumeUp 1 \non main volume change to -11 dB\n",
             "on eq comb_ch_unit valuechanged\nvalue 1\n",
             "Trim_Ctrl: scene(0), channel(2), gain(3)\n",
         })
        EXPECT_TRUE(maintest::HasLinesInOrder(text.str(), line)) << line;
}

TEST_F(MainStripEditTest, WithoutAUnitEditsChangeThePanelAndSendNothing) {
    OpenWindow();
    Settle();
    Type("edit_ch_volume_1", "-20", Commit::Return);
    Type("edit_ch_delay_1", "2.5", Commit::KillFocus);
    Find("ch_mute_1")->Activate();
    EXPECT_EQ(Manager().Profile().channels[1].gain, -20);
    EXPECT_EQ(TextOf("edit_ch_volume_1"), "-20dB");
    EXPECT_FLOAT_EQ(Manager().Profile().channels[1].delay, 2.5f);
    EXPECT_EQ(Manager().Profile().channels[1].mute, 1);
    EXPECT_TRUE(dv::sim::SimBus::Instance().WrittenReports().empty());
}
