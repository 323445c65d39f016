// Firmware upgrade states and phases; the acknowledgement parsers move them.
#pragma once

#include <cstdint>

namespace dv {

enum UpgradeStatus : int {
    UPG_IDLE = 0,
    UPG_ENTER = 16,
    UPG_START = 32,
    UPG_SEND_BIN_DATA = 48,
    UPG_WAITING_BIN_DATA_ACK = 49,
    UPG_FINISH = 64,
    UPG_FAIL = 80,
};

enum UpgradePhase : int16_t {
    PHASE_IDLE = 0,
    PHASE_SENT = 1,
    PHASE_READ = 2,
    PHASE_DONE = 3,
};

}  // namespace dv
