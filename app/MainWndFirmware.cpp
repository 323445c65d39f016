// CMainWnd: the firmware window, a unit that answers in its loader, and the end of an upgrade.
#include "app/MainWnd.h"
#include "app/dialogs/UpdateFwWnd.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;

void CMainWnd::BindFirmwareWindow() {
    // A link coming up or going down closes an idle firmware window, as the other tool windows.
    m_manager.SetFirmwareWindowCloser([this] {
        if (m_pUpdateFw) m_pUpdateFw->Close(1);
    });
}

void CMainWnd::OpenFirmwareWindow() {
    if (m_pUpdateFw) return;
    UpdateFwHooks hooks;
    hooks.upgradeBegins = [this] { m_manager.BeginUpgradeHold(); };
    hooks.upgradeEnds = [this] { OnUpgradeEnded(); };
    hooks.closed = [this] { m_manager.FirmwareWindowClosed(); };
    ShowUpdateFwWnd(GetHWND(), &m_manager.Device(), m_pUpdateFw, std::move(hooks));
    // Also when the window went without its worker's end being handled.
    OnUpgradeEnded();
    if (m_bCloseDeferred && !m_pUpdateFw) {
        m_bCloseDeferred = false;
        PostMessage(WM_CLOSE);
    }
}

// What waited for the upgrade: the link goes back to the manager, and a display change that
// came meanwhile restarts the program now.
void CMainWnd::OnUpgradeEnded() {
    m_manager.EndUpgradeHold();
    if (m_bRestartDeferred) {
        m_bRestartDeferred = false;
        PostMessage(WM_DISPLAYCHANGE);
    }
}

// A unit in its loader: the firmware window is the way back (already open: it is).
void CMainWnd::OnHandshakeAbnormal() {
    if (m_pUpdateFw) return;
    ShowSystemMessageBox(GetHWND(), Tr("${device_status_unnormal}"), Tr("${tips}"));
    OpenFirmwareWindow();
}
