// The main window connecting to a simulated unit: the start-up read, what the controls show
// afterwards, the connect button, failed and refused handshakes, plug events.
#include <algorithm>
#include <utility>

#include "app/dialogs/UpdateFwWnd.h"
#include "controls/CSButtonUI.h"
#include "device/DspReplyRecords.h"
#include "model/SpeakerRoles.h"
#include "tests/app/MainWndTestSupport.h"
#include "tests/app/MsgWindowTestSupport.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;
using maintest::MainWindowTest;

namespace {

// (subcmd, payload bytes) of every report the panel wrote, in order.
struct Sent {
    int mcmd;
    int subcmd;
    std::vector<uint8_t> payload;
};

std::vector<Sent> SentReports() {
    std::vector<Sent> sent;
    for (const auto& entry : dv::sim::SimBus::Instance().Transcript()) {
        if (entry.direction != dv::sim::Direction::ToUnit || entry.bytes.size() < 8) continue;
        const int length = entry.bytes[3];  // mcmd, subcmd, optype and the payload
        Sent s{entry.bytes[4], entry.bytes[5], {}};
        for (int i = 7; i < 4 + length && i < static_cast<int>(entry.bytes.size()); ++i)
            s.payload.push_back(entry.bytes[i]);
        sent.push_back(std::move(s));
    }
    return sent;
}

}  // namespace

class MainConnectTest : public MainWindowTest {};

