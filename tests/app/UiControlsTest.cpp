// Notifications of every control kind, driven by real key and mouse events.
#include <QComboBox>
#include <QLineEdit>

#include "tests/app/UiTestSupport.h"

using namespace DuiLib;
using uitest::Click;
using uitest::W;

namespace {

const char kMarkup[] =
    "<Window size=\"400,400\"><VerticalLayout>"
    "<HorizontalLayout height=\"30\">"
    "<Button name=\"btn\" text=\"Go\" width=\"60\"/>"
    "<Button name=\"btn_off\" text=\"Off\" width=\"60\" enabled=\"false\"/>"
    "<Option name=\"opt_a\" group=\"g\" width=\"40\"/>"
    "<Option name=\"opt_b\" group=\"g\" width=\"40\"/>"
    "<Option name=\"opt_c\" group=\"g\" width=\"40\"/>"
    "<CheckBox name=\"chk\" width=\"40\"/>"
    "</HorizontalLayout>"
    "<Slider name=\"sld\" height=\"20\" width=\"212\" min=\"0\" max=\"100\" value=\"0\" "
    "thumbsize=\"12,12\" step=\"5\"/>"
    "<HorizontalLayout height=\"24\">"
    "<Edit name=\"e1\" text=\"abc\" width=\"80\"/>"
    "<Label name=\"lbl\" width=\"40\" userdata=\"17\"/>"
    "<Edit name=\"e2\" text=\"x\" width=\"80\"/>"
    "<Edit name=\"e3\" text=\"y\" width=\"80\"/>"
    "</HorizontalLayout>"
    "<Combo name=\"cmb\" height=\"24\">"
    "<ListLabelElement text=\"zero\"/><ListLabelElement text=\"one\"/><ListLabelElement "
    "text=\"two\"/>"
    "</Combo>"
    "<List name=\"lst\" itemheight=\"20\">"
    "<ListHeader><ListHeaderItem text=\"Scene\"/></ListHeader>"
    "<ListContainerElement name=\"listitem0\"><Label name=\"value0\" "
    "text=\"A\"/></ListContainerElement>"
    "<ListContainerElement name=\"listitem1\"><Label name=\"value1\" "
    "text=\"B\"/></ListContainerElement>"
    "<ListLabelElement name=\"listitem2\" text=\"C\"/>"
    "</List>"
    "</VerticalLayout></Window>";

class UiControls : public ::testing::Test {
protected:
    void SetUp() override {
        wnd = uitest::Open(kMarkup);
        ASSERT_TRUE(wnd);
    }
    void TearDown() override { wnd.reset(); }
    void Key(const QString& name, Qt::Key key) { QTest::keyClick(W(*wnd, name), key); }
    std::unique_ptr<uitest::RecordingWnd> wnd;
};

TEST_F(UiControls, ButtonClicksOnlyWhenPressedAndReleasedOverItAndEnabled) {
    Click(*wnd, "btn");
    EXPECT_EQ(wnd->TypesFrom("btn"), (std::vector<QString>{"setfocus", "click"}));
    Click(*wnd, "btn_off");
    EXPECT_EQ(wnd->Count("click", "btn_off"), 0);

    QWidget* b = W(*wnd, "btn");
    QTest::mousePress(b, Qt::LeftButton, {}, b->rect().center());
    QTest::mouseMove(b, QPoint(b->width() + 30, b->height() / 2));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(b->width() + 30, b->height() / 2));
    EXPECT_EQ(wnd->Count("click", "btn"), 1);

    Key("btn", Qt::Key_Space);
    EXPECT_EQ(wnd->Count("click", "btn"), 2);
}

