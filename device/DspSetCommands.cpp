// Group 1 set commands: payload layouts, number encodings and their log lines.
#include "base/Log.h"
#include "device/DspDevice.h"
#include "device/Encoding.h"
#include "device/PayloadBuilder.h"

namespace dv {

namespace {

int RangeCount(int first, int last) {
    return last >= first ? last - first + 1 : 0;
}

}  // namespace

bool DspDevice::IssueValueRange(CommandId id, uint8_t scene, uint8_t source, uint8_t first,
                                uint8_t last, std::span<const int> values, bool immediate,
                                void (*logLine)(int scene, int source, int channel, int value)) {
    const int count = RangeCount(first, last);
    if (!PayloadFits(Command(id), count)) return Refuse(id, "range does not fit a frame");
    if (values.size() < static_cast<size_t>(count)) return Refuse(id, "fewer values than channels");
    PayloadBuilder payload{scene, source, first, last};
    for (int i = 0; i < count; ++i) {
        payload.U8(static_cast<uint8_t>(values[i]));
        logLine(scene, source, first + i, values[i]);
    }
    return Issue(id, payload.View(), immediate);
}

bool DspDevice::Source_Switch_Ctrl(uint8_t source, bool immediate) {
    LogPrintA("Source_Switch_Ctrl: source(0x%x)\n", source);
    const uint8_t payload[] = {source};
    return Issue(CommandId::Source_Switch_Ctrl, payload, immediate);
}

bool DspDevice::Main_Volume_Ctrl(int volume, bool immediate) {
    const uint8_t payload[] = {static_cast<uint8_t>(volume)};
    return Issue(CommandId::Main_Volume_Ctrl, payload, immediate);
}

bool DspDevice::Subwoofer_Volume_Ctrl(int volume, bool immediate) {
    const uint8_t payload[] = {static_cast<uint8_t>(volume)};
    return Issue(CommandId::Subwoofer_Volume_Ctrl, payload, immediate);
}

bool DspDevice::Mute_Ctrl(int mute, bool immediate) {
    const uint8_t payload[] = {static_cast<uint8_t>(mute)};
    return Issue(CommandId::Mute_Ctrl, payload, immediate);
}

bool DspDevice::Filter_Ctrl(uint8_t scene, uint8_t source, uint8_t channel, FilterSide side,
                            FilterFreq freq, FilterSlope slope, FilterType type, bool immediate) {
    const auto selector = static_cast<uint8_t>(side);
    LogPrintA(
        "Filter_Ctrl scene@(%d), source(%d), ch(%d), iFilter(%d), freq(%d), slope(%d), "
        "type(%d)\n",
        scene, source, channel, selector, freq.hz, slope.code, type.code);
    PayloadBuilder payload{scene, source, channel, selector, type.code};
    payload.U16(static_cast<unsigned>(freq.hz));
    payload.U8(slope.code);
    return Issue(CommandId::Filter_Ctrl, payload.View(), immediate);
}

bool DspDevice::EQ_Ctrl(uint8_t scene, uint8_t source, uint8_t channel, uint8_t band, int freq,
                        float q, float gain, bool immediate) {
    LogPrintA("EQ_Ctrl: gain(%.2f) ,freqValue(%d) ,qValue(%f) @ band(%d) @channel(%d) @scene(%d)\n",
              gain, freq, q, band, channel, scene);
    PayloadBuilder payload{scene, source, channel, band};
    payload.U16(static_cast<unsigned>(freq));
    payload.Bytes(EncodeEqQ(q));
    payload.Bytes(EncodeEqGain(gain));
    return Issue(CommandId::EQ_Ctrl, payload.View(), immediate);
}

bool DspDevice::Delay_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                           std::span<const float> delays, bool immediate) {
    const int count = RangeCount(first, last);
    const CommandId id = CommandId::Delay_Ctrl;
    if (!PayloadFits(Command(id), count)) return Refuse(id, "range does not fit a frame");
    if (delays.size() < static_cast<size_t>(count)) return Refuse(id, "fewer values than channels");
    PayloadBuilder payload{scene, source, first, last};
    for (int i = 0; i < count; ++i) {
        payload.Bytes(EncodeDelay(delays[i]));
        LogPrintA("Delay_Ctrl: scene(%d), channel(%d), delay(%.3f)\n", scene, first + i,
                  static_cast<double>(delays[i]));
    }
    return Issue(id, payload.View(), immediate);
}

bool DspDevice::Trim_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                          std::span<const int> trims, bool immediate) {
    LogPrintA("destch_x = %d, dest_chy = %d\n", first, last);
    return IssueValueRange(CommandId::Trim_Ctrl, scene, source, first, last, trims, immediate,
                           [](int sc, int, int ch, int v) {
                               LogPrintA("Trim_Ctrl: scene(%d), channel(%d), gain(%d)\n", sc, ch,
                                         v);
                           });
}

