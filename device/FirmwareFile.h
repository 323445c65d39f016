// Firmware files: which part of the unit a file is for (from the end of its name) and the checks
// a file must pass before a single byte of it is sent. No I/O beyond reading the file whole.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dv {

// The upgrade kind byte of the engine.
enum class FirmwareKind : uint8_t { None = 0, DspFlash = 1, McuApp = 2, Bootloader = 3 };

// Kind byte, model byte, 4 header bytes, the image, 4 trailer bytes, 4 checksum bytes.
constexpr size_t kFirmwareOverhead = 14;
constexpr size_t kFirmwareMaxFile = 1048576;

// The kind named by the end of the path's last component, ignoring case: "...BL_UPG.BIN",
// "...FLASH_UPG.BIN" or "...MCU_UPG.BIN". A name that merely contains one ("X_MCU_UPG.BIN.bak")
// names none.
FirmwareKind FirmwareKindFromName(const std::string& path);

enum class FirmwareCheck {
    Ok,
    TooSmall,   // not even one image byte
    TooLarge,   // above 1 MiB
    WrongKind,  // first byte not 1 in an MCU or bootloader file
    WrongModel,
    BadChecksum,
};

struct FirmwareImage {
    uint8_t kindByte = 0;
    uint8_t modelByte = 0;
    std::array<uint8_t, 4> header{};
    std::vector<uint8_t> image;
    uint32_t computedSum = 0;
    uint32_t storedSum = 0;
};

// Checks a whole file held in memory; on Ok `out` holds its parts. Never reads past `file`.
FirmwareCheck ParseFirmwareFile(std::span<const uint8_t> file, FirmwareKind kind,
                                uint8_t expectedModel, FirmwareImage& out);

enum class FirmwareRead { Ok, CannotOpen, Rejected };

// Reads a regular file of at most 1 MiB whole into `bytes`, checking the size before reading.
FirmwareRead ReadFirmwareFile(const std::string& path, std::vector<uint8_t>& bytes);

// Builds a file that passes the checks: for tests, seeds and the demo.
std::vector<uint8_t> MakeFirmwareFile(std::span<const uint8_t> image,
                                      const std::array<uint8_t, 4>& header, uint8_t kindByte = 1,
                                      uint8_t modelByte = 1);

}  // namespace dv
