// The link against a unit that answers oddly or a user who reconnects fast: truncated
// handshakes, scene acknowledgements with any second byte, a new link opened while the old
// one still waits for a reply.
#include <gtest/gtest.h>

#include "tests/core/DeviceTestSupport.h"

namespace {

using namespace std::chrono_literals;
using dv::sim::SimBus;
using dvtest::Bytes;
using dvtest::UnitFrame;

class LinkFaultTest : public dvtest::SimulatedUnitTest {};

TEST_F(LinkFaultTest, OnlyACompleteHandshakeReplyCountsAsAnAnswer) {
    struct Case {
        uint8_t status;
        uint8_t bytes;
        bool answered;
        int model;
    };
    // A normal reply needs status, model and both versions; a not-normal one only its status.
    const Case cases[] = {{0x00, 0, false, -1}, {0x00, 1, false, -1}, {0x00, 2, false, -1},
                          {0x00, 3, false, -1}, {0xF0, 0, false, -1}, {0xF0, 1, true, -1},
                          {0x00, 4, true, 1}};
    Open();
    for (const Case& c : cases) {
        auto options = unit_->Options();
        options.handshakeStatus = c.status;
        options.handshakeBytes = c.bytes;
        unit_->SetOptions(options);
        main_.Clear();
        EXPECT_EQ(device_->Hand_Connect(), c.answered)
            << int(c.status) << " with " << int(c.bytes) << " bytes";
        EXPECT_EQ(device_->GetModel(), c.model);
        EXPECT_EQ(main_.Count(), c.answered ? 1u : 0u);
    }
}

TEST_F(LinkFaultTest, SceneAcknowledgementsReachTheSceneWindowWhateverTheirSecondByte) {
    dvtest::RecordingWindow sceneWindow;
    device_->SetSceneWindow(sceneWindow.Handle());
    Open();
    for (uint8_t subcmd : {uint8_t{8}, uint8_t{10}}) {
        const unsigned message = subcmd == 8 ? dv::WM_SCENE_VALUE : dv::WM_SCENE_DELETED;
        for (int b = 0; b <= 255; ++b) {
            sceneWindow.Clear();
            ASSERT_TRUE(Feed(UnitFrame(2, subcmd, 0xEE, {0x0A, static_cast<uint8_t>(b)})));
            ASSERT_EQ(sceneWindow.Count(), 1u) << int(subcmd) << "/" << b;
            EXPECT_EQ(sceneWindow.Messages()[0].message, message);
            EXPECT_EQ(sceneWindow.Messages()[0].param, b);
        }
        sceneWindow.Clear();
        ASSERT_TRUE(Feed(UnitFrame(2, subcmd, 0xEE, Bytes("0a"))));
        EXPECT_EQ(sceneWindow.Count(), 1u) << "an acknowledgement without its second byte";
        ASSERT_TRUE(Feed(UnitFrame(2, subcmd, 0xEE, Bytes("60 03"))));
        EXPECT_EQ(sceneWindow.Count(), 1u) << "NOT_READY is no acknowledgement";
    }
    EXPECT_EQ(main_.Count(), 0u);
}

// The old link's command thread waits on a read for an answer that never comes; the user closes
// and opens the link again. Every open handle gets the new unit's handshake reply, but only
// the new link may parse it: one handshake message, not two.
TEST_F(LinkFaultTest, AnOldLinksPendingReadNeverParsesForANewLink) {
    Open();
    device_->SetCmdQueueEnabled(true);
    SimBus::Instance().DropReplies(1);
    ASSERT_TRUE(device_->Get_Input_Noise(0, 3, false));
    ASSERT_TRUE(dvtest::WaitUntil([] { return SimBus::Instance().WrittenReports().size() == 1; }));
    device_->SetCmdQueueEnabled(false);
    device_->CloseHIDDevice(false);
    device_->OpenHIDDevice();
    ASSERT_TRUE(device_->IsDeviceOpen());
    EXPECT_TRUE(device_->Hand_Connect());
    // The old read ends with its copy of the reply, and its handle closes with it.
    ASSERT_TRUE(dvtest::WaitUntil([] { return SimBus::Instance().OpenHandleCount() == 1; }, 15s));
    EXPECT_EQ(main_.Count(), 1u);
}

// Half a frame left by one link must not swallow the first reply of the next.
TEST_F(LinkFaultTest, ANewLinkStartsWithAnEmptyFrameAssembler) {
    Open();
    ASSERT_TRUE(Feed(Bytes("aa 55 3d 01 05 dd 00 00")));
    ASSERT_NE(device_->FrameAssemblerState(), 0);
    device_->CloseHIDDevice(false);
    device_->OpenHIDDevice();
    EXPECT_TRUE(device_->Hand_Connect());
    EXPECT_EQ(main_.Count(), 1u);
    EXPECT_EQ(device_->GetModel(), 1);
}

}  // namespace
