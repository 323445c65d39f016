// EqualizerManager: construction, binding to the window, the link's life cycle and the start-up
// read of the whole unit.
#include "manager/EqualizerManager.h"

#include <algorithm>

#include "base/Log.h"
#include "controls/CSButtonUI.h"
#include "curves/FilterMath.h"
#include "device/StartupRead.h"
#include "manager/QuestionAsker.h"
#include "manager/ToolWindows.h"
#include "model/InputSources.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;

namespace {

constexpr DWORD kLinkDownColor = 0xFFFF0000;
constexpr DWORD kLinkUpColor = 0xFFFFFFFF;
constexpr int kLinkSelectedFont = 8;

}  // namespace

EqualizerManager::EqualizerManager() {
    // The panel serves model 1 only; a firmware file must name it (second byte) to be taken.
    m_device.SetExpectedModel(1);
    // A disconnect or the window's close ends a worker's wait within this, not at its time-out.
    m_device.SetReadSlice(50);
    for (auto& slot : m_scenes) slot.ResetDefaults();
    m_profile.ResetDefaults();
}

EqualizerManager::~EqualizerManager() {
    // A worker ends soon once cancelled and its link is gone; posts after this are dropped.
    m_device.SetMainWindow(nullptr);
    m_workerCancel = true;
    m_device.CloseHIDDevice(false);
    StopWorker();
}

const dv::DspProfile& EqualizerManager::SceneSlot(int scene) const {
    return m_scenes[scene >= 1 && scene <= dv::kSceneCount ? scene - 1 : 0];
}

QString EqualizerManager::SceneName(int index) const {
    if (index < 0 || index >= dv::kSceneCount) return QString();
    const auto& name = m_sceneNames[index];
    int length = 0;
    while (length < dv::kSceneNameChars && name[length] != 0) ++length;
    return QString::fromUtf16(name.data(), length);
}

bool EqualizerManager::IsConnected() const {
    return m_device.IsDeviceOpen() && m_device.IsCmdQueueEnabled() && m_profile.modelCode == 1;
}

bool EqualizerManager::UpgradeRunning() const {
    // Hands off in every upgrade state, not just the first two: the engine owns the link until
    // it ends, and the firmware window until it closes.
    return m_upgradeHold || m_device.GetUpgradeStatus() != dv::UPG_IDLE;
}

void EqualizerManager::Init(CPaintManagerUI* paintManager, CWindowWnd* window,
                            std::unique_ptr<QuestionAsker> asker) {
    const RefreshScope refreshing(*this);
    if (asker) m_asker = std::move(asker);
    m_window = window;
    m_windowHandle = window ? window->GetWindowHandle() : nullptr;
    m_device.SetMainWindow(m_windowHandle);
    m_pm = paintManager;
    BindControls();

    const int itemHeight = 16;
    for (CComboUI* combo : {m_comboSource, m_comboUnit, m_hpType, m_lpType, m_hpSlope, m_lpSlope}) {
        if (!combo) continue;
        for (int i = 0; i < combo->GetCount(); ++i) combo->GetItemAt(i)->SetFixedHeight(itemHeight);
    }
    if (m_comboSource) {
        for (int i = 0; i < m_comboSource->GetCount(); ++i) {
            CControlUI* item = m_comboSource->GetItemAt(i);
            if (i < dv::kSourceCount) item->SetVisible(dv::kInputSources[i].shownAtStart);
        }
    }
    if (m_comboUnit) m_comboUnit->SelectItem(0, false, false);
    for (int k = 0; k < dv::kOutputCount; ++k) {
        for (CControlUI* c :
             {static_cast<CControlUI*>(m_chShow[k]), static_cast<CControlUI*>(m_chEnable[k]),
              static_cast<CControlUI*>(m_chOutputBtn[k]),
              static_cast<CControlUI*>(m_chVolumeSlider[k]), m_chVolumeBg[k],
              static_cast<CControlUI*>(m_chVolumeEdit[k]), static_cast<CControlUI*>(m_chMute[k]),
              static_cast<CControlUI*>(m_chPhase[k]), m_delayLabel[k],
              static_cast<CControlUI*>(m_chDelayEdit[k]), m_controlEmpty[k]}) {
            if (c) c->SetVisible(true);
        }
        if (m_chDelaySlider[k]) m_chDelaySlider[k]->SetVisible(false);
        if (m_input123[k]) m_input123[k]->SetVisible(false);
        if (m_input456[k]) m_input456[k]->SetVisible(false);
        // Without a unit these would stay blank until a read.
        ShowChannelVolume(k);
        ShowChannelDelay(k);
    }
    ShowSourceInputs();
    for (CControlUI* icon : m_speaker)
        if (icon) icon->SetVisible(false);
    if (m_btnArgEq) {
        m_btnArgEq->SetSelected(false);
        m_btnArgEq->SetText(QStringLiteral("${geq_mode}"));
    }

    if (m_sliderMainVolume) m_sliderMainVolume->SetValue(m_profile.mainVolume);
    ShowMainVolume();
    if (m_comboSource) m_comboSource->SelectItem(5, false, false);
    OnChannelInChange(0);
    ShowRoleCaptions();
    if (m_btnConnect) m_btnConnect->SetFocus();
}

