// Group 1 queries and the group 2 and 3 commands.
#include <string>

#include "base/Log.h"
#include "device/DspDevice.h"
#include "device/PayloadBuilder.h"

namespace dv {

bool DspDevice::IssueRangeQuery(CommandId id, uint8_t scene, uint8_t source, uint8_t first,
                                uint8_t last) {
    const uint8_t payload[] = {scene, source, first, last};
    return Issue(id, payload);
}

bool DspDevice::IssueChannelPair(CommandId id, uint8_t first, uint8_t last) {
    LogPrintA("%s from ch(%d) to ch_end(%d)\n", Command(id).name, first, last);
    const uint8_t payload[] = {first, last};
    return Issue(id, payload);
}

bool DspDevice::Get_Source_Config() {
    LogPrintA("Get_Source_Config\n");
    return Issue(CommandId::Get_Source_Config, {});
}

bool DspDevice::Get_Source() {
    LogPrintA("Get_Source\n");
    return Issue(CommandId::Get_Source, {});
}

bool DspDevice::Get_Main_Volume() {
    LogPrintA("Get_Main_Volume\n");
    return Issue(CommandId::Get_Main_Volume, {});
}

bool DspDevice::Get_Subwoofer_Volume() {
    LogPrintA("Get_Subwoofer_Volume\n");
    return Issue(CommandId::Get_Subwoofer_Volume, {});
}

bool DspDevice::Get_Mute() {
    LogPrintA("Get_Mute\n");
    return Issue(CommandId::Get_Mute, {});
}

bool DspDevice::Get_Filter(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_Filter: channel(%d) to channel(%d) @source(%d), scene(%d)\n", first, last,
              source, scene);
    return IssueRangeQuery(CommandId::Get_Filter, scene, source, first, last);
}

bool DspDevice::Get_EQ(uint8_t scene, uint8_t source, uint8_t channel, uint8_t firstBand,
                       uint8_t lastBand) {
    LogPrintA("Get_EQ: band(%d) @channel(%d) @source(%d), scene(%d)\n", firstBand, channel, source,
              scene);
    const uint8_t payload[] = {scene, source, channel, firstBand, lastBand};
    return Issue(CommandId::Get_EQ, payload);
}

bool DspDevice::Get_Delay(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_Delay: scene(%d), channel(%d)\n", scene, first);
    return IssueRangeQuery(CommandId::Get_Delay, scene, source, first, last);
}

bool DspDevice::Get_Trim(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_Trim: scene(%d), channel(%d)\n", scene, first);
    return IssueRangeQuery(CommandId::Get_Trim, scene, source, first, last);
}

bool DspDevice::Get_Mute_Ch(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_Mute_Ch: scene(%d), channel(%d)\n", scene, first);
    return IssueRangeQuery(CommandId::Get_Mute_Ch, scene, source, first, last);
}

bool DspDevice::Get_Phase(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_Phase: scene(%d), channel(%d)\n", scene, first);
    return IssueRangeQuery(CommandId::Get_Phase, scene, source, first, last);
}

bool DspDevice::Get_Mix_Ch(uint8_t scene, uint8_t source, uint8_t firstOutput) {
    LogPrintA("Get_Mix_Ch: scene(%d), output_channel(%d)\n", scene, firstOutput);
    const uint8_t payload[] = {scene, source, firstOutput};
    return Issue(CommandId::Get_Mix_Ch, payload);
}

bool DspDevice::Get_Remap_Ch(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_Remap_Ch: scene(%d), output_channel(%d)\n", scene, first);
    return IssueRangeQuery(CommandId::Get_Remap_Ch, scene, source, first, last);
}

bool DspDevice::Get_CH_Type(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_CH_Type: scene(%d), channel(%d), channel_end(%d)\n", scene, first, last);
    return IssueRangeQuery(CommandId::Get_CH_Type, scene, source, first, last);
}

bool DspDevice::Get_CH_Link(uint8_t scene) {
    LogPrintA("Get_CH_Link: scene(%d)\n", scene);
    const uint8_t payload[] = {scene};
    return Issue(CommandId::Get_CH_Link, payload);
}

