// Markup parsing and the box layouts: sizes, paddings, insets, floats, defaults, fonts, colours.
#include <QLineEdit>

#include "tests/app/UiTestSupport.h"

using namespace DuiLib;

namespace {

CDuiRect PosOf(uitest::RecordingWnd& wnd, const char* name) {
    CControlUI* c = wnd.Find(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c ? c->GetPos() : CDuiRect();
}

TEST(UiLayout, FixedChildrenKeepTheirSizeAndTheOthersShareTheRest) {
    auto wnd = uitest::Open(
        "<Window size=\"300,200\"><VerticalLayout inset=\"10,5,10,5\" childpadding=\"4\">"
        "<Control name=\"top\" height=\"30\"/>"
        "<HorizontalLayout name=\"row\" childpadding=\"2\">"
        "<Control name=\"a\" width=\"50\" padding=\"3,0,7,0\"/>"
        "<Control name=\"b\"/><Control name=\"c\" maxwidth=\"40\"/>"
        "</HorizontalLayout>"
        "<Control name=\"bottom\" height=\"20\" width=\"100\"/>"
        "</VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    EXPECT_EQ(PosOf(*wnd, "top"), CDuiRect(10, 5, 290, 35));
    // 190 - 30 - 20 - 2 x 4 of child padding = 132 for the row.
    EXPECT_EQ(PosOf(*wnd, "row"), CDuiRect(10, 39, 290, 171));
    EXPECT_EQ(PosOf(*wnd, "a"), CDuiRect(13, 39, 63, 171));
    // 280 - 50 - 10 of padding - 2 x 2 = 216 shared: b takes half, c its maximum... then the rest.
    const CDuiRect b = PosOf(*wnd, "b");
    const CDuiRect c = PosOf(*wnd, "c");
    EXPECT_EQ(b.left, 72);
    EXPECT_EQ(b.GetWidth(), 108);
    EXPECT_EQ(c.left, b.right + 2);
    EXPECT_EQ(c.GetWidth(), 40);
    EXPECT_EQ(PosOf(*wnd, "bottom"), CDuiRect(10, 175, 110, 195));
}

TEST(UiLayout, HiddenChildrenGiveTheirRoomAwayAndFloatsUseTheirPos) {
    auto wnd = uitest::Open(
        "<Window size=\"200,100\"><HorizontalLayout name=\"row\">"
        "<Control name=\"a\"/><Control name=\"b\" visible=\"false\"/><Control name=\"c\"/>"
        "<Control name=\"f\" float=\"true\" pos=\"5,6,25,16\"/>"
        "</HorizontalLayout></Window>");
    ASSERT_TRUE(wnd);
    EXPECT_EQ(PosOf(*wnd, "a").GetWidth(), 100);
    EXPECT_EQ(PosOf(*wnd, "c").GetWidth(), 100);
    EXPECT_EQ(PosOf(*wnd, "f"), CDuiRect(5, 6, 25, 16));
    wnd->Find("b")->SetVisible(true);
    wnd->Pm().UpdateLayout();
    EXPECT_EQ(PosOf(*wnd, "a").GetWidth(), 66);
    EXPECT_EQ(PosOf(*wnd, "b").GetWidth(), 67);
    EXPECT_EQ(PosOf(*wnd, "c").GetWidth(), 67);

    // Everything follows the window's size and scale.
    wnd->ResizeClient(400, 100);
    EXPECT_TRUE(uitest::WaitFor([&] { return PosOf(*wnd, "c").right == 400; }));
    wnd->Pm().SetDPI(192);
    EXPECT_EQ(PosOf(*wnd, "f"), CDuiRect(10, 12, 50, 32));
}

TEST(UiLayout, TabLayoutShowsOneChild) {
    auto wnd = uitest::Open(
        "<Window size=\"100,100\"><TabLayout name=\"tabs\" selectedid=\"1\">"
        "<Control name=\"p0\"/><Control name=\"p1\"/><Control name=\"p2\"/>"
        "</TabLayout></Window>");
    ASSERT_TRUE(wnd);
    auto* tabs = static_cast<CTabLayoutUI*>(wnd->Find("tabs"));
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_FALSE(wnd->Find("p0")->IsVisible());
    EXPECT_TRUE(wnd->Find("p1")->IsVisible());
    EXPECT_TRUE(tabs->SelectItem(2));
    EXPECT_FALSE(tabs->SelectItem(3));
    EXPECT_FALSE(wnd->Find("p1")->IsVisible());
    EXPECT_TRUE(wnd->Find("p2")->IsVisible());
}

TEST(UiLayout, ContainersAddRemoveAndFindTheirChildren) {
    auto wnd = uitest::Open("<Window size=\"100,100\"><VerticalLayout name=\"box\"/></Window>");
    ASSERT_TRUE(wnd);
    auto* box = static_cast<CContainerUI*>(wnd->Find("box"));
    auto* first = new CLabelUI;
    first->SetName("first");
    auto* second = new CButtonUI;
    second->SetName("second");
    EXPECT_TRUE(box->Add(first));
    EXPECT_FALSE(box->Add(first));
    EXPECT_TRUE(box->AddAt(second, 0));
    CControlUI stray;
    EXPECT_FALSE(box->AddAt(&stray, 5));
    EXPECT_EQ(box->GetItemIndex(second), 0);
    EXPECT_EQ(box->FindSubControl("first"), first);
    EXPECT_NE(first->GetWidget(), nullptr);
    wnd->Pm().UpdateLayout();
    EXPECT_EQ(first->GetHeight(), 50);
    second->SetFocus();
    wnd->notes.clear();
    EXPECT_TRUE(box->Remove(second));
    EXPECT_EQ(wnd->Pm().GetFocus(), nullptr);
    EXPECT_TRUE(wnd->notes.empty());  // the focus goes nowhere else
    EXPECT_EQ(wnd->Find("second"), nullptr);
    box->RemoveAll();
    EXPECT_EQ(box->GetCount(), 0);
}

TEST(UiLayout, AClickHandlerMayRemoveTheClickedControl) {
    auto wnd = uitest::Open(
        "<Window size=\"100,100\"><VerticalLayout name=\"box\"><Button name=\"b\"/><Edit "
        "name=\"e\"/></VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    auto* box = static_cast<CContainerUI*>(wnd->Find("box"));
    wnd->onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_CLICK) box->RemoveAll();
    };
    uitest::Click(*wnd, "b");
    EXPECT_EQ(box->GetCount(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(wnd->Find("b"), nullptr);
}

TEST(UiLayout, MarkupDefaultsFontsAndWindowAttributes) {
    auto wnd = uitest::Open(
        "<Window size=\"320,240\" caption=\"0,0,0,30\" mininfo=\"200,100\">"
        "<Font id=\"0\" name=\"WenQuanYi Micro Hei\" size=\"12\" default=\"true\"/>"
        "<Font id=\"1\" name=\"WenQuanYi Micro Hei\" size=\"14\" bold=\"true\"/>"
        "<Default name=\"Label\" value=\"textcolor=&quot;#FF8C96A5&quot; font=&quot;1&quot;\"/>"
        "<VerticalLayout>"
        "<Label name=\"l1\"/><Label name=\"l2\" textcolor=\"0xFF112233\" bkcolor=\"#445566\"/>"
        "</VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    CPaintManagerUI& pm = wnd->Pm();
    EXPECT_EQ(pm.GetInitSize(), QSize(320, 240));
    EXPECT_EQ(wnd->GetHWND()->size(), QSize(320, 240));
    EXPECT_EQ(pm.GetCaptionRect(), CDuiRect(0, 0, 320, 30));
    EXPECT_EQ(pm.GetMinInfo(), QSize(200, 100));
    EXPECT_EQ(wnd->SendMessage(WM_NCHITTEST, 0, (10 << 16) | 100), 2);
    EXPECT_EQ(wnd->SendMessage(WM_NCHITTEST, 0, (40 << 16) | 100), 1);

    auto* l1 = static_cast<CLabelUI*>(wnd->Find("l1"));
    auto* l2 = static_cast<CLabelUI*>(wnd->Find("l2"));
    EXPECT_EQ(l1->GetTextColor(), 0xFF8C96A5u);
    EXPECT_EQ(l1->GetFont(), 1);
    EXPECT_EQ(l2->GetTextColor(), 0xFF112233u);
    EXPECT_EQ(l2->GetBkColor(), 0xFF445566u);
    const QFont bold = pm.GetFont(1);
    EXPECT_TRUE(bold.bold());
    EXPECT_EQ(bold.pixelSize(), 14);
    EXPECT_EQ(pm.GetFont(99).pixelSize(), 12);
    EXPECT_EQ(bold.family(), QStringLiteral("WenQuanYi Micro Hei"));
}

TEST(UiLayout, LabelTextStyleFollowsItsAttributes) {
    CLabelUI label;
    EXPECT_EQ(label.GetTextStyle(), DT_VCENTER | DT_SINGLELINE);
    label.SetAttribute("align", "center");
    label.SetAttribute("valign", "bottom");
    EXPECT_EQ(label.GetTextStyle(), DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
    label.SetAttribute("align", "right");
    label.SetAttribute("valign", "vcenter");
    EXPECT_EQ(label.GetTextStyle(), DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    label.SetAttribute("wordbreak", "true");
    EXPECT_EQ(label.GetTextStyle(), DT_RIGHT | DT_VCENTER | DT_WORDBREAK | DT_EDITCONTROL);
    label.SetAttribute("wordbreak", "false");
    label.SetAttribute("endellipsis", "true");
    label.SetAttribute("noprefix", "true");
    EXPECT_EQ(label.GetTextStyle(),
              DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    label.SetAttribute("textpadding", "1,2,3,4");
    EXPECT_EQ(label.GetTextPadding(), CDuiRect(1, 2, 3, 4));
    label.SetAttribute("disabledtextcolor", "#80FF0000");
    EXPECT_EQ(label.GetDisabledTextColor(), 0x80FF0000u);
    label.SetAttribute("textcolor", "not a colour");
    EXPECT_EQ(label.GetTextColor(), 0u);
    label.SetAttribute("no_such_attribute", "1");
}

TEST(UiLayout, ProgressAndEditKeepTheirValuesInRange) {
    CProgressUI progress;
    progress.SetAttribute("min", "20");
    progress.SetAttribute("max", "120");
    progress.SetValue(500);
    EXPECT_EQ(progress.GetValue(), 120);
    progress.SetValue(-3);
    EXPECT_EQ(progress.GetValue(), 20);

    auto wnd = uitest::Open(
        "<Window size=\"200,100\"><VerticalLayout>"
        "<Edit name=\"name\" maxchar=\"7\"/><Edit name=\"num\" numberonly=\"true\"/>"
        "<Edit name=\"ro\" readonly=\"true\" text=\"fixed\"/>"
        "</VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    auto* name = static_cast<CEditUI*>(wnd->Find("name"));
    name->SetText("ABCDEFGHIJ");
    EXPECT_EQ(name->GetText(), QStringLiteral("ABCDEFG"));
    name->SetFocus();
    QTest::keyClicks(name->GetLineEdit(), "XYZ");
    EXPECT_EQ(name->GetText().size(), 7);

    auto* num = static_cast<CEditUI*>(wnd->Find("num"));
    num->SetFocus();
    QTest::keyClicks(num->GetLineEdit(), "1a2-");
    EXPECT_EQ(num->GetText(), QStringLiteral("12"));

    auto* ro = static_cast<CEditUI*>(wnd->Find("ro"));
    ro->SetFocus();
    QTest::keyClicks(ro->GetLineEdit(), "zz");
    EXPECT_EQ(ro->GetText(), QStringLiteral("fixed"));
}

}  // namespace
