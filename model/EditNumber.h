// Numbers typed into the panel's edits. Only plain decimal text counts: what the panel itself
// shows parses back, and anything else (no digits, "nan", "inf", exponents, text a 32-bit
// integer cannot hold) is refused, so a typo never becomes a value.
#pragma once

#include <initializer_list>
#include <optional>
#include <string_view>

namespace dv {

// Blanks, an optional sign, digits with at most one decimal point, then optionally blanks and
// one of `units` (ASCII, case-insensitive), then blanks. The value is at most 2147483647 in size.
std::optional<double> ParseEditNumber(std::string_view text,
                                      std::initializer_list<std::string_view> units = {});

}  // namespace dv
