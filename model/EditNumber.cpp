#include "model/EditNumber.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace dv {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<double> ParseEditNumber(std::string_view text,
                                      std::initializer_list<std::string_view> units) {
    text = Trim(text);
    size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    size_t digits = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        if (IsDigit(text[at])) {
            ++digits;
        } else if (text[at] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;
    const std::string_view number = text.substr(0, at);
    const std::string_view unit = Trim(text.substr(at));
    if (!unit.empty()) {
        bool known = false;
        for (std::string_view candidate : units)
            known = known || EqualsIgnoringCase(unit, candidate);
        if (!known) return std::nullopt;
    }
    // from_chars takes no '+' and ignores the locale (a Qt program sets the user's).
    const bool plus = number.front() == '+';
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(number.data() + (plus ? 1 : 0), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    if (!std::isfinite(value) || std::fabs(value) > 2147483647.0) return std::nullopt;
    return value;
}

}  // namespace dv
