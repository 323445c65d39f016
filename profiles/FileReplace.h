// Replacing a file whole: the new content goes to a temporary file in the same folder, is flushed
// to the disk and then renamed over the old file, so a failed write never leaves a half file.
#pragma once

#include <filesystem>
#include <string_view>

namespace dv {

// True when `path` now holds exactly `content`. On failure the old file, if any, is unchanged and
// no temporary file is left behind.
bool ReplaceFileContent(const std::filesystem::path& path, std::string_view content);

}  // namespace dv
