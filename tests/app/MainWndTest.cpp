// The main window's own behaviour: the single-instance guard, menus, the language toggle, the
// about box and the keyboard moves through the edits.
#include <QLineEdit>

#include "app/AboutWnd.h"
#include "app/SingleInstanceLock.h"
#include "controls/CSButtonUI.h"
#include "tests/app/MainWndTestSupport.h"

using namespace DuiLib;
using maintest::MainWindowTest;

namespace {

void CollectTexts(CControlUI* control, std::vector<std::pair<QString, QString>>& out) {
    if (!control) return;
    out.push_back({control->GetName(), control->GetText()});
    if (auto* container = dynamic_cast<CContainerUI*>(control))
        for (int i = 0; i < container->GetCount(); ++i) CollectTexts(container->GetItemAt(i), out);
}

}  // namespace

class MainWndTest : public MainWindowTest {
protected:
    void ClickMenuItem(const char* name) {
        auto cmd = std::make_unique<MenuCmd>();
        const std::wstring wide = QString::fromLatin1(name).toStdWString();
        std::copy(wide.begin(), wide.end(), cmd->szName);
        dv::PostToWindow(m_wnd->GetWindowHandle(), WM_MENUCLICK, 0, std::move(cmd));
        Settle();
    }

    std::vector<std::pair<QString, QString>> AllTexts() const {
        std::vector<std::pair<QString, QString>> texts;
        CollectTexts(m_wnd->GetPaintManager()->GetRoot(), texts);
        return texts;
    }

    // Sends a key to an edit as the user's keyboard would.
    void PressKey(const QString& edit, Qt::Key key) {
        auto* control = FindAs<CEditUI>(edit);
        ASSERT_NE(control, nullptr) << edit.toStdString();
        control->SetFocus();
        ASSERT_EQ(m_wnd->GetPaintManager()->GetFocus(), control) << edit.toStdString();
        QTest::keyClick(control->GetLineEdit(), key);
    }

    QString FocusName() const {
        CControlUI* focus = m_wnd->GetPaintManager()->GetFocus();
        return focus ? focus->GetName() : QString();
    }

    void SetParametric(bool parametric) {
        FindAs<CSButtonUI>("btn_arg_eq")->SetSelected(parametric);
        m_wnd->Manager().RefreshBandControls(m_wnd->Manager().Profile().currChannel);
    }
};

TEST_F(MainWndTest, SecondInstanceShowsTheNoticeAndCloses) {
    SingleInstanceLock first("TONVOX4TO8_DV80MAX");
    ASSERT_TRUE(first.Held());
    PlugUnit();
    OpenWindow();
    ASSERT_TRUE(WaitFor([this] { return !m_wnd->IsWindow(); }));
    ASSERT_FALSE(m_boxes.empty());
    EXPECT_EQ(m_boxes.front().text, Tr("${mutex_tips}"));
    EXPECT_EQ(m_boxes.front().title, Tr("${tips}"));
    EXPECT_TRUE(first.Held()) << "the running instance keeps its lock";
    EXPECT_EQ(dv::sim::SimBus::Instance().OpenHandleCount(), 0) << "the second one never connected";
}

TEST_F(MainWndTest, MenusOfferUnitItemsOnlyWhileConnected) {
    OpenWindow();
    Settle();
    Find("btn_option")->Activate();
    ASSERT_NE(m_wnd->OpenMenu(), nullptr);
    EXPECT_FALSE(m_wnd->OpenMenu()->FindMenuItem("option_item_reset_default")->IsEnabled());
    EXPECT_TRUE(m_wnd->OpenMenu()->FindMenuItem("option_item_about")->IsEnabled());
    EXPECT_TRUE(m_wnd->OpenMenu()->FindMenuItem("option_item_language")->IsEnabled());
    Find("btn_scene")->Activate();
    for (const char* item :
         {"scene_item_load_scene", "scene_item_saveas_scene", "scene_item_delete_scene",
          "scene_item_load_whole", "scene_item_save_whole"})
        EXPECT_FALSE(m_wnd->OpenMenu()->FindMenuItem(item)->IsEnabled()) << item;
    EXPECT_TRUE(m_wnd->OpenMenu()->FindMenuItem("scene_item_load_file")->IsEnabled());
    EXPECT_TRUE(m_wnd->OpenMenu()->FindMenuItem("scene_item_save_file")->IsEnabled());

    PlugUnit();
    ASSERT_TRUE(WaitConnected());
    Find("btn_advance")->Activate();
    ASSERT_NE(m_wnd->OpenMenu(), nullptr);
    EXPECT_TRUE(m_wnd->OpenMenu()->FindMenuItem("advance_item_autocal")->IsEnabled());
    Find("btn_option")->Activate();
    EXPECT_TRUE(m_wnd->OpenMenu()->FindMenuItem("option_item_reset_default")->IsEnabled());
}

