// Group 1 replies: DSP values, calibration status and data, input noise.
#include <memory>

#include "base/Log.h"
#include "device/DspDevice.h"
#include "device/DspReplyRecords.h"
#include "device/Encoding.h"
#include "device/PayloadReader.h"

namespace dv {

namespace {

// Set by the thread that parses the reply: IRC_Get reads its reply on its caller's thread.
thread_local IrcStatusReply lastIrcStatus;

bool ValidScene(int scene) {
    return scene >= 0 && scene <= kSceneCount;
}
bool ValidOutput(int channel) {
    return channel >= 0 && channel < kOutputCount;
}
bool ValidSource(int source) {
    return source >= 0 && source < kSourceCount;
}
int RangeCount(int first, int last) {
    return last >= first ? last - first + 1 : 0;
}

void LogRefused(const ReceivedFrame& frame, const char* why) {
    LogPrintA("reply mcmd(%d) subcmd(%d) refused: %s\n", frame.mcmd, frame.subcmd, why);
}

const char* const kIrcStatusLines[] = {
    "IRC_RET_START_TEST\n",       "IRC_RET_SPK_STATUS_TEST\n",    "IRC_RET_LEVEL_TEST\n",
    "IRC_RET_DELAY_TEST\n",       "IRC_RET_TRIM_TEST\n",          "IRC_RET_EQ_TEST\n",
    "IRC_RET_SPEAKER_RTA_TEST\n", "IRC_RET_SPEAKER_RTA_UPDATE\n", "IRC_RET_EQ_DATA_UPDATE\n",
    "IRC_RET_TEST_DATA_UPDATE\n", "IRC_RET_TEST_DONE\n",          "IRC_RET_TEST_FAIL->",
    "IRC_RET_TEST_EXIT\n",
};

const char* const kIrcFailLines[] = {
    "IRC_FAIL_NO_VAR\n", "IRC_FAIL_NO_MIC\n", "IRC_FAIL_NO_SPEAKER\n",
    "IRC_FAIL_DELAY\n",  "IRC_FAIL_TRIM\n",   "IRC_FAIL_EQ\n",
};

}  // namespace

void DspDevice::ParseDspReply(const ReceivedFrame& frame) {
    if (frame.subcmd == 13 && frame.optype == OP_ACK) {
        LogPrintA("DSP_CH_TYPE OP_ACK\n");
        return;
    }
    if (frame.optype != OP_DATA) return;
    PayloadReader r(frame.payload);
    const unsigned op = frame.optype;
    switch (frame.subcmd) {
        case 0: {
            const int n = r.U8();
            if (!r.Need(static_cast<size_t>(n))) return LogRefused(frame, "short payload");
            LogPrintA("DSP_SOURCE_CONFIG update total source=%d -->\n", n);
            for (int i = 0; i < n; ++i) LogPrintA("source%d = %d\n", i, r.U8());
            return;
        }
        case 1:
        case 2:
        case 3:
        case 4: {
            if (!r.Need(1)) return LogRefused(frame, "short payload");
            const uint8_t raw = r.U8();
            int value = raw;
            if (frame.subcmd == 1) {
                LogPrintA("DSP_SOURCE_SWITCH OP=0x%x, source = 0x%x\n", op, raw);
            } else if (frame.subcmd == 2) {
                value = static_cast<int8_t>(raw);
                LogPrintA("DSP_VOLUME OP=0x%x, MVol = %d\n", op, value);
            } else if (frame.subcmd == 3) {
                value = static_cast<int8_t>(raw);
                LogPrintA("DSP_SUBWOOFER_VOLUME OP=0x%x, SUBW Vol = %d\n", op, value);
            } else {
                LogPrintA("DSP_MUTE OP=0x%x, MUTE = %d\n", op, value);
            }
            if (!TargetHandle(Target::Main)) return;
            auto record = std::make_unique<DspValueRecord>();
            record->value = value;
            return Post(Target::Main, WM_DSP_VALUE, frame.subcmd, std::move(record));
        }
        case 5:
            return ParseDspRange(frame, "DSP_FILTER_GET", 8);
        case 6: {
            const int scene = r.U8(), source = r.U8(), channel = r.U8();
            const int first = r.U8(), last = r.U8();
            if (!r.Ok()) return LogRefused(frame, "short payload");
            LogPrintA("DSP_EQ_CH OP=0x%x, scene =%d, source = %d, ch= %d, band=%d, band_end = %d\n",
                      op, scene, source, channel, first, last);
            const int count = RangeCount(first, last);
            if (!r.Need(static_cast<size_t>(count) * 6)) return LogRefused(frame, "short payload");
            if (!ValidScene(scene) || !ValidOutput(channel))
                return LogRefused(frame, "scene or output outside the model");
            for (int band = first; band < first + count; ++band) {
                const int freq = r.U16();
                const uint8_t qi = r.U8(), qh = r.U8(), gi = r.U8(), gt = r.U8();
                const float q = DecodeEqQ(qi, qh), gain = DecodeEqGain(gi, gt);
                LogPrintA("band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", band, freq,
                          static_cast<double>(q), static_cast<double>(gain));
                if (band >= BandCountOfOutput(channel) || !TargetHandle(Target::Main)) continue;
                auto record = std::make_unique<EqBandRecord>();
                record->scene = scene;
                record->channel = channel;
                record->band = band;
                record->freq = freq;
                record->q = q;
                record->gain = gain;
                Post(Target::Main, WM_DSP_VALUE, 6, std::move(record));
            }
            return;
        }
        case 7:
            return ParseDspRange(frame, "DSP_DELAY_CH", 3);
        case 8:
            return ParseDspRange(frame, "DSP_TRIM_CH", 1);
        case 9:
            return ParseDspRange(frame, "DSP_MUTE_CH", 1);
        case 10:
            return ParseDspRange(frame, "Get DSP_PHASE_CH", 1);
        case 11:
            return ParseDspRange(frame, "DSP_MIX_CH", 1);
        case 13:
            return ParseDspRange(frame, nullptr, 1);
        case 14:
        case 15: {
            const int scene = r.U8(), flag = r.U8();
            if (!r.Ok()) return LogRefused(frame, "short payload");
            LogPrintA(frame.subcmd == 14 ? "scene(%d), link(%d)\n" : "scene(%d), lock(%d)\n", scene,
                      flag);
            if (!ValidScene(scene)) return LogRefused(frame, "scene outside the model");
            if (!TargetHandle(Target::Main)) return;
            auto record = std::make_unique<SceneFlagRecord>();
            record->scene = scene;
            record->flag = flag;
            return Post(Target::Main, WM_DSP_VALUE, frame.subcmd, std::move(record));
        }
        case 17: {
            const int scene = r.U8();
            if (!r.Ok()) return LogRefused(frame, "short payload");
            LogPrintA("DSP_EQ_RESET OP=0x%x, scene =%d, \n", op, scene);
            return;
        }
        case 18:
            return ParseDspRange(frame, "DSP_EQ_BYPASS", 1);
        case 19:
            return ParseIrcStatus(r);
        case 20:
        case 21:
        case 23:
        case 24:
        case 25:
        case 27:
            return ParseIrcChannels(frame);
        case 22:
        case 26:
            return ParseIrcBands(frame);
        case 32:
            return ParseDspRange(frame, "DSP_INPUT_TRIM_CH", 1);
        case 33:
            return ParseDspRange(frame, "DSP_INPUT_CH_MUTE", 1);
        case 34:
            return ParseDspRange(frame, "Get INPUT_CH_PHASE", 1);
        case 35: {
            const int scene = r.U8();
            if (!r.Ok()) return LogRefused(frame, "short payload");
            LogPrintA("DSP_INPUT_EQ_CH OP=0x%x, scene =%d, \n", op, scene);
            return;
        }
        case 36:
            return ParseInputMixTrim(frame);
        case 38: {
            if (!r.Need(1)) return LogRefused(frame, "short payload");
            const int threshold = r.S8();
            LogPrintA("DSP_INPUT_THRESHOLD OP=0x%x, ", op);
            LogPrintA("input_threshold = %d\n", threshold);
            if (!TargetHandle(Target::Main)) return;
            auto record = std::make_unique<InputThresholdRecord>();
            record->threshold = threshold;
            return Post(Target::Main, WM_DSP_VALUE, 38, std::move(record));
        }
        case 39:
            return ParseInputNoise(frame);
        default:
            return;
    }
}

// Scene, source, first, last, then one group per channel; one record per channel.
void DspDevice::ParseDspRange(const ReceivedFrame& frame, const char* title, size_t groupBytes) {
    PayloadReader r(frame.payload);
    const int scene = r.U8(), source = r.U8(), first = r.U8(), last = r.U8();
    if (!r.Ok()) return LogRefused(frame, "short payload");
    if (title)
        LogPrintA("%s OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", title,
                  frame.optype, scene, source, first, last);
    const int count = RangeCount(first, last);
    if (!r.Need(static_cast<size_t>(count) * groupBytes)) return LogRefused(frame, "short payload");
    if (!ValidScene(scene)) return LogRefused(frame, "scene outside the model");
    if (frame.subcmd == 11 && !ValidSource(source))
        return LogRefused(frame, "source outside the model");
    const int code = frame.subcmd;
    for (int ch = first; ch < first + count; ++ch) {
        std::unique_ptr<MessageRecord> record;
        if (code == 5) {
            auto x = std::make_unique<CrossoverRecord>();
            x->hpType = r.U8();
            x->hpFreq = r.U16();
            x->hpSlope = r.U8();
            x->lpType = r.U8();
            x->lpFreq = r.U16();
            x->lpSlope = r.U8();
            LogPrintA(
                "ch(%d): hp_type = %d, hp_freq = %d, hp_slope = %d, lp_type = %d, lp_freq = %d, "
                "lp_slope = %d\n",
                ch, x->hpType, x->hpFreq, x->hpSlope, x->lpType, x->lpFreq, x->lpSlope);
            x->scene = scene;
            x->channel = ch;
            record = std::move(x);
        } else if (code == 7) {
            auto d = std::make_unique<DelayRecord>();
            const uint8_t a = r.U8(), b = r.U8(), c = r.U8();
            d->delayMs = DecodeDelay(a, b, c);
            LogPrintA("ch(%d), delay(%.3f)\n", ch, static_cast<double>(d->delayMs));
            d->scene = scene;
            d->channel = ch;
            record = std::move(d);
        } else if (code == 11) {
            auto m = std::make_unique<MixRecord>();
            m->mask = r.U8();
            LogPrintA("source(%d) ch(%d), mix(%d)\n", source, ch, m->mask);
            m->scene = scene;
            m->source = source;
            m->channel = ch;
            record = std::move(m);
        } else {
            const uint8_t raw = r.U8();
            const bool isSigned = code == 8 || code == 10 || code == 32 || code == 34;
            auto v = std::make_unique<ChannelValueRecord>();
            v->value = isSigned ? static_cast<int8_t>(raw) : raw;
            switch (code) {
                case 8:
                case 32:
                    LogPrintA("ch(%d), trim(%d)\n", ch, v->value);
                    break;
                case 9:
                case 33:
                    LogPrintA("ch(%d), mute(%d)\n", ch, v->value);
                    break;
                case 10:
                case 34:
                    LogPrintA("ch(%d), phase(%d)\n", ch, v->value);
                    break;
                case 13:
                    LogPrintA("ch(%d), ch_type(%d)\n", ch, v->value);
                    break;
                default:
                    LogPrintA("ch(%d), bypass(%d)\n", ch, v->value);
                    break;
            }
            v->scene = scene;
            v->channel = ch;
            record = std::move(v);
        }
        // Inputs and outputs are both 0..7 in this model.
        if (ValidOutput(ch)) Post(Target::Main, WM_DSP_VALUE, code, std::move(record));
    }
}

void DspDevice::ParseIrcStatus(PayloadReader& r) {
    const int status = r.U8(), channel = r.U8();
    r.Skip(1);
    const int progress = r.U8();
    if (!r.Ok()) return LogPrintA("reply IRC status refused: short payload\n");
    LogPrintA("DSP_IRC_CTRL Update Status = 0x%x, progress = %d\n", status, progress);
    if (status < 0 || status > 12) return;
    LogPrintA("%s", kIrcStatusLines[status]);
    int value = progress;
    if (status == 7 || status == 8) {
        if (!ValidOutput(channel)) return LogPrintA("IRC status refused: output %d\n", channel);
        value = channel;
    }
    if (status == 11) {
        const int reason = r.U8();
        if (!r.Ok() || reason > 5) return;
        LogPrintA("%s", kIrcFailLines[reason]);
        value = reason;
    }
    lastIrcStatus = {status, value};
    if (!TargetHandle(Target::AutoCal)) return;
    auto record = std::make_unique<DspValueRecord>();
    record->value = value;
    Post(Target::AutoCal, WM_IRC_VALUE, status, std::move(record));
}

IrcStatusReply DspDevice::LastIrcStatus() {
    return lastIrcStatus;
}

void DspDevice::ForgetIrcStatus() {
    lastIrcStatus = {};
}

// Calibration per-channel replies: first, last, then one group per channel.
void DspDevice::ParseIrcChannels(const ReceivedFrame& frame) {
    PayloadReader r(frame.payload);
    const int first = r.U8(), last = r.U8();
    if (!r.Ok()) return LogRefused(frame, "short payload");
    const int code = frame.subcmd;
    const char* line = nullptr;
    switch (code) {
        case 20:
            LogPrintA("DSP_IRC_DISTANCE Update from ch(%d) to ch_end(%d) \n", first, last);
            break;
        case 21:
            LogPrintA("IRC_CH_TRIM Update from ch(%d) to ch_end(%d) \n", first, last);
            line = "ch(%d), trim(%d)\n";
            break;
        case 23:
            LogPrintA("Get DSP_IRC_SPK_SIZE Update from ch(%d) to ch_end(%d)\n", first, last);
            line = "ch(%d), size(%d)\n";
            break;
        case 24:
            LogPrintA("Get DSP_IRC_SPK_PHASE Update from ch(%d) to ch_end(%d)\n", first, last);
            line = "ch(%d), phase(%d)\n";
            break;
        case 25:
            LogPrintA("Get DSP_IRC_SPK_LEVEL Update from ch(%d) to ch_end(%d)\n", first, last);
            line = "ch(%d), spk_level(%d)\n";
            break;
        default:
            LogPrintA("Get DSP_IRC_NOISE_LEVEL Update from ch(%d) to ch_end(%d)\n", first, last);
            line = "ch(%d), noise level(%d)\n";
            break;
    }
    const int count = RangeCount(first, last);
    const size_t groupBytes = code == 20 ? 2 : 1;
    if (!r.Need(static_cast<size_t>(count) * groupBytes)) return LogRefused(frame, "short payload");
    for (int ch = first; ch < first + count; ++ch) {
        std::unique_ptr<MessageRecord> record;
        if (code == 20) {
            const uint8_t a = r.U8(), b = r.U8();
            auto d = std::make_unique<IrcDistanceRecord>();
            d->channel = ch;
            d->distance = DecodeIrcDistance(a, b);
            LogPrintA("ch(%d), distance(%f)\n", ch, static_cast<double>(d->distance));
            record = std::move(d);
        } else {
            const uint8_t raw = r.U8();
            auto v = std::make_unique<IrcChannelValueRecord>();
            v->channel = ch;
            v->value = code == 24 ? static_cast<int8_t>(raw) : raw;
            LogPrintA(line, ch, v->value);
            record = std::move(v);
        }
        if (ValidOutput(ch)) Post(Target::AutoCal, WM_IRC_VALUE, code, std::move(record));
    }
}

// Calibration EQ (22) and spectrum (26): channel, first band, last band, then per band.
void DspDevice::ParseIrcBands(const ReceivedFrame& frame) {
    PayloadReader r(frame.payload);
    const int channel = r.U8(), first = r.U8(), last = r.U8();
    if (!r.Ok()) return LogRefused(frame, "short payload");
    const bool spectrum = frame.subcmd == 26;
    if (spectrum)
        LogPrintA("DSP_IRC_SPECTRUM Update from band(%d) to band_end(%d) @ ch(%d) \n", first, last,
                  channel);
    else
        LogPrintA("DSP_IRC_EQ Update from ch(%d) from band(%d) to band_end(%d) \n", channel, first,
                  last);
    const int count = RangeCount(first, last);
    if (!r.Need(static_cast<size_t>(count) * (spectrum ? 5 : 6)))
        return LogRefused(frame, "short payload");
    if (!ValidOutput(channel)) return LogRefused(frame, "output outside the model");
    if (spectrum) {
        // A measurement reaches the window whole, once its last point is in: the window draws
        // nothing before that, and a message per reply would wake it between the requests of a
        // fetch. Points come in rising order; one that does not rise (a fetch begun again, a
        // reply repeated) replaces it and what followed, so a measurement never holds more than
        // its 121 points. Another channel's points start a new one.
        auto& pending = pendingSpectrum_;
        if (!pending || pending->channel != channel) {
            pending = std::make_unique<IrcSpectrumRecord>();
            pending->channel = channel;
        }
        auto& points = pending->points;
        for (int band = first; band < first + count; ++band) {
            const uint16_t hz = r.U16();
            const uint8_t hundredths = r.U8();
            const int8_t gi = r.S8(), gh = r.S8();
            const IrcSpectrumPoint p{band, DecodeSpectrumFrequency(hz, hundredths),
                                     DecodeSpectrumGain(gi, gh)};
            LogPrintA("band(%d), freq(%f), Gain(%f)\n", band, static_cast<double>(p.freq),
                      static_cast<double>(p.gain));
            // The measurement has 121 points; a point past them has nowhere to go.
            if (band >= kIrcSpectrumPoints) continue;
            while (!points.empty() && points.back().band >= band) points.pop_back();
            points.push_back(p);
        }
        if (!points.empty() && points.back().band == kIrcSpectrumPoints - 1)
            Post(Target::AutoCal, WM_IRC_VALUE, frame.subcmd, std::move(pending));
        return;
    }
    auto record = std::make_unique<IrcEqBandsRecord>();
    record->channel = channel;
    for (int band = first; band < first + count; ++band) {
        const int freq = r.U16();
        const uint8_t qi = r.U8(), qh = r.U8(), gi = r.U8(), gt = r.U8();
        const IrcEqBand e{band, freq, DecodeEqQ(qi, qh), DecodeEqGain(gi, gt)};
        LogPrintA("band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", band, freq,
                  static_cast<double>(e.q), static_cast<double>(e.gain));
        if (band < BandCountOfOutput(channel)) record->bands.push_back(e);
    }
    if (!record->bands.empty())
        Post(Target::AutoCal, WM_IRC_VALUE, frame.subcmd, std::move(record));
}

void DspDevice::ParseInputMixTrim(const ReceivedFrame& frame) {
    PayloadReader r(frame.payload);
    const int scene = r.U8(), source = r.U8(), input = r.U8(), first = r.U8(), last = r.U8();
    if (!r.Ok()) return LogRefused(frame, "short payload");
    LogPrintA(
        "DSP_INPUT_MIX_CH_TRIM OP=0x%x, scene =%d, source = 0x%x, in_ch(%d) from out_ch(%d) to "
        "out_ch_end(%d)\n",
        frame.optype, scene, source, input, first, last);
    const int count = RangeCount(first, last);
    if (!r.Need(static_cast<size_t>(count))) return LogRefused(frame, "short payload");
    if (count == 0) return;
    if (!ValidScene(scene) || !ValidSource(source) || input >= kInputCount || last >= kOutputCount)
        return LogRefused(frame, "scene, source, input or output outside the model");
    auto record = std::make_unique<InputMixTrimRecord>();
    record->scene = scene;
    record->source = source;
    record->inputChannel = input;
    record->firstOutput = first;
    record->lastOutput = last;
    LogPrintA("in_ch(%d) -> out_ch_x(%d) to out_ch_y(%d), ", input, first, last);
    for (int i = 0; i < count; ++i) {
        record->trims[i] = r.S8();
        LogPrintA("trim[%d]=(%d),", first + i, record->trims[i]);
    }
    LogPrintA("\n");
    Post(Target::Main, WM_DSP_VALUE, 36, std::move(record));
}

void DspDevice::ParseInputNoise(const ReceivedFrame& frame) {
    PayloadReader r(frame.payload);
    const int first = r.U8(), last = r.U8();
    if (!r.Ok()) return LogRefused(frame, "short payload");
    LogPrintA("INPUT_NOISE OP=0x%x, ch_x=%d, ch_y = %d\n", frame.optype, first, last);
    const int count = RangeCount(first, last);
    if (!r.Need(static_cast<size_t>(count) * 2)) return LogRefused(frame, "short payload");
    if (count == 0) return;
    if (last >= kInputCount) return LogRefused(frame, "input outside the model");
    auto record = std::make_unique<InputNoiseRecord>();
    record->firstInput = first;
    record->lastInput = last;
    for (int in = first; in <= last; ++in) {
        const uint8_t a = r.U8(), b = r.U8();
        record->levels[in] = DecodeNoiseLevel(a, b);
        LogPrintA("noise[%d]=(%f),", in, static_cast<double>(record->levels[in]));
    }
    LogPrintA("\n");
    Post(Target::Noise, WM_DSP_VALUE, 39, std::move(record));
}

}  // namespace dv
