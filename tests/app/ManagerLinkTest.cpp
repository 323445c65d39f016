// What the manager sets up on its link and how it ends a connection whose handshake reply is
// cut short.
#include "tests/app/MainWndTestSupport.h"

using maintest::MainWindowTest;

namespace {

class ManagerLinkTest : public MainWindowTest {};

TEST_F(ManagerLinkTest, TheLinkExpectsModelOneInFirmwareFiles) {
    OpenWindow();
    EXPECT_EQ(m_wnd->Manager().Device().GetExpectedModel(), 1);
}

TEST_F(ManagerLinkTest, ATruncatedHandshakeReplyFailsTheConnectionLikeNoReply) {
    dv::sim::SimOptions truncated;
    truncated.handshakeBytes = 3;
    PlugUnit(truncated);
    OpenWindow();
    ASSERT_TRUE(WaitFor([this] { return SawBox(Tr("${device_connect_fail}")); }));
    EXPECT_TRUE(WaitFor([this] { return !m_wnd->BusyWindow(); }));
    EXPECT_FALSE(m_wnd->Manager().Device().IsDeviceOpen());
    EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_disconnected}");
}

}  // namespace