bool DspDevice::Get_CH_Lock(uint8_t scene) {
    LogPrintA("Get_CH_Lock: scene(%d)\n", scene);
    const uint8_t payload[] = {scene};
    return Issue(CommandId::Get_CH_Lock, payload);
}

bool DspDevice::Get_All_Bypass(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_All_Bypass: scene(%d), channel(%d)\n", scene, first);
    return IssueRangeQuery(CommandId::Get_All_Bypass, scene, source, first, last);
}

bool DspDevice::Get_PEQ_Reset(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_PEQ_Reset: scene(%d), channel(%d)\n", scene, first);
    return IssueRangeQuery(CommandId::Get_PEQ_Reset, scene, source, first, last);
}

bool DspDevice::Get_PEQ_Bypass(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_PEQ_Bypass: scene(%d), channel(%d)\n", scene, first);
    return IssueRangeQuery(CommandId::Get_PEQ_Bypass, scene, source, first, last);
}

bool DspDevice::IRC_Get() {
    LogPrintA("IRC_Get\n");
    ForgetIrcStatus();
    return Issue(CommandId::IRC_Get, {});
}

bool DspDevice::IRC_Get_Distance(uint8_t first, uint8_t last) {
    return IssueChannelPair(CommandId::IRC_Get_Distance, first, last);
}

bool DspDevice::IRC_Get_Trim(uint8_t first, uint8_t last) {
    return IssueChannelPair(CommandId::IRC_Get_Trim, first, last);
}

bool DspDevice::IRC_Get_EQ(uint8_t channel, uint8_t firstBand, uint8_t lastBand) {
    LogPrintA("IRC_Get_EQ: from band(%d) to band_end(%d) @channel(%d)\n", firstBand, lastBand,
              channel);
    const uint8_t payload[] = {channel, firstBand, lastBand};
    return Issue(CommandId::IRC_Get_EQ, payload);
}

bool DspDevice::IRC_Get_Spk_Size(uint8_t first, uint8_t last) {
    return IssueChannelPair(CommandId::IRC_Get_Spk_Size, first, last);
}

bool DspDevice::IRC_Get_Spk_Phase(uint8_t first, uint8_t last) {
    return IssueChannelPair(CommandId::IRC_Get_Spk_Phase, first, last);
}

bool DspDevice::IRC_Get_Spk_Level(uint8_t first, uint8_t last) {
    return IssueChannelPair(CommandId::IRC_Get_Spk_Level, first, last);
}

bool DspDevice::IRC_Get_Spectrum(uint8_t channel, uint8_t firstBand, uint8_t lastBand) {
    LogPrintA("IRC_Get_Spectrum: from band(%d) to band_end(%d) @channel(%d)\n", firstBand, lastBand,
              channel);
    const uint8_t payload[] = {channel, firstBand, lastBand};
    return Issue(CommandId::IRC_Get_Spectrum, payload);
}

bool DspDevice::IRC_Get_Noise_Level(uint8_t first, uint8_t last) {
    return IssueChannelPair(CommandId::IRC_Get_Noise_Level, first, last);
}

bool DspDevice::IRC_Get_RTA() {
    LogPrintA("IRC_Get_RTA\n");
    return Issue(CommandId::IRC_Get_RTA, {});
}

bool DspDevice::Get_Input_Trim(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_Input_Trim: scene(%d), channel(%d) to channel(%d)\n", scene, first, last);
    return IssueRangeQuery(CommandId::Get_Input_Trim, scene, source, first, last);
}

bool DspDevice::Get_Mute_Input_Ch(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    LogPrintA("Get_Mute_Input_Ch: scene(%d), channel(%d)\n", scene, first);
    return IssueRangeQuery(CommandId::Get_Mute_Input_Ch, scene, source, first, last);
}

bool DspDevice::Get_Input_Phase(uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
    return IssueRangeQuery(CommandId::Get_Input_Phase, scene, source, first, last);
}

