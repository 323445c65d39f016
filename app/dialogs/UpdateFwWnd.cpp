#include "app/dialogs/UpdateFwWnd.h"

#include <utility>

#include "app/FileDialogs.h"
#include "app/MsgWnd.h"
#include "app/ScreenInfo.h"
#include "base/Log.h"
#include "device/FirmwareFile.h"

using namespace DuiLib;

CUpdateFwWnd::CUpdateFwWnd() = default;

CUpdateFwWnd::~CUpdateFwWnd() {
    // Only reached with the worker running when the window went without its close (its parent
    // was torn down): stop the upgrade at its next block and wait for it.
    if (m_worker.joinable()) {
        if (m_pDevice) m_pDevice->RequestUpgradeAbort();
        m_worker.join();
    }
}

void CUpdateFwWnd::InitWindow() {
    ApplyScreenDpi(&m_pm);
    ResizeToScaledInitSize(this, &m_pm);
    m_pCloseBtn = m_pm.FindControl("closebtn");
    m_pFilePath = dynamic_cast<CEditUI*>(m_pm.FindControl("file_path_edt"));
    m_pCancelBtn = m_pm.FindControl("cancel_btn");
    m_pFileBtn = m_pm.FindControl("file_btn");
    m_pProgress = dynamic_cast<CProgressUI*>(m_pm.FindControl("progress"));
    m_pTips = m_pm.FindControl("update_tips");
    m_pUpdateBtn = m_pm.FindControl("update_btn");
    m_pTarget = m_pm.FindControl("fw_target");
}

QString CUpdateFwWnd::TargetKey(const QString& path) {
    switch (dv::FirmwareKindFromName(path.toStdString())) {
        case dv::FirmwareKind::McuApp:
            return QStringLiteral("${fw_target_mcu}");
        case dv::FirmwareKind::Bootloader:
            return QStringLiteral("${fw_target_bl}");
        case dv::FirmwareKind::DspFlash:
            return QStringLiteral("${fw_target_flash}");
        default:
            return QString();
    }
}

void CUpdateFwWnd::SetFilePath(const QString& path) {
    if (m_pFilePath) m_pFilePath->SetText(path);
    ShowTarget();
}

void CUpdateFwWnd::ShowTarget() {
    if (!m_pTarget) return;
    const QString path = m_pFilePath ? m_pFilePath->GetText() : QString();
    const QString key = TargetKey(path);
    m_pTarget->SetText(key.isEmpty() && !path.isEmpty() ? QStringLiteral("${fw_target_none}")
                                                        : key);
}

void CUpdateFwWnd::ShowTips(const QString& text) {
    if (m_pTips) m_pTips->SetText(text);
}

void CUpdateFwWnd::EnableControls(bool enable) {
    for (CControlUI* control : {m_pCloseBtn, static_cast<CControlUI*>(m_pFilePath), m_pCancelBtn,
                                m_pFileBtn, m_pUpdateBtn})
        if (control) control->SetEnabled(enable);
}

void CUpdateFwWnd::Notify(TNotifyUI& msg) {
    const QString name = msg.pSender ? msg.pSender->GetName().toLower() : QString();
    LogPrintA("Notify %s\n", msg.sType.toUtf8().constData());
    if (msg.sType == QLatin1String("click")) {
        if (name == "closebtn" || name == "cancel_btn") {
            Close(0);
        } else if (name == "file_btn") {
            OpenFileDialog();
        } else if (name == "update_btn") {
            BeginUpdate();
        }
        return;
    }
    if (msg.sType == QLatin1String("setfocus")) {
        LogPrintA("on %s DUI_MSGTYPE_SETFOCUS\n", name.toUtf8().constData());
        if (name == "file_path_edt" && m_pFilePath && m_pFilePath->GetText().isEmpty())
            OpenFileDialog();
    } else if (msg.sType == QLatin1String("textchanged") && name == "file_path_edt") {
        ShowTarget();
    }
    WindowImplBase::Notify(msg);
}

void CUpdateFwWnd::OpenFileDialog() {
    const QString path = ::OpenFileDialog(
        GetHWND(), {{QStringLiteral("DV80MAX_MCU_UPG.bin,DV80MAX_FLASH_UPG.bin"),
                     QStringLiteral("DV80MAX_MCU_UPG.bin;DV80MAX_FLASH_UPG.bin")}});
    if (path.isEmpty()) return;
    LogPrintA("Upg_GetOpenFileName %s ok\n", path.toUtf8().constData());
    SetFilePath(path);
}

void CUpdateFwWnd::BeginUpdate() {
    LogPrintA("%s\n", "BeginUpdate");
    if (!m_pDevice || !m_pDevice->IsDeviceOpen() || m_worker.joinable()) return;
    // The file written is the one the window shows now.
    const QString path = m_pFilePath ? m_pFilePath->GetText() : QString();
    const QString target = TargetKey(path);
    if (!target.isEmpty()) {
        // Say what will be written and ask first; the bootloader's warning is the stronger one.
        const bool boot =
            dv::FirmwareKindFromName(path.toStdString()) == dv::FirmwareKind::Bootloader;
        const QString question =
            Tr(target) + QStringLiteral("\n") + path + QStringLiteral("\n\n") +
            Tr(boot ? QStringLiteral("${fw_confirm_bl}") : QStringLiteral("${fw_confirm}"));
        m_asking = true;
        const int answer = ShowMsgWnd(GetHWND(), QStringLiteral("${tips}"), question);
        m_asking = false;
        // Closed meanwhile (by the user or a new link): close rather than start.
        if (std::exchange(m_closeAfterAsk, false)) {
            Close(m_closeResult);
            return;
        }
        if (answer != 1 || !m_pDevice->IsDeviceOpen()) return;
    }
    if (m_onBegins) m_onBegins();
    // Nothing queued may reach the loader or swallow its acknowledgements.
    m_pDevice->DrainCmdQueue();
    m_closeWhenDone = false;
    if (m_pProgress) m_pProgress->SetValue(0);
    ShowTips(QStringLiteral("${loading_fw}"));
    EnableControls(false);
    m_worker = std::thread(&CUpdateFwWnd::Work, m_pDevice, path.toStdString(), m_handle);
}

