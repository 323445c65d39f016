// Records posted by the scene and flash reply parser (message 1237 code 11). Scene stored and
// scene deleted carry only the scene number as first parameter.
#pragma once

#include <cstdint>

#include "base/WindowMessage.h"

namespace dv {

struct SceneNameRecord : MessageRecord {
    int reserved = 0;
    int sceneIndex = 0;     // 0-based: scene n is index n - 1
    uint8_t name[16] = {};  // all zero for a slot that was never named
};

}  // namespace dv
