// Roles and routing against the simulated unit, by control name: the output menu, the speaker
// icons, the input source and the input options reach the unit once per change, and the unit ends
// holding what the panel shows.
#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Log.h"
#include "model/InputSources.h"
#include "model/SpeakerRoles.h"
#include "sim/SimFrames.h"
#include "tests/app/EditTestSupport.h"
#include "ui/UIMenu.h"

using namespace DuiLib;
using maintest::EditingTest;

namespace {

using Frames = std::vector<std::string>;

// The role and routing commands as the unit reads them.
std::string Describe(const dv::sim::SimFrame& f) {
    const auto& p = f.payload;
    auto at = [&p](size_t i) { return i < p.size() ? static_cast<int>(p[i]) : -1; };
    auto n = [](int v) { return std::to_string(v); };
    switch (f.subcmd) {
        case 1:
            return "Source " + n(at(0));
        case 5:
            return "Filter " + n(at(2)) + (at(3) == 2 ? " hp" : " lp");
        case 8:
            return "Trim " + n(at(2)) + " " + n(static_cast<int8_t>(at(4)));
        case 11:
            return "Mix " + n(at(1)) + " " + n(at(2)) + " mask " + n(at(4));
        case 13:
            return "Role " + n(at(2)) + " " + n(at(4));
        case 36:
            return "MixTrim " + n(at(1)) + " in " + n(at(2)) + " out " + n(at(3)) + " " + n(at(5));
        default:
            return "Set" + n(f.subcmd);
    }
}

}  // namespace

class MainRoutingEditTest : public EditingTest {
protected:
    Frames Sent() {
        Frames frames;
        for (const dv::sim::SimFrame& f : SentFrames()) frames.push_back(Describe(f));
        return frames;
    }

    void ClickMenuItem(const QString& name) {
        auto cmd = std::make_unique<MenuCmd>();
        const std::wstring wide = name.toStdWString();
        std::copy(wide.begin(), wide.end(), cmd->szName);
        dv::PostToWindow(m_wnd->GetWindowHandle(), WM_MENUCLICK, 0, std::move(cmd));
        Settle();
    }

    // Opens `output`'s role menu and picks `item`, as a user does.
    void PickRole(int output, const char* item) {
        Find(QString("ch_output_btn_%1").arg(output))->Activate();
        ASSERT_EQ(m_wnd->OutputMenuChannel(), output);
        ClickMenuItem(QString::fromLatin1(item));
    }

    // The one comparison of the unit with the panel: source, and per output its role, both
    // crossover sides, volume and routing of the current source; the mixer trims given as
    // (input, output) of the current source (the panel does not read the others at connect).
    void ExpectUnitHolds(const std::vector<std::pair<int, int>>& trims = {}) {
        const dv::DspProfile& model = Manager().Profile();
        std::string why;
        auto same = [&] {
            const dv::sim::SimUnitState unit = m_unit->State();
            const int s = model.source;
            why = "source";
            if (unit.sourceCode != 0x51 + s) return false;
            for (int k = 0; k < dv::kOutputCount; ++k) {
                const dv::sim::SimOutput& o = unit.current.outputs[k];
                const dv::OutputChannel& c = model.channels[k];
                why = "output " + std::to_string(k);
                auto side = [](const dv::sim::SimFilter& u, const dv::FilterSection& m) {
                    return u.type == m.type && u.freq == m.fs && u.slope == m.slope;
                };
                if (o.role != model.roles[k] || !side(o.hp, c.crossover.hp) ||
                    !side(o.lp, c.crossover.lp) || o.trim != c.gain ||
                    unit.current.routing[s][k] != model.routing[s][k])
                    return false;
            }
            why = "mixer trims";
            for (const auto& [in, k] : trims)
                if (unit.current.mixTrim[s][in][k] != model.mixerTrim[s][in][k]) return false;
            return true;
        };
        EXPECT_TRUE(WaitFor(same, 3000)) << why;
    }
};

TEST_F(MainRoutingEditTest, RoleMenuShowsRolesInUseAndAvailability) {
    Connect();
    for (int k = 0; k < dv::kOutputCount; ++k)
        Manager().SetOutputValue(k, QString::fromLatin1(dv::RoleItemName(dv::kDefaultRoles[k])));
    for (const int output : {0, 1}) {
        Find(QString("ch_output_btn_%1").arg(output))->Activate();
        CMenuWnd* menu = m_wnd->OpenMenu();
        ASSERT_NE(menu, nullptr);
        for (int role = 1; role < dv::kRoleCount; ++role) {
            const CMenuElementUI* item =
                menu->FindMenuItem(QString::fromLatin1(dv::RoleItemName(role)));
            ASSERT_NE(item, nullptr) << role;
            const bool inUse = role == 6 || role == 12 || role == 15 || role == 18 || role == 19 ||
                               role == 20 || role == 22 || role == 23;
            EXPECT_EQ(item->GetIcon(), inUse ? QString("right.png") : QString()) << role;
            // Output 0 holds role 6, which covers the whole front left group.
            if (role <= 6) {
                EXPECT_EQ(item->IsEnabled(), output == 0) << output << " " << role;
            }
        }
    }
    ExpectUnitHolds();
}

