#include "model/FrequencyStep.h"

#include <algorithm>
#include <cmath>

#include "model/DspProfile.h"

namespace dv {

namespace {

constexpr int kSteps = 200;

int32_t FrequencyOfStep(int step) {
    // The exponent is single precision on purpose: the unit's steppers land on these values.
    const float exponent = static_cast<float>(step) * 3.0f / kSteps + 1.30103f;
    return static_cast<int32_t>(std::lround(std::pow(10.0, static_cast<double>(exponent))));
}

}  // namespace

int32_t StepFrequency(int32_t freq, bool up) {
    freq = std::clamp(freq, kFreqMin, kFreqMax);
    const double position = (std::log10(static_cast<double>(freq)) - std::log10(20.0)) * kSteps /
                            (std::log10(20000.0) - std::log10(20.0));
    const int index = static_cast<int>(position);
    auto stepped = [&](int distance) {
        const int step = up ? std::min(index + distance, kSteps) : std::max(index - distance, 0);
        return FrequencyOfStep(step);
    };
    const int32_t result = stepped(1);
    return result == freq ? stepped(2) : result;
}

}  // namespace dv
