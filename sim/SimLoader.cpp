#include "sim/SimLoader.h"

#include <algorithm>

#include "sim/ProcessorSimulator.h"

namespace dv::sim {

namespace {

constexpr uint8_t kSet = 0xBB, kAck = 0xEE;
constexpr uint8_t kReady = 0x0A, kNotReady = 0x60, kRefused = 0xE0;
constexpr uint32_t kMcuBlock = 32, kFlashBlock = 50;

std::vector<uint8_t> AckFrame(const SimFrame& frame, uint8_t status) {
    const uint8_t payload[] = {status};
    return EncodeFrame(frame.mcmd, frame.subcmd, kAck, payload);
}

uint32_t U32(const std::vector<uint8_t>& p, size_t at) {
    return static_cast<uint32_t>(p[at]) << 24 | static_cast<uint32_t>(p[at + 1]) << 16 |
           static_cast<uint32_t>(p[at + 2]) << 8 | p[at + 3];
}

}  // namespace

std::array<uint8_t, 4> SimUpgradeHeader(uint8_t version, uint32_t length) {
    return {version, static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 8),
            static_cast<uint8_t>(length)};
}

bool SimLoader::IsUpgradeFrame(const SimFrame& frame) {
    if (frame.mcmd == 2) return frame.optype == kSet && frame.subcmd >= 3 && frame.subcmd <= 5;
    if (frame.mcmd != 3) return false;
    if (frame.subcmd == 12) return true;  // Get_Bootloader_Version
    if (frame.optype != kSet) return false;
    return (frame.subcmd >= 1 && frame.subcmd <= 4) || frame.subcmd == 0x8F ||
           (frame.subcmd >= 0xA0 && frame.subcmd <= 0xA3);
}

const std::vector<uint8_t>& SimLoader::Installed(SimImageKind kind) const {
    static const std::vector<uint8_t> none;
    switch (kind) {
        case SimImageKind::Mcu:
            return installedMcu_;
        case SimImageKind::Bootloader:
            return installedBoot_;
        case SimImageKind::Flash:
            return installedFlash_;
        default:
            return none;
    }
}

void SimLoader::Handle(const SimFrame& frame, SimOptions& options, SimResponse& response) {
    const bool loader = personality_ == SimPersonality::Loader;
    if (frame.mcmd == 3 && frame.subcmd == 12) {
        const uint8_t version[] = {options.bootloaderVersion};
        response.frames.push_back(EncodeFrame(3, 12, 0xDD, version));
        return;
    }
    if (frame.mcmd == 2) {
        if (frame.subcmd == 3) return Start(frame, SimImageKind::Flash, response);
        if (frame.subcmd == 4) return Data(frame, response);
        return Finish(frame, options, response);
    }
    switch (frame.subcmd) {
        case 1:
        case 0xA0:
            return Enter(frame, response);
        case 2:
            return Start(frame, SimImageKind::Mcu, response);
        case 0xA1:
            // The application writes the bootloader; the loader cannot rewrite itself.
            if (loader) return response.frames.push_back(AckFrame(frame, kNotReady));
            return Start(frame, SimImageKind::Bootloader, response);
        case 3:
        case 0xA2:
            return Data(frame, response);
        case 4:
        case 0xA3:
            return Finish(frame, options, response);
        case 0x8F:  // reboot: into the application when it is whole
            response.frames.push_back(AckFrame(frame, kReady));
            bootToLoader_ = false;
            inSession_ = false;
            return Restart(response);
        default:
            return;
    }
}

void SimLoader::Enter(const SimFrame& frame, SimResponse& response) {
    const bool boot = frame.subcmd == 0xA0;
    const bool loader = personality_ == SimPersonality::Loader;
    if (faults_.refuseEnter || (boot && loader)) {
        response.frames.push_back(AckFrame(frame, kNotReady));
        return;
    }
    response.frames.push_back(AckFrame(frame, kReady));
    inSession_ = true;
    if (boot || loader) return;  // already where the image is taken
    bootToLoader_ = true;
    Restart(response);
}

void SimLoader::Start(const SimFrame& frame, SimImageKind kind, SimResponse& response) {
    if (faults_.ignoreStart) return;
    const bool loader = personality_ == SimPersonality::Loader;
    const bool right = kind == SimImageKind::Bootloader ? !loader : loader;
    const uint32_t length = frame.payload.size() >= 4 ? U32(frame.payload, 0) & 0x00FFFFFF : 0;
    if (faults_.refuseStart || !right || length == 0) {
        response.frames.push_back(AckFrame(frame, kNotReady));
        return;
    }
    inSession_ = true;
    kind_ = kind;
    newVersion_ = frame.payload[0];
    length_ = length;
    received_.assign(length, 0);
    covered_ = 0;
    broken_ = false;
    blocks_ = 0;
    // The loader erases the application before it takes a new one.
    if (kind == SimImageKind::Mcu) applicationValid_ = false;
    next_ = kind == SimImageKind::Flash
                ? 0
                : length - (length % kMcuBlock ? length % kMcuBlock : kMcuBlock);
    response.frames.push_back(AckFrame(frame, kReady));
}

