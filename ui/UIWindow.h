// CWindowWnd: a top-level Qt window driven by window messages, and CNotifyPump, which routes
// notifications of controls that belong to a virtual window (markup "virtualwnd").
#pragma once

#include <QHash>
#include <QString>
#include <memory>

#include "base/WindowMessage.h"
#include "ui/UIDefs.h"

class QWidget;
class QEventLoop;

namespace DuiLib {

class CWindowWidget;

// Property of a popup's widget naming the widget (a QObject*) a press that closes the popup is
// not passed on to: the menu button that opened it, so a second click on it just closes it.
inline constexpr const char* kPopupNoReplayProperty = "dvPopupNoReplay";

// The window handle of the framework: the window's top-level Qt widget.
using HWND = QWidget*;

class CWindowWnd {
public:
    CWindowWnd();
    virtual ~CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const;
    operator HWND() const { return GetHWND(); }
    // The window object of a handle, or nullptr.
    static CWindowWnd* FromHWND(HWND hWnd);

    // Creates the window; WM_CREATE runs during the call (the markup is built and the
    // initialisation runs there). WS_VISIBLE shows it. Returns nullptr when it failed.
    HWND Create(HWND hwndParent, const QString& pstrName, UINT dwStyle, UINT dwExStyle,
                int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT,
                int cy = CW_USEDEFAULT);
    HWND Create(HWND hwndParent, const QString& pstrName, UINT dwStyle, UINT dwExStyle,
                const CDuiRect& rc);
    UINT GetStyle() const { return m_dwStyle; }
    void SetStyle(UINT dwStyle) { m_dwStyle = dwStyle; }

    void ShowWindow(bool bShow = true, bool bTakeFocus = true);
    // Shows the window modally (a nested event loop) and returns the close code.
    UINT ShowModal();
    // Posts WM_CLOSE carrying the code; the modal run then returns it.
    void Close(UINT nRet = IDOK);
    void CenterWindow();
    void ResizeClient(int cx = -1, int cy = -1);
    bool IsWindow() const;

    // Handled now, on the UI thread.
    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    // Queued to the window (UI thread); dropped when the window is gone.
    bool PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0,
                     std::unique_ptr<dv::MessageRecord> record = nullptr);
    // Thread-safe target for posts from other threads; detached when the window is destroyed.
    dv::WindowHandle GetWindowHandle() const { return m_handle; }

    virtual QString GetWindowClassName() const = 0;
    virtual UINT GetClassStyle() const { return 0; }
    // The whole message handling; the base version does the default processing
    // (WM_CLOSE destroys the window, WM_SYSCOMMAND minimises/maximises/restores/closes).
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // After the window is destroyed; a window may delete itself here.
    virtual void OnFinalMessage(HWND hWnd);

    // Internal: the widget delivers Qt events as messages. Takes the record for the handler.
    LRESULT DispatchMessage(UINT uMsg, WPARAM wParam, LPARAM lParam,
                            std::unique_ptr<dv::MessageRecord> record);
    // Internal: handles, in order, the messages other threads posted through the handle.
    void DispatchSinkMessages();
    // Internal: the widget was deleted by Qt (its parent window went first).
    void OnWidgetDeleted();

protected:
    // The record of the message being handled (nullptr for none).
    dv::MessageRecord* GetCurrentRecord() const;
    // Tells the window which record belongs to the message being handled (nullptr after it).
    virtual void SetMessageRecord(std::unique_ptr<dv::MessageRecord>* pRecord);
    void DestroyWindow();
    // Cuts the widget loose without the destroy messages (the window object is going away).
    void ReleaseWindow();
    CWindowWidget* m_pWidget = nullptr;
    UINT m_dwStyle = 0;
    UINT m_dwExStyle = 0;
    UINT m_nModalResult = 0;
    bool m_bDestroying = false;
    QEventLoop* m_pModalLoop = nullptr;
    std::unique_ptr<dv::MessageRecord>* m_pCurrentRecord = nullptr;
    dv::WindowHandle m_handle;
    std::unique_ptr<dv::MessageSink> m_pSink;
    std::shared_ptr<bool> m_alive;  // gone with the object; code that may outlive it checks
};

class CNotifyPump {
public:
    virtual ~CNotifyPump() = default;
    bool AddVirtualWnd(const QString& strName, CNotifyPump* pObject);
    bool RemoveVirtualWnd(const QString& strName);
    // Hands the notification to the pump registered under its virtual-window name; false when
    // the notification belongs to no registered virtual window.
    bool NotifyPump(TNotifyUI& msg);
    // A virtual window's handler.
    virtual void Notify(TNotifyUI& msg);

private:
    QHash<QString, CNotifyPump*> m_VirtualWndMap;
};

}  // namespace DuiLib
