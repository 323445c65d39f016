// The confirmation window ("XML_MSG") and ShowMsgWnd.
#pragma once

#include <QStringList>

#include "app/MsgWndBase.h"

class CMsgWnd : public CMsgWndBase {
public:
    // `title` and `message` are usually language keys, resolved when shown.
    CMsgWnd(const QString& title, const QString& message);

    // "confirm_btn" gets the first text, "cancel_btn" the second; with three or more texts
    // "third_btn" gets the third and is shown. Works before and after the window is created.
    void SetButtonTexts(const QString* texts, int count);
    void SetButtonTexts(const QStringList& texts);

    void InitWindow() override;

private:
    void ApplyButtonTexts();

    QStringList m_buttonTexts;
};

// Asks a question; returns 1 when confirmed, 0 when cancelled or closed.
int ShowMsgWnd(DuiLib::HWND parent, const QString& title, const QString& message);