// Checks one block against the transfer's order, offset and size, and stores it.
bool SimLoader::TakeBlock(const SimFrame& frame) {
    const std::vector<uint8_t>& p = frame.payload;
    if (kind_ == SimImageKind::None || broken_ || covered_ >= length_) return false;
    const bool flash = frame.mcmd == 2;
    if (flash != (kind_ == SimImageKind::Flash)) return false;
    if (!flash && (frame.subcmd == 0xA2) != (kind_ == SimImageKind::Bootloader)) return false;
    if (flash) {
        if (p.size() < 5) return false;
        const uint32_t offset = U32(p, 0);
        const uint32_t count = p[4];
        if (offset != next_ || count != std::min(kFlashBlock, length_ - offset) ||
            p.size() != 5 + count)
            return false;
        std::copy_n(p.begin() + 5, count, received_.begin() + offset);
        next_ += count;
        covered_ += count;
        return true;
    }
    if (p.size() != 4 + kMcuBlock) return false;
    const uint32_t offset = U32(p, 0);
    if (offset != next_) return false;
    const uint32_t count = std::min(kMcuBlock, length_ - offset);
    // The bytes after the image's end are zero filled.
    if (!std::all_of(p.begin() + 4 + count, p.end(), [](uint8_t b) { return b == 0; }))
        return false;
    std::copy_n(p.begin() + 4, count, received_.begin() + offset);
    covered_ += count;
    next_ = offset >= kMcuBlock ? offset - kMcuBlock : 0;
    return true;
}

void SimLoader::Data(const SimFrame& frame, SimResponse& response) {
    const int block = blocks_++;
    if (block == faults_.unplugAtBlock) {
        inSession_ = false;
        return Restart(response);
    }
    if (block == faults_.notReadyDropAt) {
        response.frames.push_back(AckFrame(frame, kNotReady));
        return;
    }
    if (!TakeBlock(frame)) {
        broken_ = true;
        response.frames.push_back(AckFrame(frame, kRefused));
        return;
    }
    if (block == faults_.loseAckAt) return;
    if (block == faults_.strayAckAt) {
        // Acknowledgements of other commands: entering, another kind's block, a DSP setting.
        const uint8_t ready[] = {kReady};
        response.frames.push_back(EncodeFrame(3, 1, kAck, ready));
        response.frames.push_back(
            EncodeFrame(frame.mcmd == 2 ? 3 : 2, frame.mcmd == 2 ? 3 : 4, kAck, ready));
        response.frames.push_back(EncodeFrame(1, 6, kAck, ready));
    }
    if (block == faults_.notReadyThenReadyAt) {
        response.frames.push_back(AckFrame(frame, kNotReady));
        response.laterFrames.emplace_back(faults_.notReadyDelay, AckFrame(frame, kReady));
        return;
    }
    response.frames.push_back(AckFrame(frame, kReady));
    if (block == faults_.duplicateAckAt) response.frames.push_back(AckFrame(frame, kReady));
}

void SimLoader::Finish(const SimFrame& frame, SimOptions& options, SimResponse& response) {
    if (faults_.ignoreFinish) return;
    const bool whole = kind_ != SimImageKind::None && !broken_ && covered_ == length_ &&
                       (kind_ == SimImageKind::Flash ? next_ == length_ : true);
    const bool rightCommand = frame.mcmd == 2        ? kind_ == SimImageKind::Flash
                              : frame.subcmd == 0xA3 ? kind_ == SimImageKind::Bootloader
                                                     : kind_ == SimImageKind::Mcu;
    inSession_ = false;
    if (faults_.refuseFinish || !whole || !rightCommand) {
        response.frames.push_back(AckFrame(frame, kNotReady));
        return;
    }
    response.frames.push_back(AckFrame(frame, kReady));
    const SimImageKind kind = kind_;
    kind_ = SimImageKind::None;
    switch (kind) {
        case SimImageKind::Mcu:
            installedMcu_ = received_;
            applicationValid_ = true;
            bootToLoader_ = false;
            options.masterVersion = newVersion_;
            return Restart(response);
        case SimImageKind::Bootloader:
            installedBoot_ = received_;
            options.bootloaderVersion = newVersion_;
            return Restart(response);
        default:
            // The DSP flash is written; the panel's reboot starts the application.
            installedFlash_ = received_;
            options.flashVersion[3] = newVersion_;
            return;
    }
}

void SimLoader::Restart(SimResponse& response) {
    response.restart = SimRestart::Reboot;
    response.offline = faults_.returnDelay;
    response.stayAway = faults_.neverReturn;
}

void SimLoader::Restarted() {
    ++restarts_;
    personality_ =
        bootToLoader_ || !applicationValid_ ? SimPersonality::Loader : SimPersonality::Application;
}

}  // namespace dv::sim