void EqualizerManager::SetConnectButton(LinkButton state) {
    if (!m_btnConnect) return;
    const bool up = state == LinkButton::Connected;
    m_btnConnect->SetText(up ? QStringLiteral("${btn_connected}")
                          : state == LinkButton::Connecting
                              ? QStringLiteral("${btn_connecting}")
                              : QStringLiteral("${btn_disconnected}"));
    m_btnConnect->SetSelected(up);
    m_btnConnect->SetTextColor(up ? kLinkUpColor : kLinkDownColor);
    m_btnConnect->SetAttribute(QStringLiteral("selectedfont"), QString::number(kLinkSelectedFont));
}

void EqualizerManager::PostToWindow(unsigned message) {
    dv::PostToWindow(m_windowHandle, message, 0);
}

void EqualizerManager::PostTask(std::function<void()> task) {
    auto record = std::make_unique<ManagerTaskRecord>();
    record->task = std::move(task);
    dv::PostToWindow(m_windowHandle, WM_MANAGER_TASK, 0, std::move(record));
}

void EqualizerManager::RunPostedTask(const dv::MessageRecord* record) {
    const RefreshScope refreshing(*this);
    const auto* task = dynamic_cast<const ManagerTaskRecord*>(record);
    if (task && task->task) task->task();
}

void EqualizerManager::Connect(bool reportFailure) {
    m_linkStateToSend = false;
    m_awaitRestart = false;
    if (UpgradeRunning()) return;
    if (m_device.IsDeviceOpen()) {
        Disconnect();
        return;
    }
    // A read thread of an earlier link (cut short by a plug-out) ends before a new link opens,
    // so it never queries the new one.
    StopWorker();
    m_device.OpenHIDDevice();
    if (m_device.IsDeviceOpen()) {
        ToolWindows::CloseAll(1);  // mixer and noise threshold: what they show is about to change
        CloseAutoCalWnd();         // calibration window
        // The firmware window, when idle.
        CloseFirmwareWnd();
        LogPrintA("Connect OK\xEF\xBC\x81\n");
        SetConnectButton(LinkButton::Connecting);
        m_device.SetCmdQueueEnabled(false);
        // A busy window still up for a read cut short by an unplug stays up for this one, which
        // ends it; a second one would be closed in the wrong order.
        if (!m_busyShown) {
            m_busyShown = true;
            PostToWindow(dv::WM_SHOW_LOADING);
        }
        const unsigned generation = ++m_readGeneration;
        StartWorker([this, generation] { ReadThread(generation); });
        // A new thread starts on its creator's core and would wait there until the busy window
        // is built; stepping aside once lets the first query go out now.
        std::this_thread::yield();
        return;
    }
    LogPrintA("Can not conect usb devices, please connect devices again!\n");
    // A unit this user may not open needs the udev rule, not a cable check.
    const bool refused = m_device.LastOpenFailure() == dv::DspDevice::OpenFailure::NoPermission;
    if (reportFailure)
        ShowSystemMessageBox(m_window ? m_window->GetHWND() : nullptr,
                             Tr(refused ? "${device_no_permission}" : "${device_connect_fail}"),
                             QString());
    SetConnectButton(LinkButton::Disconnected);
}

void EqualizerManager::Disconnect() {
    if (UpgradeRunning()) return;
    ToolWindows::CloseAll(1);  // mixer and noise threshold
    CloseAutoCalWnd();         // calibration window
    // The firmware window, when idle.
    CloseFirmwareWnd();
    m_device.SetCmdQueueEnabled(false);
    m_workerCancel = true;
    m_device.CloseHIDDevice(true);
    StopWorker();
    SetConnectButton(LinkButton::Disconnected);
    m_profile.modelCode = -1;
}

