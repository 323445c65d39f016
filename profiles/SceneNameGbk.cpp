#include "profiles/SceneNameGbk.h"

#include <iconv.h>

#include <algorithm>

namespace dv {

namespace {

// One conversion descriptor per call: iconv state is not shared between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // Converts `in` whole; false when some input could not be converted or did not fit.
    bool Run(const char* in, size_t inBytes, char* out, size_t& outBytes) {
        char* inPtr = const_cast<char*>(in);
        size_t inLeft = inBytes;
        char* outPtr = out;
        size_t outLeft = outBytes;
        const size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
        outBytes -= outLeft;
        return r != static_cast<size_t>(-1) && inLeft == 0;
    }

private:
    iconv_t cd_;
};

}  // namespace

NarrowSceneName EncodeSceneNameGbk(const SceneName& name, size_t maxBytes) {
    NarrowSceneName result;
    Converter gbk("GBK", "UTF-16LE");
    if (!gbk.ok()) {
        result.encodable = false;
        return result;
    }
    // Character by character, so a cut or a refusal falls on a boundary.
    for (size_t i = 0; i < name.size() && name[i] != 0;) {
        const bool pair = name[i] >= 0xD800 && name[i] < 0xDC00 && i + 1 < name.size();
        const size_t units = pair ? 2 : 1;
        char in[4];
        for (size_t k = 0; k < units; ++k) {
            in[2 * k] = static_cast<char>(name[i + k] & 0xFF);
            in[2 * k + 1] = static_cast<char>(name[i + k] >> 8);
        }
        char out[8];
        size_t outBytes = sizeof out;
        if (!gbk.Run(in, 2 * units, out, outBytes) || outBytes == 0) {
            result.encodable = false;
            return result;
        }
        if (result.bytes.size() + outBytes > maxBytes) return result;
        result.bytes.insert(result.bytes.end(), out, out + outBytes);
        i += units;
    }
    return result;
}

SceneName DecodeSceneNameGbk(const uint8_t* bytes, size_t count) {
    SceneName name{};
    size_t length = 0;
    while (length < count && bytes[length] != 0) ++length;
    Converter utf16("UTF-16LE", "GBK");
    if (!utf16.ok() || length == 0) return name;
    char out[2 * kSceneNameChars * 2] = {};
    size_t outBytes = sizeof out;
    utf16.Run(reinterpret_cast<const char*>(bytes), length, out, outBytes);
    const size_t units = std::min(outBytes / 2, name.size());
    for (size_t i = 0; i < units; ++i)
        name[i] = static_cast<char16_t>(static_cast<uint8_t>(out[2 * i]) |
                                        (static_cast<uint8_t>(out[2 * i + 1]) << 8));
    return name;
}

}  // namespace dv