TEST_F(UiControls, GroupedOptionsNotifyOnlyTheNewlySelectedOne) {
    auto* a = static_cast<COptionUI*>(wnd->Find("opt_a"));
    auto* b = static_cast<COptionUI*>(wnd->Find("opt_b"));
    Click(*wnd, "opt_a");
    Click(*wnd, "opt_b");
    EXPECT_FALSE(a->IsSelected());
    EXPECT_TRUE(b->IsSelected());
    EXPECT_EQ(wnd->Count("selectchanged", "opt_a"), 1);
    EXPECT_EQ(wnd->Count("selectchanged", "opt_b"), 1);
    EXPECT_EQ(wnd->Count("click", "opt_b"), 1);

    // A click on the selected member changes nothing.
    Click(*wnd, "opt_b");
    EXPECT_EQ(wnd->Count("selectchanged", "opt_b"), 1);

    // The application's change notifies too, again only for the new member.
    wnd->notes.clear();
    a->Selected(true);
    ASSERT_EQ(wnd->notes.size(), 1u);
    EXPECT_EQ(wnd->notes[0].sender, QStringLiteral("opt_a"));
    EXPECT_FALSE(b->IsSelected());
    a->Selected(true);
    b->Selected(false);
    EXPECT_EQ(wnd->notes.size(), 1u);
}

TEST_F(UiControls, CheckBoxNotifiesEveryChangeIncludingTheApplications) {
    auto* chk = static_cast<CCheckBoxUI*>(wnd->Find("chk"));
    Click(*wnd, "chk");
    EXPECT_TRUE(chk->GetCheck());
    Click(*wnd, "chk");
    EXPECT_FALSE(chk->GetCheck());
    chk->SetCheck(true);
    chk->SetCheck(true);
    chk->SetCheck(false, false);
    EXPECT_EQ(wnd->Count("selectchanged", "chk"), 3);
}

