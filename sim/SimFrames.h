// The simulated unit's own frame codec, written apart from the panel's so that tests compare
// two independent implementations of the wire format.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace dv::sim {

struct SimFrame {
    uint8_t mcmd = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    std::vector<uint8_t> payload;
};

// Decodes the frame inside a 65-byte output report (report number first). Nothing when the
// sync bytes, length or checksum are wrong.
std::optional<SimFrame> DecodeOutputReport(std::span<const uint8_t> report);

// AA 55 len mcmd subcmd optype payload chk.
std::vector<uint8_t> EncodeFrame(uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                                 std::span<const uint8_t> payload);

// One band as the unit writes it in a reply: frequency (16 bits), Q in whole and hundredths,
// gain + 18 dB in whole and tenths.
void PutBandBytes(std::vector<uint8_t>& out, int freq, int qHundredths, int gainTenths);

}  // namespace dv::sim
