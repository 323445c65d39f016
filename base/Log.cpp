#include "base/Log.h"

#include <iconv.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <mutex>

namespace {

constexpr size_t kBufferUnits = 1024;
// Large enough that only the explicit flush rule decides when text reaches the disk.
constexpr size_t kFileBufferBytes = 64 * 1024;

struct LogState {
    std::mutex busy;  // one writer formats, echoes and appends at a time
    FILE* file = nullptr;
    int lineCounter = 0;
    char narrow[kBufferUnits];
    wchar_t wide[kBufferUnits];
    char wideAsUtf8[kBufferUnits * 4];
    char fileBuffer[kFileBufferBytes];
};

LogState& State() {
    static LogState state;
    return state;
}

// Echoes and appends one formatted message; the caller holds the busy lock.
void WriteLocked(LogState& s, const char* text, size_t length) {
    fwrite(text, 1, length, stdout);
    fwrite(text, 1, length, s.file);
    if (s.lineCounter > 10) {
        fflush(s.file);
        s.lineCounter = 0;
    }
    ++s.lineCounter;
}

size_t WideToUtf8(const wchar_t* text, char* out, size_t outSize) {
    iconv_t cd = iconv_open("UTF-8", "WCHAR_T");
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text));
    size_t inLeft = wcslen(text) * sizeof(wchar_t);
    char* dst = out;
    size_t outLeft = outSize - 1;
    while (inLeft > 0 && iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
        if (errno != EILSEQ && errno != EINVAL) break;  // output full: keep what fits
        *dst++ = '?';                                   // a code unit with no UTF-8 form
        --outLeft;
        in += sizeof(wchar_t);
        inLeft -= sizeof(wchar_t);
        if (outLeft == 0) break;
    }
    iconv_close(cd);
    *dst = '\0';
    return static_cast<size_t>(dst - out);
}

}  // namespace

int InitConsoleWindow(const std::string& path) {
    LogState& s = State();
    std::lock_guard<std::mutex> lock(s.busy);
    if (s.file) fclose(s.file);
    s.lineCounter = 0;
    s.file = fopen(path.c_str(), "wb");
    if (s.file) setvbuf(s.file, s.fileBuffer, _IOFBF, sizeof s.fileBuffer);
    return 0;
}

bool LogStartFromWorkingDirectory(const std::string& workingDir) {
    const std::string switchFile = workingDir + "/savelog.ini";
    struct stat info;
    if (stat(switchFile.c_str(), &info) != 0 && errno != EACCES) return false;
    InitConsoleWindow(workingDir + "/save.log");
    return true;
}

void LogClose() {
    LogState& s = State();
    std::lock_guard<std::mutex> lock(s.busy);
    if (s.file) fclose(s.file);
    s.file = nullptr;
}

bool LogIsOpen() {
    LogState& s = State();
    std::lock_guard<std::mutex> lock(s.busy);
    return s.file != nullptr;
}

void LogPrintA(const char* format, ...) {
    LogState& s = State();
    std::lock_guard<std::mutex> lock(s.busy);
    if (!s.file) return;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(s.narrow, sizeof s.narrow, format, args);
    va_end(args);
    if (n < 0) return;
    WriteLocked(s, s.narrow, strnlen(s.narrow, sizeof s.narrow));
}

void LogPrint(const wchar_t* format, ...) {
    LogState& s = State();
    std::lock_guard<std::mutex> lock(s.busy);
    if (!s.file) return;
    va_list args;
    va_start(args, format);
    // On overflow vswprintf reports -1; the buffer is still cut and terminated below.
    vswprintf(s.wide, kBufferUnits, format, args);
    va_end(args);
    s.wide[kBufferUnits - 1] = L'\0';
    size_t length = WideToUtf8(s.wide, s.wideAsUtf8, sizeof s.wideAsUtf8);
    WriteLocked(s, s.wideAsUtf8, length);
}

void LogTimeStamp() {
    struct timeval now;
    gettimeofday(&now, nullptr);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    LogPrintA("%d.%02d.%02d %02d:%d:%d:%d\n", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
              local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(now.tv_usec / 1000));
}