TEST_F(UiControls, SliderDragsOnlyFromTheThumb) {
    auto* sld = static_cast<CSliderUI*>(wnd->Find("sld"));
    QWidget* s = W(*wnd, "sld");
    const CDuiRect thumb = sld->GetThumbRect();
    const QPoint thumbCenter = uitest::Local(
        *wnd, "sld", QPoint((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2));

    QTest::mousePress(s, Qt::LeftButton, {}, thumbCenter);
    QTest::mouseMove(s, thumbCenter + QPoint(50, 0));
    QTest::mouseMove(s, thumbCenter + QPoint(100, 0));
    EXPECT_EQ(wnd->Count("movevaluechanged", "sld"), 2);
    EXPECT_EQ(wnd->Count("valuechanged", "sld"), 0);
    QTest::mouseRelease(s, Qt::LeftButton, {}, thumbCenter + QPoint(100, 0));
    EXPECT_EQ(wnd->Count("valuechanged", "sld"), 1);
    EXPECT_EQ(sld->GetValue(), 50);

    // The track moves the value but starts no drag.
    wnd->notes.clear();
    const QPoint track(s->width() - 3, s->height() / 2);
    QTest::mousePress(s, Qt::LeftButton, {}, track);
    EXPECT_EQ(sld->GetValue(), 100);
    QTest::mouseMove(s, QPoint(20, s->height() / 2));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(20, s->height() / 2));
    EXPECT_EQ(sld->GetValue(), 100);
    EXPECT_EQ(wnd->TypesFrom("sld"), (std::vector<QString>{"valuechanged"}));

    // The wheel steps and reports the change; the range holds.
    wnd->notes.clear();
    QWheelEvent down(QPointF(5, 5), s->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                     Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(s, &down);
    EXPECT_EQ(sld->GetValue(), 95);
    sld->SetValue(250);
    EXPECT_EQ(sld->GetValue(), 100);
    EXPECT_EQ(wnd->Count("valuechanged", "sld"), 1);
}

TEST(UiSlider, VerticalSliderHasItsMaximumAtTheTop) {
    auto wnd = uitest::Open(
        "<Window size=\"40,112\"><VerticalLayout>"
        "<Slider name=\"vs\" hor=\"false\" min=\"-18\" max=\"12\" value=\"0\" thumbsize=\"12,12\"/>"
        "</VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    auto* vs = static_cast<CSliderUI*>(wnd->Find("vs"));
    const CDuiRect thumb = vs->GetThumbRect();
    EXPECT_EQ(thumb.top, 112 - 12 - 60);  // 18 of 30 steps above the bottom
    QWidget* w = W(*wnd, "vs");
    const QPoint center = uitest::Local(
        *wnd, "vs", QPoint((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2));
    QTest::mousePress(w, Qt::LeftButton, {}, center);
    QTest::mouseMove(w, center - QPoint(0, 20));
    QTest::mouseRelease(w, Qt::LeftButton, {}, center - QPoint(0, 20));
    EXPECT_EQ(vs->GetValue(), 6);
    EXPECT_EQ(wnd->TypesFrom("vs"),
              (std::vector<QString>{"setfocus", "movevaluechanged", "valuechanged"}));
    // Beyond the ends the value stays at the limits.
    const CDuiRect moved = vs->GetThumbRect();
    const QPoint c2 = uitest::Local(
        *wnd, "vs", QPoint((moved.left + moved.right) / 2, (moved.top + moved.bottom) / 2));
    QTest::mousePress(w, Qt::LeftButton, {}, c2);
    QTest::mouseMove(w, QPoint(c2.x(), -300));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(c2.x(), -300));
    EXPECT_EQ(vs->GetValue(), 12);
}

TEST_F(UiControls, EditSendsItsKeysAsNotificationsAndKeepsTheArrowsFromTheText) {
    auto* e1 = static_cast<CEditUI*>(wnd->Find("e1"));
    Click(*wnd, "e1");
    ASSERT_TRUE(e1->IsFocused());
    QLineEdit* line = e1->GetLineEdit();
    line->setCursorPosition(1);
    for (Qt::Key k : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_Return})
        Key("e1", k);
    EXPECT_EQ(wnd->TypesFrom("e1"),
              (std::vector<QString>{"setfocus", "valuechangedup", "valuechangeddown",
                                    "valuechangedleft", "valuechangedright", "return"}));
    EXPECT_EQ(line->text(), QStringLiteral("abc"));
    EXPECT_EQ(line->cursorPosition(), 1);

    QTest::keyClicks(line, "12");
    EXPECT_EQ(e1->GetText(), QStringLiteral("a12bc"));
    EXPECT_EQ(wnd->Count("textchanged", "e1"), 2);

    wnd->notes.clear();
    QWheelEvent up(QPointF(5, 5), line->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, 120),
                   Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(line, &up);
    EXPECT_EQ(wnd->TypesFrom("e1"), (std::vector<QString>{"valuechangedup"}));

    e1->SetText(QStringLiteral("0123456789"));
    e1->SetSelAll();
    EXPECT_EQ(line->selectedText(), QStringLiteral("0123456789"));
}

TEST_F(UiControls, TabMovesToTheNextEditAndKillFocusComesFirst) {
    Click(*wnd, "e1");
    wnd->notes.clear();
    Key("e1", Qt::Key_Tab);
    ASSERT_EQ(wnd->notes.size(), 2u);
    EXPECT_EQ(wnd->notes[0].type, QStringLiteral("killfocus"));
    EXPECT_EQ(wnd->notes[0].sender, QStringLiteral("e1"));
    EXPECT_TRUE(wnd->notes[0].senderFocused);
    EXPECT_EQ(wnd->notes[1].type, QStringLiteral("setfocus"));
    EXPECT_EQ(wnd->notes[1].sender, QStringLiteral("e2"));
    EXPECT_TRUE(wnd->Find("e2")->IsFocused());
    EXPECT_TRUE(W(*wnd, "e2")->hasFocus());
    QTest::keyClick(W(*wnd, "e2"), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(wnd->Find("e1")->IsFocused());
}

TEST_F(UiControls, RefocusingFromKillFocusChangesNothingAndTheFocusMovesOn) {
    CControlUI* e1 = wnd->Find("e1");
    CControlUI* e3 = wnd->Find("e3");
    e1->SetFocus();
    int refocusCalls = 0;
    wnd->onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == "killfocus" && msg.pSender == e1) {
            ++refocusCalls;
            e1->SetFocus();
            EXPECT_TRUE(e1->IsFocused());
        }
    };
    Click(*wnd, "e3");
    EXPECT_EQ(refocusCalls, 1);
    EXPECT_TRUE(e3->IsFocused());
    EXPECT_FALSE(e1->IsFocused());
    EXPECT_EQ(wnd->Count("setfocus", "e1"), 1);
    EXPECT_EQ(wnd->Count("setfocus", "e3"), 1);
}

