// The factory of the curve display's controls, the calibration plot, the selectable button and
// the circular progress.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "controls/CCircleProgressUI.h"
#include "controls/CSButtonUI.h"
#include "controls/UICurveFactory.h"
#include "controls/UIEqualizerAc.h"
#include "curves/FilterMath.h"
#include "tests/app/UiTestSupport.h"
#include "ui/UIManager.h"

using namespace DuiLib;

namespace {

QImage PaintControl(CControlUI& control) {
    QImage image(control.GetWidth(), control.GetHeight(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    control.DoPaint(painter, control.GetPos());
    return image;
}

int CountColor(const QImage& image, QRgb color, int row) {
    int n = 0;
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, row) == color;
    return n;
}

TEST(CurveFactory, CreatesTheFourControlsByMarkupNameInAnyCase) {
    const std::pair<const char*, const char*> kinds[] = {{"Curve", "UIEqualizer"},
                                                         {"curveac", "UIEqualizerAc"},
                                                         {"SBUTTON", "SButtonUI"},
                                                         {"CircleProgress", "CircleProgress"}};
    for (const auto& [markup, cls] : kinds) {
        std::unique_ptr<CControlUI> control(CreateCurveControl(QString::fromLatin1(markup)));
        ASSERT_TRUE(control) << markup;
        EXPECT_EQ(control->GetClass(), QString::fromLatin1(cls));
    }
    EXPECT_EQ(CreateCurveControl(QStringLiteral("Button")), nullptr);
    EXPECT_EQ(CreateCurveControl(QStringLiteral("Curves")), nullptr);
    EXPECT_EQ(CreateCurveControl(QString()), nullptr);

    UIEqualizerAc ac;
    EXPECT_EQ(ac.GetInterface(QStringLiteral("Curve")), &ac);
    CSButtonUI button;
    EXPECT_EQ(button.GetInterface(QStringLiteral("SButton")), &button);
    EXPECT_EQ(button.GetInterface(QStringLiteral("Button")), &button);
}

class CurveCalibrationPlot : public ::testing::Test {
protected:
    void SetUp() override {
        plot.SetManager(&manager, nullptr, false);
        plot.SetBkColor(0xFF000000);
        plot.SetPos(CDuiRect(0, 0, 400, 200));
        dv::makeLogFreqGrid(48000.0, 512, grid.data());
        for (int c = 0; c < 2; ++c) {
            std::copy(grid.begin(), grid.end(), freqs.begin() + c * 512);
        }
    }

    CPaintManagerUI manager;
    UIEqualizerAc plot;
    std::array<double, 512> grid{};
    std::vector<double> freqs = std::vector<double>(2 * 512);
    std::vector<double> levels = std::vector<double>(2 * 512);
};

TEST_F(CurveCalibrationPlot, PlusAndMinusTwentyDbRunAlongTheEdges) {
    std::fill(levels.begin(), levels.begin() + 512, 20.0);
    std::fill(levels.begin() + 512, levels.end(), -20.0);
    const uint8_t shown[2] = {1, 1};
    plot.setCurves(freqs.data(), levels.data(), 2, shown);
    const QImage image = PaintControl(plot);
    const QRgb red = dv::kResponseCurveColors[0];
    const QRgb orange = dv::kResponseCurveColors[1];
    EXPECT_GT(CountColor(image, red, 0), 300);
    EXPECT_GT(CountColor(image, orange, 199), 300);
    EXPECT_EQ(CountColor(image, red, 100), 0);
}

TEST_F(CurveCalibrationPlot, HiddenChannelsAndEmptyCallsDrawNothing) {
    const uint8_t hidden[2] = {0, 0};
    std::fill(levels.begin(), levels.end(), 10.0);
    plot.setCurves(freqs.data(), levels.data(), 2, hidden);
    std::vector<double> mf(121, 1000.0), ml(121, 10.0);
    plot.setMeasuredCurves(mf.data(), ml.data(), 1, hidden);
    const QImage image = PaintControl(plot);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << x << "," << y;
        }
    }
    EXPECT_FALSE(plot.GetCurves().isResponseVisible(0));
    EXPECT_EQ(plot.GetCurves().responseCount(), 2);
    const uint8_t shown[1] = {1};
    plot.setCurves(freqs.data(), levels.data(), 0, shown);
    EXPECT_EQ(plot.GetCurves().responseCount(), 2);
}

