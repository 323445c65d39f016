#include "sim/ProcessorSimulator.h"

#include <algorithm>

namespace dv::sim {

namespace {

constexpr uint8_t kSet = 0xBB, kGet = 0x66, kData = 0xDD, kAck = 0xEE;
constexpr uint8_t kReady = 0x0A, kNotReady = 0x60;

bool InRange(int first, int last, size_t headerBytes, size_t groupBytes, size_t size) {
    const int count = last >= first ? last - first + 1 : 0;
    return size >= headerBytes + static_cast<size_t>(count) * groupBytes;
}

// A link setting the unit cannot hold (a flag other than 0 or 1, an output it does not have, an
// output paired with itself or in two pairs) is acknowledged and changes nothing.
void ApplyLink(SimScene& scene, uint8_t link, std::span<const uint8_t> pairBytes) {
    if (link > 1) return;
    if (link == 0) {
        scene.link = 0;
        scene.pairCount = 0;
        scene.pairs = {};
        return;
    }
    const size_t count = pairBytes.size() / 2;
    if (count > scene.pairs.size()) return;
    std::array<SimLinkPair, kSimOutputs / 2> pairs{};
    unsigned used = 0;  // bit per output
    for (size_t i = 0; i < count; ++i) {
        const uint8_t from = pairBytes[2 * i], to = pairBytes[2 * i + 1];
        if (from >= kSimOutputs || to >= kSimOutputs || from == to) return;
        const unsigned bits = 1u << from | 1u << to;
        if (used & bits) return;
        used |= bits;
        pairs[i] = SimLinkPair{from, to};
    }
    scene.link = 1;
    scene.lock = 1;
    scene.pairs = pairs;
    scene.pairCount = static_cast<uint8_t>(count);
}

void ApplyLock(SimScene& scene, uint8_t lock) {
    if (lock > 1) return;
    scene.lock = lock;
    if (lock == 0) ApplyLink(scene, 0, {});
}

}  // namespace

ProcessorSimulator::ProcessorSimulator(SimOptions options, SimUnitState state)
    : options_(options), state_(std::move(state)), profileBlob_(11 * 1024, 0) {
    staleBuffer_ = state_.current;
}

SimUnitState ProcessorSimulator::State() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

void ProcessorSimulator::SetState(const SimUnitState& state) {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = state;
}

SimOptions ProcessorSimulator::Options() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return options_;
}

void ProcessorSimulator::SetOptions(const SimOptions& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_ = options;
}

void ProcessorSimulator::SetNotReadyAcks(int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    notReadyAcks_ = count;
}

void ProcessorSimulator::ResetToFactory() {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = FactoryState();
    pendingScene_ = 0;
    loadedScene_ = 0;
    staleBuffer_ = state_.current;
    pcConnected_ = false;
}

void ProcessorSimulator::SetCalibrationFault(const SimCalFault& fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    calibration_.SetFault(fault);
}

int ProcessorSimulator::CalibrationStatusQueries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calibration_.StatusQueries();
}

uint8_t ProcessorSimulator::CalibrationAppliedMode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calibration_.AppliedMode();
}

int ProcessorSimulator::FramesHandled() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return framesHandled_;
}

int ProcessorSimulator::BadFrames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return badFrames_;
}

bool ProcessorSimulator::PcConnected() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pcConnected_;
}

SimResponse ProcessorSimulator::HandleReport(std::span<const uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::optional<SimFrame> frame = DecodeOutputReport(report);
    if (!frame) {
        ++badFrames_;
        return {};
    }
    ++framesHandled_;
    if (auto faulted = Faulted(*frame)) return *faulted;
    SimResponse response = Handle(*frame);
    response.serviceTime = ServiceTime(*frame);
    return response;
}

bool ProcessorSimulator::TakeNotReady() {
    if (notReadyAcks_ <= 0) return false;
    --notReadyAcks_;
    return true;
}

std::vector<uint8_t> ProcessorSimulator::Ack(const SimFrame& frame,
                                             std::initializer_list<uint8_t> extra) {
    std::vector<uint8_t> payload;
    payload.reserve(1 + extra.size());
    payload.push_back(kReady);
    for (uint8_t b : extra) payload.push_back(b);
    return EncodeFrame(frame.mcmd, frame.subcmd, kAck, payload);
}

void ProcessorSimulator::Restarted() {
    std::lock_guard<std::mutex> lock(mutex_);
    loader_.Restarted();
}