TEST_F(MainWndTest, LanguageToggleTwiceRestoresEveryTextAndTheAboutBoxShowsTheUnit) {
    dv::sim::SimUnitState car = dv::sim::TunedCarState();
    car.current.outputs[3].trim = -60;  // output 4 at the bottom of its range
    PlugUnit({}, car);
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    const QString offChinese = Tr("${off}");
    ASSERT_EQ(TextOf("edit_ch_volume_3"), offChinese);
    const auto before = AllTexts();

    ClickMenuItem("option_item_language");
    EXPECT_EQ(CResourceManager::GetInstance()->GetLanguage(), "en");
    EXPECT_EQ(TextOf("edit_ch_volume_3"), "Off");
    EXPECT_EQ(TextOf("btnConnect"), "Connected");
    EXPECT_NE(AllTexts(), before);

    ClickMenuItem("OPTION_ITEM_LANGUAGE");
    EXPECT_EQ(CResourceManager::GetInstance()->GetLanguage(), "cn_zh");
    EXPECT_EQ(AllTexts(), before);

    QString firmware;
    auto* watch = new QTimer;
    QObject::connect(watch, &QTimer::timeout, [&firmware, watch] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* about = dynamic_cast<WindowImplBase*>(CWindowWnd::FromHWND(widget));
            if (!widget->isVisible() || !about || about->GetWindowClassName() != "AboutWnd")
                continue;
            firmware = about->GetPaintManager()->FindControl("fw_version")->GetText();
            watch->deleteLater();
            about->Close(1);
            return;
        }
    });
    watch->start(5);
    ClickMenuItem("option_item_about");
    ASSERT_TRUE(WaitFor([&firmware] { return !firmware.isEmpty(); }));
    EXPECT_EQ(firmware, CAboutWnd::FirmwareText(1, 2, 7));
    EXPECT_TRUE(firmware.contains("2.7")) << firmware.toStdString();
}

TEST_F(MainWndTest, ArrowKeysWalkTheRingAndReturnMovesThroughABand) {
    PlugUnit();
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    ASSERT_EQ(m_wnd->Manager().Profile().BandCount(0), 31);

    SetParametric(true);
    PressKey("eq_gain_30", Qt::Key_Right);
    EXPECT_EQ(FocusName(), "edit_ch_volume_0");
    PressKey("eq_freq_0", Qt::Key_Left);
    EXPECT_EQ(FocusName(), "edit_main_volume");
    PressKey("edit_main_volume", Qt::Key_Right);
    EXPECT_EQ(FocusName(), "eq_freq_0");
    PressKey("edit_ch_delay_7", Qt::Key_Right);
    EXPECT_EQ(FocusName(), "hp_freq");
    PressKey("eq_freq_3", Qt::Key_Return);
    EXPECT_EQ(FocusName(), "eq_q_3");
    PressKey("eq_q_3", Qt::Key_Return);
    EXPECT_EQ(FocusName(), "eq_gain_3");
    PressKey("eq_gain_3", Qt::Key_Return);
    EXPECT_EQ(FocusName(), "eq_freq_4");
    PressKey("eq_gain_30", Qt::Key_Return);
    EXPECT_EQ(FocusName(), "eq_freq_0");

    // Graphic mode: the frequency and Q edits are disabled and passed over.
    SetParametric(false);
    ASSERT_FALSE(Find("eq_freq_0")->IsEnabled());
    PressKey("edit_main_volume", Qt::Key_Right);
    EXPECT_EQ(FocusName(), "eq_gain_0");
    PressKey("eq_gain_0", Qt::Key_Left);
    EXPECT_EQ(FocusName(), "edit_main_volume");

    // An 11-band output's ring ends at its band 10.
    m_wnd->Manager().OnChannelInChange(6);
    PressKey("eq_gain_10", Qt::Key_Right);
    EXPECT_EQ(FocusName(), "edit_ch_volume_0");
    EXPECT_FALSE(Find("eq_gain_11")->IsEnabled());
}

TEST_F(MainWndTest, OutputMenuOffersTheRolesAnOutputMayTake) {
    PlugUnit();
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    // Roles of the tuned car: 1, 7, 3, 9, 15, 18, 22, 23.
    Find("ch_output_btn_2")->Activate();
    CMenuWnd* menu = m_wnd->OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(m_wnd->OutputMenuChannel(), 2);
    EXPECT_EQ(menu->GetItems().size(), 25u);
    auto* woofer = menu->FindMenuItem("output_menu_front_left_low_freq");
    EXPECT_TRUE(woofer->IsEnabled()) << "its own role";
    EXPECT_TRUE(woofer->IsChecked());
    EXPECT_FALSE(menu->FindMenuItem("output_menu_front_left_high_freq")->IsEnabled())
        << "output 0 plays the left highs";
    EXPECT_FALSE(menu->FindMenuItem("output_menu_front_left_mid_high_freq")->IsEnabled());
    EXPECT_TRUE(menu->FindMenuItem("output_menu_front_left_mid_freq")->IsEnabled());
    EXPECT_FALSE(menu->FindMenuItem("output_menu_front_left_mid_freq")->IsChecked());
    EXPECT_FALSE(menu->FindMenuItem("output_menu_subwoof_low")->IsEnabled())
        << "the stereo pair is in use";
    EXPECT_TRUE(menu->FindMenuItem("output_item_empty")->IsEnabled());

    Find("ch_output_btn_6")->Activate();
    EXPECT_EQ(m_wnd->OpenMenu()->GetItems().size(), 25u) << "one menu at a time, the new one";
    EXPECT_TRUE(m_wnd->OpenMenu()->FindMenuItem("output_menu_subwoof_left")->IsEnabled());
}