TEST_F(CurveCalibrationPlot, MeasuredCurveIsDrawnInItsColourWithinTheAxis) {
    std::vector<double> mf(121), ml(121, 0.0);
    for (int k = 0; k < 121; ++k) mf[static_cast<std::size_t>(k)] = 20 + (k * 19980) / 121;
    const uint8_t shown[1] = {1};
    plot.setMeasuredCurves(mf.data(), ml.data(), 1, shown);
    const QImage image = PaintControl(plot);
    EXPECT_GT(CountColor(image, dv::kMeasuredCurveColors[0], 99) +
                  CountColor(image, dv::kMeasuredCurveColors[0], 100),
              300);
}

// The plot tells Qt that it paints its whole widget when its background is opaque, so it must:
// nothing of what lay beneath shows through, in either style, with or without curves.
TEST_F(CurveCalibrationPlot, AnOpaquePlotCoversEveryPixel) {
    std::vector<double> mf(121), ml(121, 3.0);
    for (int k = 0; k < 121; ++k) mf[static_cast<std::size_t>(k)] = 20 + (k * 19980) / 121;
    const uint8_t shown[1] = {1};
    for (const char* style : {"false", "true"}) {
        plot.SetAttribute(QStringLiteral("measurementstyle"), QString::fromLatin1(style));
        for (int curves = 0; curves < 2; ++curves) {
            if (curves) plot.setMeasuredCurves(mf.data(), ml.data(), 1, shown);
            QImage image(400, 200, QImage::Format_ARGB32);
            image.fill(QColor(255, 0, 255));
            {
                QPainter painter(&image);
                plot.DoPaint(painter, plot.GetPos());
            }
            int beneath = 0;
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 400; ++x) beneath += image.pixel(x, y) == 0xFFFF00FFu;
            EXPECT_EQ(beneath, 0) << "style " << style << " curves " << curves;
        }
    }
}

TEST(CurveCircleProgress, SweepIsTheValueOverTheRangeWidth) {
    EXPECT_EQ(CCircleProgressUI::SweepDegrees(20, 120, 50), 180);
    EXPECT_EQ(CCircleProgressUI::SweepDegrees(0, 100, 25), 90);
    EXPECT_EQ(CCircleProgressUI::SweepDegrees(0, 100, 100), 360);
    EXPECT_EQ(CCircleProgressUI::SweepDegrees(20, 120, 120), 360);  // more than a turn is a ring
    EXPECT_EQ(CCircleProgressUI::SweepDegrees(50, 50, 50), 0);      // empty range: nothing
    EXPECT_EQ(CCircleProgressUI::SweepDegrees(0, 100, -10), 0);

    CPaintManagerUI manager;
    CCircleProgressUI ring;
    ring.SetManager(&manager, nullptr, false);
    ring.SetPos(CDuiRect(0, 0, 100, 100));
    ring.SetBkColor(0xFF0000FF);
    ring.SetForeColor(0xFF00FF00);
    ring.SetMinValue(20);
    ring.SetMaxValue(120);
    ring.SetValue(50);
    EXPECT_EQ(ring.GetClass(), QStringLiteral("CircleProgress"));
    const QImage image = PaintControl(ring);
    // Half a turn clockwise from straight down fills the left half of the ring.
    EXPECT_EQ(image.pixel(4, 50), 0xFF00FF00u);
    EXPECT_EQ(image.pixel(45, 95), 0xFF00FF00u);
    EXPECT_EQ(image.pixel(45, 4), 0xFF00FF00u);
    EXPECT_EQ(image.pixel(55, 95), 0xFF0000FFu);
    EXPECT_EQ(image.pixel(95, 50), 0xFF0000FFu);
    EXPECT_EQ(image.pixel(50, 50), 0xFFFFFFFFu);
}

