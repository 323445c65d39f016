// CPaintManagerUI: one per window. Holds the control tree, fonts, default attributes, the DPI,
// the framework focus and timers, and dispatches notifications to the window's notifiers.
#pragma once

#include <QFont>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "base/WindowMessage.h"
#include "ui/UIDPI.h"
#include "ui/UIDefs.h"
#include "ui/UIMarkup.h"

class QWidget;

namespace DuiLib {

class CControlUI;
class CWindowWnd;
class CManagerTimerHost;

struct TFontInfo {
    QString sFontName;
    int iSize = 12;  // pixels at 100 %
    bool bBold = false;
    bool bUnderline = false;
    bool bItalic = false;
};

class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // ---- process-wide ----
    static void SetInstance(void* hInst) { s_hInstance = hInst; }
    static void* GetInstance() { return s_hInstance; }
    static void SetResourcePath(const QString& path);
    static QString GetResourcePath();
    // Registers the skin archive (see CResourceManager::SetResourceZip).
    static bool SetResourceZip(const void* data, std::size_t size, const QString& password);
    // Runs the application's event loop until PostQuitMessage.
    static int MessageLoop();
    static void PostQuitMessage(int nExitCode = 0);
    // Drops the skin, the resource index and the language tables.
    static void Term();
    // Style sheet that gives native Qt parts (edits, combos, menus, tooltips) the dark look.
    static QString GetDefaultStyleSheet();
    // Every live manager (language switches refresh all of them).
    static const std::vector<CPaintManagerUI*>& GetPaintManagers();

    // ---- window ----
    void Init(CWindowWnd* pWindow);
    CWindowWnd* GetWindow() const { return m_pWindow; }
    QWidget* GetPaintWindow() const;  // the client widget the controls live on

    // ---- tree ----
    // Takes ownership of the root and creates the widgets.
    bool AttachDialog(CControlUI* pControl);
    CControlUI* GetRoot() const { return m_pRoot; }
    // The first control of that name in tree order (from an index kept until the tree changes).
    CControlUI* FindControl(const QString& name) const;
    // A control joined, left or was renamed.
    void InvalidateNameIndex() { m_bNameIndexValid = false; }
    CControlUI* FindSubControlByName(CControlUI* pParent, const QString& name) const;
    // The topmost visible control under a client point.
    CControlUI* FindControl(const QPoint& pt) const;
    // Creates widgets for controls added after AttachDialog and lays out again.
    void InitControls(CControlUI* pControl, CControlUI* pParent = nullptr);
    // Refreshes every text now (after a language switch) and lays the tree out again soon.
    void NeedUpdate();
    // Lays the tree out again at the next turn of the event loop (changes are batched).
    void NeedLayout();
    // Lays the tree out now.
    void UpdateLayout();
    void Invalidate();
    // Forgets a control that is being deleted (focus, timers, hover).
    void ReapObjects(CControlUI* pControl);
    // Takes a control just removed from the tree and deletes it at the next turn of the event
    // loop, so a handler may remove the very control whose notification it is handling.
    void AddDelayedCleanup(CControlUI* pControl);

    // ---- sizes ----
    QSize GetInitSize() const { return m_szInitWindowSize; }  // markup "size", at 100 %
    void SetInitSize(int cx, int cy);
    QSize GetClientSize() const;
    CDuiRect GetCaptionRect() const;  // at the window's scale
    void SetCaptionRect(const CDuiRect& rc) { m_rcCaption = rc; }
    QSize GetMinInfo() const { return m_szMinWindow; }  // markup "mininfo", at 100 %
    // Also limits the window, at its scale, now and after every change of DPI.
    void SetMinInfo(int cx, int cy);

    // ---- DPI ----
    CDPI* GetDPIObj() { return &m_dpi; }
    const CDPI* GetDPIObj() const { return &m_dpi; }
    int GetDPI() const { return m_dpi.GetDPI(); }
    int GetScale() const { return m_dpi.GetScale(); }
    // Rescales fonts, sizes and images and resizes the window by the change of scale.
    void SetDPI(int iDPI);

