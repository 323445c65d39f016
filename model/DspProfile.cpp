#include "model/DspProfile.h"

#include <algorithm>

#include "base/Log.h"
#include "model/InputSources.h"
#include "model/SpeakerRoles.h"

namespace dv {

namespace {

bool IsOutput(int output) {
    return output >= 0 && output < kOutputCount;
}

int OutputOrFirst(int output) {
    return output >= 1 && output < kOutputCount ? output : 0;
}

// First and last role of the position group `role` belongs to (role 0 counts as front left).
struct RoleGroup {
    int first;
    int last;
};

RoleGroup GroupOf(int role) {
    if (role <= 6) return {1, 6};
    if (role <= 12) return {7, 12};
    if (role <= 15) return {13, 15};
    if (role <= 18) return {16, 18};
    if (role <= 21) return {19, 21};
    return {22, 24};
}

}  // namespace

void FilterSection::SetFs(int32_t hz) {
    fs = hz >= kFreqMin && hz <= kFreqMax ? hz : kFreqMin;
}

void FilterSection::SetType(int32_t value) {
    type = value >= 1 && value <= 3 ? value : 1;
}

void FilterSection::SetSlope(int32_t value) {
    slope = std::max(value, 0);
    bypass = slope == 0 ? 1 : 0;
}

void DspProfile::ResetDefaults() {
    channelCount = kOutputCount;
    modelCode = -1;
    masterVersion = -1;
    slaveVersion = -1;
    inputThreshold = -40;
    roles = kDefaultRoles;
    flashVersion.fill(0);
    linkMode = 0;
    lockMode = 0;
    currChannel = 0;
    linkOutputs.fill(-1);
    source = 0;
    mainVolume = -5;
    mainVolumeMute = 0;
    subVolume = 0;
    scene = 0;
    ResetRoutingFromRoles();
    for (auto& perInput : mixerTrim) {
        for (auto& perOutput : perInput) perOutput.fill(100);
    }
    for (auto& perInput : mixerPhase) {
        for (auto& perOutput : perInput) perOutput.fill(0);
    }
    showChEqualizer.fill(0);
    for (int output = 0; output < kOutputCount; ++output) {
        OutputChannel& channel = channels[output];
        // Slots past the output's capacity get the same defaults so copies compare equal.
        for (int band = 0; band < kMaxBands; ++band) {
            channel.eqArray[band] = EqBand{0.0f, kDefaultQ, kBandFrequencies[band], 1};
        }
        channel.eqSize = BandCapacity(output);
        channel.gain = 0;
        channel.mute = 0;
        channel.delay = 0.0f;
        channel.phase = 1;
        channel.bypass = 1;
        channel.crossover = DefaultCrossover(roles[output]);
    }
    hpLevels.fill(0.0);
    lpLevels.fill(0.0);
    for (auto& curve : curveFreq) curve.fill(0.0);
    for (auto& curve : curveLevel) curve.fill(0.0);
}

void DspProfile::ResetRoutingFromRoles() {
    for (int source = 0; source < kSourceCount; ++source) {
        const bool tableB = kInputSources[source].routing == RoutingDefault::B;
        for (int output = 0; output < kOutputCount; ++output) {
            const int role = roles[output] >= 0 && roles[output] < kRoleCount ? roles[output] : 0;
            routing[source][output] =
                tableB ? kSpeakerRoles[role].routingB : kSpeakerRoles[role].routingA;
        }
    }
}

std::span<EqBand> DspProfile::Bands(int output) {
    const int index = OutputOrFirst(output);
    return {channels[index].eqArray.data(), static_cast<size_t>(BandCapacity(index))};
}

std::span<const EqBand> DspProfile::Bands(int output) const {
    const int index = OutputOrFirst(output);
    return {channels[index].eqArray.data(), static_cast<size_t>(BandCapacity(index))};
}

int32_t DspProfile::BandCount(int output) const {
    return channels[OutputOrFirst(output)].eqSize;
}

bool DspProfile::IsRoleInUse(int role) const {
    return std::find(roles.begin(), roles.end(), role) != roles.end();
}

bool DspProfile::IsRoleAvailable(int role, int output) const {
    if (role < 0 || role >= kRoleCount) return false;
    const RoleGroup group = GroupOf(role);
    const int bands = RoleBands(role);
    for (int other = 0; other < kOutputCount; ++other) {
        if (other == output) continue;
        const int taken = roles[other];
        if (taken >= group.first && taken <= group.last && (RoleBands(taken) & bands) != 0) {
            return false;
        }
    }
    return true;
}

namespace {

// Pairs each output with the first unpaired output of its bank holding the mirror role. Pairing
// both sides at once keeps the pairs mutual when a file or the unit repeats a role.
std::array<int32_t, kOutputCount> MutualPartners(const std::array<int32_t, kOutputCount>& roles) {
    std::array<int32_t, kOutputCount> partners;
    partners.fill(-1);
    for (int i = 0; i < kOutputCount; ++i) {
        const int mirror = roles[i] != 0 ? MirrorRole(roles[i]) : 0;
        if (mirror == 0 || partners[i] != -1) continue;
        for (int j = 0; j < kOutputCount; ++j) {
            if (j != i && partners[j] == -1 && roles[j] == mirror && SameBank(i, j)) {
                partners[i] = j;
                partners[j] = i;
                break;
            }
        }
    }
    return partners;
}

}  // namespace

bool DspProfile::IsLinkable() const {
    const auto partners = MutualPartners(roles);
    return std::any_of(partners.begin(), partners.end(), [](int32_t p) { return p >= 0; });
}

void DspProfile::ComputeLinkPartners() {
    linkOutputs = MutualPartners(roles);
}

void DspProfile::CopyOutput(int from, int to) {
    LogPrintA("copy out config from %d to %d\n", from, to);
    if (!IsOutput(from) || !IsOutput(to)) return;
    const OutputChannel& source = channels[from];
    OutputChannel& target = channels[to];
    // Never read past the source's own bands when it holds fewer than the target.
    const int count = std::clamp(std::min(target.eqSize, source.eqSize), 0, BandCapacity(to));
    std::copy_n(source.eqArray.begin(), count, target.eqArray.begin());

    target.crossover.hp.SetType(source.crossover.hp.type);
    target.crossover.lp.SetType(source.crossover.lp.type);
    target.crossover.hp.SetFs(source.crossover.hp.fs);
    target.crossover.lp.SetFs(source.crossover.lp.fs);
    target.crossover.hp.SetSlope(source.crossover.hp.slope);
    target.crossover.lp.SetSlope(source.crossover.lp.slope);
    target.bypass = source.bypass;
    target.gain = source.gain;
}

}  // namespace dv
