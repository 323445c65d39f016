#include "sim/SimState.h"

#include <algorithm>

namespace dv::sim {

namespace {

constexpr uint16_t kIsoBands[kSimBands] = {
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

// Input routing by role, for sources with four inputs (A) and with two (B).
uint8_t RoutingFor(uint8_t role, bool twoInputSource) {
    if (role == 0) return 0;
    if (role <= 6) return 0x1;
    if (role <= 12) return 0x2;
    if (role <= 15) return twoInputSource ? 0x1 : 0x4;
    if (role <= 18) return twoInputSource ? 0x2 : 0x8;
    if (role <= 21) return 0x3;
    if (role == 22) return 0x1;
    if (role == 23) return 0x2;
    return 0x3;
}

void FlatBands(std::array<SimBand, kSimBands>& bands) {
    for (int b = 0; b < kSimBands; ++b) bands[b] = SimBand{kIsoBands[b], 580, 0};
}

void ApplyRoles(SimScene& scene, const std::array<uint8_t, kSimOutputs>& roles) {
    for (int k = 0; k < kSimOutputs; ++k) {
        scene.outputs[k].role = roles[k];
        for (int s = 0; s < kSimSources; ++s)
            scene.routing[s][k] = RoutingFor(roles[k], s == 2 || s == 3 || s == 6);
    }
}

SimScene DefaultScene() {
    SimScene scene;
    for (SimOutput& out : scene.outputs) FlatBands(out.bands);
    for (SimInput& in : scene.inputs) FlatBands(in.bands);
    ApplyRoles(scene, {6, 12, 15, 18, 19, 20, 22, 23});
    return scene;
}

}  // namespace

SimUnitState FactoryState() {
    SimUnitState state;
    state.current = DefaultScene();
    state.stored.fill(state.current);
    for (auto& name : state.names) name.fill(0xFF);
    state.noiseTenths.fill(-600);
    return state;
}

std::array<uint8_t, 16> SceneNameBytes(std::string_view text) {
    std::array<uint8_t, 16> bytes{};
    std::copy_n(text.begin(), std::min<size_t>(text.size(), bytes.size()), bytes.begin());
    return bytes;
}

SimUnitState TunedCarState() {
    SimUnitState state = FactoryState();
    SimScene& car = state.current;
    // Tweeters, midbass, rear fill, subwoofers.
    ApplyRoles(car, {1, 7, 3, 9, 15, 18, 22, 23});
    const SimFilter tweeterHp{2, 3400, 4}, midHp{2, 70, 3}, midLp{2, 3200, 4};
    const SimFilter rearHp{1, 90, 2}, subHp{1, 25, 4}, subLp{2, 80, 4};
    for (int k : {0, 1}) car.outputs[k].hp = tweeterHp;
    for (int k : {2, 3}) {
        car.outputs[k].hp = midHp;
        car.outputs[k].lp = midLp;
    }
    for (int k : {4, 5}) car.outputs[k].hp = rearHp;
    for (int k : {6, 7}) {
        car.outputs[k].hp = subHp;
        car.outputs[k].lp = subLp;
    }
    const uint32_t delays[kSimOutputs] = {1250, 2480, 1100, 2310, 0, 350, 4200, 4200};
    const int8_t trims[kSimOutputs] = {-6, -7, -2, -3, -9, -9, 0, 0};
    for (int k = 0; k < kSimOutputs; ++k) {
        car.outputs[k].delayMicros = delays[k];
        car.outputs[k].trim = trims[k];
    }
    car.outputs[5].phase = 1;
    // A few corrective cuts and a bass lift.
    car.outputs[0].bands[24] = SimBand{5000, 430, -35};
    car.outputs[1].bands[24] = SimBand{5000, 430, -30};
    car.outputs[2].bands[9] = SimBand{160, 250, -45};
    car.outputs[3].bands[9] = SimBand{160, 250, -40};
    car.outputs[6].bands[3] = SimBand{40, 120, 30};
    car.outputs[7].bands[3] = SimBand{40, 120, 30};
    for (int s = 0; s < kSimSources; ++s)
        for (int in = 0; in < kSimInputs; ++in) car.mixTrim[s][in].fill(0);
    // Unlinked with the roles free: linking is the tuner's step, and a linked unit is locked.
    state.sourceCode = 0x53;
    state.mainVolume = -5;
    state.inputThreshold = -52;
    state.noiseTenths = {-712, -705, -690, -688, -600, -600, -600, -600};
    state.stored[0] = car;
    state.names[0] = SceneNameBytes("Daily");
    state.stored[1] = car;
    state.stored[1].outputs[6].bands[3].gainTenths = 60;
    state.stored[1].outputs[6].trim = -3;
    state.stored[1].outputs[7].trim = -3;
    state.names[1] = SceneNameBytes("Concert");
    return state;
}

}  // namespace dv::sim
