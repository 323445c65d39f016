// The simulated unit's input noise: each answered noise query moves every input's level a little,
// pseudo-randomly from a seed kept with the unit's state, so runs repeat exactly.
#pragma once

#include <array>
#include <cstdint>

#include "sim/SimState.h"

namespace dv::sim {

// Moves each level by 0.1 to 1.5 dB (never 0), kept between -90 and -30 dB.
void StepInputNoise(std::array<int16_t, kSimInputs>& tenths, uint32_t& seed);

}  // namespace dv::sim
