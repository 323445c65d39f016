// Frame layout on the wire: AA 55 len mcmd subcmd optype payload chk, inside 64-byte reports.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/Protocol.h"

namespace dv {

using Report = std::array<uint8_t, kReportSize>;

// Two's complement of the 8-bit sum of len, mcmd, subcmd, optype and the payload.
uint8_t FrameChecksum(uint8_t len, uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                      std::span<const uint8_t> payload);

// The 65-byte output report of one frame. A payload longer than kMaxPayload is refused:
// the result is false and `out` is left zeroed.
bool BuildReport(uint8_t mcmd, uint8_t subcmd, uint8_t optype, std::span<const uint8_t> payload,
                 Report& out);

// A complete, checksum-correct frame as the assembler hands it on.
struct ReceivedFrame {
    uint8_t mcmd = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    std::span<const uint8_t> payload;  // valid until the assembler takes its next byte
};

// Byte-at-a-time frame assembler. Its state survives between reads, so a frame may arrive
// split across reports.
class FrameAssembler {
public:
    // Takes one byte; returns true when it completed a frame, which `Frame()` then describes.
    bool Step(uint8_t b);
    ReceivedFrame Frame() const;
    int State() const { return state_; }

private:
    static constexpr int kCollectMax = 60;  // subcmd, optype and up to 58 payload bytes

    int state_ = 0;
    uint8_t len_ = 0;
    uint8_t mcmd_ = 0;
    std::array<uint8_t, kCollectMax> collected_{};
};

}  // namespace dv