bool DspDevice::Mute_Ch_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                             std::span<const int> mutes, bool immediate) {
    return IssueValueRange(CommandId::Mute_Ch_Ctrl, scene, source, first, last, mutes, immediate,
                           [](int sc, int, int ch, int v) {
                               LogPrintA("Mute_Ch_Ctrl: scene(%d), channel(%d), mute(%d)\n", sc, ch,
                                         v);
                           });
}

bool DspDevice::Phase_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                           std::span<const int> phases, bool immediate) {
    return IssueValueRange(CommandId::Phase_Ctrl, scene, source, first, last, phases, immediate,
                           [](int sc, int, int ch, int v) {
                               LogPrintA("Phase_Ctrl: scene(%d), channel(%d), phase(%d)\n", sc, ch,
                                         v);
                           });
}

bool DspDevice::Mix_Ch_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                            std::span<const int> masks, bool immediate) {
    return IssueValueRange(
        CommandId::Mix_Ch_Ctrl, scene, source, first, last, masks, immediate,
        [](int sc, int src, int ch, int v) {
            LogPrintA("Mix_Ch_Ctrl: scene(%d), source(%d), output_channel(%d), input_ch(0x%x)\n",
                      sc, src, ch, static_cast<unsigned>(v));
        });
}

bool DspDevice::Remap_Ch_Ctrl(uint8_t scene, uint8_t source, uint8_t channel,
                              std::span<const uint8_t> inputs, bool immediate) {
    const CommandId id = CommandId::Remap_Ch_Ctrl;
    if (!PayloadFits(Command(id), static_cast<int>(inputs.size())))
        return Refuse(id, "too many inputs");
    PayloadBuilder payload{scene, source, channel};
    for (uint8_t input : inputs) {
        payload.U8(input);
        LogPrintA("Remap_Ch_Ctrl: scene(%d), output_channel(%d), input_ch(%d)\n", scene, channel,
                  input);
    }
    return Issue(id, payload.View(), immediate);
}

bool DspDevice::CH_Type_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                             std::span<const int> roles, bool immediate) {
    LogPrintA("CH_Type_Ctrl scene(%d), source(%d), ch_x(%d), ch_y(%d)\n", scene, source, first,
              last);
    return IssueValueRange(CommandId::CH_Type_Ctrl, scene, source, first, last, roles, immediate,
                           [](int, int, int ch, int v) {
                               LogPrintA("CH_Type_Ctrl channel(%d) -> t_ch_type(0x%x)\n", ch,
                                         static_cast<unsigned>(v));
                           });
}

bool DspDevice::CH_Link_Ctrl(uint8_t scene, int link, std::span<const LinkPair> pairs,
                             bool immediate) {
    const CommandId id = CommandId::CH_Link_Ctrl;
    if (!PayloadFits(Command(id), static_cast<int>(pairs.size())))
        return Refuse(id, "too many pairs");
    LogPrintA("CH_Link_Ctrl scene(%d), link(%d), ch_count(%d)\n", scene, link,
              static_cast<int>(pairs.size()));
    PayloadBuilder payload{scene, static_cast<uint8_t>(link), static_cast<uint8_t>(pairs.size())};
    for (const LinkPair& pair : pairs) {
        payload.U8(pair.from);
        payload.U8(pair.to);
        LogPrintA("from ch(%d) to ch(%d)\n", pair.from, pair.to);
    }
    return Issue(id, payload.View(), immediate);
}

bool DspDevice::CH_Lock_Ctrl(uint8_t scene, int lock, bool immediate) {
    const uint8_t payload[] = {scene, static_cast<uint8_t>(lock)};
    return Issue(CommandId::CH_Lock_Ctrl, payload, immediate);
}

bool DspDevice::DSP_Bypass_Ctrl(uint8_t scene, uint8_t selector, int bypass, bool immediate) {
    LogPrintA("DSP_Bypass_Ctrl: scene(%d), channel(%d), bypass(%d)\n", scene, selector, bypass);
    const uint8_t payload[] = {scene, selector, static_cast<uint8_t>(bypass)};
    return Issue(CommandId::DSP_Bypass_Ctrl, payload, immediate);
}

bool DspDevice::PEQ_Reset_Ctrl(uint8_t scene, uint8_t source, std::span<const uint8_t> channels,
                               bool immediate) {
    const CommandId id = CommandId::PEQ_Reset_Ctrl;
    if (!PayloadFits(Command(id), static_cast<int>(channels.size())))
        return Refuse(id, "too many channels");
    LogPrintA("PEQ_Reset_Ctrl: scene(%d), ch_count(%d), ", scene,
              static_cast<int>(channels.size()));
    PayloadBuilder payload{scene, source, static_cast<uint8_t>(channels.size())};
    for (uint8_t channel : channels) {
        payload.U8(channel);
        LogPrintA("ch(%d), ", channel);
    }
    LogPrintA("\n");
    return Issue(id, payload.View(), immediate);
}

bool DspDevice::PEQ_Bypass_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                                std::span<const int> bypass, bool immediate) {
    return IssueValueRange(CommandId::PEQ_Bypass_Ctrl, scene, source, first, last, bypass,
                           immediate, [](int sc, int, int ch, int v) {
                               LogPrintA("PEQ_Bypass_Ctrl: scene(%d), channel(%d), bypass(%d)\n",
                                         sc, ch, v);
                           });
}

