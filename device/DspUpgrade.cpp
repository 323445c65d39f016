// The firmware upgrade engine: checks a file whole, puts the unit into its upgrade mode, follows
// it into its loader and streams the image in acknowledged blocks. Driven from one worker thread.
#include <cerrno>
#include <thread>

#include "base/Log.h"
#include "device/DspDevice.h"
#include "device/PayloadBuilder.h"

namespace dv {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kMcuBlock = 32;
constexpr uint32_t kFlashBlock = 50;
// Slices of the restart waits, so that an abort is seen soon.
constexpr int kWaitSliceMs = 20;
constexpr int kOneReply = -1;

int MsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

const char* ParserLogLine(FirmwareKind kind) {
    switch (kind) {
        case FirmwareKind::DspFlash:
            return "FlashUpgParsingFile!\n";
        case FirmwareKind::Bootloader:
            return "MCUUpgBLParsingFile!\n";
        default:
            return "MCUUpgParsingFile!\n";
    }
}

}  // namespace

void DspDevice::SetUpgradeTiming(const UpgradeTiming& timing) {
    std::lock_guard<std::mutex> lock(upgradeTimingMutex_);
    upgradeTiming_ = timing;
}

UpgradeTiming DspDevice::GetUpgradeTiming() const {
    std::lock_guard<std::mutex> lock(upgradeTimingMutex_);
    return upgradeTiming_;
}

int DspDevice::FlashUpgParsingFile(const std::string& path) {
    return ParseUpgradeFile(FirmwareKind::DspFlash, path);
}

int DspDevice::MCUUpgParsingFile(const std::string& path) {
    return ParseUpgradeFile(FirmwareKind::McuApp, path);
}

int DspDevice::MCUUpgBLParsingFile(const std::string& path) {
    return ParseUpgradeFile(FirmwareKind::Bootloader, path);
}

// Reads and checks the whole file before anything about the upgrade changes; on success the
// session holds the verified copy that is streamed.
int DspDevice::ParseUpgradeFile(FirmwareKind kind, const std::string& path) {
    LogPrintA("%s", ParserLogLine(kind));
    if (!IsDeviceOpen()) {
        LogPrintA("USB disconnected!\n");
        return UPG_START_NO_DEVICE;
    }
    std::vector<uint8_t> bytes;
    const FirmwareRead read = ReadFirmwareFile(path, bytes);
    if (read == FirmwareRead::CannotOpen) return UPG_START_CANNOT_OPEN;
    LogPrintA("Open file %s success!\n", path.c_str());
    if (kind == FirmwareKind::DspFlash)
        LogPrintA("%s file size is %ld\n", path.c_str(), static_cast<long>(bytes.size()));
    if (read != FirmwareRead::Ok) return UPG_START_REJECTED;
    FirmwareImage file;
    const FirmwareCheck check = ParseFirmwareFile(bytes, kind, GetExpectedModel(), file);
    if (check != FirmwareCheck::Ok && check != FirmwareCheck::TooSmall &&
        check != FirmwareCheck::TooLarge) {
        LogPrintA("cal encrypt_checksum=0x%x!\n", file.computedSum);
        LogPrintA("encrypt_checksum=0x%x!\n", file.storedSum);
    }
    if (check != FirmwareCheck::Ok) {
        LogPrintA("firmware file refused (%d)\n", static_cast<int>(check));
        return UPG_START_REJECTED;
    }
    LogPrintA("cal encrypt_checksum=0x%x!\n", file.computedSum);
    LogPrintA("encrypt_checksum=0x%x!\n", file.storedSum);
    upgrade_ = UpgradeSession{};
    upgrade_.kind = kind;
    upgrade_.header = file.header;
    upgrade_.image = std::move(file.image);
    upgrade_.remaining = static_cast<uint32_t>(upgrade_.image.size());
    return UPG_START_OK;
}

// Sleeps `ms` in slices; false when an abort came meanwhile.
bool DspDevice::UpgradeWait(int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!upgradeAbort_) {
        const int left = MsUntil(until);
        if (left == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, kWaitSliceMs)));
    }
    return false;
}

// Writes an upgrade command and reads until the state leaves `waitingState` (the reply that
// answers it) or the reply time-out passes; replies that answer something else are parsed and
// change nothing. False when the frame could not be written.
bool DspDevice::UpgradeCommand(CommandId id, std::span<const uint8_t> payload, int waitingState) {
    const CommandRow& row = Command(id);
    const Link link = CurrentLink();
    if (!WriteFrame(link, row.mcmd, row.subcmd, row.optype, payload.data(),
                    static_cast<uint8_t>(payload.size())))
        return false;
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(GetUpgradeTiming().replyTimeoutMs);
    std::array<uint8_t, kReportSize> buffer{};
    // kOneReply: a command no state waits on; its one reply is read and left at that.
    bool first = true;
    while ((waitingState == kOneReply ? first : upgradeStatus_ == waitingState) &&
           IsCurrent(link)) {
        first = false;
        const int left = MsUntil(deadline);
        if (left == 0) break;
        if (!ReadFrames(link, buffer.data(), left) && lastReadFailed_) break;  // the unit left
    }
    return true;
}

