// The common frame of the small modal windows (message, two-choice, name, busy, about): a
// popup tool window over its parent, laid out from markup, run modally, deleting itself when
// its window is gone.
#pragma once

#include <QString>
#include <vector>

#include "ui/UILib.h"

class CMsgWndBase : public DuiLib::WindowImplBase {
public:
    // Creates the window over `parent`, centres it and runs it modally. The object deletes itself
    // before this returns, so callers keep only the result.
    DuiLib::UINT Run(DuiLib::HWND parent);

    QString GetSkinFile() override { return m_skinId; }
    QString GetWindowClassName() const override { return m_className; }
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    void OnFinalMessage(DuiLib::HWND hWnd) override;

protected:
    struct ButtonResult {
        const char* name;
        DuiLib::UINT result;
    };

    // An empty title or message leaves the markup's text.
    CMsgWndBase(QString skinId, QString className, QString windowTitle, QString title,
                QString message, std::vector<ButtonResult> buttons);

    // A click on a button the table names closes with its result; windows with other rules
    // override this. `name` is the sender's name in lower case.
    virtual void OnButton(const QString& name);
    // Grows the window so that the whole message fits its control.
    void FitMessage();

    DuiLib::CControlUI* m_pCloseBtn = nullptr;
    DuiLib::CControlUI* m_pMessage = nullptr;

private:
    QString m_skinId;
    QString m_className;
    QString m_windowTitle;
    QString m_title;
    QString m_message;
    std::vector<ButtonResult> m_buttons;
};
