#include "device/ProfileDiff.h"

#include <algorithm>

#include "device/Encoding.h"

namespace dv {

namespace {

constexpr uint8_t kSourceCodeBase = 0x51;
constexpr int kMainVolumeOffset = 6;  // the unit takes 6 - volume

// Link and lock as the unit holds them: linking locks, and pairs exist only while linked.
struct LinkState {
    bool linked = false;
    bool locked = false;
    std::array<LinkPair, kOutputCount / 2> pairs{};
    uint8_t pairCount = 0;

    bool SamePairs(const LinkState& other) const {
        return pairCount == other.pairCount &&
               std::equal(pairs.begin(), pairs.begin() + pairCount, other.pairs.begin(),
                          [](const LinkPair& a, const LinkPair& b) {
                              return a.from == b.from && a.to == b.to;
                          });
    }
};

LinkState LinkOf(const DspProfile& p) {
    LinkState s;
    s.linked = p.linkMode == 1;
    s.locked = s.linked || p.lockMode == 1;
    if (!s.linked) return s;
    // Each pair once, the left role (the smaller number) first, in output order.
    for (int i = 0; i < kOutputCount && s.pairCount < s.pairs.size(); ++i) {
        const int j = p.linkOutputs[i];
        if (j < 0 || j >= kOutputCount || j == i || p.linkOutputs[j] != i) continue;
        const bool leftFirst = p.roles[i] < p.roles[j] || (p.roles[i] == p.roles[j] && i < j);
        if (!leftFirst) continue;
        s.pairs[s.pairCount++] = {static_cast<uint8_t>(i), static_cast<uint8_t>(j)};
    }
    return s;
}

uint8_t Byte(int value) {
    return static_cast<uint8_t>(value);
}

// What EQ_Ctrl carries for a band: a band switched off plays at 0 dB.
struct SentBand {
    uint16_t freq;
    std::array<uint8_t, 2> q;
    std::array<uint8_t, 2> gain;
    bool operator==(const SentBand&) const = default;
};

SentBand Sent(const EqBand& b) {
    return {static_cast<uint16_t>(b.freq), EncodeEqQ(b.eqFactor), EncodeEqGain(PlayedGain(b))};
}

// Equal as stored is equal as sent; only a difference is worth encoding.
bool SameBand(const EqBand& a, const EqBand& b) {
    if (a.freq == b.freq && a.eqFactor == b.eqFactor && PlayedGain(a) == PlayedGain(b)) return true;
    return Sent(a) == Sent(b);
}

bool SameSection(const FilterSection& a, const FilterSection& b) {
    return static_cast<uint16_t>(a.fs) == static_cast<uint16_t>(b.fs) &&
           Byte(a.slope) == Byte(b.slope) && Byte(a.type) == Byte(b.type);
}

class Builder {
public:
    explicit Builder(std::vector<ProfileCommand>& out) : out_(out) {}

    ProfileCommand& Add(CommandId id) {
        out_.emplace_back();
        out_.back().id = id;
        return out_.back();
    }

    // One range command over the outputs from the first to the last that differ, with the
    // target's values; nothing when none differs.
    template <typename From, typename To>
    ProfileCommand* Range(CommandId id, const From& from, const To& to, uint8_t source = 0) {
        int first = -1, last = -1;
        for (int k = 0; k < kOutputCount; ++k) {
            if (Byte(from(k)) == Byte(to(k))) continue;
            if (first < 0) first = k;
            last = k;
        }
        if (first < 0) return nullptr;
        ProfileCommand& c = Add(id);
        c.source = source;
        c.first = static_cast<uint8_t>(first);
        c.last = static_cast<uint8_t>(last);
        for (int k = first; k <= last; ++k) c.values[k - first] = to(k);
        return &c;
    }

    void Single(CommandId id, int from, int to) {
        if (Byte(from) != Byte(to)) Add(id).values[0] = to;
    }