TEST_F(UiControls, OnlyVisibleEnabledControlsTakeTheFocus) {
    CControlUI* e2 = wnd->Find("e2");
    CControlUI* e3 = wnd->Find("e3");
    e2->SetEnabled(false);
    e2->SetFocus();
    EXPECT_FALSE(e2->IsFocused());
    e3->SetVisible(false);
    e3->SetFocus();
    EXPECT_FALSE(e3->IsFocused());
    EXPECT_FALSE(W(*wnd, "e3")->isVisible());

    // Tab skips both.
    Click(*wnd, "e1");
    Key("e1", Qt::Key_Tab);
    EXPECT_FALSE(e2->IsFocused());
    EXPECT_FALSE(e3->IsFocused());

    // A focused control that is hidden loses the focus first, with its killfocus.
    e3->SetVisible(true);
    e3->SetFocus();
    wnd->notes.clear();
    e3->SetVisible(false);
    EXPECT_EQ(wnd->Pm().GetFocus(), nullptr);
    EXPECT_EQ(wnd->TypesFrom("e3"), (std::vector<QString>{"killfocus"}));
    EXPECT_EQ(wnd->Find("lbl")->GetUserData().toInt(), 17);
}

TEST_F(UiControls, ComboReportsItemSelectOnChanges) {
    auto* cmb = static_cast<CComboUI*>(wnd->Find("cmb"));
    EXPECT_EQ(cmb->GetCurSel(), -1);
    EXPECT_TRUE(cmb->SelectItem(1));
    EXPECT_TRUE(cmb->SelectItem(1));
    EXPECT_TRUE(cmb->SelectItem(2, false, false));
    EXPECT_FALSE(cmb->SelectItem(3));
    EXPECT_EQ(wnd->Count("itemselect", "cmb"), 1);
    EXPECT_EQ(cmb->GetText(), QStringLiteral("two"));

    // The user's choice from the keyboard.
    cmb->SetFocus();
    QTest::keyClick(cmb->GetComboBox(), Qt::Key_Up);
    EXPECT_EQ(cmb->GetCurSel(), 1);
    EXPECT_EQ(wnd->Count("itemselect", "cmb"), 2);
    EXPECT_EQ(wnd->notes.back().wParam, 1u);
}

TEST_F(UiControls, ListRowsReportClickSelectAndActivate) {
    auto* lst = static_cast<CListUI*>(wnd->Find("lst"));
    ASSERT_EQ(lst->GetCount(), 3);
    EXPECT_EQ(lst->GetCurSel(), -1);
    ASSERT_NE(lst->GetHeader(), nullptr);

    Click(*wnd, "value1");  // a label inside the row
    EXPECT_EQ(lst->GetCurSel(), 1);
    EXPECT_EQ(wnd->Count("itemclick", "listitem1"), 1);
    EXPECT_EQ(wnd->Count("itemselect", "lst"), 1);

    QWidget* row2 = W(*wnd, "listitem2");
    QTest::mouseDClick(row2, Qt::LeftButton, {}, row2->rect().center());
    EXPECT_EQ(lst->GetCurSel(), 2);
    EXPECT_EQ(wnd->Count("itemactivate", "listitem2"), 1);
    EXPECT_EQ(wnd->Count("itemselect", "lst"), 2);

    EXPECT_TRUE(lst->SelectItem(-1));
    EXPECT_EQ(lst->GetCurSel(), -1);
    EXPECT_FALSE(static_cast<CListLabelElementUI*>(wnd->Find("listitem2"))->IsSelected());
    EXPECT_FALSE(lst->SelectItem(7));
    EXPECT_EQ(lst->GetItemIndex(wnd->Find("listitem2")), 2);
}

