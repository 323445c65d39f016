#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/SimBus.h"

namespace {

using dv::sim::SimBus;

class SimBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        bus_.Reset();
        bus_.Plug(std::make_shared<dv::sim::ProcessorSimulator>());
        handle_ = bus_.Open(0x0483, 0x5750);
        ASSERT_NE(handle_, nullptr);
    }
    void TearDown() override {
        bus_.Close(handle_);
        bus_.Reset();
    }
    // First bytes of every report waiting on the handle, read without waiting.
    std::vector<int> Drain() {
        std::vector<int> firsts;
        uint8_t buffer[64];
        while (bus_.Read(handle_, buffer, sizeof buffer, 0) > 0) firsts.push_back(buffer[0]);
        return firsts;
    }
    void Inject(int first) {
        const uint8_t report[64] = {static_cast<uint8_t>(first)};
        bus_.InjectReport(report);
    }
    // A report the unit does not understand: it answers nothing.
    void WriteNoise(int marker) {
        uint8_t report[65] = {0, 0x11, static_cast<uint8_t>(marker)};
        ASSERT_EQ(bus_.Write(handle_, report, sizeof report), 65);
    }

    SimBus& bus_ = SimBus::Instance();
    hid_device_* handle_ = nullptr;
};

TEST_F(SimBusTest, UnreadInputIsBoundedLikeAHidrawNode) {
    const uint64_t droppedBefore = bus_.ReportsDropped();
    for (int k = 0; k < 100; ++k) Inject(k);
    std::vector<int> expected;
    for (int k = 0; k < 64; ++k) expected.push_back(k);
    EXPECT_EQ(Drain(), expected) << "the oldest 64 are kept, later ones dropped";
    EXPECT_EQ(bus_.ReportsDropped() - droppedBefore, 36u);

    // Reading makes room again; clearing forgets what is waiting.
    Inject(7);
    Inject(8);
    bus_.ClearInput();
    EXPECT_TRUE(Drain().empty());
    Inject(9);
    EXPECT_EQ(Drain(), std::vector<int>{9});
}

TEST_F(SimBusTest, TranscriptKeepsOnlyTheNewestReports) {
    bus_.SetTranscriptLimit(3);
    for (int k = 0; k < 5; ++k) WriteNoise(k);
    std::vector<int> markers;
    for (const auto& report : bus_.WrittenReports()) markers.push_back(report[2]);
    EXPECT_EQ(markers, (std::vector<int>{2, 3, 4}));

    bus_.SetTranscriptLimit(0);
    WriteNoise(5);
    Inject(1);
    EXPECT_EQ(Drain(), std::vector<int>{1});
    EXPECT_TRUE(bus_.Transcript().empty());

    bus_.Reset();  // back to the default limit
    bus_.Plug(std::make_shared<dv::sim::ProcessorSimulator>());
    bus_.Close(handle_);
    handle_ = bus_.Open(0x0483, 0x5750);
    for (int k = 0; k < 5; ++k) WriteNoise(k);
    EXPECT_EQ(bus_.WrittenReports().size(), 5u);
}

}  // namespace