bool DspDevice::Get_Input_EQ(uint8_t scene, uint8_t source, uint8_t channel, uint8_t firstBand,
                             uint8_t lastBand) {
    LogPrintA("Get_Input_EQ: @ channel(%d) @scene(%d)\n", channel, scene);
    const uint8_t payload[] = {scene, source, channel, firstBand, lastBand};
    return Issue(CommandId::Get_Input_EQ, payload);
}

bool DspDevice::Get_Input_Mix_CH_Trim(uint8_t scene, uint8_t source, uint8_t inChannel,
                                      uint8_t firstOut, uint8_t lastOut) {
    LogPrintA("Get_Input_Mix_CH_Trim: scene(%d), in_channel(%d), out_ch_x(%d) to out_ch_y(%d)\n",
              scene, inChannel, firstOut, lastOut);
    const uint8_t payload[] = {scene, source, inChannel, firstOut, lastOut};
    return Issue(CommandId::Get_Input_Mix_CH_Trim, payload);
}

bool DspDevice::Get_Input_Threshold(uint8_t scene, uint8_t source, bool immediate) {
    LogPrintA("Get_Input_Threshold: scene(%d), source(%d)\n", scene, source);
    const uint8_t payload[] = {scene, source};
    return Issue(CommandId::Get_Input_Threshold, payload, immediate);
}

bool DspDevice::Get_Input_Noise(uint8_t firstInput, uint8_t lastInput, bool immediate) {
    LogPrintA("Get_Input_Noise: ch_x(%d) to ch_y(%d)\n", firstInput, lastInput);
    const uint8_t payload[] = {firstInput, lastInput};
    return Issue(CommandId::Get_Input_Noise, payload, immediate);
}

bool DspDevice::Flash_Upg_Start(std::span<const uint8_t, 4> header) {
    return Issue(CommandId::Flash_Upg_Start, header);
}

bool DspDevice::Flash_Upg_Data(uint32_t offset, std::span<const uint8_t> data) {
    const CommandId id = CommandId::Flash_Upg_Data;
    if (data.empty() || !PayloadFits(Command(id), static_cast<int>(data.size())))
        return Refuse(id, "block must hold 1 to 50 bytes");
    PayloadBuilder payload;
    payload.U32(offset);
    payload.U8(static_cast<uint8_t>(data.size()));
    payload.Bytes(data);
    return Issue(id, payload.View());
}

bool DspDevice::Flash_Upg_Finish() {
    return Issue(CommandId::Flash_Upg_Finish, {});
}

bool DspDevice::SaveScene(uint8_t scene, uint8_t immediately) {
    LogPrintA("SaveScene scene(%d) immediately=%d\n", scene, immediately);
    const uint8_t payload[] = {scene, immediately};
    return Issue(CommandId::SaveScene, payload);
}

bool DspDevice::ReadScene(uint8_t firstScene, uint8_t lastScene) {
    LogPrintA("ReadScene from scene(%d) to scene(%d)\n", firstScene, lastScene);
    const uint8_t payload[] = {firstScene, lastScene};
    return Issue(CommandId::ReadScene, payload);
}

bool DspDevice::DeleteScene(uint8_t scene) {
    LogPrintA("DeleteScene scene(%d)\n", scene);
    const uint8_t payload[] = {scene};
    return Issue(CommandId::DeleteScene, payload);
}

bool DspDevice::SetSceneName(uint8_t scene, std::span<const uint8_t> name) {
    const CommandId id = CommandId::SetSceneName;
    if (!PayloadFits(Command(id), static_cast<int>(name.size())))
        return Refuse(id, "name too long");
    const std::string text(name.begin(), name.end());
    LogPrintA("SetSceneName scene(%d), len(%d), (name)%s\n", scene, static_cast<int>(name.size()),
              text.c_str());
    PayloadBuilder payload{scene, static_cast<uint8_t>(name.size())};
    payload.Bytes(name);
    return Issue(id, payload.View());
}

bool DspDevice::Get_Scene_Name(uint8_t scene) {
    const uint8_t payload[] = {scene};
    return Issue(CommandId::Get_Scene_Name, payload);
}

