// The name entry window ("XML_MSG_NAME") and ShowNameMsgWnd.
#pragma once

#include <array>
#include <cstddef>

#include "app/MsgWndBase.h"

class CNameMsgWnd : public CMsgWndBase {
public:
    // `buffer` holds `capacity` UTF-16 code units including the terminating zero; it is read to
    // fill the edit and written when the name is accepted.
    CNameMsgWnd(char16_t* buffer, std::size_t capacity);

    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam,
                                        DuiLib::LPARAM lParam, bool& bHandled) override;

protected:
    void OnButton(const QString& name) override;

private:
    void AcceptName();

    char16_t* m_buffer;
    std::size_t m_capacity;
    DuiLib::CEditUI* m_pNameEdit = nullptr;
};

// Asks for a name; on 1 the buffer holds it, cut to capacity - 1 code units (never inside a
// surrogate pair) and terminated. Returns 0 when cancelled or closed, 2 for the third button.
int ShowNameMsgWnd(DuiLib::HWND parent, char16_t* buffer, std::size_t capacity);

template <std::size_t N>
int ShowNameMsgWnd(DuiLib::HWND parent, std::array<char16_t, N>& buffer) {
    return ShowNameMsgWnd(parent, buffer.data(), N);
}