SimResponse ProcessorSimulator::Handle(const SimFrame& frame) {
    // Firmware upgrade: its own frames go to the receiver; during a transfer nothing else should
    // arrive, and the loader answers only the greeting.
    if (SimLoader::IsUpgradeFrame(frame)) {
        SimResponse response;
        loader_.Handle(frame, options_, response);
        return response;
    }
    if (loader_.InSession()) loader_.CountForeignFrame();
    if (loader_.Personality() == SimPersonality::Loader &&
        !(frame.mcmd == 3 && (frame.subcmd == 8 || frame.subcmd == 31)))
        return {};
    if (frame.mcmd == 2) return HandleScene(frame);
    if (frame.mcmd == 3) return HandleMcu(frame);
    if (frame.mcmd != 1) return {};
    SimResponse response;
    std::optional<Payload> data;
    if (frame.optype == kGet) {
        data = AnswerDspQuery(frame);
        if (data) response.frames.push_back(EncodeFrame(1, frame.subcmd, kData, *data));
    } else if (frame.optype == kSet) {
        data = HandleDspSet(frame);
        if (data) response.frames.push_back(EncodeFrame(1, frame.subcmd, kAck, *data));
    }
    return response;
}

// Applies a set command and returns its acknowledgement payload; nothing for a malformed one.
std::optional<ProcessorSimulator::Payload> ProcessorSimulator::HandleDspSet(const SimFrame& frame) {
    if (TakeNotReady()) return Payload{kNotReady};
    if (!ApplyDspSet(frame)) return std::nullopt;
    return Payload{kReady};
}

SimScene* ProcessorSimulator::SceneForSet(int scene) {
    if (scene == 0) return &state_.current;
    if (scene >= 1 && scene <= kSimScenes) return &state_.stored[scene - 1];
    return nullptr;
}

bool ProcessorSimulator::ApplyDspSet(const SimFrame& frame) {
    const Payload& p = frame.payload;
    const int sub = frame.subcmd;
    if (sub >= 1 && sub <= 4) {
        if (p.empty()) return false;
        if (sub == 1) state_.sourceCode = p[0];
        // This unit reports levels as the user sees them: the panel sends 6 - volume.
        if (sub == 2) state_.mainVolume = static_cast<int8_t>(6 - static_cast<int8_t>(p[0]));
        if (sub == 3) state_.subVolume = static_cast<int8_t>(p[0]);
        if (sub == 4) state_.mute = p[0];
        return true;
    }
    if (sub == 38) {
        if (p.empty()) return false;
        state_.inputThreshold = static_cast<int8_t>(p[0]);
        return true;
    }
    if (sub == 19 || sub == 29) return ApplyIrcSet(frame);
    if (p.empty()) return false;
    SimScene* scene = SceneForSet(p[0]);
    if (!scene) return p.size() >= 2;  // a scene the unit does not have: acknowledged, ignored
    if (sub >= 32) return ApplyInputSet(frame, *scene);
    switch (sub) {
        case 5: {  // scene, source, channel, selector (1 low-pass, 2 high-pass), type, freq, slope
            if (p.size() < 8 || p[2] >= kSimOutputs) return false;
            SimOutput& out = scene->outputs[p[2]];
            SimFilter* f = p[3] == 2 ? &out.hp : p[3] == 1 ? &out.lp : nullptr;
            if (f) *f = SimFilter{p[4], static_cast<uint16_t>(p[5] << 8 | p[6]), p[7]};
            return true;  // another selector: acknowledged, ignored
        }
        case 6: {  // scene, source, channel, band, freq, Q integer + tenths, gain + 18 and tenths
            if (p.size() < 10 || p[2] >= kSimOutputs || p[3] >= kSimBands) return false;
            SimBand& band = scene->outputs[p[2]].bands[p[3]];
            band.freq = static_cast<uint16_t>(p[4] << 8 | p[5]);
            band.qHundredths = static_cast<uint16_t>(p[6] * 100 + p[7] * 10);
            band.gainTenths = static_cast<int16_t>((p[8] - 18) * 10 + p[9]);
            return true;
        }
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
        case 13:
        case 18: {
            if (p.size() < 4) return false;
            const size_t group = sub == 7 ? 3 : 1;
            if (!InRange(p[2], p[3], 4, group, p.size())) return false;
            if (sub == 11 && p[1] >= kSimSources) return false;
            size_t at = 4;
            for (int ch = p[2]; ch <= p[3]; ++ch, at += group) {
                if (ch >= kSimOutputs) continue;
                SimOutput& out = scene->outputs[ch];
                const uint8_t v = p[at];
                switch (sub) {
                    case 7:
                        out.delayMicros = v * 1000u + (p[at + 1] << 8 | p[at + 2]);
                        break;
                    case 8:  // sent negated, kept as the user sees it
                        out.trim = static_cast<int8_t>(-static_cast<int8_t>(v));
                        break;
                    case 9:
                        out.mute = v;
                        break;
                    case 10:
                        out.phase = static_cast<int8_t>(v);
                        break;
                    case 11:
                        scene->routing[p[1]][ch] = v;
                        break;
                    case 13:
                        out.role = v;
                        break;
                    default:
                        out.eqBypass = v;
                        break;
                }
            }
            return true;
        }
        case 12: {  // scene, source, output, then its input channels
            if (p.size() < 3 || p[2] >= kSimOutputs) return false;
            SimOutput& out = scene->outputs[p[2]];
            out.remap.fill(0);
            for (size_t i = 3; i < p.size() && i - 3 < out.remap.size(); ++i)
                out.remap[i - 3] = p[i];
            return true;
        }
        case 14:  // scene, link, pair count, pairs
            if (p.size() < 3 || p.size() < 3u + 2u * p[2]) return false;
            ApplyLink(*scene, p[1], std::span<const uint8_t>(p).subspan(3, 2u * p[2]));
            return true;
        case 15:  // scene, lock
            if (p.size() < 2) return false;
            ApplyLock(*scene, p[1]);
            return true;
        case 16:
            if (p.size() < 3) return false;
            if (p[1] < kSimOutputs) scene->outputs[p[1]].dspBypass = p[2];
            return true;
        case 17: {  // scene, source, count, channels
            if (p.size() < 3 || p.size() < 3u + p[2]) return false;
            const SimUnitState factory = FactoryState();
            for (int i = 0; i < p[2]; ++i)
                if (p[3 + i] < kSimOutputs)
                    scene->outputs[p[3 + i]].bands = factory.current.outputs[0].bands;
            return true;
        }
        default:
            return false;
    }
}

