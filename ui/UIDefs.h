// Basic types, message numbers, flags and the small interfaces of the DuiLib layer.
// Values follow the Win32 numbers the application code is written against, so message and
// style constants mean the same thing they always did.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>

#include "base/WindowMessage.h"

namespace DuiLib {

using UINT = unsigned;
using DWORD = std::uint32_t;  // colours are 0xAARRGGBB
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

class CControlUI;
class CPaintManagerUI;

// Window messages understood by the window base (Win32 numbers).
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_NCHITTEST = 0x0084;
inline constexpr UINT WM_NCACTIVATE = 0x0086;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_DEVICECHANGE = dv::WM_DEVICE_CHANGE;
inline constexpr UINT WM_DISPLAYCHANGE = 0x007E;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_MENUCLICK =
    WM_USER + 121;  // 1145: popup menu item clicked, lParam a MenuCmd*

// System commands (WM_SYSCOMMAND wParam).
inline constexpr UINT SC_MINIMIZE = 0xF020;
inline constexpr UINT SC_MAXIMIZE = 0xF030;
inline constexpr UINT SC_CLOSE = 0xF060;
inline constexpr UINT SC_RESTORE = 0xF120;

// Virtual key codes carried by WM_KEYDOWN and UIEVENT_KEYDOWN.
inline constexpr UINT VK_BACK = 0x08;
inline constexpr UINT VK_TAB = 0x09;
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_SPACE = 0x20;
inline constexpr UINT VK_PRIOR = 0x21;
inline constexpr UINT VK_NEXT = 0x22;
inline constexpr UINT VK_END = 0x23;
inline constexpr UINT VK_HOME = 0x24;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_UP = 0x26;
inline constexpr UINT VK_RIGHT = 0x27;
inline constexpr UINT VK_DOWN = 0x28;
inline constexpr UINT VK_DELETE = 0x2E;

// Window styles for CWindowWnd::Create.
inline constexpr UINT WS_OVERLAPPED = 0x00000000;
inline constexpr UINT WS_MAXIMIZEBOX = 0x00010000;
inline constexpr UINT WS_MINIMIZEBOX = 0x00020000;
inline constexpr UINT WS_THICKFRAME = 0x00040000;
inline constexpr UINT WS_SYSMENU = 0x00080000;
inline constexpr UINT WS_CAPTION = 0x00C00000;
inline constexpr UINT WS_CLIPCHILDREN = 0x02000000;
inline constexpr UINT WS_VISIBLE = 0x10000000;
inline constexpr UINT WS_POPUP = 0x80000000;
inline constexpr UINT WS_OVERLAPPEDWINDOW = 0x00CF0000;
inline constexpr UINT WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr UINT UI_WNDSTYLE_FRAME = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
inline constexpr UINT UI_WNDSTYLE_DIALOG = WS_POPUP | WS_CLIPCHILDREN;
inline constexpr UINT UI_WNDSTYLE_EX_DIALOG = WS_EX_TOOLWINDOW;
inline constexpr UINT UI_CLASSSTYLE_DBLCLKS = 0x0008;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// Close codes.
inline constexpr UINT IDOK = 1;
inline constexpr UINT IDCANCEL = 2;

// Control state bits (CButtonUI and kin).
inline constexpr UINT UISTATE_FOCUSED = 0x01;
inline constexpr UINT UISTATE_SELECTED = 0x02;
inline constexpr UINT UISTATE_DISABLED = 0x04;
inline constexpr UINT UISTATE_HOT = 0x08;
inline constexpr UINT UISTATE_PUSHED = 0x10;
inline constexpr UINT UISTATE_READONLY = 0x20;
inline constexpr UINT UISTATE_CAPTURED = 0x40;

// Control flags returned by CControlUI::GetControlFlags.
inline constexpr UINT UIFLAG_TABSTOP = 0x01;
inline constexpr UINT UIFLAG_SETCURSOR = 0x02;
inline constexpr UINT UIFLAG_WANTRETURN = 0x04;

// Text format flags (label "align", "valign", "wordbreak", ... markup attributes).
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_NOPREFIX = 0x0800;
inline constexpr UINT DT_EDITCONTROL = 0x2000;
inline constexpr UINT DT_END_ELLIPSIS = 0x8000;

// Events a control receives through CControlUI::DoEvent.
enum EVENTTYPE_UI {
    UIEVENT__FIRST = 1,
    UIEVENT_KEYDOWN,
    UIEVENT_KEYUP,
    UIEVENT_CHAR,
    UIEVENT_MOUSEMOVE,
    UIEVENT_MOUSELEAVE,
    UIEVENT_MOUSEENTER,
    UIEVENT_BUTTONDOWN,
    UIEVENT_BUTTONUP,
    UIEVENT_RBUTTONDOWN,
    UIEVENT_DBLCLICK,
    UIEVENT_SCROLLWHEEL,
    UIEVENT_KILLFOCUS,
    UIEVENT_SETFOCUS,
    UIEVENT_SETCURSOR,
    UIEVENT_TIMER,
    UIEVENT__LAST,
};

// Notification types sent to the window's notification handler.
inline const QString DUI_MSGTYPE_CLICK = QStringLiteral("click");
inline const QString DUI_MSGTYPE_SELECTCHANGED = QStringLiteral("selectchanged");
inline const QString DUI_MSGTYPE_VALUECHANGED = QStringLiteral("valuechanged");
inline const QString DUI_MSGTYPE_VALUECHANGED_MOVE = QStringLiteral("movevaluechanged");
inline const QString DUI_MSGTYPE_VALUECHANGED_UP = QStringLiteral("valuechangedup");
inline const QString DUI_MSGTYPE_VALUECHANGED_DOWN = QStringLiteral("valuechangeddown");
inline const QString DUI_MSGTYPE_VALUECHANGED_LEFT = QStringLiteral("valuechangedleft");
inline const QString DUI_MSGTYPE_VALUECHANGED_RIGHT = QStringLiteral("valuechangedright");
inline const QString DUI_MSGTYPE_SETFOCUS = QStringLiteral("setfocus");
inline const QString DUI_MSGTYPE_KILLFOCUS = QStringLiteral("killfocus");
inline const QString DUI_MSGTYPE_RETURN = QStringLiteral("return");
inline const QString DUI_MSGTYPE_TEXTCHANGED = QStringLiteral("textchanged");
inline const QString DUI_MSGTYPE_ITEMSELECT = QStringLiteral("itemselect");
inline const QString DUI_MSGTYPE_ITEMCLICK = QStringLiteral("itemclick");
inline const QString DUI_MSGTYPE_ITEMACTIVATE = QStringLiteral("itemactivate");
inline const QString DUI_MSGTYPE_WINDOWINIT = QStringLiteral("windowinit");

// Rectangle with exclusive right and bottom edges, in window client pixels.
struct CDuiRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    CDuiRect() = default;
    CDuiRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    explicit CDuiRect(const QRect& r)
        : left(r.x()), top(r.y()), right(r.x() + r.width()), bottom(r.y() + r.height()) {}

