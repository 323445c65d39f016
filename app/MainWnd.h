// The program's main window: binds the equalizer manager to the main markup, turns control
// notifications, menu clicks, device arrival and removal and the messages of the link and the
// manager into manager operations, and guards against a second instance.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "app/SingleInstanceLock.h"
#include "base/DeviceNotifier.h"
#include "manager/EqualizerManager.h"
#include "ui/UILib.h"

class CLoadingWnd;
class CUpdateFwWnd;

class CMainWnd : public DuiLib::WindowImplBase {
public:
    using NotifierFactory = std::function<std::unique_ptr<DeviceNotifier>()>;

    // `makeNotifier` gives the source of device arrival and removal (system or simulated bus).
    explicit CMainWnd(NotifierFactory makeNotifier);
    ~CMainWnd() override;

    QString GetSkinFile() override { return QStringLiteral("XML_MAIN"); }
    QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
    DuiLib::UINT GetClassStyle() const override { return DuiLib::UI_CLASSSTYLE_DBLCLKS; }
    DuiLib::CControlUI* CreateControl(const QString& pstrClass) override;
    QString QueryControlText(const QString& lpstrId, const QString& lpstrType) override;
    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam,
                                        DuiLib::LPARAM lParam, bool& bHandled) override;
    DuiLib::LRESULT OnDestroy(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                              bool& bHandled) override;
    DuiLib::LRESULT OnKillFocus(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                bool& bHandled) override;

    EqualizerManager& Manager() { return m_manager; }
    // The popup menu now open, or nullptr.
    DuiLib::CMenuWnd* OpenMenu() const { return m_pMenu.get(); }
    // The busy window now shown, or nullptr.
    CLoadingWnd* BusyWindow() const { return m_pLoading; }
    int OutputMenuChannel() const { return m_nOutputMenuChannel; }
    // Whether the device events reach the window.
    bool HasDeviceNotifications() const { return m_pNotifier != nullptr; }
    // Firmware window: opens it (one at a time) and runs it; the one open now, or nullptr.
    void OpenFirmwareWindow();
    CUpdateFwWnd* FirmwareWindow() const { return m_pUpdateFw; }

private:
    // Notification dispatch by type.
    void OnClickNotify(DuiLib::TNotifyUI& msg, const QString& name, int index);
    bool OnLinkClick(const QString& name);
    void OnSelectChanged(const QString& name, int index);
    void OnSliderChanged(const QString& name, int index);
    void OnStepper(const QString& name, int index, bool up);
    void CommitStripEdit(const QString& name, int index);
    void OnReturn(const QString& name, int index);
    void OnSetFocus(const QString& name, int index);
    void OnItemSelect(const QString& name);
    // The keyboard ring through the band grid, the volume and delay edits and the crossover.
    void MoveFocus(const QString& name, bool right);

    void ShowMenu(const QString& xml, DuiLib::CControlUI* button);
    // The speaker-role menu of one output: roles it may take enabled, roles in use checked.
    void ShowOutputMenu(int output);
    void OnMenuClick();
    void ToggleLanguage();
    void OnDeviceChange(unsigned event);
    void CloseTipsBoxes();
    // Scenes, files and factory default (MainWndScenes.cpp).
    void BindManagerWindows();
    bool OnSceneMenu(const QString& name);
    // Undo, redo and A/B compare (MainWndHistory.cpp): buttons, keys, and the gesture each
    // notification belongs to.
    void BindHistory();
    void ShowHistoryState();
    bool OnHistoryClick(const QString& name);
    void BeginGesture(std::optional<EqualizerManager::EditStep>& step, const DuiLib::TNotifyUI& msg,
                      const QString& name);
    // REW import and export of the output being edited (MainWndRew.cpp).
    bool OnRewMenu(const QString& name);
    // Firmware window (MainWndFirmware.cpp): a unit in its loader, and the end of an upgrade.
    void BindFirmwareWindow();
    void OnHandshakeAbnormal();
    void OnUpgradeEnded();

    EqualizerManager m_manager;
    NotifierFactory m_makeNotifier;
    std::unique_ptr<DeviceNotifier> m_pNotifier;
    std::unique_ptr<SingleInstanceLock> m_pInstanceLock;
    std::unique_ptr<DuiLib::CMenuWnd> m_pMenu;
    CLoadingWnd* m_pLoading = nullptr;
    DuiLib::CControlUI* m_pDpiEdit = nullptr;
    int m_nOutputMenuChannel = 0;  // the output the role menu was opened for
    // Firmware window, and what waits for it to close.
    CUpdateFwWnd* m_pUpdateFw = nullptr;
    bool m_bCloseDeferred = false;
    bool m_bRestartDeferred = false;
};
