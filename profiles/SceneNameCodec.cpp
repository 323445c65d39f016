#include "profiles/SceneNameCodec.h"

#include <array>

#include "profiles/Base64.h"

namespace dv {

namespace {
constexpr size_t kNameBytes = kSceneNameChars * 2;
}

std::string EncodeSceneName(const SceneName& name) {
    std::array<uint8_t, kNameBytes> bytes{};
    for (size_t i = 0; i < name.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(name[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(name[i] >> 8);
    }
    return Base64Encode(bytes);
}

SceneName DecodeSceneName(std::string_view base64) {
    std::array<uint8_t, kNameBytes> bytes{};
    Base64DecodeInto(base64, bytes);
    SceneName name{};
    for (size_t i = 0; i < name.size(); ++i) {
        name[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return name;
}

}  // namespace dv
