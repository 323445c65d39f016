#include "model/InputSources.h"

namespace dv {

const std::array<InputSource, kSourceCount> kInputSources = {{
    {"source_opt", 0x51, false, 0, RoutingDefault::A},
    {"source_coax", 0x52, false, 0, RoutingDefault::A},
    {"source_bt", 0x53, true, 2, RoutingDefault::B},
    {"source_aux", 0x54, false, 0, RoutingDefault::B},
    {"source_low", 0x55, true, 4, RoutingDefault::A},
    {"source_hi", 0x56, true, 4, RoutingDefault::A},
    {"source_dmp", 0x57, false, 0, RoutingDefault::B},
}};

int SourceMixerInputs(int source) {
    return source >= 0 && source < kSourceCount ? kInputSources[source].mixerInputs : 0;
}

int SourceIndexFromCode(int code) {
    for (int source = 0; source < kSourceCount; ++source) {
        if (kInputSources[source].deviceCode == code) return source;
    }
    return kFallbackSource;
}

uint8_t SourceDeviceCode(int source) {
    const int index = source >= 0 && source < kSourceCount ? source : kFallbackSource;
    return kInputSources[index].deviceCode;
}

}  // namespace dv
