#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/ScreenInfo.h"
#include "app/ShellWnd.h"
#include "app/SkinResources.h"

using namespace DuiLib;

namespace {

class AppShellWnd : public ::testing::Test {
protected:
    void SetUp() override {
        CPaintManagerUI::Term();
        ASSERT_TRUE(PrepareSkinResources());
    }
    void TearDown() override { CPaintManagerUI::Term(); }
};

TEST_F(AppShellWnd, StartsInChineseWithBothLanguagesAndTheScreenScale) {
    auto frame = std::make_unique<CShellWnd>();
    ASSERT_NE(frame->Create(nullptr, "Stormedge DSP Audio", UI_WNDSTYLE_FRAME, 0, 0, 0, 1230, 650),
              nullptr);
    CResourceManager* resources = CResourceManager::GetInstance();
    EXPECT_EQ(resources->GetLanguage(), "cn_zh");
    EXPECT_EQ(resources->GetText("${tips}"), "提示");
    resources->SelectLanguage("en");
    EXPECT_EQ(resources->GetText("${tips}"), "Notice");

    // The window is the markup's size at the scale the screen rule chose.
    CPaintManagerUI* pm = frame->GetPaintManager();
    const int scale = ScreenDpiForRect(ScreenInfo().GetWidestMonitorRect()).value_or(96) * 100 / 96;
    EXPECT_EQ(pm->GetScale(), scale);
    EXPECT_EQ(frame->GetHWND()->size(), QSize(1230 * scale / 100, 650 * scale / 100));
    EXPECT_EQ(frame->GetWindowClassName(), "MainWnd");
    EXPECT_EQ(frame->GetHWND()->windowTitle(), "Stormedge DSP Audio");
}

TEST_F(AppShellWnd, MissingSkinStillGivesAWindowAndNoCrash) {
    CPaintManagerUI::Term();
    EXPECT_FALSE(PrepareSkinResources(":/no/such/archive"));
    auto frame = std::make_unique<CShellWnd>();
    ASSERT_NE(frame->Create(nullptr, "Stormedge DSP Audio", UI_WNDSTYLE_FRAME, 0, 0, 0, 1230, 650),
              nullptr);
    // No tables: keys show as themselves.
    EXPECT_EQ(CResourceManager::GetInstance()->GetText("${tips}"), "${tips}");
}

}  // namespace
