// The two-choice window ("XML_CHECKBOX_MSG") and ShowMsgCheckBoxWnd.
#pragma once

#include "app/MsgWndBase.h"

class CMsgCheckBoxWnd : public CMsgWndBase {
public:
    // The option texts replace the markup's only when both are given.
    CMsgCheckBoxWnd(const QString& title, const QString& message, const QString& firstOption,
                    const QString& secondOption);

    void InitWindow() override;

protected:
    // "confirm_btn" closes with 1 or 2 for the chosen option and does nothing while neither is.
    void OnButton(const QString& name) override;

private:
    bool IsOptionSelected(const char* name) const;

    QString m_firstOption;
    QString m_secondOption;
};

// Returns 1 or 2 for the option confirmed, 0 when cancelled or closed.
int ShowMsgCheckBoxWnd(DuiLib::HWND parent, const QString& title, const QString& message,
                       const QString& firstOption, const QString& secondOption);
