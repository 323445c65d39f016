// Latest wins in the command queue: which records replace which, and that the unit still ends
// in the state of sending everything.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "device/CommandQueue.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using namespace std::chrono_literals;
using dv::CommandId;
using enum dv::CommandId;

struct Push {
    CommandId id;
    std::vector<uint8_t> payload;
};

dv::QueuedCommand Record(const Push& push) {
    const dv::CommandRow& row = dv::Command(push.id);
    return {row.mcmd, row.subcmd, row.optype, push.payload, row.target};
}

// Pushes in order; the result names, front to back, the push whose bytes each record carries
// (the first of identical pushes).
std::vector<size_t> Drain(const std::vector<Push>& pushes, bool coalescing = true) {
    dv::CommandQueue queue;
    queue.SetCoalescing(coalescing);
    for (const Push& push : pushes) queue.Push(Record(push));
    std::vector<size_t> order;
    while (auto record = queue.TryPop()) {
        size_t match = pushes.size();
        for (size_t i = 0; i < pushes.size(); ++i) {
            const dv::CommandRow& row = dv::Command(pushes[i].id);
            if (row.subcmd == record->subcmd && row.optype == record->optype &&
                pushes[i].payload == record->payload && match == pushes.size())
                match = i;
        }
        order.push_back(match);
    }
    return order;
}

// EQ_Ctrl payload: scene, source, channel, band, then frequency, Q and gain bytes.
Push Eq(uint8_t scene, uint8_t source, uint8_t channel, uint8_t band, uint8_t gain) {
    return {EQ_Ctrl, {scene, source, channel, band, 0x03, 0xE8, 5, 8, gain, 0}};
}
Push Ranged(CommandId id, uint8_t first, uint8_t last, uint8_t value, uint8_t source = 0) {
    std::vector<uint8_t> payload{0, source, first, last};
    for (int k = first; k <= last; ++k) payload.push_back(value);
    return {id, payload};
}

struct Case {
    const char* what;
    std::vector<Push> pushes;
    std::vector<size_t> expected;
};

