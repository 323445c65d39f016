#include "profiles/FileReplace.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>

#if __has_include(<unistd.h>)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace dv {

namespace {

// A name beside `target` that no file has yet: ".<name>.<stamp>.tmp".
fs::path TemporaryBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
        fs::path candidate = target;
        candidate.replace_filename("." + target.filename().string() + "." + std::to_string(stamp) +
                                   "-" + std::to_string(counter++) + ".tmp");
        std::error_code error;
        if (!fs::exists(fs::symlink_status(candidate, error))) return candidate;
    }
}

// The stream's flush hands the data to the system; this waits until it is on the disk, so the
// rename cannot outrun the content after a power loss.
bool SyncToDisk([[maybe_unused]] const fs::path& path) {
#if __has_include(<unistd.h>)
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
#else
    return true;
#endif
}

bool WriteWhole(const fs::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) return false;
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    out.close();
    return !out.fail() && SyncToDisk(path);
}

}  // namespace

bool ReplaceFileContent(const fs::path& path, std::string_view content) {
    std::error_code error;
    // Through a link the file it points to is replaced, not the link.
    fs::path target = path;
    if (fs::is_symlink(path, error)) {
        const fs::path real = fs::canonical(path, error);
        if (!error) target = real;
    }
    const fs::file_status old = fs::status(target, error);
    if (fs::is_directory(old)) return false;
    // A rename would replace even a file the user may not write; refuse it as writing in place
    // would. Opening for appending writes nothing.
    if (fs::exists(old) && !std::ofstream(target, std::ios::binary | std::ios::app).is_open()) {
        return false;
    }

    const fs::path temporary = TemporaryBeside(target);
    bool done = WriteWhole(temporary, content);
    if (done && fs::exists(old)) {
        fs::permissions(temporary, old.permissions(), error);
    }
    if (done) {
        fs::rename(temporary, target, error);
        done = !error;
    }
    if (!done) fs::remove(temporary, error);
    return done;
}

}  // namespace dv
