// The window's side of a fault during the start-up read (the full matrix over every round trip
// runs in the core tests): connected with the unit's whole state, or disconnected with a message,
// never left "connecting"; the next connection reads the whole unit.
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "profiles/ProfileFile.h"
#include "tests/app/MainWndTestSupport.h"

using maintest::MainWindowTest;

namespace {

enum class Fault { Unplug, Silent, NotReady, Corrupt, Split };

// The settings as a scene file holds them: equal texts, equal settings.
std::string SettingsText(const dv::DspProfile& profile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("p.spf").toStdString();
    dv::writeSceneProfile(profile, path, [](std::string_view) {});
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

class MainConnectFaultTest : public MainWindowTest {
protected:
    bool Settled() {
        return WaitFor(
            [this] {
                return !m_wnd->BusyWindow() &&
                       Find("btnConnect")->GetRawText() != "${btn_connecting}" &&
                       (m_wnd->Manager().IsConnected() || !m_boxes.empty());
            },
            20000);
    }
};

TEST_F(MainConnectFaultTest, AFaultAtAStepEndsWholeOrDisconnectedWithAMessage) {
    dv::sim::SimOptions options;
    options.latency = std::chrono::microseconds(0);
    PlugUnit(options);
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    const std::string whole = SettingsText(m_wnd->Manager().Profile());
    CloseWindow();

    struct Step {
        const char* name;
        uint8_t mcmd, subcmd, optype;
        int at;
    };
    // The handshake, the first band query, the last scene name.
    const Step steps[] = {{"handshake", 3, 8, 0xBB, 1},
                          {"first Get_EQ", 1, 6, 0x66, 1},
                          {"last Get_Scene_Name", 2, 11, 0x66, 10}};
    for (Fault fault :
         {Fault::Unplug, Fault::Silent, Fault::NotReady, Fault::Corrupt, Fault::Split})
        for (const Step& step : steps) {
            // Bus faults count replies, not commands: they stand at the handshake only.
            if ((fault == Fault::Corrupt || fault == Fault::Split) && step.at != 1 &&
                step.mcmd != 3)
                continue;
            SCOPED_TRACE(testing::Message() << int(fault) << " at " << step.name);
            dv::sim::SimBus::Instance().Reset();
            m_boxes.clear();
            OpenWindow();  // nothing on the bus yet: the start-up attempt finds nothing
            m_wnd->Manager().Device().SetReplyTimeoutCap(100);
            auto unit =
                std::make_shared<dv::sim::ProcessorSimulator>(options, dv::sim::TunedCarState());
            dv::sim::SimFault f;
            f.mcmd = step.mcmd;
            f.subcmd = step.subcmd;
            f.optype = step.optype;
            f.at = step.at;
            f.times = 1;
            if (fault == Fault::Unplug) f.kind = dv::sim::SimFault::Kind::Unplug;
            if (fault == Fault::Silent) f.kind = dv::sim::SimFault::Kind::Silent;
            if (fault == Fault::NotReady) f.kind = dv::sim::SimFault::Kind::NotReady;
            if (fault == Fault::Corrupt) dv::sim::SimBus::Instance().CorruptReplies(1);
            if (fault == Fault::Split) dv::sim::SimBus::Instance().SetSplitReplies(true);
            if (fault != Fault::Corrupt && fault != Fault::Split) unit->SetFault(f);
            dv::sim::SimBus::Instance().Plug(unit);  // the arrival connects
            ASSERT_TRUE(Settled()) << "never stuck connecting";
            if (m_wnd->Manager().IsConnected()) {
                EXPECT_EQ(fault, Fault::Split);
                EXPECT_EQ(SettingsText(m_wnd->Manager().Profile()), whole);
            } else {
                EXPECT_FALSE(m_wnd->Manager().Device().IsDeviceOpen());
                EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_disconnected}");
                EXPECT_FALSE(m_boxes.empty()) << "the user is told";
            }

            // Healthy again: a click (or the re-plug of a unit that left) reads the whole unit.
            dv::sim::SimBus::Instance().SetSplitReplies(false);
            if (!m_wnd->Manager().IsConnected()) {
                if (fault == Fault::Unplug || fault == Fault::Silent) {
                    PlugUnit(options);
                } else {
                    unit->ClearFaults();
                    Find("btnConnect")->Activate();
                }
                ASSERT_TRUE(WaitConnected());
                EXPECT_EQ(SettingsText(m_wnd->Manager().Profile()), whole);
            }
            CloseWindow();
        }
}
