#include "app/WindowQuestionAsker.h"

#include "app/MsgCheckBoxWnd.h"
#include "app/MsgWnd.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;

namespace {

class WindowQuestionAsker final : public QuestionAsker {
public:
    int Ask(HWND parent, const QString& title, const QString& message,
            const QStringList& buttonTexts) override {
        if (buttonTexts.isEmpty()) return ShowMsgWnd(parent, title, message);
        auto* wnd = new CMsgWnd(title, message);
        wnd->SetButtonTexts(buttonTexts);
        return static_cast<int>(wnd->Run(parent));
    }

    int AskChoice(HWND parent, const QString& title, const QString& message,
                  const QString& firstOption, const QString& secondOption) override {
        return ShowMsgCheckBoxWnd(parent, title, message, firstOption, secondOption);
    }

    void Tell(HWND parent, const QString& text, const QString& caption) override {
        ShowSystemMessageBox(parent, text, caption);
    }
};

}  // namespace

std::unique_ptr<QuestionAsker> MakeWindowQuestionAsker() {
    return std::make_unique<WindowQuestionAsker>();
}