// Reports already waiting (a duplicated acknowledgement) are taken before the next block goes
// out, so they cannot pass for its answer.
void DspDevice::FlushStaleInput() {
    const Link link = CurrentLink();
    std::array<uint8_t, kReportSize> buffer{};
    for (int i = 0; i < 64 && ReadFrames(link, buffer.data(), 0); ++i) {
    }
}

void DspDevice::ReopenAfterRestart() {
    const UpgradeTiming timing = GetUpgradeTiming();
    CloseHIDDevice(false);
    if (!UpgradeWait(timing.restartWaitMs)) return;
    for (int attempt = 0; attempt < timing.reopenAttempts; ++attempt) {
        OpenHIDDevice();
        if (IsDeviceOpen()) return;
        if (!UpgradeWait(timing.reopenIntervalMs)) return;
    }
}

int DspDevice::UpgradeStart(const std::string& path) {
    LogPrintA("UpgradeStart filename\n");
    // One upgrade at a time; a second caller leaves the running one alone.
    if (upgradeStatus_ != UPG_IDLE) return UPG_START_UNIT_REFUSED;
    upgradeAbort_ = false;
    upgradeRestarts_ = false;
    const FirmwareKind kind = FirmwareKindFromName(path);
    if (kind == FirmwareKind::None) return UPG_START_REJECTED;
    upgrade_ = UpgradeSession{};
    const int parsed = ParseUpgradeFile(kind, path);
    if (parsed != UPG_START_OK) {
        EndUpgrade(false);
        return parsed;
    }
    auto fail = [this](int code) {
        EndUpgrade(false);
        return code;
    };
    upgradeKind_ = static_cast<uint8_t>(kind);
    upgradeFinishAck_ = -1;
    upgradePhase_ = PHASE_IDLE;
    upgradeStatus_ = UPG_ENTER;
    // What the unit runs now decides whether it restarts into its loader.
    const bool application = IsHandshakeNormal();
    if (kind == FirmwareKind::Bootloader) {
        UpgradeCommand(CommandId::BL_Enter_Upg_Mode, {}, UPG_ENTER);
    } else {
        LogPrintA("MCU_Enter_Upg_Mode\n");
        UpgradeCommand(CommandId::MCU_Enter_Upg_Mode, {}, UPG_ENTER);
    }
    // Every kind needs the unit's yes: a unit that refused is not closed and waited for.
    if (upgradeStatus_ != UPG_START || upgradeAbort_) return fail(UPG_START_UNIT_REFUSED);
    if (application && kind != FirmwareKind::Bootloader) ReopenAfterRestart();
    if (upgradeAbort_) return fail(UPG_START_UNIT_REFUSED);
    ClearBootloaderVersion();
    if (!IsDeviceOpen()) return fail(UPG_START_NO_DEVICE);
    ResetReceiveRing();
    const CommandId start = kind == FirmwareKind::Bootloader ? CommandId::BL_Upg_Start
                            : kind == FirmwareKind::McuApp   ? CommandId::MCU_Upg_Start
                                                             : CommandId::Flash_Upg_Start;
    UpgradeCommand(start, upgrade_.header, UPG_START);
    // Refused or never answered: the transfer has not begun.
    if (upgradeStatus_ != UPG_SEND_BIN_DATA) return fail(UPG_START_UNIT_REFUSED);
    upgradePhase_ = PHASE_IDLE;
    return UPG_START_OK;
}

uint8_t DspDevice::UpgradeProgress() const {
    const uint64_t size = upgrade_.image.size();
    if (size == 0) return 0;
    const uint64_t done =
        upgrade_.kind == FirmwareKind::DspFlash ? upgrade_.sent : size - upgrade_.remaining;
    return static_cast<uint8_t>(done * 100 / size);
}

uint8_t DspDevice::UpgradeProcess() {
    if (upgradeStatus_ == UPG_IDLE) return kUpgradeFailed;  // nothing running
    switch (upgradePhase_.load()) {
        case PHASE_SENT:
            upgradePhase_ = PHASE_READ;
            return UpgradeProgress();
        case PHASE_READ:
            return UpgradeRead();
        default:
            break;
    }
    switch (upgradeStatus_.load()) {
        case UPG_SEND_BIN_DATA:
            return UpgradeSendBlock();
        case UPG_FINISH:
            return EndUpgrade(upgradeFinishAck_ == ACK_READY);
        default:
            // UPG_FAIL, or a state no step can move on from: end now rather than spin.
            return EndUpgrade(false);
    }
}

