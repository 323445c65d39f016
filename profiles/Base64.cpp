#include "profiles/Base64.h"

#include <algorithm>

namespace dv {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string Base64Encode(std::span<const uint8_t> bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        if (n > 1) group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        if (n > 2) group |= bytes[i + 2];
        text += kAlphabet[(group >> 18) & 0x3F];
        text += kAlphabet[(group >> 12) & 0x3F];
        text += n > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=';
        text += n > 2 ? kAlphabet[group & 0x3F] : '=';
    }
    return text;
}

size_t Base64DecodeInto(std::string_view text, std::span<uint8_t> out) {
    size_t written = 0;
    uint32_t group = 0;
    int sextets = 0;
    // A group of n sextets carries n - 1 bytes (a full group of four carries three).
    auto flush = [&](int count) {
        const size_t bytes = static_cast<size_t>(count - 1);
        if (count < 2 || written + bytes > out.size()) return false;
        const uint32_t value = group << (6 * (4 - count));
        for (size_t k = 0; k < bytes; ++k) {
            out[written++] = static_cast<uint8_t>(value >> (16 - 8 * k));
        }
        return true;
    };
    for (const char c : text) {
        const int sextet = SextetOf(c);
        if (sextet < 0) continue;
        group = (group << 6) | static_cast<uint32_t>(sextet);
        if (++sextets == 4) {
            if (!flush(4)) return written;
            group = 0;
            sextets = 0;
        }
    }
    if (sextets > 0) flush(sextets);
    return written;
}

}  // namespace dv