TEST(CurveSButton, StateImageIsCutIntoEqualSlices) {
    const CSButtonUI::StateSlices three = CSButtonUI::SliceStateImage(
        QStringLiteral("file='conn.png' dest='2,2,32,22'"), QSize(90, 20), 3);
    EXPECT_EQ(three.selected,
              QStringLiteral("res='conn.png' restype='' dest='2,2,32,22' source='0,0,30,20'"));
    EXPECT_EQ(three.hot,
              QStringLiteral("res='conn.png' restype='' dest='2,2,32,22' source='30,0,60,20'"));
    EXPECT_EQ(three.pushed,
              QStringLiteral("res='conn.png' restype='' dest='2,2,32,22' source='60,0,90,20'"));

    const CSButtonUI::StateSlices two =
        CSButtonUI::SliceStateImage(QStringLiteral("conn.png"), QSize(90, 20), 2);
    EXPECT_EQ(two.selected, QStringLiteral("res='conn.png' restype='' source='0,0,45,20'"));
    EXPECT_EQ(two.hot, two.pushed);
    EXPECT_EQ(two.hot, QStringLiteral("res='conn.png' restype='' source='45,0,90,20'"));

    const CSButtonUI::StateSlices one =
        CSButtonUI::SliceStateImage(QStringLiteral("conn.png"), QSize(90, 20), 1);
    EXPECT_TRUE(one.hot.isEmpty());
    EXPECT_TRUE(
        CSButtonUI::SliceStateImage(QStringLiteral("conn.png"), QSize(), 3).selected.isEmpty());
    EXPECT_TRUE(CSButtonUI::SliceStateImage(QStringLiteral("conn.png"), QSize(90, 20), 0)
                    .selected.isEmpty());
}

// A state strip of three equal slices, red, green and blue, `width` wide.
QByteArray StateStrip(int width, int height) {
    QImage strip(width, height, QImage::Format_ARGB32);
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) strip.setPixelColor(x, y, colours[x * 3 / width]);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    strip.save(&buffer, "PNG");
    return bytes;
}

TEST(CurveSButton, EveryScaleShowsTheRightSliceOfItsVariantAndDpiChangesKeepIt) {
    CPaintManagerUI::Term();
    // A 120 x 20 strip and its variants, each cut the same way at its own size.
    const int dpis[] = {120, 144, 168, 192, 288, 77, 96, 144};
    std::vector<std::pair<std::string, QByteArray>> files = {{"st.png", StateStrip(120, 20)}};
    for (int s : {80, 125, 150, 175, 200, 300})
        files.push_back(
            {"st@" + std::to_string(s) + ".png", StateStrip(120 * s / 100, 20 * s / 100)});
    std::vector<std::pair<const char*, QByteArray>> entries;
    for (const auto& [name, bytes] : files) entries.push_back({name.c_str(), bytes});
    const QByteArray zip = uitest::MakeZip(entries);
    ASSERT_TRUE(CPaintManagerUI::SetResourceZip(zip.constData(), zip.size(), "any"));

    CPaintManagerUI manager;
    CSButtonUI button;
    button.SetManager(&manager, nullptr, false);
    button.SetAttribute(QStringLiteral("selectedstateimage"), QStringLiteral("st.png"));
    button.SetAttribute(QStringLiteral("selectedstatecount"), QStringLiteral("3"));
    button.SetSelected(true);
    // One button through every scale: the first paint cuts the strip, later ones reuse the cut.
    for (int dpi : dpis) {
        manager.SetDPI(dpi);
        const int scale = manager.GetScale();
        const int w = 40 * scale / 100;
        const int h = 20 * scale / 100;
        button.SetPos(CDuiRect(0, 0, w, h));
        const std::pair<UINT, QColor> states[] = {
            {0, Qt::red}, {UISTATE_HOT, Qt::green}, {UISTATE_PUSHED, Qt::blue}};
        for (const auto& [state, colour] : states) {
            button.SetButtonState(UISTATE_SELECTED | state);
            const QImage image = PaintControl(button);
            for (int x : {1, w / 2, w - 2})
                EXPECT_EQ(image.pixelColor(x, h / 2), colour)
                    << "scale " << scale << " state " << state << " x " << x;
        }
    }
    CPaintManagerUI::Term();
}