uint8_t DspDevice::UpgradeSendBlock() {
    if (upgradeAbort_) {
        LogPrintA("upgrade aborted\n");
        return EndUpgrade(false);
    }
    if (!IsDeviceOpen()) return EndUpgrade(false);
    const UpgradeTiming timing = GetUpgradeTiming();
    const bool flash = upgrade_.kind == FirmwareKind::DspFlash;
    const bool boot = upgrade_.kind == FirmwareKind::Bootloader;
    const auto size = static_cast<uint32_t>(upgrade_.image.size());
    FlushStaleInput();
    upgrade_.deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(timing.replyTimeoutMs) *
                                                 std::max(1, timing.blockReadTries));
    const bool allSent = flash ? upgrade_.sent >= size : upgrade_.remaining == 0;
    if (allSent) {
        upgradeFinishAck_ = -1;
        upgradeStatus_ = UPG_FINISH;
        const bool written = flash ? Flash_Upg_Finish() : boot ? BL_Upg_Finish() : MCU_Upg_Finish();
        LogTimeStamp();
        LogPrintA(flash  ? "upgrade dsp finished!\n"
                  : boot ? "upgrade mcu bootloader finished!\n"
                         : "upgrade mcu finished!\n");
        if (!written) return EndUpgrade(false);
        // Finished only once the unit confirms it.
        upgradePhase_ = PHASE_READ;
        return UpgradeProgress();
    }
    upgradeStatus_ = UPG_WAITING_BIN_DATA_ACK;
    bool written = false;
    if (flash) {
        const uint32_t offset = upgrade_.sent;
        const uint32_t length = std::min(kFlashBlock, size - offset);
        upgrade_.sent = offset + length;
        LogTimeStamp();
        LogPrintA("Total file len %ld; current read pos: %ld;  has read len %ld.\n",
                  static_cast<long>(size), static_cast<long>(length),
                  static_cast<long>(upgrade_.sent));
        written = Flash_Upg_Data(offset,
                                 std::span<const uint8_t>(upgrade_.image).subspan(offset, length));
    } else {
        // Cut from the end: the first block takes the odd bytes, every later one 32.
        uint32_t length = kMcuBlock;
        if (upgrade_.remaining == size && size % kMcuBlock != 0) length = size % kMcuBlock;
        upgrade_.remaining -= length;
        const auto block =
            std::span<const uint8_t>(upgrade_.image).subspan(upgrade_.remaining, length);
        written =
            boot ? BL_Upg_Data(upgrade_.remaining, block) : MCU_Upg_Data(upgrade_.remaining, block);
    }
    if (!written) return EndUpgrade(false);
    upgradePhase_ = PHASE_SENT;
    return UpgradeProgress();
}

// One read for the reply awaited. The phase leaves PHASE_READ only when the state has moved on;
// the block (or the finish) fails once its tries have run out.
uint8_t DspDevice::UpgradeRead() {
    if (!IsDeviceOpen()) return EndUpgrade(false);
    const int waitMs = std::min(GetUpgradeTiming().replyTimeoutMs, MsUntil(upgrade_.deadline));
    std::array<uint8_t, kReportSize> buffer{};
    LogTimeStamp();
    LogPrintA("begain to read data...\n");
    const bool data = waitMs > 0 && ReadHIDData(buffer.data(), waitMs);
    LogTimeStamp();
    if (!data) {
        LogPrintA("read data error! %d\n", errno);
        // The unit left the bus: no reply can come on this link.
        if (lastReadFailed_) return EndUpgrade(false);
    } else {
        LogPrintA("has send out %d dtata... \n", static_cast<int>(kInputReportSize));
        LogPrintA("data return from devices is:\n");
        for (size_t i = 0; i < kInputReportSize; ++i) LogPrintA("0x%02X ", buffer[i]);
        LogPrintA("\n\r");
    }
    switch (upgradeStatus_.load()) {
        case UPG_SEND_BIN_DATA:
            upgradePhase_ = PHASE_IDLE;
            return UpgradeProgress();
        case UPG_FINISH:
            if (upgradeFinishAck_ != -1) return EndUpgrade(upgradeFinishAck_ == ACK_READY);
            break;
        case UPG_WAITING_BIN_DATA_ACK:
            break;
        default:
            return EndUpgrade(false);
    }
    if (Clock::now() >= upgrade_.deadline) {
        LogPrintA("no acknowledgement from the unit, upgrade failed\n");
        return EndUpgrade(false);
    }
    return UpgradeProgress();
}

// The one way out of an upgrade: a DSP-flash image the unit confirmed is started by a reboot; a
// failed one is not (the unit stays in its upgrade mode for another try). Then the state, the
// phase and the image are reset.
uint8_t DspDevice::EndUpgrade(bool confirmed) {
    if (confirmed && upgrade_.kind == FirmwareKind::DspFlash) {
        LogPrintA("MCU_Reboot_Ctrl\n");
        UpgradeCommand(CommandId::MCU_Reboot_Ctrl, {}, kOneReply);
    }
    LogPrintA(confirmed ? "upgrade done\n" : "upgrade failed\n");
    upgradeRestarts_ = confirmed;
    upgradeEndedAt_ = Clock::now().time_since_epoch().count();
    upgrade_ = UpgradeSession{};
    upgradeKind_ = 0;
    upgradeFinishAck_ = -1;
    upgradePhase_ = PHASE_IDLE;
    upgradeStatus_ = UPG_IDLE;
    return confirmed ? kUpgradeDone : kUpgradeFailed;
}

}  // namespace dv
