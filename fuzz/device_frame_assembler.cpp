// Any byte stream through the frame assembler: it never reads or writes outside its buffer,
// stays within its states and hands on only frames whose checksum holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "device/Frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    dv::FrameAssembler assembler;
    for (size_t i = 0; i < size; ++i) {
        if (assembler.Step(data[i])) {
            const dv::ReceivedFrame frame = assembler.Frame();
            if (frame.payload.size() > dv::kMaxPayload + 1) abort();
            unsigned sum = frame.payload.size() + 3 + frame.mcmd + frame.subcmd + frame.optype;
            for (uint8_t b : frame.payload) sum += b;
            if (static_cast<uint8_t>(sum + data[i]) != 0) abort();
        }
        if (assembler.State() < 0 || assembler.State() > 64) abort();
    }
    return 0;
}