TEST_F(MainRoutingEditTest, RoleItemSendsRoleAndDefaultCrossover) {
    Connect();
    PickRole(2, "output_item_empty");
    EXPECT_EQ(Manager().Profile().roles[2], 0);
    EXPECT_EQ(Manager().Profile().currChannel, 2) << "the output picked is the one edited";
    EXPECT_TRUE(FindAs<COptionUI>("ch_enable_2")->IsSelected());
    EXPECT_EQ(Find("ch_output_btn_2")->GetRawText(), "${empty}");
    EXPECT_EQ(Sent(), (Frames{"Role 2 0", "Filter 2 hp", "Filter 2 lp"}));
    ExpectUnitHolds();
    EXPECT_EQ(Manager().Profile().channels[2].crossover.hp.fs, 20);
    EXPECT_EQ(Manager().Profile().channels[2].crossover.lp.fs, 20000);

    PickRole(2, "output_menu_front_left_mid_low_freq");
    EXPECT_EQ(Manager().Profile().roles[2], 5);
    EXPECT_TRUE(Find("speaker_5")->IsVisible());
    EXPECT_EQ(Sent(), (Frames{"Role 2 5", "Filter 2 hp", "Filter 2 lp"}));
    ExpectUnitHolds();

    // Names outside the role table change nothing and send nothing.
    const auto before = Manager().Profile().roles;
    for (const char* bogus : {"output_menu_", "output_menu_front_left", "output_item_full"}) {
        PickRole(2, bogus);
        EXPECT_EQ(Manager().Profile().roles, before) << bogus;
    }
    Manager().SetOutputValue(-1, "output_item_empty");
    Manager().SetOutputValue(dv::kOutputCount, "output_item_empty");
    EXPECT_EQ(Manager().Profile().roles, before);
    EXPECT_EQ(Sent(), Frames{});
}

TEST_F(MainRoutingEditTest, NewSubwooferTakesTheOtherSubwoofersLevel) {
    Connect();
    PickRole(7, "output_item_empty");
    Drag("slider_ch_volume_7", {-4});
    Sent();
    PickRole(7, "output_menu_subwoof_right");
    EXPECT_EQ(Manager().Profile().channels[6].gain, -4);
    EXPECT_EQ(TextOf("edit_ch_volume_6"), "-4dB");
    EXPECT_EQ(Sent(), (Frames{"Role 7 23", "Filter 7 hp", "Filter 7 lp", "Trim 7 4", "Trim 6 4"}));
    ExpectUnitHolds();
}

TEST_F(MainRoutingEditTest, SpeakerIconSelectsTheOutputsOfItsRole) {
    Connect();
    m_wnd->GetPaintManager()->SendNotify(Find("speaker_22"), DUI_MSGTYPE_CLICK);
    EXPECT_EQ(Manager().Profile().currChannel, 6);
    EXPECT_TRUE(FindAs<COptionUI>("speaker_22")->IsSelected());
    Manager().SetSpeakerFocus(0);
    Manager().SetSpeakerFocus(dv::kRoleCount);
    EXPECT_EQ(Manager().Profile().currChannel, 6);
    EXPECT_EQ(Sent(), Frames{});
}

TEST_F(MainRoutingEditTest, SourceShowsInputsThreeAndFourOnlyWithFourInputs) {
    Connect();
    auto* combo = FindAs<CComboUI>("btn_input_source");
    for (const int s : {0, 1, 3, 4, 5, 6, 2}) {
        combo->SelectItem(s);
        EXPECT_EQ(Manager().Profile().source, s);
        EXPECT_EQ(Sent(), Frames{"Source " + std::to_string(0x51 + s)});
        const bool four = s == 4 || s == 5;
        for (int k = 0; k < dv::kOutputCount; ++k) {
            for (const char* option : {"option_ch_in3_%1", "option_ch_in4_%1"}) {
                EXPECT_EQ(Find(QString(option).arg(k))->IsVisible(), four) << s;
                EXPECT_EQ(Find(QString(option).arg(k))->IsEnabled(), four) << s;
            }
            const int mask = Manager().Profile().routing[s][k];
            for (int in = 0; in < 4; ++in)
                EXPECT_EQ(FindAs<COptionUI>(QString("option_ch_in%1_%2").arg(in + 1).arg(k))
                              ->IsSelected(),
                          (mask >> in & 1) != 0);
        }
        ExpectUnitHolds();
    }
    // No selection leaves the source as it was.
    combo->SelectItem(-1);
    EXPECT_EQ(Manager().Profile().source, 2);
    EXPECT_EQ(Sent(), Frames{});
    ExpectUnitHolds();
}

