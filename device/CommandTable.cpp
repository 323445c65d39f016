#include "device/CommandTable.h"

#include <algorithm>

#include "device/Protocol.h"

namespace dv {

namespace {

using enum CommandId;
constexpr DispatchMode kNow = DispatchMode::Now;
constexpr DispatchMode kQ = DispatchMode::Queued;
constexpr DispatchMode kSend = DispatchMode::Send;
constexpr int kT = kDefaultReplyTimeoutMs;

constexpr SetTarget kNone{};
constexpr SetTarget kUnitValue{0, -1, -1, true};  // one value for the whole unit
// Per-output settings carry the source as their second byte; per-source ones pass loose = -1.
constexpr SetTarget Item(uint8_t keyBytes, int8_t loose = 1) {
    return {keyBytes, -1, loose, true};
}
constexpr SetTarget Range(uint8_t keyBytes, int8_t rangeAt, int8_t loose = 1) {
    return {keyBytes, rangeAt, loose, true};
}

// Item limits keep every payload inside its frame: 12 three-byte delays, 18 link pairs,
// 8 input bands, 16 name bytes, 50 flash bytes, 32 MCU block bytes.
// The last column is the setting a queued record overwrites. None where a command does more
// than store a value: a source switch changes what plays, a role may bring the unit's own
// defaults, link, lock, resets and calibration act on other settings, and the meaning of
// DSP_Bypass_Ctrl's selector is the unit's own.
constexpr CommandRow kTable[] = {
    {Source_Switch_Ctrl, "Source_Switch_Ctrl", MCMD_DSP, 1, OP_SET, kQ, kT, 1, 0, 0, kNone},
    {Main_Volume_Ctrl, "Main_Volume_Ctrl", MCMD_DSP, 2, OP_SET, kQ, kT, 1, 0, 0, kUnitValue},
    {Subwoofer_Volume_Ctrl, "Subwoofer_Volume_Ctrl", MCMD_DSP, 3, OP_SET, kQ, kT, 1, 0, 0,
     kUnitValue},
    {Mute_Ctrl, "Mute_Ctrl", MCMD_DSP, 4, OP_SET, kQ, kT, 1, 0, 0, kUnitValue},
    {Filter_Ctrl, "Filter_Ctrl", MCMD_DSP, 5, OP_SET, kQ, kT, 8, 0, 0, Item(4)},
    {EQ_Ctrl, "EQ_Ctrl", MCMD_DSP, 6, OP_SET, kQ, kT, 10, 0, 0, Item(4)},
    {Delay_Ctrl, "Delay_Ctrl", MCMD_DSP, 7, OP_SET, kQ, kT, 4, 3, 12, Range(4, 2)},
    {Trim_Ctrl, "Trim_Ctrl", MCMD_DSP, 8, OP_SET, kQ, kT, 4, 1, 36, Range(4, 2)},
    {Mute_Ch_Ctrl, "Mute_Ch_Ctrl", MCMD_DSP, 9, OP_SET, kQ, kT, 4, 1, 36, Range(4, 2)},
    {Phase_Ctrl, "Phase_Ctrl", MCMD_DSP, 10, OP_SET, kQ, kT, 4, 1, 36, Range(4, 2)},
    {Mix_Ch_Ctrl, "Mix_Ch_Ctrl", MCMD_DSP, 11, OP_SET, kQ, kT, 4, 1, 36, Range(4, 2, -1)},
    {Remap_Ch_Ctrl, "Remap_Ch_Ctrl", MCMD_DSP, 12, OP_SET, kQ, kT, 3, 1, 37, Item(3)},
    {CH_Type_Ctrl, "CH_Type_Ctrl", MCMD_DSP, 13, OP_SET, kQ, kT, 4, 1, 36, kNone},
    {CH_Link_Ctrl, "CH_Link_Ctrl", MCMD_DSP, 14, OP_SET, kQ, kT, 3, 2, 18, kNone},
    {CH_Lock_Ctrl, "CH_Lock_Ctrl", MCMD_DSP, 15, OP_SET, kQ, kT, 2, 0, 0, kNone},
    {DSP_Bypass_Ctrl, "DSP_Bypass_Ctrl", MCMD_DSP, 16, OP_SET, kQ, kT, 3, 0, 0, kNone},
    {PEQ_Reset_Ctrl, "PEQ_Reset_Ctrl", MCMD_DSP, 17, OP_SET, kQ, kT, 3, 1, 37, kNone},
    {PEQ_Bypass_Ctrl, "PEQ_Bypass_Ctrl", MCMD_DSP, 18, OP_SET, kQ, kT, 4, 1, 36, Range(4, 2)},
    {IRC_Ctrl, "IRC_Ctrl", MCMD_DSP, 19, OP_SET, kQ, kT, 4, 0, 0, kNone},
    {IRC_Set_Test_Mic, "IRC_Set_Test_Mic", MCMD_DSP, 29, OP_SET, kQ, kT, 1, 0, 0, kNone},
    {Input_Trim_Ctrl, "Input_Trim_Ctrl", MCMD_DSP, 32, OP_SET, kQ, kT, 4, 1, 36, Range(4, 2)},
    {Mute_Input_Ch_Ctrl, "Mute_Input_Ch_Ctrl", MCMD_DSP, 33, OP_SET, kQ, kT, 4, 1, 36, Range(4, 2)},
    {Input_Phase_Ctrl, "Input_Phase_Ctrl", MCMD_DSP, 34, OP_SET, kQ, kT, 4, 1, 36, Range(4, 2)},
    {Input_EQ_Ctrl, "Input_EQ_Ctrl", MCMD_DSP, 35, OP_SET, kQ, kT, 5, 6, 8, Range(5, 3)},
    {Input_Mix_Trim_Ctrl, "Input_Mix_Trim_Ctrl", MCMD_DSP, 36, OP_SET, kQ, kT, 5, 1, 35,
     Range(5, 3, -1)},
    {Input_Ch_Threshold_Ctrl, "Input_Ch_Threshold_Ctrl", MCMD_DSP, 38, OP_SET, kQ, kT, 1, 0, 0,
     kUnitValue},

    {Get_Source_Config, "Get_Source_Config", MCMD_DSP, 0, OP_GET, kNow, 500, 0, 0, 0, kNone},
    {Get_Source, "Get_Source", MCMD_DSP, 1, OP_GET, kNow, kT, 0, 0, 0, kNone},
    {Get_Main_Volume, "Get_Main_Volume", MCMD_DSP, 2, OP_GET, kNow, kT, 0, 0, 0, kNone},
    {Get_Subwoofer_Volume, "Get_Subwoofer_Volume", MCMD_DSP, 3, OP_GET, kNow, kT, 0, 0, 0, kNone},
    {Get_Mute, "Get_Mute", MCMD_DSP, 4, OP_GET, kNow, kT, 0, 0, 0, kNone},
    {Get_Filter, "Get_Filter", MCMD_DSP, 5, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_EQ, "Get_EQ", MCMD_DSP, 6, OP_GET, kNow, kT, 5, 0, 0, kNone},
    {Get_Delay, "Get_Delay", MCMD_DSP, 7, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_Trim, "Get_Trim", MCMD_DSP, 8, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_Mute_Ch, "Get_Mute_Ch", MCMD_DSP, 9, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_Phase, "Get_Phase", MCMD_DSP, 10, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_Mix_Ch, "Get_Mix_Ch", MCMD_DSP, 11, OP_GET, kNow, kT, 3, 0, 0, kNone},
    {Get_Remap_Ch, "Get_Remap_Ch", MCMD_DSP, 12, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_CH_Type, "Get_CH_Type", MCMD_DSP, 13, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_CH_Link, "Get_CH_Link", MCMD_DSP, 14, OP_GET, kNow, kT, 1, 0, 0, kNone},
    {Get_CH_Lock, "Get_CH_Lock", MCMD_DSP, 15, OP_GET, kNow, kT, 1, 0, 0, kNone},
    {Get_All_Bypass, "Get_All_Bypass", MCMD_DSP, 16, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_PEQ_Reset, "Get_PEQ_Reset", MCMD_DSP, 17, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_PEQ_Bypass, "Get_PEQ_Bypass", MCMD_DSP, 18, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {IRC_Get, "IRC_Get", MCMD_DSP, 19, OP_GET, kNow, kT, 0, 0, 0, kNone},
    {IRC_Get_Distance, "IRC_Get_Distance", MCMD_DSP, 20, OP_GET, kNow, kT, 2, 0, 0, kNone},
    {IRC_Get_Trim, "IRC_Get_Trim", MCMD_DSP, 21, OP_GET, kNow, kT, 2, 0, 0, kNone},
    {IRC_Get_EQ, "IRC_Get_EQ", MCMD_DSP, 22, OP_GET, kNow, kT, 3, 0, 0, kNone},
    {IRC_Get_Spk_Size, "IRC_Get_Spk_Size", MCMD_DSP, 23, OP_GET, kNow, kT, 2, 0, 0, kNone},
    {IRC_Get_Spk_Phase, "IRC_Get_Spk_Phase", MCMD_DSP, 24, OP_GET, kNow, kT, 2, 0, 0, kNone},
    {IRC_Get_Spk_Level, "IRC_Get_Spk_Level", MCMD_DSP, 25, OP_GET, kNow, kT, 2, 0, 0, kNone},
    {IRC_Get_Spectrum, "IRC_Get_Spectrum", MCMD_DSP, 26, OP_GET, kNow, kT, 3, 0, 0, kNone},
    {IRC_Get_Noise_Level, "IRC_Get_Noise_Level", MCMD_DSP, 27, OP_GET, kNow, kT, 2, 0, 0, kNone},
    {IRC_Get_RTA, "IRC_Get_RTA", MCMD_DSP, 28, OP_GET, kNow, kT, 0, 0, 0, kNone},
    {Get_Input_Trim, "Get_Input_Trim", MCMD_DSP, 32, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_Mute_Input_Ch, "Get_Mute_Input_Ch", MCMD_DSP, 33, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_Input_Phase, "Get_Input_Phase", MCMD_DSP, 34, OP_GET, kNow, kT, 4, 0, 0, kNone},
    {Get_Input_EQ, "Get_Input_EQ", MCMD_DSP, 35, OP_GET, kNow, kT, 5, 0, 0, kNone},
    {Get_Input_Mix_CH_Trim, "Get_Input_Mix_CH_Trim", MCMD_DSP, 36, OP_GET, kNow, kT, 5, 0, 0,
     kNone},
    {Get_Input_Threshold, "Get_Input_Threshold", MCMD_DSP, 38, OP_GET, kQ, kT, 2, 0, 0, kNone},
    {Get_Input_Noise, "Get_Input_Noise", MCMD_DSP, 39, OP_GET, kQ, kT, 2, 0, 0, kNone},

    {Flash_Upg_Start, "Flash_Upg_Start", MCMD_SCENE, 3, OP_SET, kNow, kT, 4, 0, 0, kNone},
    {Flash_Upg_Data, "Flash_Upg_Data", MCMD_SCENE, 4, OP_SET, kSend, kT, 5, 1, 50, kNone},
    {Flash_Upg_Finish, "Flash_Upg_Finish", MCMD_SCENE, 5, OP_SET, kSend, kT, 0, 0, 0, kNone},
    {SaveScene, "SaveScene", MCMD_SCENE, 8, OP_SET, kNow, kT, 2, 0, 0, kNone},
    {ReadScene, "ReadScene", MCMD_SCENE, 9, OP_SET, kNow, kT, 2, 0, 0, kNone},
    {DeleteScene, "DeleteScene", MCMD_SCENE, 10, OP_SET, kNow, kT, 1, 0, 0, kNone},
    {SetSceneName, "SetSceneName", MCMD_SCENE, 11, OP_SET, kNow, kT, 2, 1, 16, kNone},
    {Get_Scene_Name, "Get_Scene_Name", MCMD_SCENE, 11, OP_GET, kNow, kT, 1, 0, 0, kNone},
    {SetSceneProfile, "SetSceneProfile", MCMD_SCENE, 12, OP_SET, kNow, kT, 4, 1, 53, kNone},
    {GetSceneProfile, "GetSceneProfile", MCMD_SCENE, 12, OP_GET, kNow, kT, 4, 0, 0, kNone},

    {MCU_Enter_Upg_Mode, "MCU_Enter_Upg_Mode", MCMD_MCU, 1, OP_SET, kNow, kT, 0, 0, 0, kNone},
    {MCU_Upg_Start, "MCU_Upg_Start", MCMD_MCU, 2, OP_SET, kNow, kT, 4, 0, 0, kNone},
    {MCU_Upg_Data, "MCU_Upg_Data", MCMD_MCU, 3, OP_SET, kSend, kT, 36, 0, 0, kNone},
    {MCU_Upg_Finish, "MCU_Upg_Finish", MCMD_MCU, 4, OP_SET, kSend, kT, 0, 0, 0, kNone},
    {Hand_Connect, "Hand_Connect", MCMD_MCU, 8, OP_SET, kNow, kT, 0, 0, 0, kNone},
    {Get_Flash_Version, "Get_Flash_Version", MCMD_MCU, 11, OP_GET, kNow, 500, 0, 0, 0, kNone},
    {Get_Bootloader_Version, "Get_Bootloader_Version", MCMD_MCU, 12, OP_GET, kNow, 500, 0, 0, 0,
     kNone},
    {PC_Connect, "PC_Connect", MCMD_MCU, 31, OP_SET, kSend, kT, 1, 0, 0, kNone},
    {MCU_Reboot_Ctrl, "MCU_Reboot_Ctrl", MCMD_MCU, 0x8F, OP_SET, kNow, kT, 0, 0, 0, kNone},
    {Factory_Default_Ctrl, "Factory_Default_Ctrl", MCMD_MCU, 0x90, OP_SET, kNow, 30000, 0, 0, 0,
     kNone},
    {BL_Enter_Upg_Mode, "BL_Enter_Upg_Mode", MCMD_MCU, 0xA0, OP_SET, kNow, kT, 0, 0, 0, kNone},
    {BL_Upg_Start, "BL_Upg_Start", MCMD_MCU, 0xA1, OP_SET, kNow, kT, 4, 0, 0, kNone},
    {BL_Upg_Data, "BL_Upg_Data", MCMD_MCU, 0xA2, OP_SET, kSend, kT, 36, 0, 0, kNone},
    {BL_Upg_Finish, "BL_Upg_Finish", MCMD_MCU, 0xA3, OP_SET, kSend, kT, 0, 0, 0, kNone},
};

constexpr bool TableIsIndexedById() {
    for (size_t i = 0; i < std::size(kTable); ++i)
        if (static_cast<size_t>(kTable[i].id) != i) return false;
    return static_cast<size_t>(BL_Upg_Finish) + 1 == std::size(kTable);
}
static_assert(TableIsIndexedById(), "rows must follow the order of CommandId");

}  // namespace

std::span<const CommandRow> CommandTable() {
    return kTable;
}

const CommandRow& Command(CommandId id) {
    return kTable[static_cast<size_t>(id)];
}

bool SetTarget::SameSetting(std::span<const uint8_t> a, std::span<const uint8_t> b) const {
    if (!merges || a.size() < keyBytes || b.size() < keyBytes) return false;
    return std::equal(a.begin(), a.begin() + keyBytes, b.begin());
}

bool SetTarget::Overlaps(std::span<const uint8_t> a, std::span<const uint8_t> b) const {
    // A payload too short to name its setting could be anything.
    if (a.size() < keyBytes || b.size() < keyBytes) return true;
    for (int i = 0; i < keyBytes; ++i) {
        const bool inRange = rangeAt >= 0 && (i == rangeAt || i == rangeAt + 1);
        if (!inRange && i != looseAt && a[i] != b[i]) return false;
    }
    if (rangeAt < 0) return true;
    const int firstA = a[rangeAt], lastA = a[rangeAt + 1];
    const int firstB = b[rangeAt], lastB = b[rangeAt + 1];
    return firstA <= lastA && firstB <= lastB && firstA <= lastB && firstB <= lastA;
}

bool PayloadFits(const CommandRow& row, int items) {
    return items >= 0 && items <= row.maxItems &&
           row.headerBytes + items * row.bytesPerItem <= static_cast<int>(kMaxPayload);
}

}  // namespace dv
