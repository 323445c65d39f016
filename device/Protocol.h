// Wire constants of the DV80MAX link: USB identity, frame codes and acknowledgement statuses.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/UnitCounts.h"

namespace dv {

constexpr unsigned short kVendorId = 0x0483;
constexpr unsigned short kProductId = 0x5750;

constexpr size_t kReportSize = 65;       // report number 0 + 64 data bytes, written whole
constexpr size_t kInputReportSize = 64;  // at most this many bytes per read
constexpr size_t kMaxPayload = 57;       // report bytes 7..63, checksum in byte 64

constexpr uint8_t kSync1 = 0xAA;
constexpr uint8_t kSync2 = 0x55;

enum CommandGroup : uint8_t {
    MCMD_DSP = 1,
    MCMD_SCENE = 2,
    MCMD_MCU = 3,
};

enum OpType : uint8_t {
    OP_SET = 0xBB,
    OP_GET = 0x66,
    OP_DATA = 0xDD,
    OP_ACK = 0xEE,
};

enum AckStatus : uint8_t {
    ACK_READY = 0x0A,
    ACK_NOT_READY = 0x60,
    HANDSHAKE_UNNORMAL = 0xF0,
};

// Model limits used to refuse replies that name things the unit cannot have; outputs, sources
// and scenes are the settings model's (kOutputCount, kSourceCount, kSceneCount).
constexpr int kInputCount = 8;
constexpr int kSceneNameBytes = 16;

// 31 bands on outputs 0..5, 11 on outputs 6 and 7.
constexpr int BandCountOfOutput(int output) {
    return output < 6 ? 31 : 11;
}

// Time-outs of the read that follows a write.
constexpr int kDefaultReplyTimeoutMs = 10000;

}  // namespace dv
