#include <gtest/gtest.h>

#include <thread>

#include "device/CommandQueue.h"
#include "device/DspReplyRecords.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using namespace std::chrono_literals;

TEST(CommandQueue, GrowsWithoutRefusingAndKeepsOrderAcrossProducers) {
    dv::CommandQueue queue;
    EXPECT_FALSE(queue.TryPop());
    std::vector<std::thread> producers;
    for (uint8_t p = 0; p < 4; ++p)
        producers.emplace_back([&queue, p] {
            for (int i = 0; i < 1000; ++i)
                queue.Push({1, p, 0xBB, {static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)}});
        });
    for (auto& t : producers) t.join();
    EXPECT_EQ(queue.Size(), 4000u);
    int next[4] = {0, 0, 0, 0};
    while (auto record = queue.TryPop()) {
        const int seq = record->payload[0] << 8 | record->payload[1];
        EXPECT_EQ(seq, next[record->subcmd]++);
    }
    EXPECT_EQ(std::vector<int>(next, next + 4), (std::vector<int>{1000, 1000, 1000, 1000}));
}

class QueueTest : public dvtest::SimulatedUnitTest {
protected:
    size_t WrittenCount() const { return dv::sim::SimBus::Instance().WrittenReports().size(); }
};

TEST_F(QueueTest, QueueingIsOffUntilEnabledThenSendsInOrder) {
    Open();
    EXPECT_FALSE(device_->IsCmdQueueEnabled());
    EXPECT_FALSE(device_->EQ_Ctrl(0, 0, 1, 2, 1000, 1.0f, 3.0f, false));
    EXPECT_FALSE(device_->Main_Volume_Ctrl(3, false));
    EXPECT_EQ(device_->QueuedCommandCount(), 0u);
    EXPECT_EQ(WrittenCount(), 0u);

    device_->SetCmdQueueEnabled(true);
    const int mutes[] = {1};
    ASSERT_TRUE(device_->Main_Volume_Ctrl(3, false));
    ASSERT_TRUE(device_->EQ_Ctrl(0, 0, 1, 2, 1000, 1.0f, 3.0f, false));
    ASSERT_TRUE(device_->Mute_Ch_Ctrl(0, 0, 4, 4, mutes, false));
    ASSERT_TRUE(device_->Source_Switch_Ctrl(0x52, false));
    ASSERT_TRUE(dvtest::WaitUntil([&] { return WrittenCount() == 4; }));
    const auto written = Written();
    EXPECT_EQ(written[0].substr(12, 8), "01 02 bb");
    EXPECT_EQ(written[1].substr(12, 8), "01 06 bb");
    EXPECT_EQ(written[2].substr(12, 8), "01 09 bb");
    EXPECT_EQ(written[3].substr(12, 8), "01 01 bb");
    ASSERT_TRUE(dvtest::WaitUntil([&] { return unit_->State().sourceCode == 0x52; }));
    const auto state = unit_->State();
    EXPECT_EQ(state.mainVolume, 3);
    EXPECT_EQ(state.current.outputs[1].bands[2].gainTenths, 30);
    EXPECT_EQ(state.current.outputs[4].mute, 1);
}

TEST_F(QueueTest, QueuedQueriesAreAnsweredOnTheCommandThread) {
    dvtest::RecordingWindow noise;
    device_->SetNoiseWindow(noise.Handle());
    Open();
    device_->SetCmdQueueEnabled(true);
    ASSERT_TRUE(device_->Get_Input_Noise(0, 3, false));
    ASSERT_TRUE(device_->Get_Input_Threshold(0, 0, false));
    ASSERT_TRUE(noise.WaitFor(1));
    ASSERT_TRUE(main_.WaitFor(1));
    EXPECT_FLOAT_EQ(noise.Record<dv::InputNoiseRecord>(0).levels[3], -60.0f);
    EXPECT_EQ(main_.Record<dv::InputThresholdRecord>(0).threshold, -40);
}

TEST_F(QueueTest, ManyProducersLoseNothingAndKeepEachProducersOrder) {
    Open();
    device_->SetCmdQueueEnabled(true);
    device_->SetCmdCoalescing(false);  // each producer repeats one setting; count every record
    std::vector<std::thread> producers;
    for (uint8_t p = 1; p <= 4; ++p)
        producers.emplace_back([this, p] {
            for (int i = 0; i < 50; ++i) {
                const int trim[] = {i};
                device_->Trim_Ctrl(p, 0, 0, 0, trim, false);
            }
        });
    for (auto& t : producers) t.join();
    ASSERT_TRUE(dvtest::WaitUntil([&] { return WrittenCount() == 200; }, 10000ms));
    int next[5] = {};
    for (const auto& report : dv::sim::SimBus::Instance().WrittenReports()) {
        const int producer = report[7];
        EXPECT_EQ(report[11], next[producer]++);
    }
    EXPECT_EQ(std::vector<int>(next + 1, next + 5), (std::vector<int>{50, 50, 50, 50}));
}

