// The firmware upgrade engine's own data: its waits, and the image of the upgrade in progress.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "device/FirmwareFile.h"

namespace dv {

// Every wait of an upgrade. The defaults are the unit's; tests shorten them.
struct UpgradeTiming {
    int replyTimeoutMs = 10000;  // one read for a reply
    int restartWaitMs = 8000;    // the unit restarting into its loader
    int reopenIntervalMs = 500;  // between attempts to open it again
    int reopenAttempts = 10;
    int blockReadTries = 3;  // reply time-outs a block or the finish may take, in all
};

// UpgradeStart results.
enum UpgradeStartResult : int {
    UPG_START_OK = 0,
    UPG_START_CANNOT_OPEN = 1,
    UPG_START_REJECTED = 2,
    UPG_START_NO_DEVICE = 3,
    UPG_START_UNIT_REFUSED = 4,
};

// UpgradeProcess end codes (0..100 is progress).
constexpr uint8_t kUpgradeDone = 101;
constexpr uint8_t kUpgradeFailed = 255;

// The verified image being streamed; the worker thread alone touches it.
struct UpgradeSession {
    FirmwareKind kind = FirmwareKind::None;
    std::array<uint8_t, 4> header{};
    std::vector<uint8_t> image;
    uint32_t remaining = 0;  // MCU and bootloader: bytes not yet sent, cut from the end
    uint32_t sent = 0;       // DSP flash: bytes sent, from the front
    std::chrono::steady_clock::time_point deadline{};  // for the reply now awaited
};

}  // namespace dv
