// The difference engine against the simulated unit: the commands it finds take a unit holding
// one setting to one holding the other, and nothing else is sent.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "device/ProfileDiff.h"
#include "tests/core/DeviceTestSupport.h"
#include "tests/core/RandomProfiles.h"

namespace {

using dv::CommandId;
using dv::DspProfile;

// Roles never change on a locked unit: walks the list with the unit's link and lock rules.
bool RolesChangeUnlocked(const DspProfile& from, const std::vector<dv::ProfileCommand>& list) {
    bool locked = from.linkMode == 1 || from.lockMode == 1;
    for (const dv::ProfileCommand& c : list) {
        if (c.id == CommandId::CH_Lock_Ctrl) locked = c.values[0] == 1;
        if (c.id == CommandId::CH_Link_Ctrl && c.values[0] == 1) locked = true;
        if (c.id == CommandId::CH_Type_Ctrl && locked) return false;
    }
    return true;
}

class ProfileDiffTest : public dvtest::SimulatedUnitTest {
protected:
    // Loads `from` into the unit, sends the difference and checks the unit holds `to`.
    void Check(const DspProfile& from, const DspProfile& to, const std::string& what) {
        dv::sim::SimUnitState state = unit_->State();
        dvtest::LoadUnit(state, from);
        unit_->SetState(state);
        const auto list = dv::DiffProfiles(from, to);
        ASSERT_TRUE(RolesChangeUnlocked(from, list)) << what;
        ASSERT_TRUE(dv::SendProfileCommands(*device_, list, true)) << what;
        ASSERT_TRUE(dvtest::UnitHolds(unit_->State(), to)) << what;
        EXPECT_TRUE(dv::DiffProfiles(to, to).empty()) << what;
    }
};

TEST_F(ProfileDiffTest, TheCommandsTakeTheUnitFromOneSettingToTheOtherOverManySeeds) {
    Open();
    for (unsigned seed = 1; seed <= 400; ++seed) {
        dvtest::ProfileRandom random(seed);
        const DspProfile from = random.Profile();
        // Half unrelated settings, half a few edits apart.
        const DspProfile to = seed % 2 ? random.Profile() : random.Mutate(from, random.Int(1, 6));
        Check(from, to, "seed " + std::to_string(seed));
        if (HasFatalFailure()) return;
    }
}

TEST_F(ProfileDiffTest, LinkLockAndRoleChangesMeetTheUnitInEveryOrder) {
    Open();
    // Every pairing of unlinked, locked and linked, with and without a role change.
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            for (const bool roleChange : {false, true}) {
                DspProfile from, to;
                auto set = [](DspProfile& p, int state) {
                    p.lockMode = state >= 1;
                    p.linkMode = state == 2;
                    if (state == 2) p.ComputeLinkPartners();
                };
                set(from, a);
                if (roleChange) to.roles[4] = 21;
                set(to, b);
                Check(from, to,
                      std::to_string(a) + "->" + std::to_string(b) + (roleChange ? " roles" : ""));
            }
        }
    }
}