TEST(CurveSButton, SelectionIsItsOwnStateBitAndSurvivesDisabling) {
    CSButtonUI button;
    button.SetAttribute(QStringLiteral("selected"), QStringLiteral("true"));
    EXPECT_TRUE(button.IsSelected());
    EXPECT_EQ(button.GetButtonState() & UISTATE_SELECTED, static_cast<UINT>(UISTATE_SELECTED));
    button.SetButtonState(button.GetButtonState() | UISTATE_HOT);
    button.SetEnabled(false);
    EXPECT_EQ(button.GetButtonState(), static_cast<UINT>(UISTATE_SELECTED));
    button.SetEnabled(true);
    button.SetSelected(false);
    button.SetEnabled(false);
    EXPECT_EQ(button.GetButtonState(), 0u);

    button.SetAttribute(QStringLiteral("selectedbkcolor"), QStringLiteral("#FF00C000"));
    button.SetAttribute(QStringLiteral("selectedtextcolor"), QStringLiteral("FF0F1216"));
    button.SetAttribute(QStringLiteral("hottextcolor"), QStringLiteral("#FFE5484D"));
    button.SetAttribute(QStringLiteral("selectedfont"), QStringLiteral("2"));
    button.SetAttribute(QStringLiteral("text"), QStringLiteral("Connect"));
    EXPECT_EQ(button.GetSelectedBkColor(), 0xFF00C000u);
    EXPECT_EQ(button.GetSelectedTextColor(), 0xFF0F1216u);
    EXPECT_EQ(button.GetHotTextColor(), 0xFFE5484Du);
    EXPECT_EQ(button.GetSelectedFont(), 2);
    EXPECT_EQ(button.GetText(), QStringLiteral("Connect"));
}

TEST(CurveSButton, SelectedPaintUsesTheSelectedBackgroundAndTextColour) {
    CPaintManagerUI manager;
    CSButtonUI button;
    button.SetManager(&manager, nullptr, false);
    button.SetPos(CDuiRect(0, 0, 120, 40));
    button.SetAttribute(QStringLiteral("bkcolor"), QStringLiteral("#FF202020"));
    button.SetAttribute(QStringLiteral("bordersize"), QStringLiteral("0"));
    button.SetAttribute(QStringLiteral("selectedbkcolor"), QStringLiteral("#FF00C000"));
    button.SetAttribute(QStringLiteral("selectedtextcolor"), QStringLiteral("#FFFF0000"));
    button.SetAttribute(QStringLiteral("text"), QStringLiteral("WWWW"));

    QImage image = PaintControl(button);
    EXPECT_EQ(image.pixel(2, 2), 0xFF202020u);
    button.SetSelected(true);
    image = PaintControl(button);
    EXPECT_EQ(image.pixel(2, 2), 0xFF00C000u);
    int redText = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            redText += qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 120;
    EXPECT_GT(redText, 10);
}

// A disabled button must not look like one that can be pressed: its own background wins over
// hot and pushed, and without one it keeps its normal background.
TEST(CurveSButton, DisabledButtonTakesItsDisabledBackground) {
    CPaintManagerUI manager;
    for (const bool withDisabledColour : {true, false}) {
        CButtonUI button;
        button.SetManager(&manager, nullptr, false);
        button.SetPos(CDuiRect(0, 0, 60, 20));
        button.SetAttribute(QStringLiteral("bordersize"), QStringLiteral("0"));
        button.SetAttribute(QStringLiteral("bkcolor"), QStringLiteral("#FF00C000"));
        button.SetAttribute(QStringLiteral("hotbkcolor"), QStringLiteral("#FF1AD11A"));
        if (withDisabledColour)
            button.SetAttribute(QStringLiteral("disabledbkcolor"), QStringLiteral("#FF2B323C"));
        button.SetButtonState(UISTATE_HOT);
        EXPECT_EQ(PaintControl(button).pixel(2, 2), 0xFF1AD11Au);
        button.SetEnabled(false);
        EXPECT_EQ(PaintControl(button).pixel(2, 2), withDisabledColour ? 0xFF2B323Cu : 0xFF00C000u);
    }
}

}  // namespace
