// Standard Base64 (RFC 4648 alphabet, "=" padding). None of the libraries the core may use
// offers it without Qt, so it lives here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace dv {

std::string Base64Encode(std::span<const uint8_t> bytes);

// Decodes into `out`, which the caller has zero-filled: characters outside the alphabet
// (padding included) are skipped, and decoding stops before a group that would not fit.
// Returns the number of bytes written.
size_t Base64DecodeInto(std::string_view text, std::span<uint8_t> out);

}  // namespace dv