    void Link(const LinkState& s) {
        ProfileCommand& c = Add(CommandId::CH_Link_Ctrl);
        c.values[0] = 1;
        c.pairs = s.pairs;
        c.pairCount = s.pairCount;
    }

private:
    std::vector<ProfileCommand>& out_;
};

void DiffOutputs(const DspProfile& a, const DspProfile& b, Builder& add) {
    for (int k = 0; k < kOutputCount; ++k) {
        const Crossover& xa = a.channels[k].crossover;
        const Crossover& xb = b.channels[k].crossover;
        for (const bool high : {true, false}) {
            const FilterSection& sa = high ? xa.hp : xa.lp;
            const FilterSection& sb = high ? xb.hp : xb.lp;
            if (SameSection(sa, sb)) continue;
            ProfileCommand& c = add.Add(CommandId::Filter_Ctrl);
            c.channel = static_cast<uint8_t>(k);
            c.side = high ? FilterSide::HighPass : FilterSide::LowPass;
            c.freq = sb.fs;
            c.values[0] = sb.slope;
            c.values[1] = sb.type;
        }
        const int bands = std::min(b.BandCount(k), BandCapacity(k));
        for (int i = 0; i < bands; ++i) {
            const EqBand& ba = a.channels[k].eqArray[i];
            const EqBand& bb = b.channels[k].eqArray[i];
            if (SameBand(ba, bb)) continue;
            ProfileCommand& c = add.Add(CommandId::EQ_Ctrl);
            c.channel = static_cast<uint8_t>(k);
            c.band = static_cast<uint8_t>(i);
            c.freq = bb.freq;
            c.q = bb.eqFactor;
            c.gain = PlayedGain(bb);
        }
    }

    add.Range(
        CommandId::PEQ_Bypass_Ctrl, [&](int k) { return int{a.channels[k].bypass}; },
        [&](int k) { return int{b.channels[k].bypass}; });
    add.Range(
        CommandId::Trim_Ctrl, [&](int k) { return -a.channels[k].gain; },
        [&](int k) { return -b.channels[k].gain; });
    add.Range(
        CommandId::Mute_Ch_Ctrl, [&](int k) { return a.channels[k].mute; },
        [&](int k) { return b.channels[k].mute; });
    add.Range(
        CommandId::Phase_Ctrl, [&](int k) { return a.channels[k].phase; },
        [&](int k) { return b.channels[k].phase; });

    int first = -1, last = -1;
    for (int k = 0; k < kOutputCount; ++k) {
        const float da = a.channels[k].delay, db = b.channels[k].delay;
        if (da == db || EncodeDelay(da) == EncodeDelay(db)) continue;
        if (first < 0) first = k;
        last = k;
    }
    if (first >= 0) {
        ProfileCommand& c = add.Add(CommandId::Delay_Ctrl);
        c.first = static_cast<uint8_t>(first);
        c.last = static_cast<uint8_t>(last);
        for (int k = first; k <= last; ++k) c.delays[k - first] = b.channels[k].delay;
    }
}

void DiffRouting(const DspProfile& a, const DspProfile& b, Builder& add) {
    for (int s = 0; s < kSourceCount; ++s)
        add.Range(
            CommandId::Mix_Ch_Ctrl, [&](int k) { return a.routing[s][k]; },
            [&](int k) { return b.routing[s][k]; }, static_cast<uint8_t>(s));
    for (int s = 0; s < kSourceCount; ++s) {
        for (int in = 0; in < kMixerInputs; ++in) {
            ProfileCommand* c = add.Range(
                CommandId::Input_Mix_Trim_Ctrl, [&](int k) { return a.mixerTrim[s][in][k]; },
                [&](int k) { return b.mixerTrim[s][in][k]; }, static_cast<uint8_t>(s));
            if (c) c->channel = static_cast<uint8_t>(in);
        }
    }
}

}  // namespace

void DiffProfiles(const DspProfile& from, const DspProfile& to, std::vector<ProfileCommand>& out) {
    out.clear();
    Builder add(out);
    const LinkState linkFrom = LinkOf(from);
    const LinkState linkTo = LinkOf(to);
    LinkState unit = linkFrom;

    bool rolesDiffer = false;
    for (int k = 0; k < kOutputCount; ++k)
        rolesDiffer = rolesDiffer || Byte(from.roles[k]) != Byte(to.roles[k]);
    // Roles change only while unlocked; unlocking ends the link as well.
    if (rolesDiffer && unit.locked) {
        add.Add(CommandId::CH_Lock_Ctrl).values[0] = 0;
        unit = LinkState{};
    }
    add.Range(
        CommandId::CH_Type_Ctrl, [&](int k) { return from.roles[k]; },
        [&](int k) { return to.roles[k]; });

    DiffOutputs(from, to, add);
    DiffRouting(from, to, add);
    add.Single(CommandId::Input_Ch_Threshold_Ctrl, from.inputThreshold, to.inputThreshold);
    add.Single(CommandId::Main_Volume_Ctrl, kMainVolumeOffset - from.mainVolume,
               kMainVolumeOffset - to.mainVolume);
    add.Single(CommandId::Mute_Ctrl, from.mainVolumeMute, to.mainVolumeMute);
    add.Single(CommandId::Subwoofer_Volume_Ctrl, from.subVolume, to.subVolume);

    // Link and lock after the roles they pair.
    if (linkTo.linked) {
        if (!unit.linked || !unit.SamePairs(linkTo)) add.Link(linkTo);
        unit.linked = unit.locked = true;
    } else if (unit.linked) {
        // Unlocking also unlinks: one command where the lock goes too.
        add.Add(linkTo.locked ? CommandId::CH_Link_Ctrl : CommandId::CH_Lock_Ctrl).values[0] = 0;
        unit.linked = false;
        unit.locked = linkTo.locked;
    }
    if (unit.locked != linkTo.locked) add.Add(CommandId::CH_Lock_Ctrl).values[0] = linkTo.locked;

    add.Single(CommandId::Source_Switch_Ctrl, kSourceCodeBase + from.source,
               kSourceCodeBase + to.source);
}

std::vector<ProfileCommand> DiffProfiles(const DspProfile& from, const DspProfile& to) {
    std::vector<ProfileCommand> out;
    DiffProfiles(from, to, out);
    return out;
}

bool SendProfileCommands(DspDevice& device, std::span<const ProfileCommand> commands,
                         bool immediate) {
    bool ok = true;
    for (const ProfileCommand& c : commands) {
        const int count = c.last >= c.first ? c.last - c.first + 1 : 0;
        const std::span<const int> values(c.values.data(), static_cast<size_t>(count));
        bool sent = false;
        switch (c.id) {
            case CommandId::Source_Switch_Ctrl:
                sent = device.Source_Switch_Ctrl(Byte(c.values[0]), immediate);
                break;
            case CommandId::Main_Volume_Ctrl:
                sent = device.Main_Volume_Ctrl(c.values[0], immediate);
                break;
            case CommandId::Subwoofer_Volume_Ctrl:
                sent = device.Subwoofer_Volume_Ctrl(c.values[0], immediate);
                break;
            case CommandId::Mute_Ctrl:
                sent = device.Mute_Ctrl(c.values[0], immediate);
                break;
            case CommandId::Input_Ch_Threshold_Ctrl:
                sent = device.Input_Ch_Threshold_Ctrl(c.values[0], immediate);
                break;
            case CommandId::Filter_Ctrl:
                sent = device.Filter_Ctrl(0, 0, c.channel, c.side, FilterFreq(c.freq),
                                          FilterSlope(Byte(c.values[0])),
                                          FilterType(Byte(c.values[1])), immediate);
                break;
            case CommandId::EQ_Ctrl:
                sent = device.EQ_Ctrl(0, 0, c.channel, c.band, c.freq, c.q, c.gain, immediate);
                break;
            case CommandId::Delay_Ctrl:
                sent = device.Delay_Ctrl(
                    0, 0, c.first, c.last,
                    std::span<const float>(c.delays.data(), static_cast<size_t>(count)), immediate);
                break;
            case CommandId::Trim_Ctrl:
                sent = device.Trim_Ctrl(0, 0, c.first, c.last, values, immediate);
                break;
            case CommandId::Mute_Ch_Ctrl:
                sent = device.Mute_Ch_Ctrl(0, 0, c.first, c.last, values, immediate);
                break;
            case CommandId::Phase_Ctrl:
                sent = device.Phase_Ctrl(0, 0, c.first, c.last, values, immediate);
                break;
            case CommandId::PEQ_Bypass_Ctrl:
                sent = device.PEQ_Bypass_Ctrl(0, 0, c.first, c.last, values, immediate);
                break;
            case CommandId::CH_Type_Ctrl:
                sent = device.CH_Type_Ctrl(0, 0, c.first, c.last, values, immediate);
                break;
            case CommandId::Mix_Ch_Ctrl:
                sent = device.Mix_Ch_Ctrl(0, c.source, c.first, c.last, values, immediate);
                break;
            case CommandId::Input_Mix_Trim_Ctrl:
                sent = device.Input_Mix_Trim_Ctrl(0, c.source, c.channel, c.first, c.last, values,
                                                  immediate);
                break;
            case CommandId::CH_Link_Ctrl:
                sent = device.CH_Link_Ctrl(0, c.values[0],
                                           std::span<const LinkPair>(c.pairs.data(), c.pairCount),
                                           immediate);
                break;
            case CommandId::CH_Lock_Ctrl:
                sent = device.CH_Lock_Ctrl(0, c.values[0], immediate);
                break;
            default:
                break;
        }
        ok = ok && sent;
    }
    return ok;
}

}  // namespace dv
