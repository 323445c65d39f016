#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "device/CommandTable.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using dv::CommandId;
using dv::DspDevice;
using dvtest::Bytes;
using dvtest::Hex;

struct Row {
    CommandId id;
    uint8_t mcmd, subcmd, optype;
    std::function<bool(DspDevice&)> invoke;
    const char* payload;
};

std::string ExpectedReport(const Row& row) {
    std::vector<uint8_t> report = {0};
    const auto frame = dvtest::UnitFrame(row.mcmd, row.subcmd, row.optype, Bytes(row.payload));
    report.insert(report.end(), frame.begin(), frame.end());
    report.resize(65, 0);
    return Hex(report);
}

const std::array<uint8_t, 4> kHeader = {1, 2, 3, 4};

std::vector<Row> Rows() {
    using D = DspDevice;
    const int trims3[] = {-1, 0, 6};
    return {
        {CommandId::Source_Switch_Ctrl, 1, 1, 0xBB,
         [](D& d) { return d.Source_Switch_Ctrl(0x53, true); }, "53"},
        {CommandId::Main_Volume_Ctrl, 1, 2, 0xBB, [](D& d) { return d.Main_Volume_Ctrl(-5, true); },
         "fb"},
        {CommandId::Subwoofer_Volume_Ctrl, 1, 3, 0xBB,
         [](D& d) { return d.Subwoofer_Volume_Ctrl(3, true); }, "03"},
        {CommandId::Mute_Ctrl, 1, 4, 0xBB, [](D& d) { return d.Mute_Ctrl(1, true); }, "01"},
        {CommandId::Filter_Ctrl, 1, 5, 0xBB,
         [](D& d) { return d.Filter_Ctrl(0, 4, 2, 1, 2, 3400, 4, true); },
         "00 04 02 01 02 0d 48 04"},
        {CommandId::EQ_Ctrl, 1, 6, 0xBB,
         [](D& d) { return d.EQ_Ctrl(0, 4, 1, 17, 1000, 4.3f, -3.5f, true); },
         "00 04 01 11 03 e8 04 03 0e 05"},
        {CommandId::Delay_Ctrl, 1, 7, 0xBB,
         [](D& d) {
             const float v[] = {1.25f, 0.5f};
             return d.Delay_Ctrl(0, 4, 2, 3, v, true);
         },
         "00 04 02 03 01 00 fa 00 01 f4"},
        {CommandId::Trim_Ctrl, 1, 8, 0xBB,
         [trims3](D& d) { return d.Trim_Ctrl(0, 4, 0, 2, trims3, true); }, "00 04 00 02 ff 00 06"},
        {CommandId::Mute_Ch_Ctrl, 1, 9, 0xBB,
         [](D& d) {
             const int v[] = {1};
             return d.Mute_Ch_Ctrl(1, 4, 5, 5, v, true);
         },
         "01 04 05 05 01"},
        {CommandId::Phase_Ctrl, 1, 10, 0xBB,
         [](D& d) {
             const int v[] = {0, 1};
             return d.Phase_Ctrl(0, 4, 6, 7, v, true);
         },
         "00 04 06 07 00 01"},
        {CommandId::Mix_Ch_Ctrl, 1, 11, 0xBB,
         [](D& d) {
             const int v[] = {1, 2};
             return d.Mix_Ch_Ctrl(0, 2, 0, 1, v, true);
         },
         "00 02 00 01 01 02"},
        {CommandId::Remap_Ch_Ctrl, 1, 12, 0xBB,
         [](D& d) {
             const uint8_t v[] = {1, 2};
             return d.Remap_Ch_Ctrl(0, 4, 3, v, true);
         },
         "00 04 03 01 02"},
        {CommandId::CH_Type_Ctrl, 1, 13, 0xBB,
         [](D& d) {
             const int v[] = {6, 12};
             return d.CH_Type_Ctrl(0, 0, 0, 1, v, true);
         },
         "00 00 00 01 06 0c"},
        {CommandId::CH_Link_Ctrl, 1, 14, 0xBB,
         [](D& d) {
             const dv::LinkPair v[] = {{0, 1}, {2, 3}};
             return d.CH_Link_Ctrl(0, 1, v, true);
         },
         "00 01 02 00 01 02 03"},
        {CommandId::CH_Lock_Ctrl, 1, 15, 0xBB, [](D& d) { return d.CH_Lock_Ctrl(0, 1, true); },
         "00 01"},
        {CommandId::DSP_Bypass_Ctrl, 1, 16, 0xBB,
         [](D& d) { return d.DSP_Bypass_Ctrl(0, 3, 1, true); }, "00 03 01"},
        {CommandId::PEQ_Reset_Ctrl, 1, 17, 0xBB,
         [](D& d) {
             const uint8_t v[] = {1, 5};
             return d.PEQ_Reset_Ctrl(0, 4, v, true);
         },
         "00 04 02 01 05"},
        {CommandId::PEQ_Bypass_Ctrl, 1, 18, 0xBB,
         [](D& d) {
             const int v[] = {1};
             return d.PEQ_Bypass_Ctrl(0, 4, 0, 0, v, true);
         },
         "00 04 00 00 01"},
        {CommandId::IRC_Ctrl, 1, 19, 0xBB, [](D& d) { return d.IRC_Ctrl(1, 0x0103, 2, true); },
         "01 01 03 02"},
        {CommandId::IRC_Set_Test_Mic, 1, 29, 0xBB, [](D& d) { return d.IRC_Set_Test_Mic(1, true); },
         "01"},
        {CommandId::Input_Trim_Ctrl, 1, 32, 0xBB,
         [](D& d) {
             const int v[] = {-3, 2};
             return d.Input_Trim_Ctrl(0, 4, 0, 1, v, true);
         },
         "00 04 00 01 fd 02"},
        {CommandId::Mute_Input_Ch_Ctrl, 1, 33, 0xBB,
         [](D& d) {
             const int v[] = {1};
             return d.Mute_Input_Ch_Ctrl(0, 4, 2, 2, v, true);
         },
         "00 04 02 02 01"},
        {CommandId::Input_Phase_Ctrl, 1, 34, 0xBB,
         [](D& d) {
             const int v[] = {1};
             return d.Input_Phase_Ctrl(0, 4, 3, 3, v, true);
         },
         "00 04 03 03 01"},
        {CommandId::Input_EQ_Ctrl, 1, 35, 0xBB,
         [](D& d) {
             const dv::EqBandValue v[] = {{100, 2.0f, 0.0f}, {250, 1.5f, -18.0f}};
             return d.Input_EQ_Ctrl(0, 4, 1, 0, 1, v, true);
         },
         "00 04 01 00 01 00 64 02 00 12 00 00 fa 01 05 00 00"},
        {CommandId::Input_Mix_Trim_Ctrl, 1, 36, 0xBB,
         [](D& d) {
             const int v[] = {0, -1, 2, 100};
             return d.Input_Mix_Trim_Ctrl(0, 5, 2, 0, 3, v, true);
         },
         "00 05 02 00 03 00 ff 02 64"},
        {CommandId::Input_Ch_Threshold_Ctrl, 1, 38, 0xBB,
         [](D& d) { return d.Input_Ch_Threshold_Ctrl(-52, true); }, "cc"},

        {CommandId::Get_Source_Config, 1, 0, 0x66, [](D& d) { return d.Get_Source_Config(); }, ""},
        {CommandId::Get_Source, 1, 1, 0x66, [](D& d) { return d.Get_Source(); }, ""},
        {CommandId::Get_Main_Volume, 1, 2, 0x66, [](D& d) { return d.Get_Main_Volume(); }, ""},
        {CommandId::Get_Subwoofer_Volume, 1, 3, 0x66, [](D& d) { return d.Get_Subwoofer_Volume(); },
         ""},
        {CommandId::Get_Mute, 1, 4, 0x66, [](D& d) { return d.Get_Mute(); }, ""},
        {CommandId::Get_Filter, 1, 5, 0x66, [](D& d) { return d.Get_Filter(0, 0, 0, 3); },
         "00 00 00 03"},
        {CommandId::Get_EQ, 1, 6, 0x66, [](D& d) { return d.Get_EQ(0, 0, 6, 8, 10); },
         "00 00 06 08 0a"},
        {CommandId::Get_Delay, 1, 7, 0x66, [](D& d) { return d.Get_Delay(0, 0, 0, 7); },
         "00 00 00 07"},
        {CommandId::Get_Trim, 1, 8, 0x66, [](D& d) { return d.Get_Trim(3, 0, 0, 7); },
         "03 00 00 07"},
        {CommandId::Get_Mute_Ch, 1, 9, 0x66, [](D& d) { return d.Get_Mute_Ch(0, 0, 0, 7); },
         "00 00 00 07"},
        {CommandId::Get_Phase, 1, 10, 0x66, [](D& d) { return d.Get_Phase(0, 0, 1, 7); },
         "00 00 01 07"},
        {CommandId::Get_Mix_Ch, 1, 11, 0x66, [](D& d) { return d.Get_Mix_Ch(0, 5, 0); },
         "00 05 00"},
        {CommandId::Get_Remap_Ch, 1, 12, 0x66, [](D& d) { return d.Get_Remap_Ch(0, 0, 0, 7); },
         "00 00 00 07"},
        {CommandId::Get_CH_Type, 1, 13, 0x66, [](D& d) { return d.Get_CH_Type(0, 0, 0, 7); },
         "00 00 00 07"},
        {CommandId::Get_CH_Link, 1, 14, 0x66, [](D& d) { return d.Get_CH_Link(2); }, "02"},
        {CommandId::Get_CH_Lock, 1, 15, 0x66, [](D& d) { return d.Get_CH_Lock(0); }, "00"},
        {CommandId::Get_All_Bypass, 1, 16, 0x66, [](D& d) { return d.Get_All_Bypass(0, 0, 0, 7); },
         "00 00 00 07"},
        {CommandId::Get_PEQ_Reset, 1, 17, 0x66, [](D& d) { return d.Get_PEQ_Reset(0, 0, 0, 7); },
         "00 00 00 07"},
        {CommandId::Get_PEQ_Bypass, 1, 18, 0x66, [](D& d) { return d.Get_PEQ_Bypass(0, 0, 0, 7); },
         "00 00 00 07"},
        {CommandId::IRC_Get, 1, 19, 0x66, [](D& d) { return d.IRC_Get(); }, ""},
        {CommandId::IRC_Get_Distance, 1, 20, 0x66, [](D& d) { return d.IRC_Get_Distance(0, 7); },
         "00 07"},
        {CommandId::IRC_Get_Trim, 1, 21, 0x66, [](D& d) { return d.IRC_Get_Trim(1, 6); }, "01 06"},
        {CommandId::IRC_Get_EQ, 1, 22, 0x66, [](D& d) { return d.IRC_Get_EQ(2, 0, 7); },
         "02 00 07"},
        {CommandId::IRC_Get_Spk_Size, 1, 23, 0x66, [](D& d) { return d.IRC_Get_Spk_Size(0, 7); },
         "00 07"},
        {CommandId::IRC_Get_Spk_Phase, 1, 24, 0x66, [](D& d) { return d.IRC_Get_Spk_Phase(0, 7); },
         "00 07"},
        {CommandId::IRC_Get_Spk_Level, 1, 25, 0x66, [](D& d) { return d.IRC_Get_Spk_Level(0, 7); },
         "00 07"},
        {CommandId::IRC_Get_Spectrum, 1, 26, 0x66, [](D& d) { return d.IRC_Get_Spectrum(1, 0, 9); },
         "01 00 09"},
        {CommandId::IRC_Get_Noise_Level, 1, 27, 0x66,
         [](D& d) { return d.IRC_Get_Noise_Level(0, 7); }, "00 07"},
        {CommandId::IRC_Get_RTA, 1, 28, 0x66, [](D& d) { return d.IRC_Get_RTA(); }, ""},
        {CommandId::Get_Input_Trim, 1, 32, 0x66, [](D& d) { return d.Get_Input_Trim(0, 4, 0, 3); },
         "00 04 00 03"},
        {CommandId::Get_Mute_Input_Ch, 1, 33, 0x66,
         [](D& d) { return d.Get_Mute_Input_Ch(0, 4, 0, 3); }, "00 04 00 03"},
        {CommandId::Get_Input_Phase, 1, 34, 0x66,
         [](D& d) { return d.Get_Input_Phase(0, 4, 0, 3); }, "00 04 00 03"},
        {CommandId::Get_Input_EQ, 1, 35, 0x66, [](D& d) { return d.Get_Input_EQ(0, 4, 1, 0, 7); },
         "00 04 01 00 07"},
        {CommandId::Get_Input_Mix_CH_Trim, 1, 36, 0x66,
         [](D& d) { return d.Get_Input_Mix_CH_Trim(0, 4, 1, 0, 7); }, "00 04 01 00 07"},
        {CommandId::Get_Input_Threshold, 1, 38, 0x66,
         [](D& d) { return d.Get_Input_Threshold(0, 0, true); }, "00 00"},
        {CommandId::Get_Input_Noise, 1, 39, 0x66,
         [](D& d) { return d.Get_Input_Noise(0, 3, true); }, "00 03"},

        {CommandId::Flash_Upg_Start, 2, 3, 0xBB, [](D& d) { return d.Flash_Upg_Start(kHeader); },
         "01 02 03 04"},
        {CommandId::Flash_Upg_Data, 2, 4, 0xBB,
         [](D& d) {
             const uint8_t v[] = {0xAA, 0xBB};
             return d.Flash_Upg_Data(0x00010203, v);
         },
         "00 01 02 03 02 aa bb"},
        {CommandId::Flash_Upg_Finish, 2, 5, 0xBB, [](D& d) { return d.Flash_Upg_Finish(); }, ""},
        {CommandId::SaveScene, 2, 8, 0xBB, [](D& d) { return d.SaveScene(3, 0); }, "03 00"},
        {CommandId::ReadScene, 2, 9, 0xBB, [](D& d) { return d.ReadScene(3, 255); }, "03 ff"},
        {CommandId::DeleteScene, 2, 10, 0xBB, [](D& d) { return d.DeleteScene(4); }, "04"},
        {CommandId::SetSceneName, 2, 11, 0xBB,
         [](D& d) {
             const uint8_t v[] = {'C', 'l', 'u', 'b'};
             return d.SetSceneName(2, v);
         },
         "02 04 43 6c 75 62"},
        {CommandId::Get_Scene_Name, 2, 11, 0x66, [](D& d) { return d.Get_Scene_Name(2); }, "02"},
        {CommandId::SetSceneProfile, 2, 12, 0xBB,
         [](D& d) {
             const uint8_t v[] = {9, 8};
             return d.SetSceneProfile(1, 0x0102, v);
         },
         "01 01 02 02 09 08"},
        {CommandId::GetSceneProfile, 2, 12, 0x66,
         [](D& d) { return d.GetSceneProfile(1, 0x0010, 32); }, "01 00 10 20"},

        {CommandId::MCU_Enter_Upg_Mode, 3, 1, 0xBB, [](D& d) { return d.MCU_Enter_Upg_Mode(); },
         ""},
        {CommandId::MCU_Upg_Start, 3, 2, 0xBB, [](D& d) { return d.MCU_Upg_Start(kHeader); },
         "01 02 03 04"},
        {CommandId::MCU_Upg_Data, 3, 3, 0xBB,
         [](D& d) {
             const uint8_t v[] = {1, 2, 3, 4};
             return d.MCU_Upg_Data(96, v);
         },
         "00 00 00 60 01 02 03 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
         "00 00 00 00 00 00 00"},
        {CommandId::MCU_Upg_Finish, 3, 4, 0xBB, [](D& d) { return d.MCU_Upg_Finish(); }, ""},
        {CommandId::Hand_Connect, 3, 8, 0xBB, [](D& d) { return d.Hand_Connect(); }, ""},
        {CommandId::Get_Flash_Version, 3, 11, 0x66, [](D& d) { return d.Get_Flash_Version(); }, ""},
        {CommandId::Get_Bootloader_Version, 3, 12, 0x66,
         [](D& d) { return d.Get_Bootloader_Version(); }, ""},
        {CommandId::PC_Connect, 3, 31, 0xBB, [](D& d) { return d.PC_Connect(1); }, "01"},
        {CommandId::BL_Enter_Upg_Mode, 3, 0xA0, 0xBB, [](D& d) { return d.BL_Enter_Upg_Mode(); },
         ""},
        {CommandId::BL_Upg_Start, 3, 0xA1, 0xBB,
         [](D& d) {
             const std::array<uint8_t, 4> h = {5, 6, 7, 8};
             return d.BL_Upg_Start(h);
         },
         "05 06 07 08"},
        {CommandId::BL_Upg_Data, 3, 0xA2, 0xBB,
         [](D& d) {
             const uint8_t v[] = {0xFF};
             return d.BL_Upg_Data(0, v);
         },
         "00 00 00 00 ff 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
         "00 00 00 00 00 00 00"},
        {CommandId::BL_Upg_Finish, 3, 0xA3, 0xBB, [](D& d) { return d.BL_Upg_Finish(); }, ""},
        // These two make the unit restart, so they come last.
        {CommandId::MCU_Reboot_Ctrl, 3, 0x8F, 0xBB, [](D& d) { return d.MCU_Reboot_Ctrl(); }, ""},
        {CommandId::Factory_Default_Ctrl, 3, 0x90, 0xBB,
         [](D& d) { return d.Factory_Default_Ctrl(); }, ""},
    };
}