TEST_F(MainRoutingEditTest, NewlyRoutedInputIsHeardAtFullLevel) {
    Connect();
    FindAs<CComboUI>("btn_input_source")->SelectItem(4);
    Sent();
    // An output not yet taking input 3 or 4 whose trim for it is 0.
    const dv::DspProfile& model = Manager().Profile();
    int in = -1, k = -1;
    for (int i = 2; i < 4 && k < 0; ++i)
        for (int o = 0; o < dv::kOutputCount && k < 0; ++o)
            if ((model.routing[4][o] >> i & 1) == 0 && model.mixerTrim[4][i][o] == 0) in = i, k = o;
    ASSERT_GE(k, 0);
    const QString option = QString("option_ch_in%1_%2").arg(in + 1).arg(k);
    const int before = model.routing[4][k];
    const std::string mix = "Mix 4 " + std::to_string(k) + " mask ";
    Find(option)->Activate();
    EXPECT_EQ(model.mixerTrim[4][in][k], 100);
    EXPECT_EQ(Sent(), (Frames{mix + std::to_string(before | 1 << in),
                              "MixTrim 4 in " + std::to_string(in) + " out " + std::to_string(k) +
                                  " 100"}));
    ExpectUnitHolds({{in, k}});

    // Untick, then tick again: the trim is no longer 0, so only the mask goes.
    Find(option)->Activate();
    Find(option)->Activate();
    EXPECT_EQ(Sent(),
              (Frames{mix + std::to_string(before), mix + std::to_string(before | 1 << in)}));
    ExpectUnitHolds({{in, k}});
}

TEST_F(MainRoutingEditTest, MixerTrimsAreReadFromTheUnitAtConnect) {
    // Trims unlike the panel's defaults, zeros among them on routed and unrouted inputs.
    auto trimAt = [](int s, int in, int k) {
        return (s * 7 + in * 3 + k * 5) % 6 == 0 ? 0 : 10 + s + in * 8 + k;
    };
    dv::sim::SimUnitState unit;
    ConnectWith([&](dv::sim::SimUnitState& state) {
        for (int s = 0; s < dv::kSourceCount; ++s)
            for (int in = 0; in < dv::kMixerInputs; ++in)
                for (int k = 0; k < dv::kOutputCount; ++k)
                    state.current.mixTrim[s][in][k] = static_cast<int8_t>(trimAt(s, in, k));
        unit = state;
    });
    const dv::DspProfile& model = Manager().Profile();
    for (const int s : {2, 4, 5})
        for (int in = 0; in < dv::SourceMixerInputs(s); ++in)
            for (int k = 0; k < dv::kOutputCount; ++k) {
                // A 0 on a routed input reads as full level, as the panel stores it.
                const bool routed = (unit.current.routing[s][k] >> in & 1) != 0;
                const int expected = trimAt(s, in, k) == 0 && routed ? 100 : trimAt(s, in, k);
                EXPECT_EQ(model.mixerTrim[s][in][k], expected) << s << " " << in << " " << k;
            }
}

TEST_F(MainRoutingEditTest, OperationsWriteTheirLogLines) {
    Connect();
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/save.log").toStdString();
    InitConsoleWindow(path);
    PickRole(2, "output_item_empty");
    m_wnd->GetPaintManager()->SendNotify(Find("speaker_22"), DUI_MSGTYPE_CLICK);
    FindAs<CComboUI>("btn_input_source")->SelectItem(4);
    Find("option_ch_in1_2")->Activate();
    LogClose();
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const int mask = Manager().Profile().routing[4][2];
    for (const std::string& line : {
             std::string("on EqualizerManager::SetSubMenu\n"),
             std::string("on menu click output_item_empty\n"
                         "SetOutputValue channel 2 selected value output_item_empty\n"),
             std::string("on EqualizerManager::SetSpeakerFocus index 22\n"),
             std::string("on EqualizerManager::SetInputSource index 4\n"),
             "set channel 2 input 1\nset channel 2 input = 0x" +
                 QString::number(mask, 16).toStdString() + "\n",
         })
        EXPECT_NE(text.str().find(line), std::string::npos) << line;
}

// An output button clicked with the mouse stays the one selected, also when clicked again.
TEST_F(MainRoutingEditTest, AClickedOutputKeepsItsHighlight) {
    Connect();
    for (int output : {1, 1, 4}) {
        CControlUI* button = Find(QString("ch_enable_%1").arg(output));
        ASSERT_NE(button->GetWidget(), nullptr);
        QTest::mouseClick(button->GetWidget(), Qt::LeftButton, {},
                          button->GetWidget()->rect().center());
        Settle();
        EXPECT_EQ(Manager().Profile().currChannel, output);
        for (int k = 0; k < dv::kOutputCount; ++k)
            EXPECT_EQ(FindAs<COptionUI>(QString("ch_enable_%1").arg(k))->IsSelected(), k == output)
                << "clicked " << output << ", output " << k;
    }
}
