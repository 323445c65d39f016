#include "ui/WindowImplBase.h"

#include <QWidget>

#include "ui/UIContainer.h"
#include "ui/UIDlgBuilder.h"

namespace DuiLib {

namespace {
constexpr LRESULT kHitClient = 1;
constexpr LRESULT kHitCaption = 2;
}  // namespace

WindowImplBase::~WindowImplBase() {
    // The widget must not call back into a half-destroyed window while the controls go.
    ReleaseWindow();
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    if (NotifyPump(msg)) return;
    if (msg.sType == DUI_MSGTYPE_CLICK) OnClick(msg);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
    if (!msg.pSender) return;
    const QString name = msg.pSender->GetName();
    if (name.compare(QStringLiteral("closebtn"), Qt::CaseInsensitive) == 0) {
        Close(IDOK);
    } else if (name.compare(QStringLiteral("minbtn"), Qt::CaseInsensitive) == 0) {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
    } else if (name.compare(QStringLiteral("maxbtn"), Qt::CaseInsensitive) == 0) {
        SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
    } else if (name.compare(QStringLiteral("restorebtn"), Qt::CaseInsensitive) == 0) {
        SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    }
}

CControlUI* WindowImplBase::CreateControl(const QString&) {
    return nullptr;
}

QString WindowImplBase::QueryControlText(const QString&, const QString&) {
    return QString();
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::MessageHandler(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    LRESULT lRes = 0;
    bool bHandled = true;
    switch (uMsg) {
        case WM_CREATE:
            lRes = OnCreate(uMsg, wParam, lParam, bHandled);
            break;
        case WM_CLOSE:
            lRes = OnClose(uMsg, wParam, lParam, bHandled);
            break;
        case WM_DESTROY:
            lRes = OnDestroy(uMsg, wParam, lParam, bHandled);
            break;
        case WM_SIZE:
            lRes = OnSize(uMsg, wParam, lParam, bHandled);
            break;
        case WM_KEYDOWN:
            lRes = OnKeyDown(uMsg, wParam, lParam, bHandled);
            break;
        case WM_SETFOCUS:
            lRes = OnSetFocus(uMsg, wParam, lParam, bHandled);
            break;
        case WM_KILLFOCUS:
            lRes = OnKillFocus(uMsg, wParam, lParam, bHandled);
            break;
        case WM_SYSCOMMAND:
            lRes = OnSysCommand(uMsg, wParam, lParam, bHandled);
            break;
        case WM_NCHITTEST:
            lRes = OnNcHitTest(uMsg, wParam, lParam, bHandled);
            break;
        case WM_NCACTIVATE:
            lRes = OnNcActivate(uMsg, wParam, lParam, bHandled);
            break;
        default:
            bHandled = false;
            break;
    }
    if (bHandled) return lRes;
    lRes = HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    if (bHandled) return lRes;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

void WindowImplBase::OnFinalMessage(HWND) {}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    m_pm.Init(this);
    GetHWND()->setStyleSheet(CPaintManagerUI::GetDefaultStyleSheet());
    CDialogBuilder builder;
    CControlUI* root = builder.Create(GetSkinFile(), QString(), this, &m_pm);
    // Without its markup (no skin archive) the window still exists, empty, so the program runs.
    if (!root) root = new CVerticalLayoutUI;
    m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);
    m_pm.AddMessageFilter(this);
    InitWindow();
    return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& bHandled) {
    // The paint manager lays the controls out for the new size.
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool&) {
    return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool&) {
    return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool&) {
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
    const QPoint pt(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
    return m_pm.GetCaptionRect().Contains(pt) ? kHitCaption : kHitClient;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM, LPARAM, bool&) {
    return 0;
}

void WindowImplBase::Deliver(unsigned message, intptr_t param,
                             std::unique_ptr<dv::MessageRecord> record) {
    dv::PostToWindow(m_handle, message, param, std::move(record));
}

void WindowImplBase::SetMessageRecord(std::unique_ptr<dv::MessageRecord>* pRecord) {
    CWindowWnd::SetMessageRecord(pRecord);
    m_pm.SetCurrentRecord(pRecord);
}

}  // namespace DuiLib
