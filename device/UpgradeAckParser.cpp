// Upgrade acknowledgements. Each moves the state only from the state that waits for it, and
// only when it answers the command of the upgrade in progress: a late, duplicated or stray
// acknowledgement changes nothing.
#include "base/Log.h"
#include "device/DspDevice.h"

namespace dv {

namespace {

// The MCU-group sub-commands of one upgrade kind: enter, start, data, finish.
struct McuCodes {
    uint8_t enter, start, data, finish;
};

McuCodes CodesOf(FirmwareKind kind) {
    if (kind == FirmwareKind::Bootloader) return {160, 161, 162, 163};
    // A DSP-flash upgrade enters through the MCU's command and goes on in group 2.
    if (kind == FirmwareKind::DspFlash) return {1, 0, 0, 0};
    return {1, 2, 3, 4};
}

}  // namespace

void DspDevice::ParseFlashUpgradeAck(uint8_t subcmd, uint8_t status) {
    if (GetUpgradeKind() != FirmwareKind::DspFlash) return;
    const int upgrade = upgradeStatus_.load();
    switch (subcmd) {
        case 3:
            if (upgrade != UPG_START) return;
            if (status == ACK_READY) {
                LogTimeStamp();
                LogPrintA("FLASH UPG_START: ACK_READY\n\n");
                upgradeStatus_ = UPG_SEND_BIN_DATA;
            } else {
                LogPrintA("FLASH UPG_START: ACK_NOT_READY\n\n");
                upgradeStatus_ = UPG_FAIL;
            }
            return;
        case 4:
            if (upgrade != UPG_WAITING_BIN_DATA_ACK) return;
            LogTimeStamp();
            if (status == ACK_READY) {
                LogPrintA("UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n");
                upgradeStatus_ = UPG_SEND_BIN_DATA;
            } else if (status == ACK_NOT_READY) {
                LogPrintA("!!!!! NOT_READY !!!!!!\n\n");
                upgradePhase_ = PHASE_SENT;
            } else {
                LogPrintA("flash block refused (0x%02x)\n", status);
                upgradeStatus_ = UPG_FAIL;
            }
            return;
        case 5:
            if (upgrade != UPG_FINISH || upgradeFinishAck_ != -1) return;
            if (status == ACK_READY) {
                LogTimeStamp();
                LogPrintA("UPG_FINISH: ACK_READY\n");
            }
            upgradeFinishAck_ = status;
            return;
        default:
            return;
    }
}

void DspDevice::ParseMcuUpgradeAck(uint8_t subcmd, uint8_t status) {
    const FirmwareKind kind = GetUpgradeKind();
    if (kind == FirmwareKind::None) return;
    const McuCodes codes = CodesOf(kind);
    const int upgrade = upgradeStatus_.load();
    if (subcmd == codes.enter) {
        if (upgrade == UPG_ENTER && status == ACK_READY) upgradeStatus_ = UPG_START;
        return;
    }
    if (kind == FirmwareKind::DspFlash) return;
    if (subcmd == codes.start) {
        if (upgrade != UPG_START) return;
        if (status == ACK_READY) {
            LogTimeStamp();
            LogPrintA("MCU_UPG_START: ACK_READY\n\n");
            upgradeStatus_ = UPG_SEND_BIN_DATA;
        } else {
            LogPrintA("MCU_UPG_START: ACK_NOT_READY\n\n");
            upgradeStatus_ = UPG_FAIL;
        }
    } else if (subcmd == codes.data) {
        if (upgrade != UPG_WAITING_BIN_DATA_ACK) return;
        LogTimeStamp();
        if (status == ACK_READY) {
            LogPrintA("MCU UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n");
            upgradeStatus_ = UPG_SEND_BIN_DATA;
        } else if (status == ACK_NOT_READY) {
            LogPrintA("MCU !!!!! NOT_READY !!!!!!\n\n");
            upgradePhase_ = PHASE_SENT;
        } else {
            LogPrintA("MCU block refused (0x%02x)\n", status);
            upgradeStatus_ = UPG_FAIL;
        }
    } else if (subcmd == codes.finish) {
        if (upgrade != UPG_FINISH || upgradeFinishAck_ != -1) return;
        if (status == ACK_READY) {
            LogTimeStamp();
            LogPrintA("MCU UPG_FINISH: ACK_READY\n\n");
        }
        upgradeFinishAck_ = status;
    }
}

}  // namespace dv
