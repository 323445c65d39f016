#include "app/MsgWnd.h"

using namespace DuiLib;

CMsgWnd::CMsgWnd(const QString& title, const QString& message)
    : CMsgWndBase("XML_MSG", "MsgWnd", "msgwnd", title, message,
                  {{"confirm_btn", 1}, {"cancel_btn", 0}, {"third_btn", 2}}) {}

void CMsgWnd::SetButtonTexts(const QString* texts, int count) {
    m_buttonTexts.clear();
    for (int i = 0; texts && i < count; ++i) m_buttonTexts << texts[i];
    if (IsWindow()) ApplyButtonTexts();
}

void CMsgWnd::SetButtonTexts(const QStringList& texts) {
    SetButtonTexts(texts.constData(), static_cast<int>(texts.size()));
}

void CMsgWnd::InitWindow() {
    CMsgWndBase::InitWindow();
    ApplyButtonTexts();
}

void CMsgWnd::ApplyButtonTexts() {
    static const char* const kButtons[] = {"confirm_btn", "cancel_btn", "third_btn"};
    const int count = static_cast<int>(std::min<qsizetype>(m_buttonTexts.size(), 3));
    for (int i = 0; i < count; ++i) {
        CControlUI* button = m_pm.FindControl(kButtons[i]);
        if (!button) continue;
        button->SetText(m_buttonTexts[i]);
        if (i == 2) button->SetVisible(true);
    }
}

int ShowMsgWnd(HWND parent, const QString& title, const QString& message) {
    auto* wnd = new CMsgWnd(title, message);
    return static_cast<int>(wnd->Run(parent));
}
