#include "curves/CalibrationCurves.h"

#include <algorithm>

namespace dv {

template <int Points>
bool CalibrationCurves::Store<Points>::set(const double* f, const double* l, int n,
                                           const uint8_t* shown) {
    if (n <= 0 || !f || !l) return false;
    count = std::min(n, kChannels);
    visible.fill(false);
    for (int c = 0; c < count; ++c) visible[static_cast<std::size_t>(c)] = shown && shown[c] != 0;
    freqs.fill(0.0);
    levels.fill(0.0);
    const std::size_t total = static_cast<std::size_t>(count) * Points;
    std::copy(f, f + total, freqs.begin());
    std::copy(l, l + total, levels.begin());
    return true;
}

bool CalibrationCurves::setCurves(const double* freqs, const double* levels, int count,
                                  const uint8_t* visible) {
    return response_.set(freqs, levels, count, visible);
}

bool CalibrationCurves::setMeasuredCurves(const double* freqs, const double* levels, int count,
                                          const uint8_t* visible) {
    return measured_.set(freqs, levels, count, visible);
}

std::size_t CalibrationCurves::Offset(int c, int points) {
    return static_cast<std::size_t>(std::clamp(c, 0, kChannels - 1)) *
           static_cast<std::size_t>(points);
}

}  // namespace dv
