// Popup menus go away the way desktop menus do: a press outside them closes them and still
// reaches what lies under it, so another menu button opens its own menu at once. Presses go
// through the platform's window event path, where Qt routes them to the open popup.
#include "MainWndTestSupport.h"
#include "tests/app/UiTestSupport.h"

using namespace DuiLib;

namespace {

const char kOwner[] =
    "<Window size=\"300,200\"><VerticalLayout>"
    "<Button name=\"top\" height=\"40\"/><Button name=\"under\" height=\"40\"/>"
    "</VerticalLayout></Window>";

const char kMenu[] =
    "<Menu><MenuElement name=\"item_a\" text=\"A\"/><MenuElement name=\"item_b\" text=\"B\"/>"
    "</Menu>";

// A press and a release at a client point of `window`, as the window system delivers them; the
// events the press causes are handled before the release comes, as with a real hand.
void PressAndRelease(QWidget* window, QPoint at) {
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, at);
    QTest::qWait(20);
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, at);
    QTest::qWait(20);
}

TEST(UiMenuDismiss, APressOutsideClosesTheMenuAndReachesTheControlUnderIt) {
    auto owner = uitest::Open(kOwner);
    ASSERT_TRUE(owner);
    QWidget* window = owner->GetHWND();
    // Over the right half of "top", clear of "under".
    auto menu = CMenuWnd::CreateMenu(kMenu, window->mapToGlobal(QPoint(200, 10)), owner.get());
    ASSERT_TRUE(menu);
    menu->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu->GetWidget()));

    // A press inside the menu, off its items, keeps it.
    const QRect inMenu = menu->GetWidget()->geometry();
    PressAndRelease(window, window->mapFromGlobal(QPoint(inMenu.left() + 4, inMenu.top() + 1)));
    EXPECT_TRUE(menu->IsVisible());

    PressAndRelease(window, QPoint(50, 60));
    EXPECT_FALSE(menu->IsVisible());
    EXPECT_TRUE(uitest::WaitFor([&] { return owner->Count("click", "under") == 1; }));
    EXPECT_EQ(owner->Count("click", "top"), 0);

    // Shown again, it closes again.
    menu->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu->GetWidget()));
    PressAndRelease(window, QPoint(290, 190));
    EXPECT_FALSE(menu->IsVisible());
}

class MenuDismissMain : public maintest::MainWindowTest {
protected:
    QPoint Centre(const char* name) const {
        return Find(QString::fromLatin1(name))->GetPos().ToQRect().center();
    }
    bool MenuHas(const char* item) const {
        return m_wnd->OpenMenu() && m_wnd->OpenMenu()->IsVisible() &&
               m_wnd->OpenMenu()->FindMenuItem(QString::fromLatin1(item));
    }
};

TEST_F(MenuDismissMain, AnotherMenuButtonSwapsTheMenusItsOwnOrTheCurveClosesThem) {
    OpenWindow();
    QWidget* window = m_wnd->GetHWND();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    PressAndRelease(window, Centre("btn_option"));
    ASSERT_TRUE(WaitFor([&] { return MenuHas("option_item_about"); }));

    PressAndRelease(window, Centre("btn_scene"));
    EXPECT_TRUE(WaitFor([&] { return MenuHas("scene_item_load_file"); }));

    PressAndRelease(window, Centre("btn_advance"));
    EXPECT_TRUE(WaitFor([&] { return MenuHas("advance_item_autocal"); }));
    // Its own button again only closes it.
    PressAndRelease(window, Centre("btn_advance"));
    EXPECT_TRUE(WaitFor([&] { return !m_wnd->OpenMenu() || !m_wnd->OpenMenu()->IsVisible(); }));
    Settle();
    EXPECT_FALSE(MenuHas("advance_item_autocal"));

    PressAndRelease(window, Centre("btn_advance"));
    EXPECT_TRUE(WaitFor([&] { return MenuHas("advance_item_autocal"); }));

    // Into the plot, away from the handles on the zero line.
    PressAndRelease(window, Find("equalizer")->GetPos().ToQRect().topLeft() + QPoint(20, 20));
    EXPECT_TRUE(WaitFor([&] { return !m_wnd->OpenMenu() || !m_wnd->OpenMenu()->IsVisible(); }));
}

}  // namespace
