#include "profiles/JsonNumber.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace dv {

namespace {

std::string General(double value, int digits) {
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
    return std::string(text, result.ptr);
}

bool ReadsBackExactly(const std::string& text, double value) {
    double back = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), back);
    return result.ec == std::errc() && back == value;
}

}  // namespace

std::string FormatJsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    // Whole numbers in the 32-bit range print as integers, as cJSON prints them.
    if (value == std::trunc(value) && value >= std::numeric_limits<int32_t>::min() &&
        value <= std::numeric_limits<int32_t>::max()) {
        return std::to_string(static_cast<int32_t>(value));
    }
    std::string text = General(value, 15);
    if (!ReadsBackExactly(text, value)) text = General(value, 17);
    return text;
}

}  // namespace dv