void EqualizerManager::ShowConnected() {
    if (UpgradeRunning() || !m_device.IsHandshakeNormal()) return;
    const RefreshScope refreshing(*this);
    if (!m_device.IsDeviceOpen() || m_profile.modelCode == -1) {
        Disconnect();
        return;
    }
    SetConnectButton(LinkButton::Connected);
    m_device.SetCmdQueueEnabled(true);
    UpdateEqualizer(-1);
    SendSettledLinkState();
}

void EqualizerManager::DevicePlugin() {
    LogPrintA("DevicePlugin\n");
    if (HoldPlugEvent(HeldPlug::Arrival)) return;
    // Connect toggles an open link; an arrival must never end the connection in use.
    if (m_device.IsDeviceOpen()) return;
    Connect(false);
}

void EqualizerManager::DevicePlugOut(const QString& devicePath) {
    Q_UNUSED(devicePath);
    LogPrintA("DevicePlugOut\n");
    if (HoldPlugEvent(HeldPlug::Removal)) return;
    Disconnect();
    // A notice that must not block the window: a modeless box on this thread.
    LogPrintA("DisconnectMsgThread start!\n");
    ShowSystemMessageBoxModeless(m_window ? m_window->GetHWND() : nullptr, Tr("${device_plugout}"),
                                 Tr("${tips}"));
    LogPrintA("DisconnectMsgThread end!\n");
}

void EqualizerManager::ReadThread(unsigned generation) {
    LogPrintA("Read mcu value thread start!\n");
    const int result = PC_UI_Status_Init();
    // The replies are applied on the window thread; this step runs there after all of them.
    PostTask([this, generation, result] { FinishRead(generation, result); });
    LogPrintA("Read mcu value thread end!\n");
}

void EqualizerManager::FinishRead(unsigned generation, int result) {
    // An unplug and re-plug while this read ran: its link is gone, and the newer read owns the
    // busy window and the link in use.
    if (generation != m_readGeneration) return;
    const RefreshScope refreshing(*this);
    m_busyShown = false;
    if (result == -1) {
        PostToWindow(dv::WM_HIDE_LOADING);
        PostToWindow(dv::WM_CONNECT_FAILED);
        Disconnect();
        m_profile.modelCode = -1;
        return;
    }
    if (result == -2) {
        // Part of the unit went unread: a panel showing half its settings would later send the
        // other half back as defaults. A plug-out already closed the link and said so.
        PostToWindow(dv::WM_HIDE_LOADING);
        const bool open = m_device.IsDeviceOpen();
        Disconnect();
        m_profile.modelCode = -1;
        if (open)
            ShowSystemMessageBox(m_window ? m_window->GetHWND() : nullptr,
                                 Tr("${device_read_incomplete}"), Tr("${tips}"));
        return;
    }
    if (m_profile.modelCode != 1 && m_device.IsHandshakeNormal()) {
        // Another model: the mismatch box was shown with the handshake; the link is not kept.
        PostToWindow(dv::WM_HIDE_LOADING);
        Disconnect();
        m_profile.modelCode = -1;
        return;
    }
    if (!m_device.IsHandshakeNormal()) {
        // A unit in its loader: the link stays open for the firmware window (message 1239); the
        // panel is not connected for editing.
        SetConnectButton(LinkButton::Disconnected);
        PostToWindow(dv::WM_HIDE_LOADING);
        return;
    }
    for (int k = 0; k < dv::kOutputCount; ++k)
        dv::computeChannelCurve(m_profile, k, m_profile.channels[k].bypass == 1);
    UpdateEqualizer(-1);
    ShowConnected();
    PostToWindow(dv::WM_HIDE_LOADING);
}

int EqualizerManager::PC_UI_Status_Init() {
    LogTimeStamp();
    LogPrintA("PC_UI_Status_Init\n");
    int mixerInputs[dv::kSourceCount];
    for (int s = 0; s < dv::kSourceCount; ++s) mixerInputs[s] = dv::SourceMixerInputs(s);
    // The sequence lives in the core (device/StartupRead.cpp) so the core tests run every fault
    // at every step of it.
    const dv::StartupReadOutcome read =
        dv::RunStartupRead(m_device, mixerInputs, [this] { return WorkerAlive(); });
    if (read.result == dv::StartupRead::NoHandshake) return -1;
    LogTimeStamp();
    LogPrintA("PC_UI_Status_Init done\n");
    return read.result == dv::StartupRead::Complete ? 0 : -2;
}
