// Paint manager services: timers, virtual windows, message records, images of the skin at a
// scale, and the item lists of combos and lists as the application edits them.
#include <QBuffer>
#include <QComboBox>

#include "tests/app/UiTestSupport.h"

using namespace DuiLib;

namespace {

// A control that counts its timer ticks.
class TickingUI : public CControlUI {
public:
    void DoEvent(TEventUI& event) override {
        if (event.Type == UIEVENT_TIMER) ticks.push_back(static_cast<UINT>(event.wParam));
        CControlUI::DoEvent(event);
    }
    std::vector<UINT> ticks;
};

class TickingWnd : public uitest::RecordingWnd {
public:
    using RecordingWnd::RecordingWnd;
    CControlUI* CreateControl(const QString& name) override {
        return name == QStringLiteral("Ticking") ? new TickingUI : nullptr;
    }
};

TEST(UiManager, TimersTickUntilKilledOrTheControlGoes) {
    TickingWnd wnd(
        "<Window size=\"100,100\"><VerticalLayout name=\"box\"><Ticking "
        "name=\"t\"/></VerticalLayout></Window>");
    ASSERT_TRUE(wnd.Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
    auto* t = static_cast<TickingUI*>(wnd.Find("t"));
    ASSERT_TRUE(wnd.Pm().SetTimer(t, 7, 1));
    ASSERT_TRUE(uitest::WaitFor([&] { return t->ticks.size() >= 3; }));
    EXPECT_EQ(t->ticks.front(), 7u);
    EXPECT_TRUE(wnd.Pm().KillTimer(t, 7));
    EXPECT_FALSE(wnd.Pm().KillTimer(t, 7));
    const size_t seen = t->ticks.size();
    QTest::qWait(20);
    EXPECT_EQ(t->ticks.size(), seen);

    // A deleted control's timers stop with it.
    ASSERT_TRUE(wnd.Pm().SetTimer(t, 8, 1));
    static_cast<CContainerUI*>(wnd.Find("box"))->RemoveAll();
    QTest::qWait(20);
    EXPECT_EQ(wnd.Find("t"), nullptr);
}

class Page : public CNotifyPump {
public:
    void Notify(TNotifyUI& msg) override {
        seen.push_back(msg.sType + ":" + msg.pSender->GetName());
    }
    std::vector<QString> seen;
};

TEST(UiManager, VirtualWindowsGetTheirControlsNotifications) {
    auto wnd = uitest::Open(
        "<Window size=\"200,60\"><HorizontalLayout>"
        "<VerticalLayout virtualwnd=\"mainpage\"><Button name=\"inside\"/></VerticalLayout>"
        "<Button name=\"closebtn\"/>"
        "</HorizontalLayout></Window>");
    ASSERT_TRUE(wnd);
    Page page;
    ASSERT_TRUE(wnd->AddVirtualWnd("mainpage", &page));
    EXPECT_FALSE(wnd->AddVirtualWnd("mainpage", &page));
    EXPECT_EQ(wnd->Find("inside")->GetVirtualWnd(), QStringLiteral("mainpage"));
    uitest::Click(*wnd, "inside");
    EXPECT_EQ(page.seen, (std::vector<QString>{"setfocus:inside", "click:inside"}));
    EXPECT_TRUE(wnd->RemoveVirtualWnd("mainpage"));
    uitest::Click(*wnd, "inside");
    EXPECT_EQ(page.seen.size(), 2u);
}

struct Flagged : dv::MessageRecord {
    explicit Flagged(int* n) : count(n) {}
    ~Flagged() override { ++*count; }
    int* count;
};

TEST(UiManager, RecordsAreFreedOnceWhetherOrNotTheHandlerReleasedThem) {
    uitest::RecordingWnd wnd("<Window size=\"50,50\"><Control/></Window>");
    ASSERT_TRUE(wnd.Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
    int freed = 0;
    bool release = true;
    int stillThere = 0;
    wnd.onCustom = [&](UINT, WPARAM, LPARAM lParam, bool& handled) {
        auto* record = reinterpret_cast<Flagged*>(lParam);
        if (release) {
            wnd.Pm().DeletePtr(record);
            wnd.Pm().DeletePtr(record);  // a second release is harmless
            stillThere = freed == 1 ? 0 : 1;
        }
        handled = true;
        return LRESULT(0);
    };
    ASSERT_TRUE(wnd.PostMessage(WM_USER + 1, 0, 0, std::make_unique<Flagged>(&freed)));
    ASSERT_TRUE(uitest::WaitFor([&] { return freed == 1; }));
    EXPECT_EQ(stillThere, 0);
    release = false;
    ASSERT_TRUE(wnd.PostMessage(WM_USER + 1, 0, 0, std::make_unique<Flagged>(&freed)));
    ASSERT_TRUE(uitest::WaitFor([&] { return freed == 2; }));
    QTest::qWait(10);
    EXPECT_EQ(freed, 2);
}

TEST(UiManager, AsyncNotificationsAreDroppedWhenTheSenderIsGone) {
    auto wnd = uitest::Open(
        "<Window size=\"50,50\"><VerticalLayout name=\"box\"><Button "
        "name=\"b\"/></VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    wnd->Pm().SendNotify(wnd->Find("b"), "later", 0, 0, true);
    EXPECT_EQ(wnd->Count("later", "b"), 0);
    ASSERT_TRUE(uitest::WaitFor([&] { return wnd->Count("later", "b") == 1; }));
    wnd->Pm().SendNotify(wnd->Find("b"), "later", 0, 0, true);
    static_cast<CContainerUI*>(wnd->Find("box"))->RemoveAll();
    QTest::qWait(20);
    EXPECT_EQ(wnd->Count("later", "b"), 1);
}

using uitest::MakeZip;
using uitest::Png;

TEST(UiManager, ImagesComeInTheWindowsScaleWhenTheSkinHasThem) {
    CPaintManagerUI::Term();
    const QByteArray zip =
        MakeZip({{"img/dot.png", Png(10, Qt::red)}, {"img/dot@150.png", Png(15, Qt::green)}});
    ASSERT_TRUE(CPaintManagerUI::SetResourceZip(zip.constData(), zip.size(), "any"));
    CResourceManager* rm = CResourceManager::GetInstance();
    EXPECT_EQ(rm->GetImage("img/dot.png", 100).width(), 10);
    EXPECT_EQ(rm->GetImage("img/dot.png", 150).width(), 15);
    EXPECT_EQ(rm->GetImage("img/dot.png", 125).width(), 10);  // no variant: the plain file
    EXPECT_TRUE(rm->GetImage("img/none.png", 150).isNull());

    auto wnd = uitest::Open(
        "<Window size=\"40,40\"><VerticalLayout>"
        "<Control name=\"c\" bkimage=\"file='img/dot.png' dest='0,0,20,20'\"/>"
        "</VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    wnd->Pm().SetDPI(144);
    const QImage shot = uitest::W(*wnd, "c")->grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(Qt::green));
    EXPECT_EQ(shot.pixelColor(27, 27), QColor(Qt::green));  // dest scales with the window
    EXPECT_NE(shot.pixelColor(35, 35), QColor(Qt::green));
    wnd.reset();
    CPaintManagerUI::Term();
}

TEST(UiManager, ComboAndListKeepTheirSelectionWhileItemsChange) {
    auto wnd = uitest::Open(
        "<Window size=\"200,200\"><VerticalLayout>"
        "<Combo name=\"cmb\" height=\"24\"><ListLabelElement text=\"a\"/><ListLabelElement "
        "text=\"b\"/></Combo>"
        "<List name=\"lst\" itemheight=\"40\"/>"
        "</VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    auto* cmb = static_cast<CComboUI*>(wnd->Find("cmb"));
    cmb->SelectItem(1);
    auto* first = new CListLabelElementUI;
    first->SetText("z");
    EXPECT_TRUE(cmb->AddAt(first, 0));
    EXPECT_EQ(cmb->GetCurSel(), 2);
    EXPECT_EQ(cmb->GetText(), QStringLiteral("b"));
    EXPECT_EQ(cmb->GetComboBox()->count(), 3);
    EXPECT_EQ(cmb->GetComboBox()->currentText(), QStringLiteral("b"));
    EXPECT_TRUE(cmb->RemoveAt(2));
    EXPECT_EQ(cmb->GetCurSel(), -1);
    EXPECT_EQ(cmb->GetText(), QString());

    auto* lst = static_cast<CListUI*>(wnd->Find("lst"));
    for (int i = 0; i < 6; ++i) {
        auto* row = new CListLabelElementUI;
        row->SetName(QStringLiteral("row%1").arg(i));
        lst->Add(row);
    }
    wnd->Pm().UpdateLayout();
    lst->SelectItem(3);
    EXPECT_TRUE(lst->RemoveAt(0));
    EXPECT_EQ(lst->GetCurSel(), 2);
    EXPECT_EQ(lst->GetItemIndex(wnd->Find("row3")), 2);
    // Rows that do not fit get no room; the wheel scrolls them in.
    EXPECT_TRUE(wnd->Find("row1")->GetWidget()->isVisible());
    EXPECT_FALSE(wnd->Find("row5")->GetWidget()->isVisible());
    QWidget* w = wnd->Find("row1")->GetWidget();
    for (int i = 0; i < 2; ++i) {
        QWheelEvent down(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                         Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(wnd->Find("row3")->GetWidget(), &down);
    }
    EXPECT_FALSE(wnd->Find("row1")->GetWidget()->isVisible());
    EXPECT_TRUE(wnd->Find("row5")->GetWidget()->isVisible());
    // Up and Down walk the selection.
    TEventUI key;
    key.Type = UIEVENT_KEYDOWN;
    key.chKey = VK_DOWN;
    lst->DoEvent(key);
    EXPECT_EQ(lst->GetCurSel(), 3);
    lst->RemoveAll();
    EXPECT_EQ(lst->GetCount(), 0);
    EXPECT_EQ(lst->GetCurSel(), -1);
}

}  // namespace