    // ---- fonts and defaults ----
    void AddFont(int id, const TFontInfo& info, bool bDefault = false);
    // Font at the current scale; -1 or an unknown id gives the default font.
    QFont GetFont(int id) const;
    void SetDefaultFont(const TFontInfo& info);
    void AddDefaultAttributeList(const QString& controlName, const QString& attrList);
    QString GetDefaultAttributeList(const QString& controlName) const;
    // The same list parsed once (a lower-case control name); nullptr when there is none.
    const MarkupAttributes* GetDefaultAttributes(const QString& lowerName) const;
    DWORD GetDefaultFontColor() const { return m_dwDefaultFontColor; }
    void SetDefaultFontColor(DWORD color) { m_dwDefaultFontColor = color; }
    DWORD GetDefaultDisabledColor() const { return m_dwDefaultDisabledColor; }
    void SetDefaultDisabledColor(DWORD color) { m_dwDefaultDisabledColor = color; }
    // Image of the skin at this window's scale (null when missing).
    QImage GetImage(const QString& name) const;

    // ---- focus ----
    CControlUI* GetFocus() const { return m_pFocus; }
    // Moves the framework focus: "killfocus" reaches the old control while it is still the
    // focused one (focus requests from inside that handler change nothing), then the new
    // control gets the focus and "setfocus". nullptr only takes the focus away.
    void SetFocus(CControlUI* pControl);
    // Next (or previous) visible, enabled control that takes the keyboard, after `pFrom`.
    CControlUI* GetNextTabControl(CControlUI* pFrom, bool bForward = true) const;

    // ---- option groups ----
    void AddOptionGroup(const QString& group, CControlUI* pControl);
    void RemoveOptionGroup(const QString& group, CControlUI* pControl);
    std::vector<CControlUI*> GetOptionGroup(const QString& group) const;

    // ---- timers ----
    bool SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse);
    bool KillTimer(CControlUI* pControl, UINT nTimerID);
    void KillTimer(CControlUI* pControl);

    // ---- notifications ----
    bool AddNotifier(INotifyUI* pControl);
    bool RemoveNotifier(INotifyUI* pControl);
    bool AddMessageFilter(IMessageFilterUI* pFilter);
    bool RemoveMessageFilter(IMessageFilterUI* pFilter);
    // Synchronous delivery to every notifier (the window's handler).
    void SendNotify(TNotifyUI& msg, bool bAsync = false);
    void SendNotify(CControlUI* pControl, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0,
                    bool bAsync = false);

    // ---- window messages ----
    // The framework's part of the message order: filters, then the controls. Returns true when
    // the message was consumed.
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    // Frees the record of the message being handled (a MenuCmd, a notification record) before
    // the handler returns; records are otherwise freed by the window base after the handler.
    void DeletePtr(const dv::MessageRecord* pRecord);
    // Used by the window base around one message.
    void SetCurrentRecord(std::unique_ptr<dv::MessageRecord>* pRecord) {
        m_pCurrentRecord = pRecord;
    }

    // Internal: called by control widgets.
    void OnWidgetFocusIn(CControlUI* pControl);
    void OnTimer(CControlUI* pControl, UINT nTimerID);

private:
    void ApplyScaleToWindow(int oldScale);
    void ApplyMinInfo();

    static void* s_hInstance;
    CWindowWnd* m_pWindow = nullptr;
    CControlUI* m_pRoot = nullptr;
    CControlUI* m_pFocus = nullptr;
    CControlUI* m_pFocusLeaving = nullptr;  // while its "killfocus" runs
    CDPI m_dpi;
    QSize m_szInitWindowSize;
    QSize m_szMinWindow;
    CDuiRect m_rcCaption;  // at 100 %
    std::map<int, TFontInfo> m_fonts;
    TFontInfo m_defaultFont;
    QHash<QString, QString> m_defaultAttrs;
    QHash<QString, MarkupAttributes> m_defaultAttrsParsed;
    QHash<QString, std::vector<CControlUI*>> m_optionGroups;
    DWORD m_dwDefaultFontColor = 0xFFE2E7EE;
    DWORD m_dwDefaultDisabledColor = 0xFF59616D;
    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_filters;
    std::unique_ptr<CManagerTimerHost> m_pTimers;
    std::unique_ptr<dv::MessageRecord>* m_pCurrentRecord = nullptr;
    bool m_bUpdateNeeded = false;
    bool m_bShuttingDown = false;
    std::vector<CControlUI*> m_delayedCleanup;
    // Windows look controls up by name hundreds of times while they are built.
    mutable QHash<QString, CControlUI*> m_nameIndex;
    mutable bool m_bNameIndexValid = false;
};

}  // namespace DuiLib
