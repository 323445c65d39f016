// Every request the unit understands, as data: group, sub-command, operation, how it is
// dispatched, how long its reply is awaited and the shape of its payload.
#pragma once

#include <cstdint>
#include <span>

namespace dv {

enum class DispatchMode : uint8_t {
    Now,     // write, then read one reply on the caller's thread
    Queued,  // `immediate` true: as Now; false: into the command queue when it is enabled
    Send,    // write only
};

enum class CommandId : uint8_t {
    // group 1, set
    Source_Switch_Ctrl,
    Main_Volume_Ctrl,
    Subwoofer_Volume_Ctrl,
    Mute_Ctrl,
    Filter_Ctrl,
    EQ_Ctrl,
    Delay_Ctrl,
    Trim_Ctrl,
    Mute_Ch_Ctrl,
    Phase_Ctrl,
    Mix_Ch_Ctrl,
    Remap_Ch_Ctrl,
    CH_Type_Ctrl,
    CH_Link_Ctrl,
    CH_Lock_Ctrl,
    DSP_Bypass_Ctrl,
    PEQ_Reset_Ctrl,
    PEQ_Bypass_Ctrl,
    IRC_Ctrl,
    IRC_Set_Test_Mic,
    Input_Trim_Ctrl,
    Mute_Input_Ch_Ctrl,
    Input_Phase_Ctrl,
    Input_EQ_Ctrl,
    Input_Mix_Trim_Ctrl,
    Input_Ch_Threshold_Ctrl,
    // group 1, queries
    Get_Source_Config,
    Get_Source,
    Get_Main_Volume,
    Get_Subwoofer_Volume,
    Get_Mute,
    Get_Filter,
    Get_EQ,
    Get_Delay,
    Get_Trim,
    Get_Mute_Ch,
    Get_Phase,
    Get_Mix_Ch,
    Get_Remap_Ch,
    Get_CH_Type,
    Get_CH_Link,
    Get_CH_Lock,
    Get_All_Bypass,
    Get_PEQ_Reset,
    Get_PEQ_Bypass,
    IRC_Get,
    IRC_Get_Distance,
    IRC_Get_Trim,
    IRC_Get_EQ,
    IRC_Get_Spk_Size,
    IRC_Get_Spk_Phase,
    IRC_Get_Spk_Level,
    IRC_Get_Spectrum,
    IRC_Get_Noise_Level,
    IRC_Get_RTA,
    Get_Input_Trim,
    Get_Mute_Input_Ch,
    Get_Input_Phase,
    Get_Input_EQ,
    Get_Input_Mix_CH_Trim,
    Get_Input_Threshold,
    Get_Input_Noise,
    // group 2
    Flash_Upg_Start,
    Flash_Upg_Data,
    Flash_Upg_Finish,
    SaveScene,
    ReadScene,
    DeleteScene,
    SetSceneName,
    Get_Scene_Name,
    SetSceneProfile,
    GetSceneProfile,
    // group 3
    MCU_Enter_Upg_Mode,
    MCU_Upg_Start,
    MCU_Upg_Data,
    MCU_Upg_Finish,
    Hand_Connect,
    Get_Flash_Version,
    Get_Bootloader_Version,
    PC_Connect,
    MCU_Reboot_Ctrl,
    Factory_Default_Ctrl,
    BL_Enter_Upg_Mode,
    BL_Upg_Start,
    BL_Upg_Data,
    BL_Upg_Finish,
};

// The unit setting a queued set command overwrites, named by the payload's leading bytes
// (scene, source, channel, band ...). A newer record for the same setting may replace a waiting
// older one: the unit ends in the same state. Commands that do more than store a value (resets,
// link, lock, roles, source switch, calibration, queries) have no target and never do.
struct SetTarget {
    uint8_t keyBytes = 0;  // leading payload bytes that name the setting
    int8_t rangeAt = -1;   // where (first, last) sit among them; -1: a single setting
    // A key byte that may not tell settings apart on the unit (the source byte of per-output
    // settings): records differing only there are kept apart and in order.
    int8_t looseAt = -1;
    bool merges = false;

    bool SameSetting(std::span<const uint8_t> a, std::span<const uint8_t> b) const;
    // Whether two payloads of this command may touch a common setting.
    bool Overlaps(std::span<const uint8_t> a, std::span<const uint8_t> b) const;
};

struct CommandRow {
    CommandId id;
    const char* name;
    uint8_t mcmd;
    uint8_t subcmd;
    uint8_t optype;
    DispatchMode mode;
    int timeoutMs;
    // Payload shape: headerBytes, then up to maxItems groups of bytesPerItem.
    uint8_t headerBytes;
    uint8_t bytesPerItem;
    uint8_t maxItems;
    SetTarget target;
};

std::span<const CommandRow> CommandTable();
const CommandRow& Command(CommandId id);

// Whether `items` groups fit the command's payload room.
bool PayloadFits(const CommandRow& row, int items);

}  // namespace dv
