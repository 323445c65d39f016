// Scene profile files (".spf": the current settings) and whole profile files (".wpf": the current
// settings, the ten stored scenes and their names), as compact JSON. A read fills a scratch copy
// and commits only when every check passed, so a refused file changes nothing.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

#include "model/DspProfile.h"

namespace dv {

// User messages (language keys); the windows show them as message boxes.
inline constexpr std::string_view kProfileOpenError = "${profile_open_error}";
inline constexpr std::string_view kProfileLoadError = "${profile_load_error}";
inline constexpr std::string_view kSoftwareNotMatch = "${software_not_match}";
inline constexpr std::string_view kProfileSaveOk = "${profile_save_ok}";
inline constexpr std::string_view kProfileCreateError = "${profile_create_error}";

using ProfileMessageFn = std::function<void(std::string_view key)>;

// What a whole profile file holds: the manager's current settings, scene slots and names.
struct WholeProfile {
    DspProfile& current;
    SceneSlots& scenes;
    SceneNameTable& names;
};

// Fills `profile` from a scene file; on failure reports the reason and leaves it untouched.
bool readSceneProfile(const std::filesystem::path& path, DspProfile& profile,
                      const ProfileMessageFn& report);
// Fills settings, scenes and names from a whole file; on failure reports and changes none.
bool readWholeProfile(const std::filesystem::path& path, WholeProfile target,
                      const ProfileMessageFn& report);

// Writes a scene file and reports "${profile_save_ok}" or "${profile_create_error}".
bool writeSceneProfile(const DspProfile& profile, const std::filesystem::path& path,
                       const ProfileMessageFn& report);
// Writes a whole file; true when it was written completely. The caller reports the result.
bool writeWholeProfile(const DspProfile& current, const SceneSlots& scenes,
                       const SceneNameTable& names, const std::filesystem::path& path);

}  // namespace dv
