// The firmware update window ("XML_UPDATE_FW"): the user picks a firmware file, sees which part
// of the unit it writes, confirms, and follows the upgrade a worker thread runs. The worker
// reaches the window only by posting 1255 to 1258; the window is never destroyed under it.
#pragma once

#include <QString>
#include <functional>
#include <thread>

#include "device/DspDevice.h"
#include "ui/UILib.h"

class CUpdateFwWnd : public DuiLib::WindowImplBase {
public:
    CUpdateFwWnd();
    ~CUpdateFwWnd() override;

    // Creates the window over `parent`, centres it and runs it modally; the object deletes itself
    // before this returns.
    DuiLib::UINT Run(DuiLib::HWND parent);

    QString GetSkinFile() override { return QStringLiteral("XML_UPDATE_FW"); }
    QString GetWindowClassName() const override { return QStringLiteral("UpdateFwWnd"); }
    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam,
                                        DuiLib::LPARAM lParam, bool& bHandled) override;
    DuiLib::LRESULT OnClose(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                            bool& bHandled) override;
    void OnFinalMessage(DuiLib::HWND hWnd) override;

    void SetDevice(dv::DspDevice* device) { m_pDevice = device; }
    // Run on the window thread just before the worker starts (the link's owner keeps its hands
    // off the link from then on) and once it has ended (the link is the owner's again).
    void SetOnUpgradeBegins(std::function<void()> hook) { m_onBegins = std::move(hook); }
    void SetOnUpgradeEnds(std::function<void()> hook) { m_onEnds = std::move(hook); }
    // `slot` names this window until it goes; then it is cleared and `closed` runs.
    void SetOpener(CUpdateFwWnd** slot, std::function<void()> closed) {
        m_openedSlot = slot;
        m_onClosed = std::move(closed);
    }
    bool IsUpdating() const { return m_worker.joinable(); }
    // The path the next update writes, as the file dialog leaves it.
    void SetFilePath(const QString& path);

    // The language key saying which part of the unit a file writes ("" for a name that is no
    // firmware file's).
    static QString TargetKey(const QString& path);

private:
    void BeginUpdate();
    void OpenFileDialog();
    void ShowTarget();
    void EnableControls(bool enable);
    void ShowTips(const QString& text);
    // Joins the ended worker; then closes the window if a close waited for it.
    void WorkerEnded();
    static void Work(dv::DspDevice* device, std::string path, dv::WindowHandle window);

    dv::DspDevice* m_pDevice = nullptr;
    std::function<void()> m_onBegins;
    std::function<void()> m_onEnds;
    // The opener's name for this window, cleared the moment the window goes (a modal run that
    // ends inside another one returns later), and what the opener does then.
    CUpdateFwWnd** m_openedSlot = nullptr;
    std::function<void()> m_onClosed;
    std::thread m_worker;
    bool m_closeWhenDone = false;
    // A question is up (the confirmation, or the close while running); a close that comes
    // meanwhile waits for its answer, so the window is never destroyed under its own question.
    bool m_asking = false;
    bool m_closeAfterAsk = false;
    DuiLib::UINT m_closeResult = 0;
    DuiLib::CControlUI* m_pCloseBtn = nullptr;
    DuiLib::CEditUI* m_pFilePath = nullptr;
    DuiLib::CControlUI* m_pCancelBtn = nullptr;
    DuiLib::CControlUI* m_pFileBtn = nullptr;
    DuiLib::CProgressUI* m_pProgress = nullptr;
    DuiLib::CControlUI* m_pTips = nullptr;
    DuiLib::CControlUI* m_pUpdateBtn = nullptr;
    DuiLib::CControlUI* m_pTarget = nullptr;
};

// What the opener of the firmware window hears: an upgrade begins (the worker is about to start),
// it has ended (the worker is gone), the window has gone. All on the window thread.
struct UpdateFwHooks {
    std::function<void()> upgradeBegins;
    std::function<void()> upgradeEnds;
    std::function<void()> closed;
};

// Opens the firmware window modally over `parent` with the link; `opened` names it while it
// exists (one window at a time) and is cleared when it goes. Returns its close result.
int ShowUpdateFwWnd(DuiLib::HWND parent, dv::DspDevice* device, CUpdateFwWnd*& opened,
                    UpdateFwHooks hooks);
