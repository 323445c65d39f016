// The window base: message order, posted messages and their records, modal runs, menus.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <thread>

#include "tests/app/UiTestSupport.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;
using uitest::RecordingWnd;

namespace {

const char kWindow[] =
    "<Window size=\"200,100\" caption=\"0,0,0,20\"><VerticalLayout>"
    "<Button name=\"closebtn\" height=\"20\"/><Button name=\"other\" height=\"20\"/>"
    "<Edit name=\"edit\" height=\"20\"/>"
    "</VerticalLayout></Window>";

constexpr UINT kCustomMessage = WM_USER + 300;

// Counts live records so tests can see each one freed exactly once.
struct CountedRecord : dv::MessageRecord {
    explicit CountedRecord(int v) : value(v) { ++live; }
    ~CountedRecord() override { --live; }
    int value;
    static inline std::atomic<int> live{0};
};

// Handles WM_DESTROY itself and leaves the flag set, like the main window.
class DestroyHandlingWnd : public RecordingWnd {
public:
    using RecordingWnd::RecordingWnd;
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&) override {
        ++destroyHandled;
        return 0;
    }
    int destroyHandled = 0;
};

TEST(UiWindow, PerMessageHandlerKeepsItsMessageFromTheCustomHandler) {
    auto wnd = std::make_unique<DestroyHandlingWnd>(kWindow);
    ASSERT_TRUE(wnd->Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
    wnd->SendMessage(WM_KEYDOWN, VK_SPACE);
    wnd->SendMessage(WM_SIZE);
    wnd->SendMessage(WM_NCACTIVATE, 1);
    wnd->SendMessage(kCustomMessage, 7);
    wnd->SendMessage(WM_CLOSE, 3);
    EXPECT_EQ(wnd->destroyHandled, 1);
    EXPECT_FALSE(wnd->IsWindow());
    // Close and key-down continue past their handlers; WM_NCACTIVATE and WM_DESTROY do not.
    EXPECT_EQ(wnd->custom, (std::vector<UINT>{WM_KEYDOWN, WM_SIZE, kCustomMessage, WM_CLOSE}));
}

TEST(UiWindow, CustomHandlerCanKeepTheWindowOpen) {
    auto wnd = std::make_unique<RecordingWnd>(kWindow);
    ASSERT_TRUE(wnd->Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
    wnd->onCustom = [](UINT msg, WPARAM, LPARAM, bool& handled) {
        handled = msg == WM_CLOSE;
        return LRESULT(0);
    };
    wnd->SendMessage(WM_CLOSE);
    EXPECT_TRUE(wnd->IsWindow());
    wnd->onCustom = nullptr;
    wnd->SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_FALSE(wnd->IsWindow());
}

TEST(UiWindow, PostsFromAnotherThreadArriveOnTheUiThreadWithTheirRecord) {
    auto wnd = std::make_unique<RecordingWnd>(kWindow);
    ASSERT_TRUE(wnd->Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
    const auto uiThread = std::this_thread::get_id();
    std::vector<int> values;
    wnd->onCustom = [&](UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
        EXPECT_EQ(std::this_thread::get_id(), uiThread);
        if (msg == kCustomMessage) {
            values.push_back(static_cast<int>(wParam) * 100 +
                             reinterpret_cast<CountedRecord*>(lParam)->value);
            handled = true;
        }
        return LRESULT(0);
    };
    dv::WindowHandle handle = wnd->GetWindowHandle();
    std::thread worker([handle] {
        for (int i = 1; i <= 3; ++i)
            dv::PostToWindow(handle, kCustomMessage, i, std::make_unique<CountedRecord>(i));
    });
    worker.join();
    ASSERT_TRUE(uitest::WaitFor([&] { return values.size() == 3; }));
    EXPECT_EQ(values, (std::vector<int>{101, 202, 303}));
    EXPECT_EQ(CountedRecord::live.load(), 0);

    // After the window is gone, posts are refused and their records freed.
    wnd->SendMessage(WM_CLOSE);
    EXPECT_FALSE(handle->IsAttached());
    EXPECT_FALSE(dv::PostToWindow(handle, kCustomMessage, 1, std::make_unique<CountedRecord>(9)));
    EXPECT_EQ(CountedRecord::live.load(), 0);
}

TEST(UiWindow, ModalRunsReturnTheirCloseCode) {
    for (UINT code : {0u, 1u, 2u, 7u}) {
        RecordingWnd wnd(kWindow);
        ASSERT_TRUE(wnd.Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
        wnd.CenterWindow();
        QTimer::singleShot(0, [&wnd, code] { wnd.Close(code); });
        EXPECT_EQ(wnd.ShowModal(), code);
        EXPECT_FALSE(wnd.IsWindow());
    }
    // The base click handler closes with 1 for "closebtn".
    RecordingWnd wnd(kWindow);
    ASSERT_TRUE(wnd.Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
    QTimer::singleShot(0, [&wnd] { uitest::Click(wnd, "closebtn"); });
    EXPECT_EQ(wnd.ShowModal(), 1u);
}

TEST(UiWindow, ClosingSendsKillFocusToTheFocusedControl) {
    auto wnd = uitest::Open(kWindow);
    ASSERT_TRUE(wnd);
    wnd->Find("edit")->SetFocus();
    wnd->SendMessage(WM_CLOSE);
    EXPECT_EQ(wnd->TypesFrom("edit"), (std::vector<QString>{"setfocus", "killfocus"}));
}

// A window that deletes itself at the end, like the dialogs.
class SelfDeletingWnd : public RecordingWnd {
public:
    SelfDeletingWnd(QString markup, bool* deleted)
        : RecordingWnd(std::move(markup)), m_deleted(deleted) {}
    ~SelfDeletingWnd() override { *m_deleted = true; }
    void OnFinalMessage(HWND) override { delete this; }

private:
    bool* m_deleted;
};

TEST(UiWindow, SelfDeletingModalWindowReturnsItsCode) {
    bool deleted = false;
    auto* wnd = new SelfDeletingWnd(kWindow, &deleted);
    ASSERT_TRUE(wnd->Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
    QTimer::singleShot(0, [wnd] { wnd->Close(2); });
    EXPECT_EQ(wnd->ShowModal(), 2u);
    EXPECT_TRUE(deleted);
}

const char kMenu[] =
    "<Menu>"
    "<MenuElement name=\"item_a\" text=\"${menu_a}\" userdata=\"11\"/>"
    "<MenuElement name=\"item_b\" text=\"Plain\" userdata=\"22\" checked=\"true\"/>"
    "<MenuElement name=\"item_off\" text=\"Off\"/>"
    "</Menu>";

TEST(UiWindow, MenuClicksPostTheItemRecordToTheOwner) {
    CResourceManager* rm = CResourceManager::GetInstance();
    rm->ResetLanguages();
    ASSERT_TRUE(rm->LoadLanguage("<L><Text id=\"${menu_a}\" value=\"Alpha\"/></L>", "en"));
    auto owner = uitest::Open(kWindow);
    ASSERT_TRUE(owner);
    struct Click {
        std::wstring name, userData, text;
        bool checked;
    };
    std::vector<Click> clicks;
    owner->onCustom = [&](UINT msg, WPARAM, LPARAM lParam, bool& handled) {
        if (msg == WM_MENUCLICK) {
            auto* cmd = reinterpret_cast<MenuCmd*>(lParam);
            clicks.push_back({cmd->szName, cmd->szUserData, cmd->szText, cmd->bChecked});
            owner->Pm().DeletePtr(cmd);
            handled = true;
        }
        return LRESULT(0);
    };

    auto menu = CMenuWnd::CreateMenu(kMenu, QPoint(40, 50), owner.get());
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->GetItems().size(), 3u);
    EXPECT_TRUE(menu->EnableMenuItem("item_off", false));
    EXPECT_FALSE(menu->EnableMenuItem("no_such_item", false));
    menu->Show();
    ASSERT_TRUE(menu->IsVisible());
    EXPECT_EQ(menu->GetWidget()->pos(), QPoint(40, 50));

    QWidget* off = menu->FindMenuItem("item_off")->GetWidget();
    QTest::mouseClick(off, Qt::LeftButton, {}, off->rect().center());
    EXPECT_TRUE(menu->IsVisible());

    QWidget* a = menu->FindMenuItem("item_a")->GetWidget();
    QTest::mouseClick(a, Qt::LeftButton, {}, a->rect().center());
    EXPECT_FALSE(menu->IsVisible());
    ASSERT_TRUE(uitest::WaitFor([&] { return clicks.size() == 1; }));
    EXPECT_EQ(clicks[0].name, L"item_a");
    EXPECT_EQ(clicks[0].userData, L"11");
    EXPECT_EQ(clicks[0].text, L"Alpha");
    EXPECT_FALSE(clicks[0].checked);

    EXPECT_TRUE(menu->ClickItem(menu->FindMenuItem("item_b")));
    EXPECT_FALSE(menu->ClickItem(menu->FindMenuItem("item_off")));
    ASSERT_TRUE(uitest::WaitFor([&] { return clicks.size() == 2; }));
    EXPECT_EQ(clicks[1].text, L"Plain");
    EXPECT_TRUE(clicks[1].checked);

    EXPECT_EQ(CMenuWnd::CreateMenu("<Menu></Menu>", QPoint(), owner.get()), nullptr);
    EXPECT_EQ(CMenuWnd::CreateMenu("xml/none.xml", QPoint(), owner.get()), nullptr);
    rm->ResetLanguages();
}

TEST(UiWindow, AMenuIsDrawnAtItsOwnersScale) {
    auto owner = uitest::Open(kWindow);
    ASSERT_TRUE(owner);
    auto atNormal = CMenuWnd::CreateMenu(kMenu, QPoint(), owner.get());
    ASSERT_TRUE(atNormal);
    const QSize normal = atNormal->GetWidget()->size();
    owner->Pm().SetDPI(144);
    auto atScaled = CMenuWnd::CreateMenu(kMenu, QPoint(), owner.get());
    ASSERT_TRUE(atScaled);
    const QSize scaled = atScaled->GetWidget()->size();
    EXPECT_EQ(scaled.height(), normal.height() * 3 / 2);
    EXPECT_GE(scaled.width(), normal.width() * 3 / 2 - 1);
}

TEST(UiWindow, ASystemMessageBoxTakesItsWindowsFontAndScale) {
    auto owner = uitest::Open(kWindow);
    ASSERT_TRUE(owner);
    owner->Pm().SetDPI(144);
    const QFont windowFont = owner->Pm().GetFont(-1);
    QFont boxFont;
    QFont buttonFont;
    QTimer::singleShot(0, [&]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        boxFont = box->font();
        buttonFont = box->buttons().value(0)->font();
        box->done(0);
    });
    ShowSystemMessageBox(owner->GetHWND(), "scaled", "Notice");
    EXPECT_EQ(boxFont, windowFont);
    EXPECT_EQ(buttonFont, windowFont);
}

TEST(UiWindow, AMenuOutlivingItsOwnerWindowIsHarmless) {
    auto owner = uitest::Open(kWindow);
    ASSERT_TRUE(owner);
    auto menu = CMenuWnd::CreateMenu(kMenu, QPoint(10, 10), owner.get());
    ASSERT_TRUE(menu);
    menu->Show();
    owner->SendMessage(WM_CLOSE);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(menu->GetWidget(), nullptr);
    EXPECT_FALSE(menu->IsVisible());
    EXPECT_FALSE(menu->ClickItem(menu->FindMenuItem("item_a")));
    menu.reset();
    owner.reset();
}

TEST(UiWindow, BuilderAddsIntoAContainerAndAsksTheFactoryFirst) {
    auto wnd = uitest::Open("<Window size=\"200,100\"><VerticalLayout name=\"host\"/></Window>");
    ASSERT_TRUE(wnd);
    struct Factory : IDialogBuilderCallback {
        CControlUI* CreateControl(const QString& name) override {
            ++asked;
            return name.compare("Curve", Qt::CaseInsensitive) == 0 ? new CControlUI : nullptr;
        }
        int asked = 0;
    } factory;
    CDialogBuilder builder;
    auto* host = static_cast<CContainerUI*>(wnd->Find("host"));
    CControlUI* built = builder.Create(
        "<HorizontalLayout name=\"row\"><curve name=\"c\" width=\"20\"/><Label "
        "name=\"l\"/><Unknown/></HorizontalLayout>",
        QString(), &factory, &wnd->Pm(), host);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(factory.asked, 4);
    EXPECT_EQ(host->GetCount(), 1);
    EXPECT_EQ(wnd->Find("c")->GetClass(), QStringLiteral("ControlUI"));
    wnd->Pm().UpdateLayout();
    EXPECT_EQ(wnd->Find("c")->GetWidth(), 20);
    EXPECT_EQ(wnd->Find("l")->GetWidth(), 180);
    EXPECT_NE(wnd->Find("l")->GetWidget(), nullptr);

    EXPECT_EQ(builder.Create("<VerticalLayout><Label", QString(), nullptr, &wnd->Pm()), nullptr);
    EXPECT_FALSE(builder.GetLastErrorMessage().isEmpty());
}

}  // namespace
