// Every command the panel can send, from the protocol's command list: its frame codes, how it
// is dispatched and how long its reply is awaited, an example call and the payload it must write.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "device/CommandTable.h"
#include "device/DspDevice.h"

namespace dvtest {

// How a command is dispatched: queued (or at once when `immediate`), at once, or write only.
enum class Via { Queued, Now, Send };

struct Row {
    dv::CommandId id;
    uint8_t mcmd, subcmd, optype;
    Via via;
    int timeoutMs;  // of the read that follows the write; 0 for write-only commands
    // Issues the command; `immediate` is passed on where the operation takes it.
    std::function<bool(dv::DspDevice&, bool immediate)> invoke;
    const char* payload;
};

inline const std::array<uint8_t, 4> kHeader = {1, 2, 3, 4};

inline std::vector<Row> Rows() {
    using D = dv::DspDevice;
    using dv::CommandId;
    const int trims3[] = {-1, 0, 6};
    return {
        {CommandId::Source_Switch_Ctrl, 1, 1, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) { return d.Source_Switch_Ctrl(0x53, im); }, "53"},
        {CommandId::Main_Volume_Ctrl, 1, 2, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) { return d.Main_Volume_Ctrl(-5, im); }, "fb"},
        {CommandId::Subwoofer_Volume_Ctrl, 1, 3, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) { return d.Subwoofer_Volume_Ctrl(3, im); }, "03"},
        {CommandId::Mute_Ctrl, 1, 4, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) { return d.Mute_Ctrl(1, im); }, "01"},
        {CommandId::Filter_Ctrl, 1, 5, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             return d.Filter_Ctrl(0, 4, 2, dv::FilterSide::LowPass, dv::FilterFreq(3400),
                                  dv::FilterSlope(4), dv::FilterType(2), im);
         },
         "00 04 02 01 02 0d 48 04"},
        {CommandId::EQ_Ctrl, 1, 6, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) { return d.EQ_Ctrl(0, 4, 1, 17, 1000, 4.3f, -3.5f, im); },
         "00 04 01 11 03 e8 04 03 0e 05"},
        {CommandId::Delay_Ctrl, 1, 7, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const float v[] = {1.25f, 0.5f};
             return d.Delay_Ctrl(0, 4, 2, 3, v, im);
         },
         "00 04 02 03 01 00 fa 00 01 f4"},
        {CommandId::Trim_Ctrl, 1, 8, 0xBB, Via::Queued, 10000,
         [trims3](D& d, bool im) { return d.Trim_Ctrl(0, 4, 0, 2, trims3, im); },
         "00 04 00 02 ff 00 06"},
        {CommandId::Mute_Ch_Ctrl, 1, 9, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const int v[] = {1};
             return d.Mute_Ch_Ctrl(1, 4, 5, 5, v, im);
         },
         "01 04 05 05 01"},
        {CommandId::Phase_Ctrl, 1, 10, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const int v[] = {0, 1};
             return d.Phase_Ctrl(0, 4, 6, 7, v, im);
         },
         "00 04 06 07 00 01"},
        {CommandId::Mix_Ch_Ctrl, 1, 11, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const int v[] = {1, 2};
             return d.Mix_Ch_Ctrl(0, 2, 0, 1, v, im);
         },
         "00 02 00 01 01 02"},
        {CommandId::Remap_Ch_Ctrl, 1, 12, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const uint8_t v[] = {1, 2};
             return d.Remap_Ch_Ctrl(0, 4, 3, v, im);
         },
         "00 04 03 01 02"},
        {CommandId::CH_Type_Ctrl, 1, 13, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const int v[] = {6, 12};
             return d.CH_Type_Ctrl(0, 0, 0, 1, v, im);
         },
         "00 00 00 01 06 0c"},
        {CommandId::CH_Link_Ctrl, 1, 14, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const dv::LinkPair v[] = {{0, 1}, {2, 3}};
             return d.CH_Link_Ctrl(0, 1, v, im);
         },
         "00 01 02 00 01 02 03"},
        {CommandId::CH_Lock_Ctrl, 1, 15, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) { return d.CH_Lock_Ctrl(0, 1, im); }, "00 01"},
        {CommandId::DSP_Bypass_Ctrl, 1, 16, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) { return d.DSP_Bypass_Ctrl(0, 3, 1, im); }, "00 03 01"},
        {CommandId::PEQ_Reset_Ctrl, 1, 17, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const uint8_t v[] = {1, 5};
             return d.PEQ_Reset_Ctrl(0, 4, v, im);
         },
         "00 04 02 01 05"},
        {CommandId::PEQ_Bypass_Ctrl, 1, 18, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const int v[] = {1};
             return d.PEQ_Bypass_Ctrl(0, 4, 0, 0, v, im);
         },
         "00 04 00 00 01"},
        {CommandId::IRC_Ctrl, 1, 19, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) { return d.IRC_Ctrl(1, 0x0103, 2, im); }, "01 01 03 02"},
        {CommandId::IRC_Set_Test_Mic, 1, 29, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) { return d.IRC_Set_Test_Mic(1, im); }, "01"},
        {CommandId::Input_Trim_Ctrl, 1, 32, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const int v[] = {-3, 2};
             return d.Input_Trim_Ctrl(0, 4, 0, 1, v, im);
         },
         "00 04 00 01 fd 02"},
        {CommandId::Mute_Input_Ch_Ctrl, 1, 33, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const int v[] = {1};
             return d.Mute_Input_Ch_Ctrl(0, 4, 2, 2, v, im);
         },
         "00 04 02 02 01"},
        {CommandId::Input_Phase_Ctrl, 1, 34, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const int v[] = {1};
             return d.Input_Phase_Ctrl(0, 4, 3, 3, v, im);
         },
         "00 04 03 03 01"},
        {CommandId::Input_EQ_Ctrl, 1, 35, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const dv::EqBandValue v[] = {{100, 2.0f, 0.0f}, {250, 1.5f, -18.0f}};
             return d.Input_EQ_Ctrl(0, 4, 1, 0, 1, v, im);
         },
         "00 04 01 00 01 00 64 02 00 12 00 00 fa 01 05 00 00"},
        {CommandId::Input_Mix_Trim_Ctrl, 1, 36, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) {
             const int v[] = {0, -1, 2, 100};
             return d.Input_Mix_Trim_Ctrl(0, 5, 2, 0, 3, v, im);
         },
         "00 05 02 00 03 00 ff 02 64"},
        {CommandId::Input_Ch_Threshold_Ctrl, 1, 38, 0xBB, Via::Queued, 10000,
         [](D& d, bool im) { return d.Input_Ch_Threshold_Ctrl(-52, im); }, "cc"},

        {CommandId::Get_Source_Config, 1, 0, 0x66, Via::Now, 500,
         [](D& d, bool) { return d.Get_Source_Config(); }, ""},
        {CommandId::Get_Source, 1, 1, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Source(); }, ""},
        {CommandId::Get_Main_Volume, 1, 2, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Main_Volume(); }, ""},
        {CommandId::Get_Subwoofer_Volume, 1, 3, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Subwoofer_Volume(); }, ""},
        {CommandId::Get_Mute, 1, 4, 0x66, Via::Now, 10000, [](D& d, bool) { return d.Get_Mute(); },
         ""},
        {CommandId::Get_Filter, 1, 5, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Filter(0, 0, 0, 3); }, "00 00 00 03"},
        {CommandId::Get_EQ, 1, 6, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_EQ(0, 0, 6, 8, 10); }, "00 00 06 08 0a"},
        {CommandId::Get_Delay, 1, 7, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Delay(0, 0, 0, 7); }, "00 00 00 07"},
        {CommandId::Get_Trim, 1, 8, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Trim(3, 0, 0, 7); }, "03 00 00 07"},
        {CommandId::Get_Mute_Ch, 1, 9, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Mute_Ch(0, 0, 0, 7); }, "00 00 00 07"},
        {CommandId::Get_Phase, 1, 10, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Phase(0, 0, 1, 7); }, "00 00 01 07"},
        {CommandId::Get_Mix_Ch, 1, 11, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Mix_Ch(0, 5, 0); }, "00 05 00"},
        {CommandId::Get_Remap_Ch, 1, 12, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Remap_Ch(0, 0, 0, 7); }, "00 00 00 07"},
        {CommandId::Get_CH_Type, 1, 13, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_CH_Type(0, 0, 0, 7); }, "00 00 00 07"},
        {CommandId::Get_CH_Link, 1, 14, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_CH_Link(2); }, "02"},
        {CommandId::Get_CH_Lock, 1, 15, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_CH_Lock(0); }, "00"},
        {CommandId::Get_All_Bypass, 1, 16, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_All_Bypass(0, 0, 0, 7); }, "00 00 00 07"},
        {CommandId::Get_PEQ_Reset, 1, 17, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_PEQ_Reset(0, 0, 0, 7); }, "00 00 00 07"},
        {CommandId::Get_PEQ_Bypass, 1, 18, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_PEQ_Bypass(0, 0, 0, 7); }, "00 00 00 07"},
        {CommandId::IRC_Get, 1, 19, 0x66, Via::Now, 10000, [](D& d, bool) { return d.IRC_Get(); },
         ""},
        {CommandId::IRC_Get_Distance, 1, 20, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.IRC_Get_Distance(0, 7); }, "00 07"},
        {CommandId::IRC_Get_Trim, 1, 21, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.IRC_Get_Trim(1, 6); }, "01 06"},
        {CommandId::IRC_Get_EQ, 1, 22, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.IRC_Get_EQ(2, 0, 7); }, "02 00 07"},
        {CommandId::IRC_Get_Spk_Size, 1, 23, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.IRC_Get_Spk_Size(0, 7); }, "00 07"},
        {CommandId::IRC_Get_Spk_Phase, 1, 24, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.IRC_Get_Spk_Phase(0, 7); }, "00 07"},
        {CommandId::IRC_Get_Spk_Level, 1, 25, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.IRC_Get_Spk_Level(0, 7); }, "00 07"},
        {CommandId::IRC_Get_Spectrum, 1, 26, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.IRC_Get_Spectrum(1, 0, 9); }, "01 00 09"},
        {CommandId::IRC_Get_Noise_Level, 1, 27, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.IRC_Get_Noise_Level(0, 7); }, "00 07"},
        {CommandId::IRC_Get_RTA, 1, 28, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.IRC_Get_RTA(); }, ""},
        {CommandId::Get_Input_Trim, 1, 32, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Input_Trim(0, 4, 0, 3); }, "00 04 00 03"},
        {CommandId::Get_Mute_Input_Ch, 1, 33, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Mute_Input_Ch(0, 4, 0, 3); }, "00 04 00 03"},
        {CommandId::Get_Input_Phase, 1, 34, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Input_Phase(0, 4, 0, 3); }, "00 04 00 03"},
        {CommandId::Get_Input_EQ, 1, 35, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Input_EQ(0, 4, 1, 0, 7); }, "00 04 01 00 07"},
        {CommandId::Get_Input_Mix_CH_Trim, 1, 36, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Input_Mix_CH_Trim(0, 4, 1, 0, 7); }, "00 04 01 00 07"},
        {CommandId::Get_Input_Threshold, 1, 38, 0x66, Via::Queued, 10000,
         [](D& d, bool im) { return d.Get_Input_Threshold(0, 0, im); }, "00 00"},
        {CommandId::Get_Input_Noise, 1, 39, 0x66, Via::Queued, 10000,
         [](D& d, bool im) { return d.Get_Input_Noise(0, 3, im); }, "00 03"},

        {CommandId::Flash_Upg_Start, 2, 3, 0xBB, Via::Now, 10000,
         [](D& d, bool) { return d.Flash_Upg_Start(kHeader); }, "01 02 03 04"},
        {CommandId::Flash_Upg_Data, 2, 4, 0xBB, Via::Send, 0,
         [](D& d, bool) {
             const uint8_t v[] = {0xAA, 0xBB};
             return d.Flash_Upg_Data(0x00010203, v);
         },
         "00 01 02 03 02 aa bb"},
        {CommandId::Flash_Upg_Finish, 2, 5, 0xBB, Via::Send, 0,
         [](D& d, bool) { return d.Flash_Upg_Finish(); }, ""},
        {CommandId::SaveScene, 2, 8, 0xBB, Via::Now, 10000,
         [](D& d, bool) { return d.SaveScene(3, 0); }, "03 00"},
        {CommandId::ReadScene, 2, 9, 0xBB, Via::Now, 10000,
         [](D& d, bool) { return d.ReadScene(3, 255); }, "03 ff"},
        {CommandId::DeleteScene, 2, 10, 0xBB, Via::Now, 10000,
         [](D& d, bool) { return d.DeleteScene(4); }, "04"},
        {CommandId::SetSceneName, 2, 11, 0xBB, Via::Now, 10000,
         [](D& d, bool) {
             const uint8_t v[] = {'C', 'l', 'u', 'b'};
             return d.SetSceneName(2, v);
         },
         "02 04 43 6c 75 62"},
        {CommandId::Get_Scene_Name, 2, 11, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.Get_Scene_Name(2); }, "02"},
        {CommandId::SetSceneProfile, 2, 12, 0xBB, Via::Now, 10000,
         [](D& d, bool) {
             const uint8_t v[] = {9, 8};
             return d.SetSceneProfile(1, 0x0102, v);
         },
         "01 01 02 02 09 08"},
        {CommandId::GetSceneProfile, 2, 12, 0x66, Via::Now, 10000,
         [](D& d, bool) { return d.GetSceneProfile(1, 0x0010, 32); }, "01 00 10 20"},

        {CommandId::MCU_Enter_Upg_Mode, 3, 1, 0xBB, Via::Now, 10000,
         [](D& d, bool) { return d.MCU_Enter_Upg_Mode(); }, ""},
        {CommandId::MCU_Upg_Start, 3, 2, 0xBB, Via::Now, 10000,
         [](D& d, bool) { return d.MCU_Upg_Start(kHeader); }, "01 02 03 04"},
        {CommandId::MCU_Upg_Data, 3, 3, 0xBB, Via::Send, 0,
         [](D& d, bool) {
             const uint8_t v[] = {1, 2, 3, 4};
             return d.MCU_Upg_Data(96, v);
         },
         "00 00 00 60 01 02 03 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
         "00 00 00 00 00 00 00"},
        {CommandId::MCU_Upg_Finish, 3, 4, 0xBB, Via::Send, 0,
         [](D& d, bool) { return d.MCU_Upg_Finish(); }, ""},
        {CommandId::Hand_Connect, 3, 8, 0xBB, Via::Now, 10000,
         [](D& d, bool) { return d.Hand_Connect(); }, ""},
        {CommandId::Get_Flash_Version, 3, 11, 0x66, Via::Now, 500,
         [](D& d, bool) { return d.Get_Flash_Version(); }, ""},
        {CommandId::Get_Bootloader_Version, 3, 12, 0x66, Via::Now, 500,
         [](D& d, bool) { return d.Get_Bootloader_Version(); }, ""},
        {CommandId::PC_Connect, 3, 31, 0xBB, Via::Send, 0,
         [](D& d, bool) { return d.PC_Connect(1); }, "01"},
        {CommandId::BL_Enter_Upg_Mode, 3, 0xA0, 0xBB, Via::Now, 10000,
         [](D& d, bool) { return d.BL_Enter_Upg_Mode(); }, ""},
        {CommandId::BL_Upg_Start, 3, 0xA1, 0xBB, Via::Now, 10000,
         [](D& d, bool) {
             const std::array<uint8_t, 4> h = {5, 6, 7, 8};
             return d.BL_Upg_Start(h);
         },
         "05 06 07 08"},
        {CommandId::BL_Upg_Data, 3, 0xA2, 0xBB, Via::Send, 0,
         [](D& d, bool) {
             const uint8_t v[] = {0xFF};
             return d.BL_Upg_Data(0, v);
         },
         "00 00 00 00 ff 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
         "00 00 00 00 00 00 00"},
        {CommandId::BL_Upg_Finish, 3, 0xA3, 0xBB, Via::Send, 0,
         [](D& d, bool) { return d.BL_Upg_Finish(); }, ""},
        // These two make the unit restart, so they come last.
        {CommandId::MCU_Reboot_Ctrl, 3, 0x8F, 0xBB, Via::Now, 10000,
         [](D& d, bool) { return d.MCU_Reboot_Ctrl(); }, ""},
        {CommandId::Factory_Default_Ctrl, 3, 0x90, 0xBB, Via::Now, 30000,
         [](D& d, bool) { return d.Factory_Default_Ctrl(); }, ""},
    };
}

}  // namespace dvtest
