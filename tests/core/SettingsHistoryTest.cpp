// Undo and redo of the settings: steps restore exactly what they changed, gestures merge,
// the depth and the memory stay bounded.
#include <gtest/gtest.h>

#include <memory>

#include "model/SettingsHistory.h"
#include "tests/core/RandomProfiles.h"

namespace {

using dv::DspProfile;
using dv::HistoryView;
using dv::SettingsHistory;

// Every setting the history keeps (no curve, no identity, no view).
bool SameSettings(const DspProfile& a, const DspProfile& b) {
    auto section = [](const dv::FilterSection& x, const dv::FilterSection& y) {
        return x.fs == y.fs && x.type == y.type && x.slope == y.slope && x.bypass == y.bypass;
    };
    for (int k = 0; k < dv::kOutputCount; ++k) {
        const dv::OutputChannel& x = a.channels[k];
        const dv::OutputChannel& y = b.channels[k];
        if (x.eqSize != y.eqSize || x.gain != y.gain || x.mute != y.mute || x.delay != y.delay ||
            x.phase != y.phase || x.bypass != y.bypass ||
            x.crossover.bpType != y.crossover.bpType || !section(x.crossover.hp, y.crossover.hp) ||
            !section(x.crossover.lp, y.crossover.lp))
            return false;
        for (int i = 0; i < dv::BandCapacity(k); ++i) {
            const dv::EqBand& u = x.eqArray[i];
            const dv::EqBand& v = y.eqArray[i];
            if (u.eqGain != v.eqGain || u.eqFactor != v.eqFactor || u.freq != v.freq ||
                u.enable != v.enable)
                return false;
        }
    }
    return a.routing == b.routing && a.mixerTrim == b.mixerTrim && a.mixerPhase == b.mixerPhase &&
           a.roles == b.roles && a.linkOutputs == b.linkOutputs && a.source == b.source &&
           a.mainVolume == b.mainVolume && a.subVolume == b.subVolume &&
           a.mainVolumeMute == b.mainVolumeMute && a.linkMode == b.linkMode &&
           a.lockMode == b.lockMode && a.inputThreshold == b.inputThreshold;
}

// Random runs of edits, undos and redos: every state reached again is the one recorded.
TEST(SettingsHistory, UndoAndRedoWalkBackAndForthThroughRandomEdits) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        dvtest::ProfileRandom random(seed);
        SettingsHistory history;
        std::vector<DspProfile> states{random.Profile()};
        size_t at = 0;
        auto live = std::make_unique<DspProfile>(states[0]);
        for (int i = 0; i < 60; ++i) {
            const int action = random.Int(0, 3);
            if (action == 0 && history.CanUndo()) {
                ASSERT_TRUE(history.Undo(*live));
                --at;
            } else if (action == 1 && history.CanRedo()) {
                ASSERT_TRUE(history.Redo(*live));
                ++at;
            } else {
                const DspProfile next = random.Mutate(*live, random.Int(1, 3));
                if (!history.Record(*live, next, {}, {}, {}, false)) continue;
                states.resize(at + 1);
                states.push_back(next);
                ++at;
                *live = next;
            }
            ASSERT_TRUE(SameSettings(*live, states[at])) << "seed " << seed << " step " << i;
            ASSERT_EQ(history.UndoSteps(), at);
            ASSERT_EQ(history.RedoSteps(), states.size() - 1 - at);
        }
    }
}

TEST(SettingsHistory, AnUndoLeavesAloneWhatChangedSinceByOtherMeans) {
    SettingsHistory history;
    DspProfile before, after = before;
    after.channels[2].eqArray[4].eqGain = 6.0f;
    ASSERT_TRUE(history.Record(before, after, {}, {}, {}, false));
    after.channels[5].gain = -20;  // the unit reported it meanwhile
    ASSERT_TRUE(history.Undo(after));
    EXPECT_EQ(after.channels[2].eqArray[4].eqGain, 0.0f);
    EXPECT_EQ(after.channels[5].gain, -20);
}

TEST(SettingsHistory, AGestureIsOneStepAndClosesAtItsEnd) {
    SettingsHistory history;
    DspProfile p;
    auto step = [&](float gain, const char* gesture, bool open) {
        DspProfile next = p;
        next.channels[0].eqArray[0].eqGain = gain;
        history.Record(p, next, {}, {}, gesture, open);
        p = next;
    };
    for (float g : {1.0f, 2.0f, 3.0f}) step(g, "drag", true);
    step(4.0f, "drag", false);  // release
    step(5.0f, "drag", true);   // a new drag
    EXPECT_EQ(history.UndoSteps(), 2u);
    history.Undo(p);
    EXPECT_EQ(p.channels[0].eqArray[0].eqGain, 4.0f);
    history.Undo(p);
    EXPECT_EQ(p.channels[0].eqArray[0].eqGain, 0.0f);
    // A drag back to where it started leaves nothing; a mode switch alone is a step.
    history.Clear();
    step(1.0f, "drag", true);
    step(0.0f, "drag", false);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_TRUE(history.Record(p, p, {0, 0}, {0, 1}, "mode", false));
    EXPECT_EQ(history.Undo(p)->parametric, 0);
}

TEST(SettingsHistory, DepthAndMemoryStayBounded) {
    SettingsHistory history;
    DspProfile p;
    // 300 EQ resets of a linked pair of 31-band outputs, the largest ordinary steps.
    for (int i = 0; i < 300; ++i) {
        DspProfile next = p;
        for (int k : {0, 1})
            for (auto& band : next.channels[k].eqArray) {
                band.eqGain = static_cast<float>(i % 12);
                band.eqFactor = 1.0f + static_cast<float>(i % 7);
            }
        ASSERT_TRUE(history.Record(p, next, {}, {}, {}, false));
        p = next;
    }
    EXPECT_EQ(history.UndoSteps(), SettingsHistory::kMaxSteps);
    EXPECT_LE(history.BytesHeld(), SettingsHistory::kMaxBytes);
    RecordProperty("history_bytes_at_200_steps", static_cast<int>(history.BytesHeld()));
}

}  // namespace