    int GetWidth() const { return right - left; }
    int GetHeight() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(const QPoint& pt) const {
        return pt.x() >= left && pt.x() < right && pt.y() >= top && pt.y() < bottom;
    }
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    bool operator==(const CDuiRect&) const = default;
};

// Notification record, delivered synchronously to the window's notification handler.
struct TNotifyUI {
    QString sType;
    QString sVirtualWnd;
    CControlUI* pSender = nullptr;
    std::int64_t dwTimestamp = 0;
    QPoint ptMouse;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Event record handed to CControlUI::DoEvent. Mouse points are window client pixels.
struct TEventUI {
    int Type = 0;
    CControlUI* pSender = nullptr;
    std::int64_t dwTimestamp = 0;
    QPoint ptMouse;
    UINT chKey = 0;      // virtual key for key events
    UINT wKeyState = 0;  // Qt keyboard modifiers
    WPARAM wParam = 0;   // timer id for UIEVENT_TIMER; wheel: 1 up, 0 down
    LPARAM lParam = 0;
};

class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void Notify(TNotifyUI& msg) = 0;
};

// Sees every window message before the controls do; sets bHandled to consume it.
class IMessageFilterUI {
public:
    virtual ~IMessageFilterUI() = default;
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;
};

// Custom controls by markup name; returns nullptr for names it does not know.
class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    virtual CControlUI* CreateControl(const QString& pstrClass) = 0;
};

// Extra texts for language keys; an empty result means "no text".
class IQueryControlText {
public:
    virtual ~IQueryControlText() = default;
    virtual QString QueryControlText(const QString& lpstrId, const QString& lpstrType) = 0;
};

}  // namespace DuiLib
