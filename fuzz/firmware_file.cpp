// Any bytes as a firmware file of each kind: the parser never crashes, never reads past the
// buffer (ASan), never accepts an empty image, and what it accepts is exactly what it checked.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "device/FirmwareFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The parser gets the exact bytes: a copy on the heap makes ASan catch a read past the end.
    auto* copy = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    for (size_t i = 0; i < size; ++i) copy[i] = data[i];
    const std::span<const uint8_t> file(copy, size);
    for (dv::FirmwareKind kind :
         {dv::FirmwareKind::McuApp, dv::FirmwareKind::Bootloader, dv::FirmwareKind::DspFlash}) {
        for (uint8_t model : {uint8_t{1}, uint8_t{0xFF}}) {
            dv::FirmwareImage image;
            if (dv::ParseFirmwareFile(file, kind, model, image) != dv::FirmwareCheck::Ok) continue;
            uint32_t sum = 0;
            for (size_t i = 0; i + 4 < size; ++i) sum += copy[i];
            const bool consistent = size > dv::kFirmwareOverhead && size <= dv::kFirmwareMaxFile &&
                                    !image.image.empty() &&
                                    image.image.size() == size - dv::kFirmwareOverhead &&
                                    image.modelByte == model && sum == image.storedSum &&
                                    (kind == dv::FirmwareKind::DspFlash || image.kindByte == 1);
            if (!consistent) std::abort();
        }
    }
    std::free(copy);
    return 0;
}
