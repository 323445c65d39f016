// Records posted by the MCU reply parser (message 1235).
#pragma once

#include "base/WindowMessage.h"

namespace dv {

// Code 8 (handshake) fills model and versions; code 11 (flash version) fills flashVersion.
struct McuValueRecord : MessageRecord {
    int reserved = 0;
    int model = 0;
    int masterVersion = 0;
    int slaveVersion = 0;
    int flashVersion[4] = {};
};

}  // namespace dv