TEST_F(QueueTest, DestructionFreesAndLogsQueuedRecordsWithoutSendingThem) {
    auto options = unit_->Options();
    options.latency = 300ms;  // keeps the command thread in its read while the rest wait
    unit_->SetOptions(options);
    Open();
    dvtest::LogCapture capture;
    device_->SetCmdQueueEnabled(true);
    device_->SetCmdCoalescing(false);  // five records of one setting would merge into one
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(device_->Mute_Ctrl(i, false));
    ASSERT_TRUE(dvtest::WaitUntil([&] { return WrittenCount() == 1; }));
    device_.reset();
    const std::string log = capture.Stop();
    EXPECT_EQ(WrittenCount(), 1u);
    EXPECT_EQ(dvtest::Occurrences(log, "get mcmd 0x01 subcmd 0x04 optype 0xbb len 0x01 "), 5u);
    EXPECT_EQ(dvtest::Occurrences(log, "cmd_data[0](0x04)"), 1u);
    EXPECT_EQ(dvtest::Occurrences(log, "SendCtrlCommand\n"), 1u);
    EXPECT_NE(log.find("McuCmdThread end\n"), std::string::npos);
}

TEST_F(QueueTest, WithTheUnitGoneRecordsAreTakenAndDiscardedWithoutDelay) {
    Open();
    device_->SetCmdQueueEnabled(true);
    dv::sim::SimBus::Instance().Unplug();  // the handle is still open but the unit is gone
    for (int i = 0; i < 100; ++i) device_->Mute_Ctrl(i & 1, false);
    // Each would cost a 10 s read if the thread waited for replies.
    EXPECT_TRUE(dvtest::WaitUntil([&] { return device_->QueuedCommandCount() == 0; }, 2000ms));

    device_->CloseHIDDevice(false);
    for (int i = 0; i < 100; ++i) device_->Mute_Ctrl(i & 1, false);
    EXPECT_TRUE(dvtest::WaitUntil([&] { return device_->QueuedCommandCount() == 0; }, 2000ms));
}

TEST_F(QueueTest, ClosingWhileTheCommandThreadReadsLetsTheReadFinishFirst) {
    auto options = unit_->Options();
    options.latency = 200ms;
    unit_->SetOptions(options);
    Open();
    device_->SetCmdQueueEnabled(true);
    ASSERT_TRUE(device_->Mute_Ctrl(1, false));
    ASSERT_TRUE(dvtest::WaitUntil([&] { return WrittenCount() == 1; }));
    // The thread is between its write and its read, or waiting in the read: either way the
    // handle may only go once the thread has let go of it.
    device_->CloseHIDDevice(false);
    EXPECT_FALSE(device_->IsDeviceOpen());
    EXPECT_TRUE(
        dvtest::WaitUntil([] { return dv::sim::SimBus::Instance().OpenHandleCount() == 0; }));
    device_->OpenHIDDevice();
    EXPECT_TRUE(device_->Get_Mute());
}

TEST_F(QueueTest, ClosingSaysGoodbyeOnlyToAnOpenDevice) {
    std::string log;
    {
        dvtest::LogCapture capture;
        device_->CloseHIDDevice(true);
        log = capture.Stop();
    }
    EXPECT_EQ(log.find("PC_Connect"), std::string::npos);
    EXPECT_EQ(log.find("CloseHIDDevice!"), std::string::npos);
    EXPECT_EQ(log.find("SendCtrlCommand"), std::string::npos);
    EXPECT_EQ(WrittenCount(), 0u);

    Open();
    dvtest::LogCapture capture;
    device_->CloseHIDDevice(true);
    log = capture.Stop();
    EXPECT_FALSE(device_->IsDeviceOpen());
    const auto written = Written();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].substr(0, 26), "00 aa 55 04 03 1f bb 00 1f");
    EXPECT_NE(log.find("PC_Connect = 0\n"), std::string::npos);
    EXPECT_NE(log.find("CloseHIDDevice!\n"), std::string::npos);
    EXPECT_EQ(dv::sim::SimBus::Instance().OpenHandleCount(), 0);
}

}  // namespace