TEST_F(MainConnectTest, StartUpReadQueriesTheUnitInOrderAndFillsEveryControl) {
    PlugUnit();
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    EXPECT_TRUE(m_sawBusyWindow);
    EXPECT_TRUE(m_boxes.empty());

    // The order of the read: greeting, handshake, unit values, per-output values, routing,
    // mixer trims, threshold, scene names.
    std::vector<std::pair<int, int>> expected = {{3, 31}, {3, 8}, {1, 1},  {1, 2},
                                                 {1, 3},  {1, 4}, {1, 13}, {1, 14},
                                                 {1, 15}, {1, 5}, {1, 5},  {1, 18}};
    for (int k = 0; k < 8; ++k)
        for (int chunk = 0; chunk < (k < 6 ? 4 : 2); ++chunk) expected.push_back({1, 6});
    for (int code : {7, 8, 9, 10}) expected.push_back({1, code});
    for (int s = 0; s < 7; ++s) expected.push_back({1, 11});
    for (int i = 0; i < 2 + 4 + 4; ++i) expected.push_back({1, 36});
    expected.push_back({1, 38});
    for (int scene = 1; scene <= 10; ++scene) expected.push_back({2, 11});
    const std::vector<Sent> sent = SentReports();
    ASSERT_GE(sent.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(std::make_pair(sent[i].mcmd, sent[i].subcmd), expected[i]) << "report " << i;
    }
    // Band chunks of output 0 and of the 11-band output 6; mixer inputs of Bluetooth, then the
    // low- and high-level sources; scene names 1 .. 10.
    EXPECT_EQ(sent[12].payload, (std::vector<uint8_t>{0, 0, 0, 0, 7}));
    EXPECT_EQ(sent[15].payload, (std::vector<uint8_t>{0, 0, 0, 24, 30}));
    EXPECT_EQ(sent[12 + 24].payload, (std::vector<uint8_t>{0, 0, 6, 0, 7}));
    EXPECT_EQ(sent[12 + 25].payload, (std::vector<uint8_t>{0, 0, 6, 8, 10}));
    const size_t trims = 12 + 28 + 4 + 7;
    EXPECT_EQ(sent[trims].payload, (std::vector<uint8_t>{0, 2, 0, 0, 7}));
    EXPECT_EQ(sent[trims + 2].payload, (std::vector<uint8_t>{0, 4, 0, 0, 7}));
    EXPECT_EQ(sent[trims + 9].payload, (std::vector<uint8_t>{0, 5, 3, 0, 7}));
    EXPECT_EQ(sent[trims + 11].payload, (std::vector<uint8_t>{1}));
    EXPECT_EQ(sent[trims + 20].payload, (std::vector<uint8_t>{10}));

    // Unit-wide values: Bluetooth, master at -5 dB, not muted.
    EXPECT_EQ(FindAs<CComboUI>("btn_input_source")->GetCurSel(), 2);
    EXPECT_EQ(FindAs<CSliderUI>("slider_main_volume")->GetValue(), -5);
    EXPECT_EQ(TextOf("edit_main_volume"), "-5dB");
    EXPECT_FALSE(FindAs<COptionUI>("main_mute")->IsSelected());

    // Roles: captions of every output; the unit is neither linked nor locked, so only the current
    // output's icon shows and the role buttons stay usable.
    const int roles[8] = {1, 7, 3, 9, 15, 18, 22, 23};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(Find(QString("ch_output_btn_%1").arg(k))->GetRawText(),
                  QString::fromLatin1(dv::RoleLongCaption(dv::RoleItemName(roles[k]))))
            << k;
    }
    EXPECT_TRUE(Find("speaker_1")->IsVisible());
    EXPECT_FALSE(Find("speaker_7")->IsVisible());
    EXPECT_FALSE(Find("speaker_22")->IsVisible());
    EXPECT_EQ(m_wnd->Manager().Profile().linkMode, 0);
    EXPECT_EQ(m_wnd->Manager().Profile().linkOutputs[0], -1);
    EXPECT_TRUE(Find("ch_output_btn_0")->IsEnabled());

    // Output 0, the left tweeter: its cut at 5 kHz and its Linkwitz-Riley high-pass at 3.4 kHz.
    EXPECT_EQ(TextOf("eq_freq_24"), "5000");
    EXPECT_EQ(TextOf("eq_q_24"), "4.30");
    EXPECT_EQ(TextOf("eq_gain_24"), "-3.5");
    EXPECT_EQ(FindAs<CSliderUI>("eq_slider_24")->GetValue(), -35);
    EXPECT_TRUE(FindAs<COptionUI>("pt_enable_24")->IsSelected());
    EXPECT_FALSE(FindAs<COptionUI>("pt_enable_23")->IsSelected());
    EXPECT_EQ(TextOf("hp_freq"), "3400Hz");
    EXPECT_EQ(FindAs<CComboUI>("hp_type")->GetCurSel(), 2);
    EXPECT_EQ(FindAs<CComboUI>("hp_slop")->GetCurSel(), 4);
    EXPECT_EQ(FindAs<CComboUI>("lp_slop")->GetCurSel(), 0);
    EXPECT_EQ(Find("btn_bypass")->GetRawText(), "${bypass_eq}");

    // Per output: volumes, mutes, phases, delays (ms at start), routing of the Bluetooth source.
    EXPECT_EQ(TextOf("edit_ch_volume_0"), "-6dB");
    EXPECT_EQ(FindAs<CSliderUI>("slider_ch_volume_1")->GetValue(), -7);
    EXPECT_EQ(TextOf("edit_ch_delay_1"), "2.480 ms");
    EXPECT_EQ(FindAs<CSliderUI>("slider_ch_delay_6")->GetValue(), 4200);
    EXPECT_TRUE(FindAs<COptionUI>("ch_phase_5")->IsSelected());
    EXPECT_EQ(Find("ch_phase_5")->GetRawText(), "${reverse phase}");
    EXPECT_EQ(Find("ch_phase_4")->GetRawText(), "${positive_phase}");
    EXPECT_FALSE(FindAs<COptionUI>("ch_mute_3")->IsSelected());
    const auto& routing = m_wnd->Manager().Profile().routing[2];
    for (int k = 0; k < 8; ++k)
        for (int in = 0; in < 4; ++in)
            EXPECT_EQ(
                FindAs<COptionUI>(QString("option_ch_in%1_%2").arg(in + 1).arg(k))->IsSelected(),
                (routing[k] & (1 << in)) != 0);

    // Scene names and the link state.
    EXPECT_EQ(m_wnd->Manager().SceneName(0), "Daily");
    EXPECT_EQ(m_wnd->Manager().SceneName(2), "");
    auto* button = FindAs<CSButtonUI>("btnConnect");
    EXPECT_EQ(button->GetRawText(), "${btn_connected}");
    EXPECT_TRUE(button->IsSelected());
    EXPECT_TRUE(m_wnd->Manager().Device().IsCmdQueueEnabled());
}

TEST_F(MainConnectTest, ConnectButtonWithoutAUnitReportsAndWhileConnectedDisconnects) {
    OpenWindow();
    Settle();
    EXPECT_TRUE(m_boxes.empty()) << "the start-up attempt is silent";
    EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_disconnected}");

    Find("btnConnect")->Activate();
    ASSERT_TRUE(WaitFor([this] { return !m_boxes.empty(); }));
    EXPECT_EQ(m_boxes.back().text, Tr("${device_connect_fail}"));
    EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_disconnected}");

    PlugUnit();
    ASSERT_TRUE(WaitConnected()) << "plugging in connects";
    Find("btnConnect")->Activate();
    EXPECT_FALSE(m_wnd->Manager().Device().IsDeviceOpen());
    EXPECT_FALSE(m_wnd->Manager().Device().IsCmdQueueEnabled());
    EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_disconnected}");
    const auto sent = SentReports();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(std::make_pair(sent.back().mcmd, sent.back().subcmd), std::make_pair(3, 31))
        << "goodbye";
    EXPECT_EQ(sent.back().payload, (std::vector<uint8_t>{0}));
}

