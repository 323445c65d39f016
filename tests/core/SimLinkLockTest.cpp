// The simulated unit's link and lock: linking locks the roles, unlocking ends the link, pairs
// exist only while linked, and what the unit cannot hold changes nothing.
#include <gtest/gtest.h>

#include <string>

#include "device/DspReplyRecords.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using dv::sim::SimLinkPair;
using dv::sim::SimScene;
using Pairs = std::vector<dv::LinkPair>;

// What the unit must never report: link without lock, pairs without link, an output it does
// not have, or one output in two pairs.
std::string Inconsistency(const SimScene& scene) {
    if (scene.link > 1 || scene.lock > 1) return "flag other than 0 or 1";
    if (scene.link == 1 && scene.lock != 1) return "linked but unlocked";
    if (scene.link == 0 && scene.pairCount != 0) return "pairs without link";
    if (scene.pairCount > scene.pairs.size()) return "pair count";
    unsigned used = 0;
    for (int i = 0; i < scene.pairCount; ++i) {
        const SimLinkPair& p = scene.pairs[i];
        if (p.from >= 8 || p.to >= 8 || p.from == p.to) return "bad pair";
        if (used & (1u << p.from | 1u << p.to)) return "output in two pairs";
        used |= 1u << p.from | 1u << p.to;
    }
    return "";
}

std::vector<SimLinkPair> PairsOf(const SimScene& scene) {
    return {scene.pairs.begin(), scene.pairs.begin() + scene.pairCount};
}

class SimLinkLockTest : public dvtest::SimulatedUnitTest {
protected:
    void SetUp() override {
        SimulatedUnitTest::SetUp();
        Open();
    }
    // Link and lock of the current setting as the unit answers the panel's two queries.
    std::pair<int, int> Reported() {
        main_.Clear();
        EXPECT_TRUE(device_->Get_CH_Link(0));
        EXPECT_TRUE(device_->Get_CH_Lock(0));
        if (main_.Count() != 2) return {-1, -1};
        return {main_.Record<dv::SceneFlagRecord>(0).flag,
                main_.Record<dv::SceneFlagRecord>(1).flag};
    }
    // The first payload byte of the unit's last answer.
    int LastAnswer() const {
        int answer = -1;
        for (const auto& entry : dv::sim::SimBus::Instance().Transcript())
            if (entry.direction == dv::sim::Direction::FromUnit) answer = entry.bytes[6];
        return answer;
    }
    SimScene Current() const { return unit_->State().current; }
};

struct Step {
    const char* what;
    int link;  // -1: a lock command instead
    Pairs pairs;
    int lock;  // the lock command's flag
    int linkAfter, lockAfter;
    std::vector<SimLinkPair> pairsAfter;
};

TEST_F(SimLinkLockTest, LinkingLocksTheRolesAndUnlockingEndsTheLink) {
    const std::vector<Step> steps = {
        {"link two pairs", 1, {{0, 1}, {2, 3}}, 0, 1, 1, {{0, 1}, {2, 3}}},
        {"lock again", -1, {}, 1, 1, 1, {{0, 1}, {2, 3}}},
        {"link anew replaces the pairs", 1, {{1, 0}}, 0, 1, 1, {{1, 0}}},
        {"link off keeps the lock", 0, {}, 0, 0, 1, {}},
        {"link off with pairs sent along", 0, {{4, 5}}, 0, 0, 1, {}},
        {"link again", 1, {{6, 7}}, 0, 1, 1, {{6, 7}}},
        {"unlock ends the link", -1, {}, 0, 0, 0, {}},
        {"lock alone does not link", -1, {}, 1, 0, 1, {}},
        {"unlock", -1, {}, 0, 0, 0, {}},
        {"link with no pairs still locks", 1, {}, 0, 1, 1, {}},
    };
    for (const Step& s : steps) {
        if (s.link >= 0)
            ASSERT_TRUE(device_->CH_Link_Ctrl(0, s.link, s.pairs, true)) << s.what;
        else
            ASSERT_TRUE(device_->CH_Lock_Ctrl(0, s.lock, true)) << s.what;
        EXPECT_EQ(LastAnswer(), 0x0A) << s.what;
        EXPECT_EQ(Reported(), std::make_pair(s.linkAfter, s.lockAfter)) << s.what;
        EXPECT_EQ(PairsOf(Current()), s.pairsAfter) << s.what;
    }
}

