// How the manager asks the user before a destructive edit and tells about a refusal. The
// question windows live above the manager, so the window that owns it supplies them at Init.
#pragma once

#include <QString>
#include <QStringList>

#include "ui/UILib.h"

class QuestionAsker {
public:
    virtual ~QuestionAsker() = default;

    // A yes/no question: 1 when confirmed, 0 otherwise. With `buttonTexts` the window shows
    // those captions (a third one adds a third button) and returns the close code of the one
    // pressed: 1 the first, 0 the second or a close, 2 the third.
    virtual int Ask(DuiLib::HWND parent, const QString& title, const QString& message,
                    const QStringList& buttonTexts = {}) = 0;
    // A choice of two options: 1 or 2 for the one confirmed, 0 when cancelled or closed.
    virtual int AskChoice(DuiLib::HWND parent, const QString& title, const QString& message,
                          const QString& firstOption, const QString& secondOption) = 0;
    // A notice with only an OK button; `text` and `caption` are already translated.
    virtual void Tell(DuiLib::HWND parent, const QString& text, const QString& caption) = 0;
};