bool DspDevice::IRC_Ctrl(uint8_t action, uint16_t channelMask, uint8_t eqMode, bool immediate) {
    LogPrintA("IRC_Ctrl: on(%d), ircch=0x%x, irc_eqmode = %d, syncMode(%d)\n", action, channelMask,
              eqMode, immediate ? 1 : 0);
    PayloadBuilder payload{action};
    payload.U16(channelMask);
    payload.U8(eqMode);
    return Issue(CommandId::IRC_Ctrl, payload.View(), immediate);
}

bool DspDevice::IRC_Set_Test_Mic(int on, bool immediate) {
    LogPrintA("IRC_Set_Test_Mic: on(%d)\n", on);
    const uint8_t payload[] = {static_cast<uint8_t>(on)};
    return Issue(CommandId::IRC_Set_Test_Mic, payload, immediate);
}

bool DspDevice::Input_Trim_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                                std::span<const int> trims, bool immediate) {
    return IssueValueRange(CommandId::Input_Trim_Ctrl, scene, source, first, last, trims, immediate,
                           [](int sc, int, int ch, int v) {
                               LogPrintA("Input_Trim_Ctrl: scene(%d), channel(%d), gain(%d)\n", sc,
                                         ch, v);
                           });
}

bool DspDevice::Mute_Input_Ch_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                                   std::span<const int> mutes, bool immediate) {
    return IssueValueRange(CommandId::Mute_Input_Ch_Ctrl, scene, source, first, last, mutes,
                           immediate, [](int sc, int, int ch, int v) {
                               LogPrintA("Mute_Input_Ch_Ctrl: scene(%d), channel(%d), mute(%d)\n",
                                         sc, ch, v);
                           });
}

bool DspDevice::Input_Phase_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                                 std::span<const int> phases, bool immediate) {
    return IssueValueRange(CommandId::Input_Phase_Ctrl, scene, source, first, last, phases,
                           immediate, [](int sc, int, int ch, int v) {
                               LogPrintA("Input_Phase_Ctrl: scene(%d), channel(%d), phase(%d)\n",
                                         sc, ch, v);
                           });
}

bool DspDevice::Input_EQ_Ctrl(uint8_t scene, uint8_t source, uint8_t channel, uint8_t firstBand,
                              uint8_t lastBand, std::span<const EqBandValue> bands,
                              bool immediate) {
    const CommandId id = CommandId::Input_EQ_Ctrl;
    const int count = RangeCount(firstBand, lastBand);
    if (!PayloadFits(Command(id), count)) return Refuse(id, "range does not fit a frame");
    if (bands.size() < static_cast<size_t>(count)) return Refuse(id, "fewer values than bands");
    PayloadBuilder payload{scene, source, channel, firstBand, lastBand};
    for (int i = 0; i < count; ++i) {
        const EqBandValue& band = bands[i];
        payload.U16(static_cast<unsigned>(band.freq));
        payload.Bytes(EncodeEqQ(band.q));
        payload.Bytes(EncodeEqGain(band.gain));
        LogPrintA(
            "Input_EQ_Ctrl: gain(%d) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d) "
            "@scene(%d)\n",
            static_cast<int>(band.gain), band.freq, static_cast<double>(band.q), firstBand + i,
            channel, scene);
    }
    return Issue(id, payload.View(), immediate);
}

bool DspDevice::Input_Mix_Trim_Ctrl(uint8_t scene, uint8_t source, uint8_t inChannel,
                                    uint8_t firstOut, uint8_t lastOut, std::span<const int> trims,
                                    bool immediate) {
    const CommandId id = CommandId::Input_Mix_Trim_Ctrl;
    const int count = RangeCount(firstOut, lastOut);
    if (!PayloadFits(Command(id), count)) return Refuse(id, "range does not fit a frame");
    if (trims.size() < static_cast<size_t>(count)) return Refuse(id, "fewer values than outputs");
    LogPrintA("Input_Mix_Trim_Ctrl: scene(%d), in_channel(%d),", scene, inChannel);
    PayloadBuilder payload{scene, source, inChannel, firstOut, lastOut};
    for (int i = 0; i < count; ++i) {
        payload.U8(static_cast<uint8_t>(trims[i]));
        LogPrintA("in_ch(%d)=trim(%d), ", firstOut + i, trims[i]);
    }
    LogPrintA("\n");
    return Issue(id, payload.View(), immediate);
}

bool DspDevice::Input_Ch_Threshold_Ctrl(int threshold, bool immediate) {
    LogPrintA("Input_Ch_Threshold_Ctrl:threshold(%d)\n", threshold);
    const uint8_t payload[] = {static_cast<uint8_t>(static_cast<int8_t>(threshold))};
    return Issue(CommandId::Input_Ch_Threshold_Ctrl, payload, immediate);
}

}  // namespace dv
