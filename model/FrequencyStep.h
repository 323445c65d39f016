// Stepping a frequency up or down by one of 200 logarithmic steps over 20 .. 20000 Hz, as the
// band and crossover steppers do.
#pragma once

#include <cstdint>

namespace dv {

// Returns the next step above (up) or below `freq`, rounded to whole Hz; the limits stay where
// they are. A frequency outside 20 .. 20000 is stepped from the nearer limit.
int32_t StepFrequency(int32_t freq, bool up);

}  // namespace dv
