#include "sim/SimNoise.h"

namespace dv::sim {

namespace {

constexpr int kLowestTenths = -900;
constexpr int kHighestTenths = -300;

uint32_t NextRandom(uint32_t& state) {
    // xorshift32: tiny, and the same sequence on every platform.
    if (state == 0) state = 0x9E3779B9u;
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

}  // namespace

void StepInputNoise(std::array<int16_t, kSimInputs>& tenths, uint32_t& seed) {
    for (int16_t& level : tenths) {
        const uint32_t r = NextRandom(seed);
        const int size = 1 + static_cast<int>(r % 15);
        bool up = (r >> 8) & 1;
        if (level - size < kLowestTenths) up = true;
        if (level + size > kHighestTenths) up = false;
        level = static_cast<int16_t>(level + (up ? size : -size));
    }
}

}  // namespace dv::sim
