#include "app/NameMsgWnd.h"

#include <algorithm>

using namespace DuiLib;

namespace {

QString ReadBuffer(const char16_t* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return {};
    const std::size_t length = std::find(buffer, buffer + capacity, u'\0') - buffer;
    return QString::fromUtf16(buffer, static_cast<qsizetype>(length));
}

}  // namespace

CNameMsgWnd::CNameMsgWnd(char16_t* buffer, std::size_t capacity)
    : CMsgWndBase("XML_MSG_NAME", "NameMsgWnd", "namemsgwnd", QString(), QString(),
                  {{"cancel_btn", 0}, {"third_btn", 2}}),
      m_buffer(buffer),
      m_capacity(capacity) {}

void CNameMsgWnd::InitWindow() {
    CMsgWndBase::InitWindow();
    CControlUI* control = m_pm.FindControl("name_edt");
    m_pNameEdit = static_cast<CEditUI*>(control ? control->GetInterface("Edit") : nullptr);
    if (!m_pNameEdit) return;
    if (m_capacity > 0) m_pNameEdit->SetMaxChar(static_cast<int>(m_capacity - 1));
    m_pNameEdit->SetText(ReadBuffer(m_buffer, m_capacity));
    m_pNameEdit->SetFocus();
    m_pNameEdit->SetSelAll();
}

void CNameMsgWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_RETURN) {
        AcceptName();
        return;
    }
    CMsgWndBase::Notify(msg);
}

LRESULT CNameMsgWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    // Typing anywhere in the window goes to the name.
    if (uMsg == WM_KEYDOWN && m_pNameEdit && !m_pNameEdit->IsFocused()) m_pNameEdit->SetFocus();
    return CMsgWndBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

void CNameMsgWnd::OnButton(const QString& name) {
    if (name == "confirm_btn") {
        AcceptName();
    } else {
        CMsgWndBase::OnButton(name);
    }
}

void CNameMsgWnd::AcceptName() {
    if (m_buffer && m_capacity > 0) {
        // The raw text: what the user typed is a name, never a language key.
        QString name = m_pNameEdit ? m_pNameEdit->GetRawText() : QString();
        qsizetype length = std::min<qsizetype>(name.size(), static_cast<qsizetype>(m_capacity - 1));
        if (length > 0 && name.at(length - 1).isHighSurrogate())
            --length;  // its pair is cut or missing
        std::copy_n(name.utf16(), length, m_buffer);
        m_buffer[length] = u'\0';
    }
    Close(1);
}

int ShowNameMsgWnd(HWND parent, char16_t* buffer, std::size_t capacity) {
    auto* wnd = new CNameMsgWnd(buffer, capacity);
    return static_cast<int>(wnd->Run(parent));
}
