#include <gtest/gtest.h>

#include "device/DspReplyRecords.h"
#include "device/Frame.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using dvtest::Bytes;
using dvtest::Hex;
using dvtest::UnitFrame;

std::vector<uint8_t> Report(const dv::Report& r) {
    return {r.begin(), r.end()};
}

TEST(FrameBuild, ReportLayoutChecksumAndRefusal) {
    dv::Report report;
    ASSERT_TRUE(dv::BuildReport(3, 8, 0xBB, {}, report));
    // 03 + 03 + 08 + BB = 0xC9, two's complement 0x37; then 57 zero bytes.
    std::string expected = "00 aa 55 03 03 08 bb 37";
    for (int i = 0; i < 57; ++i) expected += " 00";
    EXPECT_EQ(Hex(Report(report)), expected);

    // Bytes summing to a multiple of 256 give checksum 0.
    const uint8_t payload[] = {0x3F};  // 04 + 01 + 01 + BB + 3F = 0x100
    EXPECT_EQ(dv::FrameChecksum(4, 1, 1, 0xBB, payload), 0x00);

    std::vector<uint8_t> longest(dv::kMaxPayload, 0x11);
    ASSERT_TRUE(dv::BuildReport(1, 7, 0xBB, longest, report));
    EXPECT_EQ(report[3], 60);
    EXPECT_EQ(report[64], dv::FrameChecksum(60, 1, 7, 0xBB, longest));
    longest.push_back(0x11);
    EXPECT_FALSE(dv::BuildReport(1, 7, 0xBB, longest, report));
}

// Steps every byte; returns the payloads of the frames that completed, as hex.
std::vector<std::string> Assemble(dv::FrameAssembler& assembler,
                                  const std::vector<uint8_t>& bytes) {
    std::vector<std::string> frames;
    for (uint8_t b : bytes)
        if (assembler.Step(b)) {
            const dv::ReceivedFrame f = assembler.Frame();
            std::vector<uint8_t> all = {f.mcmd, f.subcmd, f.optype};
            all.insert(all.end(), f.payload.begin(), f.payload.end());
            frames.push_back(Hex(all));
        }
    return frames;
}

TEST(FrameAssembler, SkipsNoiseAndJoinsSplitFrames) {
    dv::FrameAssembler a;
    std::vector<uint8_t> noisy = Bytes("00 13 55 aa 12 34 aa 55");
    const auto frame = UnitFrame(1, 2, 0xDD, {0x07});
    noisy.insert(noisy.end(), frame.begin() + 2, frame.end());
    EXPECT_EQ(Assemble(a, noisy), std::vector<std::string>{"01 02 dd 07"});

    const auto second = UnitFrame(1, 4, 0xDD, {0x01});
    EXPECT_TRUE(Assemble(a, {second.begin(), second.begin() + 4}).empty());
    EXPECT_EQ(a.State(), 4);
    EXPECT_EQ(Assemble(a, {second.begin() + 4, second.end()}),
              std::vector<std::string>{"01 04 dd 01"});
    EXPECT_EQ(a.State(), 0);
}

TEST(FrameAssembler, LengthBoundsBadChecksumAndShortLength) {
    dv::FrameAssembler a;
    // len 61: the checksum arrives in state 64 and is still tested.
    const auto longest = UnitFrame(1, 6, 0xDD, std::vector<uint8_t>(58, 0x01));
    ASSERT_EQ(longest[2], 61);
    EXPECT_EQ(Assemble(a, longest).size(), 1u);

    // len 62 never completes: dropped in state 64, and the next frame is parsed.
    auto tooLong = UnitFrame(1, 6, 0xDD, std::vector<uint8_t>(59, 0x01));
    const auto next = UnitFrame(1, 1, 0xDD, {0x53});
    tooLong.resize(2 + 1 + 62);  // through the byte taken in state 64
    tooLong.insert(tooLong.end(), next.begin(), next.end());
    EXPECT_EQ(Assemble(a, tooLong), std::vector<std::string>{"01 01 dd 53"});

    auto corrupt = UnitFrame(1, 1, 0xDD, {0x53});
    corrupt.back() ^= 0xFF;
    EXPECT_TRUE(Assemble(a, corrupt).empty());
    EXPECT_EQ(a.State(), 0);

    // len 2 has no optype: dropped although its checksum is right.
    EXPECT_TRUE(Assemble(a, Bytes("aa 55 02 01 05 f8")).empty());
    EXPECT_EQ(Assemble(a, next).size(), 1u);
}

class FrameReadTest : public dvtest::SimulatedUnitTest {};

TEST_F(FrameReadTest, TwoFramesInOneReportAreParsedInOrderAndSplitReportsJoin) {
    Open();
    auto report = UnitFrame(1, 2, 0xDD, {0xFB});
    const auto second = UnitFrame(1, 4, 0xDD, {0x01});
    report.insert(report.end(), second.begin(), second.end());
    ASSERT_TRUE(Feed(report));
    ASSERT_EQ(main_.Count(), 2u);
    EXPECT_EQ(main_.Messages()[0].param, 2);
    EXPECT_EQ(main_.Record<dv::DspValueRecord>(0).value, -5);
    EXPECT_EQ(main_.Messages()[1].param, 4);

    const auto split = UnitFrame(1, 1, 0xDD, {0x55});
    ASSERT_TRUE(Feed({split.begin(), split.begin() + 5}));
    EXPECT_EQ(main_.Count(), 2u);
    EXPECT_EQ(device_->FrameAssemblerState(), 5);
    ASSERT_TRUE(Feed({split.begin() + 5, split.end()}));
    ASSERT_EQ(main_.Count(), 3u);
    EXPECT_EQ(main_.Record<dv::DspValueRecord>(2).value, 0x55);
}

TEST_F(FrameReadTest, TimedOutOrClosedReadReturnsFalseAndKeepsAssemblerState) {
    Open();
    const auto frame = UnitFrame(1, 1, 0xDD, {0x55});
    ASSERT_TRUE(Feed({frame.begin(), frame.begin() + 3}));
    EXPECT_EQ(device_->FrameAssemblerState(), 3);
    uint8_t buffer[65];
    EXPECT_FALSE(device_->ReadHIDData(buffer, 20));
    EXPECT_EQ(device_->FrameAssemblerState(), 3);
    EXPECT_TRUE(device_->SendCtrlCommand(1, 1, 0x66, nullptr, 0));
    EXPECT_FALSE(device_->IsWriteInProgress());
    dv::sim::SimBus::Instance().Unplug();
    EXPECT_FALSE(device_->SendCtrlCommand(1, 1, 0x66, nullptr, 0)) << "the unit is gone";
    EXPECT_FALSE(device_->IsWriteInProgress()) << "the busy mark is released on failure too";
    device_->CloseHIDDevice(false);
    EXPECT_FALSE(device_->ReadHIDData(buffer, 20));
    EXPECT_FALSE(device_->SendCtrlCommand(1, 1, 0x66, nullptr, 0));
    EXPECT_EQ(device_->FrameAssemblerState(), 3);
}

}  // namespace
