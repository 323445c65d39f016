// A computed response as a text measurement that Room EQ Wizard (REW) imports: comment lines
// starting with "* ", then one "frequency level" line per point (Hz, dB), frequencies rising.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace dv {

// Points whose frequency does not rise above the previous one, or that are not finite, are left
// out: REW reads a measurement only in rising frequency order. `comments` may hold several lines.
std::string WriteRewResponseText(std::span<const double> freqHz, std::span<const double> levelDb,
                                 std::string_view comments);

}  // namespace dv