bool ProcessorSimulator::ApplyInputSet(const SimFrame& frame, SimScene& scene) {
    const Payload& p = frame.payload;
    switch (frame.subcmd) {
        case 32:
        case 33:
        case 34: {
            if (p.size() < 4 || !InRange(p[2], p[3], 4, 1, p.size())) return false;
            for (int ch = p[2]; ch <= p[3]; ++ch) {
                if (ch >= kSimInputs) continue;
                const uint8_t v = p[4 + ch - p[2]];
                SimInput& in = scene.inputs[ch];
                if (frame.subcmd == 32) in.trim = static_cast<int8_t>(v);
                if (frame.subcmd == 33) in.mute = v;
                if (frame.subcmd == 34) in.phase = static_cast<int8_t>(v);
            }
            return true;
        }
        case 35: {  // scene, source, input, first band, last band, 6 bytes per band
            if (p.size() < 5 || p[2] >= kSimInputs || !InRange(p[3], p[4], 5, 6, p.size()))
                return false;
            for (int b = p[3]; b <= p[4]; ++b) {
                if (b >= kSimBands) continue;
                const size_t at = 5 + 6 * static_cast<size_t>(b - p[3]);
                scene.inputs[p[2]].bands[b] =
                    SimBand{static_cast<uint16_t>(p[at] << 8 | p[at + 1]),
                            static_cast<uint16_t>(p[at + 2] * 100 + p[at + 3] * 10),
                            static_cast<int16_t>((p[at + 4] - 18) * 10 + p[at + 5])};
            }
            return true;
        }
        case 36: {  // scene, source, input, first output, last output, one trim per output
            if (p.size() < 5 || p[1] >= kSimSources || p[2] >= kSimInputs ||
                !InRange(p[3], p[4], 5, 1, p.size()))
                return false;
            for (int out = p[3]; out <= p[4]; ++out)
                if (out < kSimOutputs)
                    scene.mixTrim[p[1]][p[2]][out] = static_cast<int8_t>(p[5 + out - p[3]]);
            return true;
        }
        default:
            return false;
    }
}

bool ProcessorSimulator::ApplyIrcSet(const SimFrame& frame) {
    const Payload& p = frame.payload;
    if (frame.subcmd == 29) {
        if (p.empty()) return false;
        state_.calibration.testMic = p[0];
        return true;
    }
    if (p.size() < 4) return false;
    calibration_.Control(p[0], static_cast<uint16_t>(p[1] << 8 | p[2]), p[3], state_);
    return true;
}

