#include "device/FirmwareFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace dv {

namespace {

bool EndsWithNoCase(const std::string& text, const char* suffix) {
    const std::string tail(suffix);
    if (text.size() < tail.size()) return false;
    return std::equal(tail.rbegin(), tail.rend(), text.rbegin(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
    });
}

uint32_t Sum(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    for (uint8_t b : bytes) sum += b;
    return sum;
}

}  // namespace

FirmwareKind FirmwareKindFromName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // "FLASH_UPG.BIN" and "MCU_UPG.BIN" do not end in "BL_UPG.BIN", so the order only matters
    // for names that end in two of them at once, which none can.
    if (EndsWithNoCase(name, "BL_UPG.BIN")) return FirmwareKind::Bootloader;
    if (EndsWithNoCase(name, "FLASH_UPG.BIN")) return FirmwareKind::DspFlash;
    if (EndsWithNoCase(name, "MCU_UPG.BIN")) return FirmwareKind::McuApp;
    return FirmwareKind::None;
}

FirmwareCheck ParseFirmwareFile(std::span<const uint8_t> file, FirmwareKind kind,
                                uint8_t expectedModel, FirmwareImage& out) {
    // Sizes first: everything below indexes the file by them.
    if (file.size() > kFirmwareMaxFile) return FirmwareCheck::TooLarge;
    if (file.size() <= kFirmwareOverhead) return FirmwareCheck::TooSmall;
    const size_t n = file.size() - kFirmwareOverhead;
    FirmwareImage parsed;
    parsed.kindByte = file[0];
    parsed.modelByte = file[1];
    std::copy_n(file.begin() + 2, 4, parsed.header.begin());
    parsed.computedSum = Sum(file.first(10 + n));
    const auto stored = file.subspan(10 + n, 4);
    parsed.storedSum = static_cast<uint32_t>(stored[0]) << 24 |
                       static_cast<uint32_t>(stored[1]) << 16 |
                       static_cast<uint32_t>(stored[2]) << 8 | stored[3];
    if (kind != FirmwareKind::DspFlash && parsed.kindByte != 1) return FirmwareCheck::WrongKind;
    if (parsed.modelByte != expectedModel) return FirmwareCheck::WrongModel;
    if (parsed.computedSum != parsed.storedSum) return FirmwareCheck::BadChecksum;
    const auto image = file.subspan(6, n);
    parsed.image.assign(image.begin(), image.end());
    out = std::move(parsed);
    return FirmwareCheck::Ok;
}

FirmwareRead ReadFirmwareFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return FirmwareRead::CannotOpen;
    // Size and kind from the open file itself, so a file swapped after the check is not read.
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return FirmwareRead::CannotOpen;
    }
    if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > kFirmwareMaxFile) {
        std::fclose(file);
        return FirmwareRead::Rejected;
    }
    // One byte more than the size: a file that grew since fstat is refused, not cut short.
    bytes.resize(static_cast<size_t>(info.st_size) + 1);
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (got != static_cast<size_t>(info.st_size)) {
        bytes.clear();
        return FirmwareRead::Rejected;
    }
    bytes.resize(got);
    return FirmwareRead::Ok;
}

std::vector<uint8_t> MakeFirmwareFile(std::span<const uint8_t> image,
                                      const std::array<uint8_t, 4>& header, uint8_t kindByte,
                                      uint8_t modelByte) {
    std::vector<uint8_t> file;
    file.reserve(image.size() + kFirmwareOverhead);
    file.push_back(kindByte);
    file.push_back(modelByte);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), image.begin(), image.end());
    const uint8_t trailer[] = {0x5A, 0xA5, 0x00, 0xFF};
    file.insert(file.end(), std::begin(trailer), std::end(trailer));
    const uint32_t sum = Sum(file);
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<uint8_t>(sum >> shift));
    return file;
}

}  // namespace dv
