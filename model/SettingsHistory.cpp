#include "model/SettingsHistory.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace dv {

namespace {

// A part of a profile that a step keeps whole: its place, its size and how it compares. Bands
// compare field by field (they hold padding), floats by value (0 and -0 are one gain).
enum class Kind : uint8_t { Bytes, Float, Band };

struct Part {
    uint32_t offset;
    uint8_t size;
    Kind kind;
};

constexpr size_t kBandBytes = offsetof(EqBand, enable) + 1;
static_assert(offsetof(EqBand, eqGain) == 0 && offsetof(EqBand, eqFactor) == 4 &&
                  offsetof(EqBand, freq) == 8,
              "a band's fields lie where its comparison reads them");

class Parts {
public:
    Parts() {
        const DspProfile p;
        const auto* base = reinterpret_cast<const uint8_t*>(&p);
        auto add = [&](const void* field, size_t size, Kind kind) {
            parts_.push_back({static_cast<uint32_t>(static_cast<const uint8_t*>(field) - base),
                              static_cast<uint8_t>(size), kind});
        };
        auto i32 = [&](const int32_t& v) { add(&v, sizeof v, Kind::Bytes); };
        for (int k = 0; k < kOutputCount; ++k) {
            const OutputChannel& out = p.channels[k];
            for (int b = 0; b < BandCapacity(k); ++b) add(&out.eqArray[b], kBandBytes, Kind::Band);
            i32(out.eqSize);
            i32(out.gain);
            i32(out.mute);
            add(&out.delay, sizeof out.delay, Kind::Float);
            i32(out.phase);
            add(&out.bypass, sizeof out.bypass, Kind::Bytes);
            i32(out.crossover.bpType);
            add(&out.crossover.hp, sizeof(FilterSection), Kind::Bytes);
            add(&out.crossover.lp, sizeof(FilterSection), Kind::Bytes);
        }
        for (int s = 0; s < kSourceCount; ++s) {
            for (int k = 0; k < kOutputCount; ++k) i32(p.routing[s][k]);
            for (int in = 0; in < kMixerInputs; ++in)
                for (int k = 0; k < kOutputCount; ++k) {
                    i32(p.mixerTrim[s][in][k]);
                    i32(p.mixerPhase[s][in][k]);
                }
        }
        for (int k = 0; k < kOutputCount; ++k) {
            i32(p.roles[k]);
            i32(p.linkOutputs[k]);
        }
        for (const int32_t* v : {&p.source, &p.mainVolume, &p.subVolume, &p.mainVolumeMute,
                                 &p.linkMode, &p.lockMode, &p.inputThreshold})
            i32(*v);
    }
    const std::vector<Part>& All() const { return parts_; }

private:
    std::vector<Part> parts_;
};

static_assert(sizeof(FilterSection) == 16, "a crossover side holds no padding");

const std::vector<Part>& AllParts() {
    static const Parts parts;
    return parts.All();
}

const uint8_t* At(const DspProfile& p, const Part& part) {
    return reinterpret_cast<const uint8_t*>(&p) + part.offset;
}

float FloatAt(const uint8_t* at) {
    float v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

bool Same(const Part& part, const uint8_t* a, const uint8_t* b) {
    switch (part.kind) {
        case Kind::Float:
            return FloatAt(a) == FloatAt(b);
        case Kind::Band:
            return FloatAt(a) == FloatAt(b) && FloatAt(a + 4) == FloatAt(b + 4) &&
                   std::memcmp(a + 8, b + 8, kBandBytes - 8) == 0;
        case Kind::Bytes:
            break;
    }
    return std::memcmp(a, b, part.size) == 0;
}

// Entries of a step: part index, then its bytes before and after.
using Entries = std::map<uint16_t, std::pair<std::vector<uint8_t>, std::vector<uint8_t>>>;

Entries Decode(const std::vector<uint8_t>& data) {
    Entries entries;
    const auto& parts = AllParts();
    for (size_t at = 0; at + 2 <= data.size();) {
        const auto index = static_cast<uint16_t>(data[at] | data[at + 1] << 8);
        const size_t size = parts[index].size;
        at += 2;
        entries[index] = {{data.begin() + at, data.begin() + at + size},
                          {data.begin() + at + size, data.begin() + at + 2 * size}};
        at += 2 * size;
    }
    return entries;
}

std::vector<uint8_t> Encode(const Entries& entries) {
    std::vector<uint8_t> data;
    for (const auto& [index, values] : entries) {
        data.push_back(static_cast<uint8_t>(index));
        data.push_back(static_cast<uint8_t>(index >> 8));
        data.insert(data.end(), values.first.begin(), values.first.end());
        data.insert(data.end(), values.second.begin(), values.second.end());
    }
    data.shrink_to_fit();
    return data;
}

void AppendChanges(const DspProfile& before, const DspProfile& after, std::vector<uint8_t>& data) {
    const auto& parts = AllParts();
    for (size_t i = 0; i < parts.size(); ++i) {
        const Part& part = parts[i];
        const uint8_t* a = At(before, part);
        const uint8_t* b = At(after, part);
        if (Same(part, a, b)) continue;
        data.push_back(static_cast<uint8_t>(i));
        data.push_back(static_cast<uint8_t>(i >> 8));
        data.insert(data.end(), a, a + part.size);
        data.insert(data.end(), b, b + part.size);
    }
}

}  // namespace

bool SettingsHistory::Record(const DspProfile& before, const DspProfile& after,
                             const HistoryView& viewBefore, const HistoryView& viewAfter,
                             std::string_view gesture, bool keepOpen) {
    std::vector<uint8_t> data;
    AppendChanges(before, after, data);
    const bool modeChanged = viewBefore.parametric != viewAfter.parametric;
    if (data.empty() && !modeChanged) {
        if (!keepOpen && IsOpen(gesture)) CloseGesture();
        return false;
    }
    redo_.clear();
    if (IsOpen(gesture)) {
        Step& top = undo_.back();
        Entries merged = Decode(top.data);
        const auto& parts = AllParts();
        for (auto& [index, values] : Decode(data)) {
            auto it = merged.find(index);
            if (it == merged.end()) {
                merged.emplace(index, std::move(values));
            } else {
                it->second.second = std::move(values.second);
                if (Same(parts[index], it->second.first.data(), it->second.second.data()))
                    merged.erase(it);
            }
        }
        top.data = Encode(merged);
        top.viewAfter = viewAfter;
        top.open = keepOpen;
        // A gesture that came back to where it began leaves no step.
        if (top.data.empty() && top.viewBefore.parametric == top.viewAfter.parametric)
            undo_.pop_back();
        return true;
    }
    CloseGesture();
    data.shrink_to_fit();
    undo_.push_back({std::move(data), viewBefore, viewAfter, std::string(gesture), keepOpen});
    Trim();
    return true;
}

void SettingsHistory::CloseGesture() {
    if (!undo_.empty()) undo_.back().open = false;
}

bool SettingsHistory::IsOpen(std::string_view gesture) const {
    return !gesture.empty() && !undo_.empty() && undo_.back().open &&
           undo_.back().gesture == gesture;
}

void SettingsHistory::Apply(const Step& step, DspProfile& profile, bool after) {
    const auto& parts = AllParts();
    auto* base = reinterpret_cast<uint8_t*>(&profile);
    for (size_t at = 0; at + 2 <= step.data.size();) {
        const Part& part = parts[step.data[at] | step.data[at + 1] << 8];
        at += 2;
        std::memcpy(base + part.offset, &step.data[at + (after ? part.size : 0)], part.size);
        at += 2 * part.size;
    }
}

std::optional<HistoryView> SettingsHistory::Undo(DspProfile& profile) {
    if (undo_.empty()) return std::nullopt;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    step.open = false;
    Apply(step, profile, false);
    const HistoryView view = step.viewBefore;
    redo_.push_back(std::move(step));
    return view;
}

std::optional<HistoryView> SettingsHistory::Redo(DspProfile& profile) {
    if (redo_.empty()) return std::nullopt;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    Apply(step, profile, true);
    const HistoryView view = step.viewAfter;
    undo_.push_back(std::move(step));
    return view;
}

void SettingsHistory::Clear() {
    undo_.clear();
    redo_.clear();
}

size_t SettingsHistory::BytesHeld() const {
    size_t bytes = sizeof *this;
    for (const auto* steps : {&undo_, &redo_})
        for (const Step& step : *steps)
            bytes += sizeof step + step.data.capacity() + step.gesture.capacity();
    return bytes;
}

void SettingsHistory::Trim() {
    while (undo_.size() > kMaxSteps) undo_.pop_front();
    while (undo_.size() > 1 && BytesHeld() > kMaxBytes) undo_.pop_front();
}

}  // namespace dv