// The worker: UpgradeStart, then steps until the end. Progress is posted only when it changes;
// the end is always posted, so the window learns the worker is done.
void CUpdateFwWnd::Work(dv::DspDevice* device, std::string path, dv::WindowHandle window) {
    const int started = device->UpgradeStart(path);
    if (started != 0) {
        dv::PostToWindow(window, dv::WM_UPGRADE_FILE_REJECTED, started);
        return;
    }
    const auto kind = static_cast<intptr_t>(dv::FirmwareKindFromName(path));
    int shown = -1;
    for (;;) {
        const uint8_t step = device->UpgradeProcess();
        if (step > 100) {
            dv::PostToWindow(
                window, step == dv::kUpgradeDone ? dv::WM_UPGRADE_SUCCESS : dv::WM_UPGRADE_FAIL,
                kind);
            return;
        }
        if (step != shown) {
            shown = step;
            dv::PostToWindow(window, dv::WM_UPGRADE_PROGRESS, step);
        }
    }
}

LRESULT CUpdateFwWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    switch (uMsg) {
        case dv::WM_UPGRADE_PROGRESS:
            ShowTips(QString::asprintf("%d%%", static_cast<int>(wParam)));
            if (m_pProgress) m_pProgress->SetValue(static_cast<int>(wParam));
            bHandled = true;
            return 0;
        case dv::WM_UPGRADE_SUCCESS:
            ShowTips(QStringLiteral("${update_ok}"));
            WorkerEnded();
            bHandled = true;
            return 0;
        case dv::WM_UPGRADE_FAIL:
            // A DSP-flash image that failed leaves the unit in its upgrade mode: retry as it is.
            ShowTips(static_cast<dv::FirmwareKind>(wParam) == dv::FirmwareKind::DspFlash
                         ? QStringLiteral("${update_fail_flash}")
                         : QStringLiteral("${update_fail}"));
            WorkerEnded();
            bHandled = true;
            return 0;
        case dv::WM_UPGRADE_FILE_REJECTED:
            ShowTips(wParam == dv::UPG_START_NO_DEVICE || wParam == dv::UPG_START_UNIT_REFUSED
                         ? QStringLiteral("${update_unit_not_ready}")
                         : QStringLiteral("${load_fw_fail}"));
            WorkerEnded();
            bHandled = true;
            return 0;
        default:
            break;
    }
    return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

void CUpdateFwWnd::WorkerEnded() {
    if (m_worker.joinable()) m_worker.join();
    EnableControls(true);
    if (m_onEnds) m_onEnds();
    if (m_closeWhenDone) Close(0);
}

// A close while the worker runs asks first, then lets the upgrade stop at its next block; the
// window closes once the worker has ended. A close while a question is up waits for its answer.
LRESULT CUpdateFwWnd::OnClose(UINT, WPARAM wParam, LPARAM, bool& bHandled) {
    if (m_asking) {
        bHandled = true;
        m_closeAfterAsk = true;
        m_closeResult = static_cast<UINT>(wParam);
        return 0;
    }
    if (!m_worker.joinable()) {
        bHandled = false;
        return 0;
    }
    bHandled = true;
    if (m_closeWhenDone) return 0;
    m_asking = true;
    const int answer =
        ShowMsgWnd(GetHWND(), QStringLiteral("${tips}"), QStringLiteral("${fw_close_running}"));
    m_asking = false;
    const bool closedMeanwhile = std::exchange(m_closeAfterAsk, false);
    if (!m_worker.joinable()) {
        // It ended while the question was up; a close that came meanwhile needs no answer.
        if (answer == 1 || closedMeanwhile) Close(0);
        return 0;
    }
    if (answer != 1) return 0;
    m_closeWhenDone = true;
    m_pDevice->RequestUpgradeAbort();
    return 0;
}

void CUpdateFwWnd::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    if (m_openedSlot && *m_openedSlot == this) *m_openedSlot = nullptr;
    if (m_onClosed) m_onClosed();
    delete this;
}

UINT CUpdateFwWnd::Run(HWND parent) {
    const std::weak_ptr<bool> alive = m_alive;
    if (!Create(parent, QStringLiteral("updatefwwnd"), UI_WNDSTYLE_DIALOG, UI_WNDSTYLE_EX_DIALOG)) {
        if (!alive.expired()) delete this;
        return 0;
    }
    CenterWindow();
    return ShowModal();
}

int ShowUpdateFwWnd(HWND parent, dv::DspDevice* device, CUpdateFwWnd*& opened,
                    UpdateFwHooks hooks) {
    if (opened) return 0;
    auto* wnd = new CUpdateFwWnd;
    wnd->SetDevice(device);
    wnd->SetOnUpgradeBegins(std::move(hooks.upgradeBegins));
    wnd->SetOnUpgradeEnds(std::move(hooks.upgradeEnds));
    wnd->SetOpener(&opened, std::move(hooks.closed));
    opened = wnd;
    const int result = static_cast<int>(wnd->Run(parent));
    if (opened == wnd) opened = nullptr;  // not created
    return result;
}
