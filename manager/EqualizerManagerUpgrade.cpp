// EqualizerManager: keeping its hands off the link while a firmware upgrade owns it.
#include "base/Log.h"
#include "manager/EqualizerManager.h"

void EqualizerManager::BeginUpgradeHold() {
    LogPrintA("EqualizerManager::BeginUpgradeHold\n");
    m_upgradeHold = true;
}

void EqualizerManager::EndUpgradeHold() {
    if (!m_upgradeHold) return;
    LogPrintA("EqualizerManager::EndUpgradeHold\n");
    m_upgradeHold = false;
    // Whatever the upgrade left (a restarted unit, a loader, a link that is gone, queueing off),
    // the unit is read afresh; plug events that came meanwhile are answered by this.
    m_device.CloseHIDDevice(false);
    SetConnectButton(LinkButton::Disconnected);
    m_profile.modelCode = -1;
    Connect(false);
}
