#include "app/MsgWndBase.h"

#include <QFontMetrics>
#include <utility>

#include "app/ScreenInfo.h"
#include "base/Log.h"

using namespace DuiLib;

CMsgWndBase::CMsgWndBase(QString skinId, QString className, QString windowTitle, QString title,
                         QString message, std::vector<ButtonResult> buttons)
    : m_skinId(std::move(skinId)),
      m_className(std::move(className)),
      m_windowTitle(std::move(windowTitle)),
      m_title(std::move(title)),
      m_message(std::move(message)),
      m_buttons(std::move(buttons)) {}

UINT CMsgWndBase::Run(HWND parent) {
    const std::weak_ptr<bool> alive = m_alive;
    if (!Create(parent, m_windowTitle, UI_WNDSTYLE_DIALOG, UI_WNDSTYLE_EX_DIALOG)) {
        if (!alive.expired()) delete this;  // no window, so no final message did it
        return 0;
    }
    if (!m_pCloseBtn) {
        // Without its markup (no skin) the window would be an empty modal box nobody can close.
        LogPrintA("%s: no markup for %s\n", qPrintable(m_className), qPrintable(m_skinId));
        SendMessage(WM_CLOSE, 0);
        return 0;
    }
    CenterWindow();
    return ShowModal();
}

void CMsgWndBase::InitWindow() {
    ApplyScreenDpi(&m_pm);
    m_pCloseBtn = m_pm.FindControl("closebtn");
    m_pMessage = m_pm.FindControl("MessageText");
    if (CControlUI* title = m_pm.FindControl("MessageTitle"); title && !m_title.isEmpty()) {
        title->SetText(m_title);
    }
    if (m_pMessage && !m_message.isEmpty()) {
        m_pMessage->SetText(m_message);
        FitMessage();
    }
}

void CMsgWndBase::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender ? msg.pSender->GetName().toLower() : QString();
    if (name == "closebtn") {
        Close(0);
    } else if (name == "minbtn" || name == "maxbtn" || name == "restorebtn") {
        WindowImplBase::OnClick(msg);
    } else {
        OnButton(name);
    }
}

void CMsgWndBase::OnButton(const QString& name) {
    for (const ButtonResult& button : m_buttons) {
        if (name == QLatin1String(button.name)) {
            Close(button.result);
            return;
        }
    }
}

void CMsgWndBase::FitMessage() {
    auto* label = static_cast<CLabelUI*>(m_pMessage ? m_pMessage->GetInterface("Label") : nullptr);
    if (!label) return;
    m_pm.UpdateLayout();
    const CDuiRect pad = label->GetTextPadding();
    const int width = label->GetWidth() - pad.left - pad.right;
    if (width <= 0) return;
    const QFontMetrics metrics(m_pm.GetFont(label->GetFont()));
    const QRect needed =
        metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, label->GetText());
    const int missing = needed.height() + pad.top + pad.bottom - label->GetHeight();
    if (missing <= 0) return;
    const QSize client = m_pm.GetClientSize();
    ResizeClient(client.width(), client.height() + missing);
    m_pm.UpdateLayout();
}

void CMsgWndBase::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}
