// Scene names in profile files: the 16 raw bytes of the 8 UTF-16 little-endian code units, in
// Base64, so files move freely between this panel and the unit's other control programs.
#pragma once

#include <string>
#include <string_view>

#include "model/DspProfile.h"

namespace dv {

std::string EncodeSceneName(const SceneName& name);
// Bytes the text does not fill stay zero; the result is not otherwise checked.
SceneName DecodeSceneName(std::string_view base64);

}  // namespace dv
