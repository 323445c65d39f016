// Numbers as profile files write them: integers without a fraction, other values with 15
// significant digits, or 17 where 15 do not read back as the very same double.
#pragma once

#include <string>

namespace dv {

// Locale-independent JSON text of `value`; "null" for a value JSON cannot hold.
std::string FormatJsonNumber(double value);

}  // namespace dv