class CommandBytesTest : public dvtest::SimulatedUnitTest {};

TEST_F(CommandBytesTest, EveryCommandWritesItsExactReport) {
    const std::vector<Row> rows = Rows();
    std::set<CommandId> covered;
    for (const Row& row : rows) covered.insert(row.id);
    EXPECT_EQ(covered.size(), dv::CommandTable().size()) << "every command of the table has a row";
    Open();
    for (const Row& row : rows) {
        dv::sim::SimBus::Instance().ClearTranscript();
        row.invoke(*device_);
        const auto written = Written();
        ASSERT_EQ(written.size(), 1u) << dv::Command(row.id).name;
        EXPECT_EQ(written[0], ExpectedReport(row)) << dv::Command(row.id).name;
    }
    // The unit's own decoder took every report as a well-formed frame.
    EXPECT_EQ(unit_->BadFrames(), 0);
    EXPECT_EQ(unit_->FramesHandled(), static_cast<int>(rows.size()));
}

TEST_F(CommandBytesTest, EncodingEdgesAndRangeShapes) {
    Open();
    auto payloadOf = [&](const std::function<bool()>& issue) {
        dv::sim::SimBus::Instance().ClearTranscript();
        issue();
        const auto reports = dv::sim::SimBus::Instance().WrittenReports();
        if (reports.size() != 1)
            return std::string("(") + std::to_string(reports.size()) + " reports)";
        const int len = reports[0][3];
        return Hex({reports[0].begin() + 7, reports[0].begin() + 4 + len});
    };
    EXPECT_EQ(payloadOf([&] { return device_->EQ_Ctrl(0, 0, 0, 0, 20, 0.5f, -18.0f, true); }),
              "00 00 00 00 00 14 00 05 00 00");
    EXPECT_EQ(payloadOf([&] { return device_->EQ_Ctrl(0, 0, 0, 0, 20000, 9.0f, 12.0f, true); }),
              "00 00 00 00 4e 20 09 00 1e 00");
    const float delay[] = {1.25f};
    EXPECT_EQ(payloadOf([&] { return device_->Delay_Ctrl(0, 0, 4, 4, delay, true); }),
              "00 00 04 04 01 00 fa");
    // An inverted range sends its header only.
    EXPECT_EQ(payloadOf([&] { return device_->Trim_Ctrl(0, 4, 5, 2, {}, true); }), "00 04 05 02");
    EXPECT_EQ(payloadOf([&] { return device_->Delay_Ctrl(0, 4, 7, 0, {}, true); }), "00 04 07 00");
    EXPECT_EQ(payloadOf([&] { return device_->Get_Mix_Ch(1, 6, 0); }), "01 06 00");
    EXPECT_EQ(payloadOf([&] { return device_->Input_Ch_Threshold_Ctrl(-128, true); }), "80");
}

