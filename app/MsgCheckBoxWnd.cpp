#include "app/MsgCheckBoxWnd.h"

using namespace DuiLib;

CMsgCheckBoxWnd::CMsgCheckBoxWnd(const QString& title, const QString& message,
                                 const QString& firstOption, const QString& secondOption)
    : CMsgWndBase("XML_CHECKBOX_MSG", "MsgCheckBoxWnd", "msgcbwnd", title, message,
                  {{"cancel_btn", 0}}),
      m_firstOption(firstOption),
      m_secondOption(secondOption) {}

void CMsgCheckBoxWnd::InitWindow() {
    if (!m_firstOption.isEmpty() && !m_secondOption.isEmpty()) {
        if (CControlUI* box = m_pm.FindControl("check_box_0")) box->SetText(m_firstOption);
        if (CControlUI* box = m_pm.FindControl("check_box_1")) box->SetText(m_secondOption);
    }
    CMsgWndBase::InitWindow();
}

bool CMsgCheckBoxWnd::IsOptionSelected(const char* name) const {
    CControlUI* control = m_pm.FindControl(name);
    auto* option = static_cast<COptionUI*>(control ? control->GetInterface("Option") : nullptr);
    return option && option->IsSelected();
}

void CMsgCheckBoxWnd::OnButton(const QString& name) {
    if (name != "confirm_btn") {
        CMsgWndBase::OnButton(name);
        return;
    }
    if (IsOptionSelected("check_box_0")) {
        Close(1);
    } else if (IsOptionSelected("check_box_1")) {
        Close(2);
    }
}

int ShowMsgCheckBoxWnd(HWND parent, const QString& title, const QString& message,
                       const QString& firstOption, const QString& secondOption) {
    auto* wnd = new CMsgCheckBoxWnd(title, message, firstOption, secondOption);
    return static_cast<int>(wnd->Run(parent));
}
