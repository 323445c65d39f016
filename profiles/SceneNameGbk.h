// Scene names as the unit holds them: narrow text in its code page (GBK), at most 16 bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "model/DspProfile.h"

namespace dv {

struct NarrowSceneName {
    std::vector<uint8_t> bytes;  // never cut inside a character
    bool encodable = true;       // false: a character GBK cannot hold (nothing after it is kept)
};

// Encodes the name up to its first zero; stops at `maxBytes` on a character boundary.
NarrowSceneName EncodeSceneNameGbk(const SceneName& name, size_t maxBytes = 16);
// Decodes up to the first zero byte; bytes that are not GBK end the name.
SceneName DecodeSceneNameGbk(const uint8_t* bytes, size_t count);

}  // namespace dv
