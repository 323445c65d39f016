// EqualizerManager: keeping its hands off the link while a firmware upgrade owns it.
#include <chrono>

#include "base/Log.h"
#include "manager/EqualizerManager.h"

void EqualizerManager::BeginUpgradeHold() {
    LogPrintA("EqualizerManager::BeginUpgradeHold\n");
    m_upgradeHold = true;
    m_heldPlug = HeldPlug::None;
    m_awaitRestart = false;
}

bool EqualizerManager::HoldPlugEvent(HeldPlug event) {
    if (UpgradeRunning()) {
        LogPrintA("sys_upg_status UPG_ENTER or UPG_START\n");
        m_heldPlug = event;
        m_heldPlugAt = std::chrono::steady_clock::now().time_since_epoch().count();
        return true;
    }
    if (!m_awaitRestart) return false;
    // The restart after a new image: its removal is no surprise, its arrival is awaited.
    if (event == HeldPlug::Removal) return true;
    m_awaitRestart = false;
    return false;
}

void EqualizerManager::CloseFirmwareWnd() {
    if (!m_upgradeFollowUp && m_firmwareCloser) m_firmwareCloser();
}

void EqualizerManager::EndUpgradeHold() {
    if (!m_upgradeHold) return;
    LogPrintA("EqualizerManager::EndUpgradeHold\n");
    m_upgradeHold = false;
    // The window that ran it keeps showing its result (a failed DSP flash says not to unplug)
    // until the user closes it, whatever the link does meanwhile.
    m_upgradeFollowUp = true;
    // Whatever the upgrade left (a loader, a link that is gone, queueing off), the unit is read
    // afresh; plug events that came meanwhile are answered by this.
    m_device.CloseHIDDevice(false);
    SetConnectButton(LinkButton::Disconnected);
    m_profile.modelCode = -1;
    // A unit restarting with its new image is read once it is back (unless it already is: an
    // arrival after the upgrade ended; earlier ones were the restart into its loader).
    const bool back = m_heldPlug == HeldPlug::Arrival && m_heldPlugAt > m_device.UpgradeEndedAt();
    if (m_device.UpgradeEndedInRestart() && !back) {
        m_awaitRestart = true;
        return;
    }
    Connect(false);
}
