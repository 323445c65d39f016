// How every command is dispatched and how long its reply is awaited, checked on the wire: what
// the operation writes, whether its caller's thread then reads, and with which time-out.
#include <gtest/gtest.h>

#include <atomic>
#include <utility>

#include "sim/HidProvider.h"
#include "tests/core/CommandRows.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using dv::sim::SimBus;
using dvtest::Row;
using dvtest::Via;

// A crossover call written with bare numbers, or with its typed values out of order, must not
// compile: either would send a wrong crossover.
template <typename... Args>
concept FilterCallCompiles = requires(dv::DspDevice& d, Args... args) {
    d.Filter_Ctrl(args...);
};
using u8 = uint8_t;
static_assert(FilterCallCompiles<u8, u8, u8, dv::FilterSide, dv::FilterFreq, dv::FilterSlope,
                                 dv::FilterType, bool>);
static_assert(!FilterCallCompiles<int, int, int, int, int, int, int, bool>);
static_assert(!FilterCallCompiles<u8, u8, u8, dv::FilterSide, dv::FilterFreq, dv::FilterType,
                                  dv::FilterSlope, bool>);
static_assert(
    !FilterCallCompiles<u8, u8, u8, dv::FilterSide, dv::FilterType, int, dv::FilterSlope, bool>);
static_assert(
    !FilterCallCompiles<u8, u8, u8, int, dv::FilterFreq, dv::FilterSlope, dv::FilterType, bool>);

class CommandDispatchTest : public dvtest::SimulatedUnitTest {
protected:
    size_t RepliesRead() const {
        size_t n = 0;
        for (const auto& entry : SimBus::Instance().Transcript())
            n += entry.direction == dv::sim::Direction::FromUnit;
        return n;
    }
    // Issues a row once; reports how many frames it wrote and the read time-out on this thread.
    std::pair<size_t, int> Issue(const Row& row, bool immediate, bool* result = nullptr) {
        SimBus::Instance().ClearTranscript();
        dv::sim::ForgetLastReadTimeout();
        const bool ok = row.invoke(*device_, immediate);
        if (result) *result = ok;
        return {SimBus::Instance().WrittenReports().size(), dv::sim::LastReadTimeoutOnThisThread()};
    }
    // One frame written and its reply awaited for the listed time: what is left of it when the
    // read begins, a millisecond may already have passed since the write (or none was awaited).
    static ::testing::AssertionResult WroteOnceAndAwaited(std::pair<size_t, int> issued,
                                                          int listed) {
        const auto [frames, timeout] = issued;
        const bool awaited = listed == dv::sim::kNoRead
                                 ? timeout == listed
                                 : timeout <= listed && timeout >= listed - 100;
        if (frames == 1 && awaited) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << frames << " frames, read time-out " << timeout << " for " << listed;
    }
};

TEST_F(CommandDispatchTest, EveryCommandIsDispatchedAndAwaitedAsListed) {
    const auto kNoRead = dv::sim::kNoRead;
    std::atomic<int> arrivals{0};
    struct Listening {
        int id;
        ~Listening() { SimBus::Instance().RemoveListener(id); }
    } listening{SimBus::Instance().AddListener(
        [&](dv::sim::BusEvent e) { arrivals += e == dv::sim::BusEvent::Arrival; })};
    Open();
    StayOutOfTheLoader();
    for (const Row& row : dvtest::Rows()) {
        const char* name = dv::Command(row.id).name;
        SCOPED_TRACE(name);
        const int arrived = arrivals.load();
        bool result = false;
        if (row.via == Via::Queued) {
            device_->SetCmdQueueEnabled(false);
            EXPECT_EQ(Issue(row, false, &result), std::make_pair(size_t{0}, kNoRead))
                << "dropped while queueing is off";
            EXPECT_FALSE(result);
            EXPECT_TRUE(WroteOnceAndAwaited(Issue(row, true), row.timeoutMs)) << "immediate";
            device_->SetCmdQueueEnabled(true);
            EXPECT_EQ(Issue(row, false, &result).second, kNoRead) << "the caller does not wait";
            EXPECT_TRUE(result);
            // The command thread writes it and reads its answer.
            EXPECT_TRUE(dvtest::WaitUntil([&] {
                return SimBus::Instance().WrittenReports().size() == 1 && RepliesRead() == 1;
            }));
            device_->SetCmdQueueEnabled(false);
        } else {
            const int timeout = row.via == Via::Send ? kNoRead : row.timeoutMs;
            EXPECT_TRUE(WroteOnceAndAwaited(Issue(row, true), timeout));
        }
        if (row.id == dv::CommandId::MCU_Reboot_Ctrl ||
            row.id == dv::CommandId::Factory_Default_Ctrl) {
            // The unit restarts: wait for it to come back and open the new link.
            ASSERT_TRUE(dvtest::WaitUntil([&] { return arrivals.load() > arrived; }));
            device_->CloseHIDDevice(false);
            Open();
        }
        // Whatever a write-only command provoked is taken before the next row.
        uint8_t buffer[65];
        while (device_->ReadHIDData(buffer, 0)) {
        }
    }
}

}  // namespace
