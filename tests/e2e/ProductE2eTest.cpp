// The unmodified `stormedge-dsp` against an emulated unit: the system hidapi enumerates, opens,
// writes, polls and reads a hidraw node, and libudev reports its arrival and removal.
#include <gtest/gtest.h>
#include <unistd.h>

#include "sim/SimState.h"
#include "tests/e2e/E2eSupport.h"

namespace {

using namespace e2e;

constexpr const char* kReadDone = "PC_UI_Status_Init done";

class ProductE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string reason = Unavailable();
        if (!reason.empty()) GTEST_SKIP() << reason;
        ASSERT_TRUE(bed.Ok());
    }

    std::shared_ptr<dv::sim::ProcessorSimulator> NewUnit() {
        return std::make_shared<dv::sim::ProcessorSimulator>(dv::sim::SimOptions{},
                                                             dv::sim::TunedCarState());
    }

    ::testing::AssertionResult Logged(const char* text, int times = 1) {
        if (panel.WaitFor(text, times)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no \"" << text << "\" x" << times << " in:\n"
                                             << panel.Log();
    }

    Testbed bed;
    PanelProcess panel{ProductPath()};
};

TEST_F(ProductE2eTest, ConnectsAndReadsTheWholeUnitAtStart) {
    auto unit = NewUnit();
    ASSERT_TRUE(bed.Add({}, unit));
    ASSERT_TRUE(panel.Start());
    EXPECT_TRUE(Logged(kReadDone));
    EXPECT_TRUE(unit->PcConnected());
    // The greeting, then every query of the start-up read answered (over 60 round trips).
    EXPECT_GT(unit->FramesHandled(), 60);
    EXPECT_EQ(unit->BadFrames(), 0);
    EXPECT_EQ(panel.Count("unable to open device"), 0);
}

TEST_F(ProductE2eTest, RemovalShowsThePlugOutNoticeAndAnArrivalReconnects) {
    ASSERT_TRUE(bed.Add({}, NewUnit()));
    ASSERT_TRUE(panel.Start());
    ASSERT_TRUE(Logged(kReadDone));

    bed.Remove("hidraw0");
    EXPECT_TRUE(Logged("DevicePlugOut"));
    EXPECT_TRUE(Logged("DisconnectMsgThread start!"));
    EXPECT_TRUE(Logged("CloseHIDDevice!"));

    // Back on the bus (the testbed cannot reuse a node name, the kernel may not either).
    auto again = NewUnit();
    ASSERT_TRUE(bed.Add({.name = "hidraw1"}, again, panel.Pid()));
    EXPECT_TRUE(Logged("DevicePlugin"));
    EXPECT_TRUE(Logged(kReadDone, 2));
    EXPECT_TRUE(again->PcConnected());
    EXPECT_TRUE(panel.Running());
}

TEST_F(ProductE2eTest, NodesOfOtherVendorsAreNeitherOpenedNorAnnounced) {
    NodeInfo mouse{.name = "hidraw0", .vendor = 0x046D, .product = 0xC52B, .port = 1};
    ASSERT_TRUE(bed.Add(mouse, nullptr));
    ASSERT_TRUE(panel.Start());
    ASSERT_TRUE(Logged("unable to open device"));

    NodeInfo keyboard{.name = "hidraw1", .vendor = 0x0483, .product = 0x5751, .port = 2};
    ASSERT_TRUE(bed.Add(keyboard, nullptr, panel.Pid()));
    // Events arrive in order: once the unit's arrival is handled, the keyboard's was ignored.
    auto unit = NewUnit();
    ASSERT_TRUE(bed.Add({.name = "hidraw2", .port = 3}, unit, panel.Pid()));
    EXPECT_TRUE(Logged(kReadDone));
    EXPECT_EQ(panel.Count("DevicePlugin"), 1);
    EXPECT_EQ(bed.ReportsReceived("hidraw0"), 0);
    EXPECT_EQ(bed.ReportsReceived("hidraw1"), 0);
    EXPECT_GT(unit->FramesHandled(), 60);
}

TEST_F(ProductE2eTest, AUnitTheUserMayNotOpenIsReportedAsSuch) {
    ASSERT_TRUE(bed.Add({}, NewUnit()));
    bed.RefuseOthers("hidraw0");
    // Root opens anything: as root the program runs as nobody.
    const bool root = geteuid() == 0;
    ASSERT_TRUE(root ? panel.Start(65534, 65534) : panel.Start());
    EXPECT_TRUE(Logged("unit present but not permitted"));
    EXPECT_EQ(panel.Count(kReadDone), 0);
}

}  // namespace
