// Any file content through both profile readers: a refusal is fine, a crash or a partly changed
// target is not.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "profiles/ProfileFile.h"

namespace {

struct Targets {
    dv::DspProfile scene;
    dv::DspProfile current;
    dv::SceneSlots scenes;
    dv::SceneNameTable names{};
};

const std::filesystem::path& InputPath() {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("dv-fuzz-profile-" + std::to_string(getpid()) + ".json");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream out(InputPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    static const auto targets = std::make_unique<Targets>();
    const auto before = std::make_unique<Targets>(*targets);
    if (!dv::readSceneProfile(InputPath(), targets->scene, nullptr) &&
        std::memcmp(&targets->scene, &before->scene, sizeof(dv::DspProfile)) != 0) {
        std::abort();
    }
    if (!dv::readWholeProfile(InputPath(), {targets->current, targets->scenes, targets->names},
                              nullptr) &&
        std::memcmp(&targets->current, &before->current, sizeof(dv::DspProfile)) != 0) {
        std::abort();
    }
    return 0;
}
