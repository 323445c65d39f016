// WindowImplBase: the base of every application window. It builds the window's markup (the skin
// id of GetSkinFile, mapped through the resource index), runs InitWindow, delivers notifications
// and window messages in this order for every message:
//   1. the handled flag is set; known messages (WM_CREATE, WM_CLOSE, WM_DESTROY, WM_SIZE,
//      WM_KEYDOWN, WM_SETFOCUS, WM_KILLFOCUS, WM_SYSCOMMAND, WM_NCHITTEST, WM_NCACTIVATE) go to
//      their per-message handler, which may clear it (the base OnClose, OnKeyDown, OnDestroy and
//      OnSize do); any other message clears it;
//   2. flag still set: done. Otherwise HandleCustomMessage runs with the flag clear;
//   3. flag still clear: the paint manager (filters, controls), then the default processing.
// It is also the dv::MessageSink of the window: posts from other threads arrive as messages on
// the UI thread in the same order.
#pragma once

#include "ui/UIManager.h"
#include "ui/UIWindow.h"

namespace DuiLib {

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback,
                       public IQueryControlText,
                       public dv::MessageSink {
public:
    WindowImplBase() = default;
    ~WindowImplBase() override;

    // ---- supplied by the application window ----
    virtual QString GetSkinFolder() { return QString(); }
    virtual QString GetSkinFile() = 0;
    QString GetWindowClassName() const override = 0;
    // Once the markup is built, before the window is shown.
    virtual void InitWindow() {}
    // Every notification; the base handles "click" through OnClick and routes virtual windows.
    void Notify(TNotifyUI& msg) override;
    // "closebtn" closes with 1; "minbtn"/"maxbtn"/"restorebtn" send the system commands.
    virtual void OnClick(TNotifyUI& msg);
    CControlUI* CreateControl(const QString& pstrClass) override;
    QString QueryControlText(const QString& lpstrId, const QString& lpstrType) override;
    virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

    // ---- per-message handlers (bHandled arrives set) ----
    virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnNcActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

    // dv::MessageSink: any thread.
    void Deliver(unsigned message, intptr_t param,
                 std::unique_ptr<dv::MessageRecord> record) override;

    CPaintManagerUI* GetPaintManager() { return &m_pm; }

protected:
    void SetMessageRecord(std::unique_ptr<dv::MessageRecord>* pRecord) override;

    CPaintManagerUI m_pm;
};

}  // namespace DuiLib