// One change, one command, of the kind that carries it.
TEST(ProfileDiff, EachSingleChangeGivesOneCommandOfItsKind) {
    const struct {
        const char* what;
        std::function<void(DspProfile&)> change;
        CommandId id;
    } rows[] = {
        {"band gain", [](DspProfile& p) { p.channels[2].eqArray[7].eqGain = -4.5f; },
         CommandId::EQ_Ctrl},
        {"band switched on", [](DspProfile& p) { p.channels[0].eqArray[0].enable = 1; },
         CommandId::EQ_Ctrl},
        {"high-pass", [](DspProfile& p) { p.channels[5].crossover.hp.SetFs(80); },
         CommandId::Filter_Ctrl},
        {"low-pass slope", [](DspProfile& p) { p.channels[7].crossover.lp.SetSlope(4); },
         CommandId::Filter_Ctrl},
        {"volume", [](DspProfile& p) { p.channels[1].gain = -12; }, CommandId::Trim_Ctrl},
        {"mute", [](DspProfile& p) { p.channels[6].mute = 1; }, CommandId::Mute_Ch_Ctrl},
        {"phase", [](DspProfile& p) { p.channels[3].phase = 0; }, CommandId::Phase_Ctrl},
        {"delay", [](DspProfile& p) { p.channels[4].delay = 2.5f; }, CommandId::Delay_Ctrl},
        {"EQ bypass", [](DspProfile& p) { p.channels[0].bypass = 0; }, CommandId::PEQ_Bypass_Ctrl},
        {"routing", [](DspProfile& p) { p.routing[4][2] = 0xC; }, CommandId::Mix_Ch_Ctrl},
        {"mixer trim", [](DspProfile& p) { p.mixerTrim[5][3][1] = 40; },
         CommandId::Input_Mix_Trim_Ctrl},
        {"role", [](DspProfile& p) { p.roles[4] = 21; }, CommandId::CH_Type_Ctrl},
        {"lock", [](DspProfile& p) { p.lockMode = 1; }, CommandId::CH_Lock_Ctrl},
        {"link",
         [](DspProfile& p) {
             p.linkMode = p.lockMode = 1;
             p.ComputeLinkPartners();
         },
         CommandId::CH_Link_Ctrl},
        {"source", [](DspProfile& p) { p.source = 2; }, CommandId::Source_Switch_Ctrl},
        {"main volume", [](DspProfile& p) { p.mainVolume = -30; }, CommandId::Main_Volume_Ctrl},
        {"main mute", [](DspProfile& p) { p.mainVolumeMute = 1; }, CommandId::Mute_Ctrl},
        {"threshold", [](DspProfile& p) { p.inputThreshold = -55; },
         CommandId::Input_Ch_Threshold_Ctrl},
    };
    for (const auto& row : rows) {
        DspProfile from;
        from.channels[0].eqArray[0] = {3.0f, dv::kDefaultQ, 20, 0};  // off: plays at 0 dB
        DspProfile to = from;
        row.change(to);
        const auto list = dv::DiffProfiles(from, to);
        ASSERT_EQ(list.size(), 1u) << row.what;
        EXPECT_EQ(list[0].id, row.id) << row.what;
    }
    // Several outputs in one range command, from the first to the last that changed.
    DspProfile from, to;
    to.channels[2].gain = -3;
    to.channels[5].gain = -9;
    const auto list = dv::DiffProfiles(from, to);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].first, 2);
    EXPECT_EQ(list[0].last, 5);
    EXPECT_EQ(list[0].values[3], 9);
}

// Values the unit cannot tell apart are equal: no command.
TEST(ProfileDiff, ChangesBelowTheUnitsResolutionSendNothing) {
    const std::function<void(DspProfile&, DspProfile&)> rows[] = {
        [](DspProfile& a, DspProfile& b) {  // Q goes out in tenths
            a.channels[0].eqArray[3].eqFactor = 4.31f;
            b.channels[0].eqArray[3].eqFactor = 4.38f;
        },
        [](DspProfile& a, DspProfile& b) {  // gain in tenths
            a.channels[1].eqArray[0].eqGain = 1.01f;
            b.channels[1].eqArray[0].eqGain = 1.04f;
        },
        [](DspProfile& a, DspProfile& b) {  // a band switched off plays 0 dB, whatever it stores
            a.channels[2].eqArray[5] = {6.0f, 5.8f, 125, 0};
            b.channels[2].eqArray[5] = {-9.0f, 5.8f, 125, 0};
        },
        [](DspProfile& a, DspProfile& b) {  // delay in microseconds
            a.channels[3].delay = 1.0001f;
            b.channels[3].delay = 1.0004f;
        },
        [](DspProfile& a, DspProfile& b) {  // one byte per value
            a.channels[4].phase = 1;
            b.channels[4].phase = 257;
        },
        [](DspProfile& a, DspProfile& b) {  // bypass flags of a side follow its slope
            a.channels[5].crossover.hp.bypass = 0;
            b.channels[5].crossover.hp.bypass = 1;
        },
        [](DspProfile& a, DspProfile& b) {  // view state and mixer phase are not sent
            a.currChannel = 1;
            b.currChannel = 4;
            b.showChEqualizer[2] = 1;
            b.mixerPhase[4][0][0] = 1;
        },
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        DspProfile a, b;
        rows[i](a, b);
        EXPECT_TRUE(dv::DiffProfiles(a, b).empty()) << "row " << i;
    }
}

}  // namespace