TEST_F(CommandBytesTest, PayloadsThatCannotFitAreRefusedUnsent) {
    Open();
    const std::vector<float> delays(13, 1.0f);
    const std::vector<int> values(40, 0);
    const std::vector<uint8_t> name(17, 'x');
    const std::vector<uint8_t> flash(51, 1);
    const std::vector<uint8_t> block(33, 1);
    const std::vector<dv::LinkPair> pairs(19);
    EXPECT_FALSE(device_->Delay_Ctrl(0, 0, 0, 12, delays, true));
    EXPECT_FALSE(device_->Delay_Ctrl(0, 0, 0, 3, std::span<const float>(delays).first(2), true));
    EXPECT_FALSE(device_->Trim_Ctrl(0, 0, 0, 36, values, true));
    EXPECT_FALSE(device_->SetSceneName(1, name));
    EXPECT_FALSE(device_->Flash_Upg_Data(0, flash));
    EXPECT_FALSE(device_->Flash_Upg_Data(0, {}));
    EXPECT_FALSE(device_->MCU_Upg_Data(0, block));
    EXPECT_FALSE(device_->CH_Link_Ctrl(0, 1, pairs, true));
    EXPECT_TRUE(Written().empty());
    // The largest allowed shapes still go out.
    EXPECT_TRUE(device_->Delay_Ctrl(0, 0, 0, 11, delays, true));
    EXPECT_TRUE(device_->SetSceneName(1, std::span<const uint8_t>(name).first(16)));
    EXPECT_EQ(Written().size(), 2u);
}

TEST_F(CommandBytesTest, SendModeLeavesTheReplyForTheNextRead) {
    Open();
    device_->SetUpgradeStatus(dv::UPG_WAITING_BIN_DATA_ACK);
    const uint8_t block[] = {1, 2, 3};
    EXPECT_TRUE(device_->Flash_Upg_Data(0, block));
    EXPECT_EQ(device_->GetUpgradeStatus(), dv::UPG_WAITING_BIN_DATA_ACK) << "no read after a send";
    uint8_t buffer[65];
    EXPECT_TRUE(device_->ReadHIDData(buffer, 500));
    EXPECT_EQ(device_->GetUpgradeStatus(), dv::UPG_SEND_BIN_DATA);
}

}  // namespace