TEST_F(MainConnectTest, RefusedOrMissingHandshakes) {
    {
        dv::sim::SimOptions abnormal;
        abnormal.handshakeStatus = 0xF0;
        PlugUnit(abnormal);
        // A unit in its loader: the firmware window opens after the box, and the connect
        // button does not stay "connecting".
        bool firmwareWindow = false;
        msgtest::WhenShown("UpdateFwWnd", [&](DuiLib::WindowImplBase* window) {
            firmwareWindow = true;
            window->Close(0);
        });
        OpenWindow();
        ASSERT_TRUE(WaitFor([this] { return SawBox(Tr("${device_status_unnormal}")); }));
        ASSERT_TRUE(WaitFor([&] { return firmwareWindow && !m_wnd->FirmwareWindow(); }));
        ASSERT_TRUE(WaitFor([this] { return !m_wnd->BusyWindow(); }));
        EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_disconnected}");
        EXPECT_FALSE(m_wnd->Manager().IsConnected());
        CloseWindow();
        dv::sim::SimBus::Instance().Reset();
    }
    {
        dv::sim::SimOptions otherModel;
        otherModel.model = 2;
        PlugUnit(otherModel);
        m_boxes.clear();
        OpenWindow();
        ASSERT_TRUE(WaitFor([this] {
            return !m_boxes.empty() && !m_wnd->Manager().Device().IsDeviceOpen() &&
                   !m_wnd->BusyWindow();
        }));
        EXPECT_TRUE(m_boxes.front().text.endsWith(" 2")) << m_boxes.front().text.toStdString();
        EXPECT_TRUE(m_boxes.front().text.startsWith(Tr("${device_not_match}")));
        EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_disconnected}");
        EXPECT_EQ(m_wnd->Manager().Profile().modelCode, -1);
        CloseWindow();
        dv::sim::SimBus::Instance().Reset();
    }
    {
        dv::sim::SimOptions silent;
        silent.answerHandshake = false;
        PlugUnit(silent);
        m_boxes.clear();
        OpenWindow();
        // The handshake waits for its full reply time before it gives up.
        ASSERT_TRUE(WaitFor([this] { return SawBox(Tr("${device_connect_fail}")); }, 20000));
        EXPECT_TRUE(WaitFor([this] { return !m_wnd->BusyWindow(); }));
        EXPECT_FALSE(m_wnd->Manager().Device().IsDeviceOpen());
        EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_disconnected}");
    }
}

TEST_F(MainConnectTest, UnplugClosesTheLinkAndTipsBoxesAndPluggingBackReconnects) {
    PlugUnit();
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    // Another arrival while connected leaves the link alone (Connect would toggle it off).
    PostDeviceChange(m_wnd->GetWindowHandle(), kDbtDeviceArrival, "another");
    Settle();
    EXPECT_TRUE(m_wnd->Manager().IsConnected());
    m_autoCloseBoxes = false;
    ShowSystemMessageBoxModeless(m_wnd->GetHWND(), QStringLiteral("pending notice"), Tr("${tips}"));
    ASSERT_TRUE(WaitFor([this] { return SawBox("pending notice"); }));

    dv::sim::SimBus::Instance().Unplug();
    ASSERT_TRUE(WaitFor([this] { return SawBox(Tr("${device_plugout}")); }));
    EXPECT_FALSE(m_wnd->Manager().Device().IsDeviceOpen());
    EXPECT_FALSE(m_boxes.back().modal) << "the notice does not block the window";
    int openBoxes = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible()) {
            ++openBoxes;
            EXPECT_EQ(box->text(), Tr("${device_plugout}"));
        }
    }
    EXPECT_EQ(openBoxes, 1) << "the earlier tips box was closed first";

    m_autoCloseBoxes = true;
    const size_t boxesBefore = m_boxes.size();
    PlugUnit();
    ASSERT_TRUE(WaitConnected());
    Settle();
    EXPECT_EQ(m_boxes.size(), boxesBefore) << "plugging back is silent";
}

TEST_F(MainConnectTest, UnplugDuringTheReadThenPlugBackEndsConnected) {
    PlugUnit();
    dv::sim::SimBus::Instance().UnplugAtFrame(40);
    OpenWindow();
    ASSERT_TRUE(WaitFor([this] { return SawBox(Tr("${device_plugout}")); }));
    EXPECT_TRUE(WaitFor([this] { return !m_wnd->BusyWindow(); }));
    EXPECT_FALSE(m_wnd->Manager().IsConnected());
    EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_disconnected}");

    PlugUnit();
    ASSERT_TRUE(WaitConnected());
    EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_connected}");
    EXPECT_EQ(TextOf("eq_freq_24"), "5000");
}
