// Answers to the group 1 queries, laid out as the panel decodes them.
#include <algorithm>

#include "sim/ProcessorSimulator.h"
#include "sim/SimNoise.h"

namespace dv::sim {

namespace {

constexpr int kMaxPayload = 57;

void PutBand(std::vector<uint8_t>& out, const SimBand& band) {
    PutBandBytes(out, band.freq, band.qHundredths, band.gainTenths);
}

// Last item that still fits: never past `limit`, never more than the frame holds.
int ClampLast(int first, int last, int limit, size_t headerBytes, size_t groupBytes) {
    const int room = static_cast<int>((kMaxPayload - headerBytes) / groupBytes);
    return std::min({last, limit, first + room - 1});
}

// The last channel the reply names: an empty range stays empty rather than claiming data.
uint8_t EchoLast(int first, int requestedLast, int last) {
    if (last >= first) return static_cast<uint8_t>(last);
    return static_cast<uint8_t>(requestedLast < first ? requestedLast : first - 1);
}

}  // namespace

const SimScene* ProcessorSimulator::SceneForQuery(int scene) {
    if (scene == 0) return &state_.current;
    if (scene < 1 || scene > kSimScenes) return nullptr;
    if (pendingScene_ == scene &&
        std::chrono::steady_clock::now() - pendingSince_ >= options_.sceneLoadDelay) {
        loadedScene_ = scene;
        pendingScene_ = 0;
    }
    // Until the read has finished the buffer still holds the scene read before.
    return loadedScene_ == scene ? &state_.stored[scene - 1] : &staleBuffer_;
}

std::optional<ProcessorSimulator::Payload> ProcessorSimulator::AnswerDspQuery(
    const SimFrame& frame) {
    const Payload& p = frame.payload;
    const int sub = frame.subcmd;
    switch (sub) {
        case 0: {
            Payload out = {kSimSources};
            for (int s = 0; s < kSimSources; ++s) out.push_back(static_cast<uint8_t>(0x51 + s));
            return out;
        }
        case 1:
            return Payload{state_.sourceCode};
        case 2:
            return Payload{static_cast<uint8_t>(state_.mainVolume)};
        case 3:
            return Payload{static_cast<uint8_t>(state_.subVolume)};
        case 4:
            return Payload{state_.mute};
        case 38:
            return Payload{static_cast<uint8_t>(state_.inputThreshold)};
        case 39: {  // first input, last input, level + 100 and tenths per input
            if (p.size() < 2) return std::nullopt;
            const int last = ClampLast(p[0], p[1], kSimInputs - 1, 2, 2);
            Payload out = {p[0], EchoLast(p[0], p[1], last)};
            for (int in = p[0]; in <= last; ++in) {
                const int shifted = std::clamp<int>(state_.noiseTenths[in] + 1000, 0, 2559);
                out.push_back(static_cast<uint8_t>(shifted / 10));
                out.push_back(static_cast<uint8_t>(shifted % 10));
            }
            StepInputNoise(state_.noiseTenths, state_.noiseSeed);  // the next query reads anew
            return out;
        }
        default:
            break;
    }
    if (sub >= 19 && sub <= 28) return AnswerIrcQuery(frame);
    if (p.empty()) return std::nullopt;
    const SimScene* scene = SceneForQuery(p[0]);
    if (!scene) return std::nullopt;
    switch (sub) {
        case 14:
            return Payload{p[0], scene->link};
        case 15:
            return Payload{p[0], scene->lock};
        case 17:
            return Payload{p[0]};
        case 6:
        case 35: {  // scene, source, channel, first band, last band, 6 bytes per band
            if (p.size() < 5) return std::nullopt;
            const int count = sub == 6 ? kSimOutputs : kSimInputs;
            if (p[2] >= count) return std::nullopt;
            const int last = ClampLast(p[3], p[4], kSimBands - 1, 5, 6);
            Payload out = {p[0], p[1], p[2], p[3], EchoLast(p[3], p[4], last)};
            for (int b = p[3]; b <= last; ++b)
                PutBand(out,
                        sub == 6 ? scene->outputs[p[2]].bands[b] : scene->inputs[p[2]].bands[b]);
            return out;
        }
        case 11: {  // scene, source, first output: the masks from there to the last output
            if (p.size() < 3 || p[1] >= kSimSources) return std::nullopt;
            Payload out = {p[0], p[1], p[2], static_cast<uint8_t>(kSimOutputs - 1)};
            for (int ch = p[2]; ch < kSimOutputs; ++ch) out.push_back(scene->routing[p[1]][ch]);
            return out;
        }
        case 36: {  // scene, source, input, first output, last output, one trim per output
            if (p.size() < 5 || p[1] >= kSimSources || p[2] >= kSimInputs) return std::nullopt;
            const int last = ClampLast(p[3], p[4], kSimOutputs - 1, 5, 1);
            Payload out = {p[0], p[1], p[2], p[3], EchoLast(p[3], p[4], last)};
            for (int ch = p[3]; ch <= last; ++ch)
                out.push_back(static_cast<uint8_t>(scene->mixTrim[p[1]][p[2]][ch]));
            return out;
        }
        default:
            break;
    }
    // Range queries: scene, source, first, last, then one group per channel.
    if (p.size() < 4) return std::nullopt;
    const bool input = sub >= 32 && sub <= 34;
    const size_t group = sub == 5 ? 8 : sub == 7 ? 3 : 1;
    const int last = ClampLast(p[2], p[3], (input ? kSimInputs : kSimOutputs) - 1, 4, group);
    Payload out = {p[0], p[1], p[2], EchoLast(p[2], p[3], last)};
    for (int ch = p[2]; ch <= last; ++ch) {
        const SimOutput& o = scene->outputs[ch];
        const SimInput& in = scene->inputs[ch];
        switch (sub) {
            case 5:
                for (const SimFilter& f : {o.hp, o.lp}) {
                    out.push_back(f.type);
                    out.push_back(static_cast<uint8_t>(f.freq >> 8));
                    out.push_back(static_cast<uint8_t>(f.freq));
                    out.push_back(f.slope);
                }
                break;
            case 7:
                out.push_back(static_cast<uint8_t>(o.delayMicros / 1000));
                out.push_back(static_cast<uint8_t>((o.delayMicros % 1000) >> 8));
                out.push_back(static_cast<uint8_t>(o.delayMicros % 1000));
                break;
            case 8:
                out.push_back(static_cast<uint8_t>(o.trim));
                break;
            case 9:
                out.push_back(o.mute);
                break;
            case 10:
                out.push_back(static_cast<uint8_t>(o.phase));
                break;
            case 12:
                out.push_back(o.remap[0]);
                break;
            case 13:
                out.push_back(o.role);
                break;
            case 16:
                out.push_back(o.dspBypass);
                break;
            case 18:
                out.push_back(o.eqBypass);
                break;
            case 32:
                out.push_back(static_cast<uint8_t>(in.trim));
                break;
            case 33:
                out.push_back(in.mute);
                break;
            case 34:
                out.push_back(static_cast<uint8_t>(in.phase));
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::optional<ProcessorSimulator::Payload> ProcessorSimulator::AnswerIrcQuery(
    const SimFrame& frame) {
    const Payload& p = frame.payload;
    const SimCalibration& cal = state_.calibration;
    switch (frame.subcmd) {
        case 19:
            return calibration_.StatusQuery(state_);
        case 28:
            return Payload{};
        case 22:
        case 26:  // channel, first band, last band
            return calibration_.DataQuery(frame.subcmd == 26, p);
        default:
            break;
    }
    if (p.size() < 2) return std::nullopt;
    const size_t group = frame.subcmd == 20 ? 2 : 1;
    const int last = ClampLast(p[0], p[1], kSimOutputs - 1, 2, group);
    Payload out = {p[0], EchoLast(p[0], p[1], last)};
    for (int ch = p[0]; ch <= last; ++ch) {
        switch (frame.subcmd) {
            case 20:
                out.push_back(static_cast<uint8_t>(cal.distanceHundredths[ch] / 100));
                out.push_back(static_cast<uint8_t>(cal.distanceHundredths[ch] % 100));
                break;
            case 21:
                out.push_back(cal.trim[ch]);
                break;
            case 23:
                out.push_back(cal.speakerSize[ch]);
                break;
            case 24:
                out.push_back(static_cast<uint8_t>(cal.speakerPhase[ch]));
                break;
            case 25:
                out.push_back(cal.speakerLevel[ch]);
                break;
            default:
                out.push_back(cal.noiseLevel[ch]);
                break;
        }
    }
    return out;
}

}  // namespace dv::sim
