#include <gtest/gtest.h>

#include <QFontMetrics>

#include "app/MsgCheckBoxWnd.h"
#include "app/MsgWnd.h"
#include "tests/app/MsgWindowTestSupport.h"

using namespace DuiLib;
using msgtest::Click;
using msgtest::Find;
using msgtest::WhenShown;

namespace {

class MsgWnd : public msgtest::SkinnedTest {};

TEST_F(MsgWnd, EachButtonClosesWithItsCode) {
    struct Case {
        const char* button;
        int result;
    };
    for (const Case& c : {Case{"confirm_btn", 1}, Case{"cancel_btn", 0}, Case{"closebtn", 0}}) {
        WhenShown("MsgWnd", [&](WindowImplBase* wnd) { Click(wnd, c.button); });
        EXPECT_EQ(ShowMsgWnd(nullptr, "${tips}", "${factory_default_tips}"), c.result) << c.button;
    }
}

TEST_F(MsgWnd, ShowsTranslatedTextsAndAMissingKeyAsItself) {
    QString title, message, hiddenThird;
    bool thirdVisible = true;
    WhenShown("MsgWnd", [&](WindowImplBase* wnd) {
        title = Find(wnd, "MessageTitle")->GetText();
        message = Find(wnd, "MessageText")->GetText();
        thirdVisible = Find(wnd, "third_btn")->IsVisible();
        EXPECT_EQ(wnd->GetHWND()->windowTitle(), "msgwnd");
        Click(wnd, "cancel_btn");
    });
    EXPECT_EQ(ShowMsgWnd(nullptr, "${tips}", "${no_such_key}"), 0);
    EXPECT_EQ(title, Text("${tips}"));
    EXPECT_EQ(title, "提示");
    EXPECT_EQ(message, "${no_such_key}");
    EXPECT_FALSE(thirdVisible);
}

TEST_F(MsgWnd, EmptyTitleAndMessageKeepTheMarkupTexts) {
    QString title;
    WhenShown("MsgWnd", [&](WindowImplBase* wnd) {
        title = Find(wnd, "MessageTitle")->GetText();
        wnd->Close(0);
    });
    ShowMsgWnd(nullptr, "", "");
    EXPECT_EQ(title, Text("${tips}"));
}

TEST_F(MsgWnd, TwoButtonTextsLeaveTheThirdButtonAsTheMarkupHasIt) {
    auto* wnd = new CMsgWnd("${tips}", "${lock_output_tips}");
    wnd->SetButtonTexts(QStringList{"${default}", "${cancel}"});
    QString confirmText, cancelText;
    bool thirdVisible = true;
    WhenShown("MsgWnd", [&](WindowImplBase* shown) {
        confirmText = Find(shown, "confirm_btn")->GetText();
        cancelText = Find(shown, "cancel_btn")->GetText();
        thirdVisible = Find(shown, "third_btn")->IsVisible();
        Click(shown, "confirm_btn");
    });
    EXPECT_EQ(wnd->Run(nullptr), 1u);
    EXPECT_EQ(confirmText, Text("${default}"));
    EXPECT_EQ(cancelText, Text("${cancel}"));
    EXPECT_FALSE(thirdVisible);
}

TEST_F(MsgWnd, ThreeButtonTextsShowTheThirdButtonWhichAnswersTwo) {
    auto* wnd = new CMsgWnd("${tips}", "${empty_output_tips}");
    ASSERT_TRUE(wnd->Create(nullptr, "msgwnd", UI_WNDSTYLE_DIALOG, UI_WNDSTYLE_EX_DIALOG));
    // After creation, as the output reset does it: the texts go straight to the buttons.
    const QString texts[] = {"${default}", "${cancel}", "${emptied}"};
    wnd->SetButtonTexts(texts, 3);
    CPaintManagerUI* pm = wnd->GetPaintManager();
    EXPECT_EQ(pm->FindControl("confirm_btn")->GetText(), Text("${default}"));
    EXPECT_EQ(pm->FindControl("cancel_btn")->GetText(), Text("${cancel}"));
    EXPECT_EQ(pm->FindControl("third_btn")->GetText(), Text("${emptied}"));
    EXPECT_TRUE(pm->FindControl("third_btn")->IsVisible());
    WhenShown("MsgWnd", [&](WindowImplBase* shown) { Click(shown, "third_btn"); });
    wnd->CenterWindow();
    EXPECT_EQ(wnd->ShowModal(), 2u);
}

TEST_F(MsgWnd, ButtonTextsFollowTheLanguage) {
    CResourceManager::GetInstance()->SelectLanguage("en");
    QString confirm;
    WhenShown("MsgWnd", [&](WindowImplBase* wnd) {
        confirm = Find(wnd, "confirm_btn")->GetText();
        Click(wnd, "confirm_btn");
    });
    EXPECT_EQ(ShowMsgWnd(nullptr, "${tips}", "${reset_all_eq_tips}"), 1);
    EXPECT_EQ(confirm, "OK");
}

TEST_F(MsgWnd, LongMessageGrowsTheWindowUntilItFits) {
    int shortHeight = 0, longHeight = 0;
    WhenShown("MsgWnd", [&](WindowImplBase* wnd) {
        shortHeight = wnd->GetHWND()->height();
        wnd->Close(0);
    });
    ShowMsgWnd(nullptr, "${tips}", "${tips}");
    const QString message = QString(400, QChar(u'长'));
    WhenShown("MsgWnd", [&](WindowImplBase* wnd) {
        longHeight = wnd->GetHWND()->height();
        CControlUI* text = Find(wnd, "MessageText");
        auto* label = static_cast<CLabelUI*>(text->GetInterface("Label"));
        const QFontMetrics metrics(wnd->GetPaintManager()->GetFont(label->GetFont()));
        const QRect needed = metrics.boundingRect(QRect(0, 0, text->GetWidth(), 100000),
                                                  Qt::TextWordWrap, text->GetText());
        EXPECT_GE(text->GetHeight(), needed.height());
        wnd->Close(0);
    });
    ShowMsgWnd(nullptr, "${tips}", message);
    EXPECT_GT(longHeight, shortHeight);
}

class MsgCheckBoxWnd : public msgtest::SkinnedTest {};

TEST_F(MsgCheckBoxWnd, ConfirmWithoutAChoiceKeepsTheWindowOpen) {
    bool stillOpen = false;
    WhenShown("MsgCheckBoxWnd", [&](WindowImplBase* wnd) {
        Click(wnd, "confirm_btn");
        QTest::qWait(20);  // give a wrongly posted close a chance to arrive
        stillOpen = msgtest::FindWindow("MsgCheckBoxWnd") == wnd;
        Click(wnd, "check_box_1");
        Click(wnd, "confirm_btn");
    });
    EXPECT_EQ(ShowMsgCheckBoxWnd(nullptr, "${tips}", "${link_tips}", "${copy_left_to_right}",
                                 "${copy_right_to_left}"),
              2);
    EXPECT_TRUE(stillOpen);
}

TEST_F(MsgCheckBoxWnd, ChoicesAreExclusiveAndAnswerOneOrTwo) {
    WhenShown("MsgCheckBoxWnd", [&](WindowImplBase* wnd) {
        Click(wnd, "check_box_1");
        Click(wnd, "check_box_0");
        auto* second = static_cast<COptionUI*>(Find(wnd, "check_box_1")->GetInterface("Option"));
        EXPECT_FALSE(second->IsSelected());
        Click(wnd, "confirm_btn");
    });
    EXPECT_EQ(ShowMsgCheckBoxWnd(nullptr, "${tips}", "${link_tips}", "${copy_left_to_right}",
                                 "${copy_right_to_left}"),
              1);

    for (const char* button : {"cancel_btn", "closebtn"}) {
        WhenShown("MsgCheckBoxWnd", [&](WindowImplBase* wnd) {
            Click(wnd, "check_box_0");
            Click(wnd, button);
        });
        EXPECT_EQ(ShowMsgCheckBoxWnd(nullptr, "${tips}", "${link_tips}", "a", "b"), 0) << button;
    }
}

TEST_F(MsgCheckBoxWnd, OptionTextsReplaceTheMarkupOnlyWhenBothAreGiven) {
    QString first, second;
    auto capture = [&](WindowImplBase* wnd) {
        first = Find(wnd, "check_box_0")->GetText();
        second = Find(wnd, "check_box_1")->GetText();
        EXPECT_EQ(wnd->GetHWND()->windowTitle(), "msgcbwnd");
        wnd->Close(0);
    };
    WhenShown("MsgCheckBoxWnd", capture);
    ShowMsgCheckBoxWnd(nullptr, "${tips}", "${link_tips}", "${copy_left_to_right}",
                       "${copy_right_to_left}");
    EXPECT_EQ(first, Text("${copy_left_to_right}"));
    EXPECT_EQ(second, Text("${copy_right_to_left}"));

    WhenShown("MsgCheckBoxWnd", capture);
    ShowMsgCheckBoxWnd(nullptr, "${tips}", "${link_tips}", "${copy_left_to_right}", "");
    EXPECT_EQ(first, Text("${first_choice}"));
    EXPECT_EQ(second, Text("${second_choice}"));
}

}  // namespace