TEST(QueueCoalescing, NewerReplacesTheWaitingRecordOfTheSameSettingInItsPlace) {
    const std::vector<Case> cases = {
        {"same band: in place, ahead of what came between",
         {Eq(0, 0, 1, 2, 10), Eq(0, 0, 1, 3, 10), Eq(0, 0, 1, 2, 11), Eq(0, 0, 1, 2, 12)},
         {3, 1}},
        {"linked drag: two outputs interleaved",
         {Eq(0, 0, 0, 5, 1), Eq(0, 0, 1, 5, 1), Eq(0, 0, 0, 5, 2), Eq(0, 0, 1, 5, 2)},
         {2, 3}},
        {"other bands, outputs and scenes stay apart",
         {Eq(0, 0, 1, 2, 1), Eq(0, 0, 1, 3, 1), Eq(0, 0, 2, 2, 1), Eq(1, 0, 1, 2, 1)},
         {0, 1, 2, 3}},
        {"crossover sides are two settings",
         {{Filter_Ctrl, {0, 0, 3, 1, 2, 0, 80, 3}},
          {Filter_Ctrl, {0, 0, 3, 2, 2, 0, 90, 3}},
          {Filter_Ctrl, {0, 0, 3, 1, 2, 0, 85, 3}}},
         {2, 1}},
        {"other merging commands are passed over",
         {Eq(0, 0, 1, 2, 1),
          Ranged(Trim_Ctrl, 1, 1, 4),
          {Main_Volume_Ctrl, {3}},
          Eq(0, 0, 1, 2, 2),
          Ranged(Trim_Ctrl, 1, 1, 5),
          {Main_Volume_Ctrl, {4}}},
         {3, 4, 5}},
        {"disjoint ranges are passed over",
         {Ranged(Trim_Ctrl, 0, 0, 1), Ranged(Trim_Ctrl, 1, 1, 1), Ranged(Trim_Ctrl, 0, 0, 2)},
         {2, 1}},
        {"an overlapping range keeps the order",
         {Ranged(Delay_Ctrl, 3, 3, 1), Ranged(Delay_Ctrl, 0, 7, 2), Ranged(Delay_Ctrl, 3, 3, 3)},
         {0, 1, 2}},
        {"the same range merges",
         {Ranged(Delay_Ctrl, 0, 7, 1), Ranged(Mute_Ch_Ctrl, 0, 7, 1), Ranged(Delay_Ctrl, 0, 7, 2)},
         {2, 1}},
        {"a per-output setting under another source may be the same setting",
         {Eq(0, 0, 1, 2, 1), Eq(0, 4, 1, 2, 2), Eq(0, 0, 1, 2, 3)},
         {0, 1, 2}},
        {"routing is per source",
         {Ranged(Mix_Ch_Ctrl, 1, 1, 1, 0), Ranged(Mix_Ch_Ctrl, 1, 1, 2, 4),
          Ranged(Mix_Ch_Ctrl, 1, 1, 3, 0)},
         {2, 1}},
        {"a reset in between is a barrier",
         {Eq(0, 0, 1, 2, 1), {PEQ_Reset_Ctrl, {0, 0, 1, 1}}, Eq(0, 0, 1, 2, 2)},
         {0, 1, 2}},
        {"a role change in between is a barrier",
         {{Filter_Ctrl, {0, 0, 3, 1, 2, 0, 80, 3}},
          Ranged(CH_Type_Ctrl, 3, 3, 7),
          {Filter_Ctrl, {0, 0, 3, 1, 2, 0, 85, 3}}},
         {0, 1, 2}},
        {"a query in between sees the value sent before it",
         {{Input_Ch_Threshold_Ctrl, {0xD0}},
          {Get_Input_Threshold, {0, 0}},
          {Input_Ch_Threshold_Ctrl, {0xC0}}},
         {0, 1, 2}},
        {"link and lock never merge",
         {{CH_Link_Ctrl, {0, 1, 1, 0, 1}},
          {CH_Link_Ctrl, {0, 0, 0}},
          {CH_Link_Ctrl, {0, 1, 1, 0, 1}},
          {CH_Lock_Ctrl, {0, 1}},
          {CH_Lock_Ctrl, {0, 1}}},
         {0, 1, 0, 3, 3}},  // identical records name the first of them
        {"source switches are kept",
         {{Source_Switch_Ctrl, {0x51}}, {Source_Switch_Ctrl, {0x52}}, {Source_Switch_Ctrl, {0x51}}},
         {0, 1, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Drain(c.pushes), c.expected) << c.what;
        EXPECT_EQ(Drain(c.pushes, false).size(), c.pushes.size()) << c.what << " (switched off)";
    }
}

// Every queued command of the table: two records for one setting merge exactly when the command
// only stores a value.
TEST(QueueCoalescing, OnlyCommandsThatStoreAValueMerge) {
    const std::set<CommandId> storing = {Main_Volume_Ctrl,
                                         Subwoofer_Volume_Ctrl,
                                         Mute_Ctrl,
                                         Filter_Ctrl,
                                         EQ_Ctrl,
                                         Delay_Ctrl,
                                         Trim_Ctrl,
                                         Mute_Ch_Ctrl,
                                         Phase_Ctrl,
                                         Mix_Ch_Ctrl,
                                         Remap_Ch_Ctrl,
                                         PEQ_Bypass_Ctrl,
                                         Input_Trim_Ctrl,
                                         Mute_Input_Ch_Ctrl,
                                         Input_Phase_Ctrl,
                                         Input_EQ_Ctrl,
                                         Input_Mix_Trim_Ctrl,
                                         Input_Ch_Threshold_Ctrl};
    for (const dv::CommandRow& row : dv::CommandTable()) {
        if (row.mode != dv::DispatchMode::Queued) {
            EXPECT_FALSE(row.target.merges) << row.name;
            continue;
        }
        // One item of the command's shape; the two records differ only in their last byte.
        const size_t size = std::max(1, row.headerBytes + row.bytesPerItem);
        std::vector<uint8_t> older(size, 0), newer(size, 0);
        newer[size - 1] = 1;
        const size_t waiting = Drain({{row.id, older}, {row.id, newer}}).size();
        EXPECT_EQ(waiting, storing.count(row.id) ? 1u : 2u) << row.name;
    }
}

class QueueCoalescingUnitTest : public dvtest::SimulatedUnitTest {};

TEST_F(QueueCoalescingUnitTest, ABurstOfBandSetsEndsAtTheLastValuesInFarFewerFrames) {
    auto options = unit_->Options();
    options.latency = 1ms;
    unit_->SetOptions(options);
    Open();
    device_->SetCmdQueueEnabled(true);
    // Four bands on three outputs of the current setting and one on a stored scene, interleaved
    // the way a linked drag interleaves its outputs; gains sweep the whole -18 .. +12 dB range.
    constexpr int kRounds = 1000;
    std::map<std::tuple<int, int, int>, std::pair<int, int>> last;  // scene, output, band
    int pushes = 0;
    for (int i = 0; i < kRounds; ++i)
        for (const auto& [scene, output, band] :
             {std::tuple{0, 0, 3}, {0, 1, 3}, {0, 5, 30}, {0, 6, 10}, {2, 0, 3}}) {
            const int tenths = (i * 7 + output * 13 + band) % 301 - 180;
            const int freq = 20 + (i * 37 + band) % 19980;
            ASSERT_TRUE(device_->EQ_Ctrl(static_cast<uint8_t>(scene), 0,
                                         static_cast<uint8_t>(output), static_cast<uint8_t>(band),
                                         freq, 5.8f, static_cast<float>(tenths) / 10, false));
            last[{scene, output, band}] = {freq, tenths};
            ++pushes;
        }
    auto holdsLast = [&] {
        const auto state = unit_->State();
        for (const auto& [where, value] : last) {
            const auto& [scene, output, band] = where;
            const dv::sim::SimScene& s = scene == 0 ? state.current : state.stored[scene - 1];
            const dv::sim::SimBand& held = s.outputs[output].bands[band];
            if (held.freq != value.first || held.gainTenths != value.second) return false;
        }
        return true;
    };
    EXPECT_TRUE(
        dvtest::WaitUntil([&] { return device_->QueuedCommandCount() == 0 && holdsLast(); }));
    const size_t frames = dv::sim::SimBus::Instance().WrittenReports().size();
    EXPECT_LT(frames, static_cast<size_t>(pushes / 10));
    EXPECT_GE(frames, last.size());
}

}  // namespace
