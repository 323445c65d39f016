// The connect button when the unit is on the bus but cannot be opened: lack of permission names
// the udev rule; any other refusal, or no unit, keeps the cable-and-power message.
#include <cerrno>

#include "tests/app/MainWndTestSupport.h"

using maintest::MainWindowTest;

class MainAccessTest : public MainWindowTest {};

TEST_F(MainAccessTest, ARefusedOpenSaysWhyAndAClickAfterTheRemedyConnects) {
    struct Case {
        bool plugged;
        int refusal;
        const char* message;
    };
    const Case cases[] = {
        {true, EACCES, "${device_no_permission}"},
        {true, EPERM, "${device_no_permission}"},
        {true, EBUSY, "${device_connect_fail}"},
        {false, EACCES, "${device_connect_fail}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "plugged " << c.plugged << " errno " << c.refusal);
        dv::sim::SimBus::Instance().Reset();
        if (c.plugged) PlugUnit();
        dv::sim::SimBus::Instance().RefuseOpen(c.refusal);
        m_boxes.clear();
        OpenWindow();
        Settle();
        EXPECT_TRUE(m_boxes.empty()) << "the start-up attempt stays silent";

        Find("btnConnect")->Activate();
        ASSERT_TRUE(WaitFor([this] { return !m_boxes.empty(); }));
        EXPECT_EQ(m_boxes.back().text, Tr(c.message));
        EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_disconnected}");
        EXPECT_FALSE(m_wnd->Manager().Device().IsDeviceOpen());

        // The rule installed (or the unit plugged in): the next click connects.
        dv::sim::SimBus::Instance().RefuseOpen(0);
        if (c.plugged)
            Find("btnConnect")->Activate();
        else
            PlugUnit();
        EXPECT_TRUE(WaitConnected());
        CloseWindow();
    }
}