bool DspDevice::SetSceneProfile(uint8_t scene, uint16_t start, std::span<const uint8_t> data) {
    const CommandId id = CommandId::SetSceneProfile;
    if (!PayloadFits(Command(id), static_cast<int>(data.size())))
        return Refuse(id, "data too long");
    LogPrintA("SetSceneProfile scene(%d)\n", scene);
    PayloadBuilder payload{scene};
    payload.U16(start);
    payload.U8(static_cast<uint8_t>(data.size()));
    payload.Bytes(data);
    return Issue(id, payload.View());
}

bool DspDevice::GetSceneProfile(uint8_t scene, uint16_t start, uint8_t length) {
    LogPrintA("GetSceneProfile scene(%d), start = %d, data_len = %d\n", scene, start, length);
    PayloadBuilder payload{scene};
    payload.U16(start);
    payload.U8(length);
    return Issue(CommandId::GetSceneProfile, payload.View());
}

bool DspDevice::MCU_Enter_Upg_Mode() {
    LogPrintA("MCU_Enter_Upg_Mode\n");
    return Issue(CommandId::MCU_Enter_Upg_Mode, {});
}

bool DspDevice::MCU_Upg_Start(std::span<const uint8_t, 4> header) {
    return Issue(CommandId::MCU_Upg_Start, header);
}

namespace {

// Offset, then up to 32 block bytes, zero filled to the fixed 36 bytes.
bool BuildMcuBlock(uint32_t offset, std::span<const uint8_t> block, PayloadBuilder& payload) {
    if (block.size() > 32) return false;
    payload.U32(offset);
    payload.Bytes(block);
    for (size_t i = block.size(); i < 32; ++i) payload.U8(0);
    return true;
}

}  // namespace

bool DspDevice::MCU_Upg_Data(uint32_t offset, std::span<const uint8_t> block) {
    PayloadBuilder payload;
    if (!BuildMcuBlock(offset, block, payload))
        return Refuse(CommandId::MCU_Upg_Data, "block longer than 32 bytes");
    return Issue(CommandId::MCU_Upg_Data, payload.View());
}

bool DspDevice::MCU_Upg_Finish() {
    return Issue(CommandId::MCU_Upg_Finish, {});
}

bool DspDevice::Hand_Connect() {
    LogPrintA("Hand_Connect\n");
    // Bytes that were no complete handshake (a truncated reply, another frame) leave the panel
    // knowing nothing about the unit: that is no answer.
    const unsigned before = handshakeReplies_.load();
    Issue(CommandId::Hand_Connect, {});
    return handshakeReplies_.load() != before;
}

bool DspDevice::Get_Flash_Version() {
    LogPrintA("Get_Flash_Version\n");
    return Issue(CommandId::Get_Flash_Version, {});
}

bool DspDevice::Get_Bootloader_Version() {
    LogPrintA("Get_Bootloader_Version\n");
    return Issue(CommandId::Get_Bootloader_Version, {});
}

bool DspDevice::PC_Connect(int on) {
    LogPrintA("PC_Connect = %d\n", on);
    const uint8_t payload[] = {static_cast<uint8_t>(on)};
    return Issue(CommandId::PC_Connect, payload);
}

bool DspDevice::MCU_Reboot_Ctrl() {
    LogPrintA("MCU_Reboot_Ctrl\n");
    return Issue(CommandId::MCU_Reboot_Ctrl, {});
}

bool DspDevice::Factory_Default_Ctrl() {
    return Issue(CommandId::Factory_Default_Ctrl, {});
}

bool DspDevice::BL_Enter_Upg_Mode() {
    return Issue(CommandId::BL_Enter_Upg_Mode, {});
}

bool DspDevice::BL_Upg_Start(std::span<const uint8_t, 4> header) {
    return Issue(CommandId::BL_Upg_Start, header);
}

bool DspDevice::BL_Upg_Data(uint32_t offset, std::span<const uint8_t> block) {
    PayloadBuilder payload;
    if (!BuildMcuBlock(offset, block, payload))
        return Refuse(CommandId::BL_Upg_Data, "block longer than 32 bytes");
    return Issue(CommandId::BL_Upg_Data, payload.View());
}

bool DspDevice::BL_Upg_Finish() {
    return Issue(CommandId::BL_Upg_Finish, {});
}

}  // namespace dv