TEST_F(SimLinkLockTest, LinkSettingsTheUnitCannotHoldAreAcknowledgedAndChangeNothing) {
    const Pairs linked = {{0, 1}, {2, 3}};
    ASSERT_TRUE(device_->CH_Link_Ctrl(0, 1, linked, true));
    const SimScene before = Current();
    const std::vector<std::pair<const char*, Pairs>> pairCases = {
        {"an output the unit does not have", {{0, 8}}},
        {"an output paired with itself", {{3, 3}}},
        {"an output in two pairs", {{0, 1}, {1, 2}}},
        {"a pair repeated", {{4, 5}, {4, 5}}},
        {"more pairs than outputs allow", {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}}},
    };
    for (const auto& [what, pairs] : pairCases) {
        ASSERT_TRUE(device_->CH_Link_Ctrl(0, 1, pairs, true)) << what;
        EXPECT_EQ(LastAnswer(), 0x0A) << what;
        EXPECT_EQ(PairsOf(Current()), PairsOf(before)) << what;
        EXPECT_EQ(Reported(), std::make_pair(1, 1)) << what;
    }
    for (int flag : {2, 0x80, 0xFF}) {
        ASSERT_TRUE(device_->CH_Link_Ctrl(0, flag, {}, true));
        ASSERT_TRUE(device_->CH_Lock_Ctrl(0, flag, true));
        EXPECT_EQ(PairsOf(Current()), PairsOf(before)) << flag;
        EXPECT_EQ(Reported(), std::make_pair(1, 1)) << flag;
    }
}

TEST_F(SimLinkLockTest, EachSceneKeepsItsOwnLinkAndARecallBringsItBack) {
    const Pairs pairs = {{2, 3}};
    ASSERT_TRUE(device_->CH_Link_Ctrl(3, 1, pairs, true));
    auto state = unit_->State();
    EXPECT_EQ(state.stored[2].link, 1);
    EXPECT_EQ(state.stored[2].lock, 1);
    EXPECT_EQ(PairsOf(state.stored[2]), (std::vector<SimLinkPair>{{2, 3}}));
    EXPECT_EQ(Reported(), std::make_pair(0, 0));
    ASSERT_TRUE(device_->CH_Lock_Ctrl(4, 1, true));
    ASSERT_TRUE(device_->ReadScene(3, 0));
    EXPECT_EQ(Reported(), std::make_pair(1, 1));
    EXPECT_EQ(PairsOf(Current()), (std::vector<SimLinkPair>{{2, 3}}));
    EXPECT_EQ(unit_->State().stored[3].link, 0);
    EXPECT_EQ(unit_->State().stored[3].lock, 1);
}

// Every sequence of three link and lock commands, good and bad, leaves a consistent unit that
// reports what it holds.
TEST_F(SimLinkLockTest, EverySequenceOfLinkAndLockCommandsLeavesAConsistentUnit) {
    struct Command {
        int link;
        Pairs pairs;
        int lock;
    };
    const std::vector<Command> commands = {
        {1, {{0, 1}, {6, 7}}, 0},
        {1, {{1, 2}, {2, 3}}, 0},
        {0, {}, 0},
        {2, {{0, 1}}, 0},
        {-1, {}, 0},
        {-1, {}, 1},
        {-1, {}, 3},
    };
    const size_t n = commands.size();
    for (size_t a = 0; a < n; ++a)
        for (size_t b = 0; b < n; ++b)
            for (size_t c = 0; c < n; ++c) {
                unit_->SetState(dv::sim::FactoryState());
                for (size_t i : {a, b, c}) {
                    const Command& cmd = commands[i];
                    if (cmd.link >= 0)
                        device_->CH_Link_Ctrl(0, cmd.link, cmd.pairs, true);
                    else
                        device_->CH_Lock_Ctrl(0, cmd.lock, true);
                }
                const SimScene scene = Current();
                const std::string sequence =
                    std::to_string(a) + std::to_string(b) + std::to_string(c);
                EXPECT_EQ(Inconsistency(scene), "") << sequence;
                EXPECT_EQ(Reported(), std::make_pair(int{scene.link}, int{scene.lock})) << sequence;
            }
}

TEST(SimDemoState, EveryFactoryAndDemoSceneIsConsistent) {
    for (const dv::sim::SimUnitState& unit : {dv::sim::FactoryState(), dv::sim::TunedCarState()}) {
        EXPECT_EQ(Inconsistency(unit.current), "");
        for (const SimScene& stored : unit.stored) EXPECT_EQ(Inconsistency(stored), "");
    }
}

}  // namespace