TEST_F(UiControls, HiddenContainersHideTheirChildrenAndLayoutsScaleWithTheDpi) {
    CControlUI* btn = wnd->Find("btn");
    EXPECT_EQ(btn->GetWidth(), 60);
    EXPECT_EQ(btn->GetHeight(), 30);
    btn->GetParent()->SetVisible(false);
    EXPECT_FALSE(btn->IsVisible());
    EXPECT_FALSE(W(*wnd, "btn")->isVisible());
    btn->GetParent()->SetVisible(true);
    EXPECT_TRUE(W(*wnd, "btn")->isVisible());

    wnd->Pm().SetDPI(144);
    EXPECT_EQ(wnd->Pm().GetScale(), 150);
    EXPECT_EQ(wnd->GetHWND()->size(), QSize(600, 600));
    EXPECT_EQ(wnd->Pm().GetInitSize(), QSize(400, 400));
    EXPECT_EQ(btn->GetWidth(), 90);
    EXPECT_EQ(btn->GetHeight(), 45);
    EXPECT_EQ(wnd->Pm().GetFont(-1).pixelSize(), 18);
}

}  // namespace

namespace {

TEST(UiWindowKeys, KeysOfPassiveControlsReachTheWindowAndGroupsStayInTheirWindow) {
    const char* markup =
        "<Window size=\"200,60\"><HorizontalLayout>"
        "<Option name=\"a\" group=\"g\"/><Option name=\"b\" group=\"g\"/><Edit name=\"e\" text=\"${k}\"/>"
        "</HorizontalLayout></Window>";
    auto one = uitest::Open(markup);
    auto two = uitest::Open(markup);
    ASSERT_TRUE(one && two);
    static_cast<COptionUI*>(one->Find("a"))->Selected(true);
    static_cast<COptionUI*>(two->Find("b"))->Selected(true);
    EXPECT_TRUE(static_cast<COptionUI*>(one->Find("a"))->IsSelected());

    // A key on a focused option goes through the window's message order first.
    one->GetHWND()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(one->GetHWND()));
    one->Find("b")->SetFocus();
    one->custom.clear();
    QTest::keyClick(W(*one, "b"), Qt::Key_A);
    EXPECT_EQ(one->custom, (std::vector<UINT>{WM_KEYDOWN}));
    QTest::keyClick(W(*one, "b"), Qt::Key_Space);
    EXPECT_TRUE(static_cast<COptionUI*>(one->Find("b"))->IsSelected());
    EXPECT_FALSE(static_cast<COptionUI*>(one->Find("a"))->IsSelected());
    EXPECT_TRUE(static_cast<COptionUI*>(two->Find("b"))->IsSelected());

    // An edit shows a key's text, and the user's typing replaces it as plain text.
    CResourceManager* rm = CResourceManager::GetInstance();
    rm->ResetLanguages();
    ASSERT_TRUE(rm->LoadLanguage("<L><Text id=\"${k}\" value=\"Key text\"/></L>", "en"));
    auto* e = static_cast<CEditUI*>(one->Find("e"));
    EXPECT_EQ(e->GetLineEdit()->text(), QStringLiteral("Key text"));
    e->SetFocus();
    e->GetLineEdit()->selectAll();
    QTest::keyClicks(e->GetLineEdit(), "${k}");
    EXPECT_EQ(e->GetRawText(), QStringLiteral("${k}"));
    rm->ResetLanguages();
    EXPECT_EQ(e->GetText(), QStringLiteral("${k}"));

    // Fonts of wrapped widgets follow the window's scale.
    const int before = e->GetLineEdit()->font().pixelSize();
    one->Pm().SetDPI(192);
    EXPECT_EQ(e->GetLineEdit()->font().pixelSize(), before * 2);
}

}  // namespace