SimResponse ProcessorSimulator::HandleScene(const SimFrame& frame) {
    const Payload& p = frame.payload;
    SimResponse response;
    if (frame.optype == kGet) {
        if (frame.subcmd == 11 && !p.empty() && p[0] >= 1 && p[0] <= kSimScenes) {
            Payload data;
            data.reserve(17);
            data.push_back(p[0]);
            for (uint8_t b : state_.names[p[0] - 1]) data.push_back(b);
            response.frames.push_back(EncodeFrame(2, 11, kData, data));
        } else if (frame.subcmd == 12 && p.size() >= 4 && p[0] <= kSimScenes) {
            const size_t start = static_cast<size_t>(p[1] << 8 | p[2]);
            const size_t length = std::min<size_t>(p[3], 53);
            Payload data = {p[0], p[1], p[2], static_cast<uint8_t>(length)};
            for (size_t i = 0; i < length; ++i) {
                const size_t at = p[0] * 1024u + start + i;
                data.push_back(start + i < 1024 ? profileBlob_[at] : 0);
            }
            response.frames.push_back(EncodeFrame(2, 12, kData, data));
        }
        return response;
    }
    if (frame.optype != kSet) return response;
    const uint8_t scene = p.empty() ? 0 : p[0];
    if (TakeNotReady()) {
        response.frames.push_back(EncodeFrame(2, frame.subcmd, kAck, Payload{kNotReady, scene}));
        return response;
    }
    const bool stored = scene >= 1 && scene <= kSimScenes;
    switch (frame.subcmd) {
        case 8:  // scene, immediately: 0 stores the current setting, 1 keeps what was sent to it
            if (p.size() < 2 || !stored) return response;
            if (p[1] == 0) state_.stored[scene - 1] = state_.current;
            response.frames.push_back(Ack(frame, {scene}));
            break;
        case 9:  // first, last: (n, 0) recalls scene n, (n, 255) reads it for the queries
            if (p.size() < 2) return response;
            if (p[1] == 0 && stored) {
                state_.current = state_.stored[scene - 1];
            } else if (p[1] == 255 && stored) {
                if (loadedScene_ != 0) staleBuffer_ = state_.stored[loadedScene_ - 1];
                loadedScene_ = 0;
                pendingScene_ = scene;
                pendingSince_ = std::chrono::steady_clock::now();
            }
            response.frames.push_back(Ack(frame));
            break;
        case 10:
            if (!stored) return response;
            state_.stored[scene - 1] = FactoryState().current;
            state_.names[scene - 1].fill(0xFF);
            response.frames.push_back(Ack(frame, {scene}));
            break;
        case 11: {  // scene, length, name bytes
            if (p.size() < 2 || p[1] > 16 || p.size() < 2u + p[1] || !stored) return response;
            auto& name = state_.names[scene - 1];
            name.fill(0);
            std::copy_n(p.begin() + 2, p[1], name.begin());
            response.frames.push_back(Ack(frame));
            break;
        }
        case 12: {  // scene, start, length, data
            if (p.size() < 4 || scene > kSimScenes || p.size() < 4u + p[3]) return response;
            const size_t start = static_cast<size_t>(p[1] << 8 | p[2]);
            for (size_t i = 0; i < p[3] && start + i < 1024; ++i)
                profileBlob_[scene * 1024u + start + i] = p[4 + i];
            response.frames.push_back(Ack(frame));
            break;
        }
        default:
            break;
    }
    return response;
}

SimResponse ProcessorSimulator::HandleMcu(const SimFrame& frame) {
    SimResponse response;
    const Payload& p = frame.payload;
    if (frame.optype == kGet) {
        if (frame.subcmd == 11)
            response.frames.push_back(EncodeFrame(3, 11, kData, options_.flashVersion));
        return response;
    }
    if (frame.optype != kSet) return response;
    switch (frame.subcmd) {
        case 8:
            if (options_.answerHandshake) {
                const bool loader = loader_.Personality() == SimPersonality::Loader;
                Payload reply{loader ? uint8_t{0xF0} : options_.handshakeStatus, options_.model,
                              options_.masterVersion, options_.slaveVersion};
                reply.resize(std::min<size_t>(reply.size(), options_.handshakeBytes));
                response.frames.push_back(EncodeFrame(3, 8, kData, reply));
            }
            return response;
        case 31:  // needs no answer
            if (!p.empty()) pcConnected_ = p[0] != 0;
            return response;
        case 0x90:
            response.frames.push_back(Ack(frame));
            response.restart = SimRestart::FactoryReset;
            return response;
        default:
            return response;
    }
}

}  // namespace dv::sim
