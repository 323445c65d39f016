#include <gtest/gtest.h>

#include "app/ScreenInfo.h"

namespace {

struct DpiCase {
    ScreenRect rect;
    std::optional<int> dpi;
};

TEST(AppScreenDpiRule, PicksTheDpiByWidthAndHeight) {
    const DpiCase cases[] = {
        {{0, 0, 1920, 1080}, 144},
        {{0, 0, 1366, 768}, std::nullopt},
        {{0, 0, 1280, 700}, 77},
        {{0, 0, 1279, 1024}, 77},
        {{0, 0, 1280, 719}, 77},
        {{0, 0, 1280, 720}, std::nullopt},
        {{0, 0, 1899, 1200}, std::nullopt},
        {{0, 0, 1900, 1200}, 144},
        {{0, 0, 2459, 1440}, 144},
        {{0, 0, 2460, 1440}, 192},
        {{0, 0, 3689, 2160}, 192},
        {{0, 0, 3690, 2160}, 288},
        {{1920, 0, 5760, 2160}, 288},
        {{-1, -1, -1, -1}, 77},
    };
    for (const DpiCase& c : cases) {
        EXPECT_EQ(ScreenDpiForRect(c.rect), c.dpi)
            << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
    }
}

TEST(AppScreenDpiRule, AWindowThatWouldNotFitComesDownToAScaleThatFits) {
    struct FitCase {
        int dpi;
        ScreenRect rect;
        int fitting;
    };
    const FitCase cases[] = {
        {77, {0, 0, 1024, 600}, 77},     // 984 x 520: fits
        {96, {0, 0, 1280, 720}, 96},     // 1230 x 650: fits
        {144, {0, 0, 1920, 1080}, 144},  // 1845 x 975: fits
        {192, {0, 0, 2560, 1080}, 144},  // ultrawide: 2460 x 1300 is too tall, 150 % fits
        {288, {0, 0, 3840, 1080}, 144},  // 300 %, 200 %, 175 % too tall
        {192, {0, 0, 2560, 1300}, 192},  // exactly tall enough
        {192, {0, 0, 2560, 1299}, 168},  // a pixel short: 175 %
        {77, {0, 0, 960, 540}, 74},      // below every skin scale: the exact fit
        {77, {0, 0, 983, 1000}, 76},     // 80 % is a pixel too wide
        {77, {0, 0, 100, 50}, 7},       {77, {-1, -1, -1, -1}, 77},  // no monitor: left alone
    };
    for (const FitCase& c : cases) {
        const int fitting = FitWindowDpi(c.dpi, 1230, 650, c.rect);
        EXPECT_EQ(fitting, c.fitting) << c.rect.Width() << "x" << c.rect.Height();
        const int scale = fitting * 100 / 96;
        if (c.rect.Width() > 0) {
            EXPECT_LE(1230 * scale / 100, c.rect.Width());
        }
    }
    EXPECT_EQ(FitWindowDpi(144, 0, 0, {0, 0, 10, 10}), 144);  // a window without a size
}

TEST(AppScreenInfo, PrimaryAloneIsTheWidest) {
    const ScreenInfo info({{0, 0, 1920, 1080}});
    EXPECT_EQ(info.monitorCount, 1);
    EXPECT_TRUE(info.monitors.empty());
    EXPECT_EQ(info.m_MainScreen, (ScreenRect{0, 0, 1920, 1080}));
    EXPECT_EQ(info.m_VirtualScreen, (ScreenRect{0, 0, 1920, 1080}));
    EXPECT_EQ(info.GetWidestMonitorRect(), (ScreenRect{0, 0, 1920, 1080}));
}

TEST(AppScreenInfo, WiderSecondMonitorWinsAndSetsTheHighestDpi) {
    const ScreenInfo info({{0, 0, 1920, 1080}, {1920, 0, 5760, 2160}});
    EXPECT_EQ(info.m_VirtualScreen, (ScreenRect{0, 0, 5760, 2160}));
    const ScreenRect widest = info.GetWidestMonitorRect();
    EXPECT_EQ(widest, (ScreenRect{1920, 0, 5760, 2160}));
    EXPECT_EQ(ScreenDpiForRect(widest), 288);
}

TEST(AppScreenInfo, EqualWidthsKeepThePrimary) {
    const ScreenInfo info({{0, 0, 1920, 1080}, {1920, 0, 3840, 1200}});
    EXPECT_EQ(info.GetWidestMonitorRect(), (ScreenRect{0, 0, 1920, 1080}));
}

TEST(AppScreenInfo, MonitorsAreSortedByLeftThenTopAndPrimaryIsLeftOut) {
    const ScreenInfo info({{0, 0, 1280, 1024},
                           {1280, 500, 2560, 1524},
                           {-1920, 0, 0, 1080},
                           {1280, -500, 2560, 524}});
    ASSERT_EQ(info.monitors.size(), 3u);
    EXPECT_EQ(info.monitors[0], (ScreenRect{-1920, 0, 0, 1080}));
    EXPECT_EQ(info.monitors[1], (ScreenRect{1280, -500, 2560, 524}));
    EXPECT_EQ(info.monitors[2], (ScreenRect{1280, 500, 2560, 1524}));
    EXPECT_EQ(info.m_VirtualScreen, (ScreenRect{-1920, -500, 2560, 1524}));
    EXPECT_EQ(info.GetWidestMonitorRect(), (ScreenRect{-1920, 0, 0, 1080}));
}

TEST(AppScreenInfo, CoordinatesAreTakenRelativeToThePrimary) {
    // Qt may report the primary away from the origin; the rule works as if it were at (0, 0).
    const ScreenInfo info({{2560, 0, 4480, 1080}, {0, 0, 2560, 1440}});
    EXPECT_EQ(info.m_MainScreen, (ScreenRect{0, 0, 1920, 1080}));
    ASSERT_EQ(info.monitors.size(), 1u);
    EXPECT_EQ(info.monitors[0], (ScreenRect{-2560, 0, 0, 1440}));
    EXPECT_EQ(ScreenDpiForRect(info.GetWidestMonitorRect()), 192);
    // Windows are placed in the desktop's coordinates, where that monitor starts at 0.
    EXPECT_EQ(info.ToDesktop(info.GetWidestMonitorRect()), (ScreenRect{0, 0, 2560, 1440}));
}

TEST(AppScreenInfo, MirroredMonitorNeverWinsAndNoMonitorStillGivesARect) {
    // A clone of the primary shares its corner, so it is missing from the list.
    const ScreenInfo mirrored({{0, 0, 1366, 768}, {0, 0, 3840, 2160}});
    EXPECT_EQ(mirrored.monitorCount, 2);
    EXPECT_TRUE(mirrored.monitors.empty());
    EXPECT_EQ(mirrored.GetWidestMonitorRect(), (ScreenRect{0, 0, 1366, 768}));

    const ScreenInfo none(std::vector<ScreenRect>{});
    EXPECT_EQ(none.monitorCount, 0);
    EXPECT_EQ(ScreenDpiForRect(none.GetWidestMonitorRect()), 77);
}

}  // namespace
