#include "profiles/RewResponseText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace dv {

namespace {

void AppendFixed(std::string& out, double value, int decimals) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0,
                                      std::chars_format::fixed, decimals);
    if (result.ec == std::errc()) out.append(buffer, result.ptr);
}

}  // namespace

std::string WriteRewResponseText(std::span<const double> freqHz, std::span<const double> levelDb,
                                 std::string_view comments) {
    std::string out;
    size_t at = 0;
    while (at <= comments.size()) {
        size_t end = comments.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = comments.size();
        if (end > at) {
            out += "* ";
            out.append(comments.substr(at, end - at));
            out += '\n';
        }
        at = end + 1;
    }
    out += "* Freq(Hz) SPL(dB)\n";
    const size_t count = std::min(freqHz.size(), levelDb.size());
    double last = 0.0;
    for (size_t i = 0; i < count; ++i) {
        const double f = freqHz[i];
        const double level = levelDb[i];
        if (!std::isfinite(f) || !std::isfinite(level) || f <= last) continue;
        last = f;
        AppendFixed(out, f, 4);
        out += ' ';
        AppendFixed(out, level, 3);
        out += '\n';
    }
    return out;
}

}  // namespace dv
