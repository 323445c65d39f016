// Axis mappings, handle rectangles and curve point lists of the two curve plots.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "curves/CalibrationCurves.h"
#include "curves/EqualizerGeometry.h"
#include "curves/FilterMath.h"

namespace dv {
namespace {

constexpr CurveRect kPlot{100, 50, 700, 350};  // 600 x 300, zero line at 170

// The 512-point logarithmic grid at 48 kHz the response curves are computed on.
std::vector<double> ResponseGrid() {
    std::vector<double> grid(kCurveGridSize);
    makeLogFreqGrid(kCurveSampleRate, kCurveGridSize, grid.data());
    return grid;
}

TEST(CurveGeometryAxis, EndsOfBothAxesMapExactlyAndRoundTrip) {
    const EqualizerAxis axis(kPlot);
    EXPECT_FLOAT_EQ(axis.zeroLine(), 170.0f);
    EXPECT_TRUE(axis.isUsable());

    EXPECT_EQ(axis.freqToX(20), 100);
    EXPECT_EQ(axis.xToFreq(100), 20);
    EXPECT_EQ(axis.xToFreq(700), 20000);
    const int xMax = axis.freqToX(20000);
    EXPECT_GE(xMax, 699);
    EXPECT_LE(xMax, 700);
    EXPECT_NEAR(axis.xToFreq(xMax), 20000, 20000 * 0.012);

    EXPECT_EQ(axis.gainToY(12.0), 50);
    EXPECT_EQ(axis.gainToY(-18.0), 350);
    EXPECT_EQ(axis.gainToY(0.0), 170);
    EXPECT_EQ(axis.yToGain(50), 12.0f);
    EXPECT_EQ(axis.yToGain(350), -18.0f);
    EXPECT_EQ(axis.yToGain(170), 0.0f);
}

TEST(CurveGeometryAxis, InnerValuesRoundTripWithinOnePixel) {
    const EqualizerAxis axis(kPlot);
    const double pixelRatio = std::pow(10.0, 3.0 / kPlot.width());
    for (int f : {20, 31, 63, 100, 440, 1000, 3150, 8000, 12500, 19000}) {
        const int back = axis.xToFreq(axis.freqToX(f));
        EXPECT_LE(back, f * 1.0001) << f;
        EXPECT_GE(back, f / pixelRatio - 1.0) << f;
    }
    for (double g : {11.9, 6.0, 0.5, -0.5, -6.0, -17.9}) {
        const double step = g > 0 ? 12.0 / 120.0 : 18.0 / 180.0;
        EXPECT_NEAR(axis.yToGain(axis.gainToY(g)), g, step + 1e-6) << g;
    }
    // Monotonic: higher frequencies further right, higher gains further up.
    EXPECT_LT(axis.freqToX(990), axis.freqToX(1010));
    EXPECT_LT(axis.gainToY(1.0), axis.gainToY(-1.0));
}

TEST(CurveGeometryAxis, ClampedDragPointsGiveTheAxisLimits) {
    const EqualizerAxis axis(kPlot);
    const CurvePoint far = axis.clamp({-500, -500});
    EXPECT_EQ(far, (CurvePoint{100, 50}));
    EXPECT_EQ(axis.xToFreq(far.x), 20);
    EXPECT_EQ(axis.yToGain(far.y), 12.0f);
    const CurvePoint beyond = axis.clamp({5000, 5000});
    EXPECT_EQ(beyond, (CurvePoint{700, 350}));
    EXPECT_EQ(axis.xToFreq(beyond.x), 20000);
    EXPECT_EQ(axis.yToGain(beyond.y), -18.0f);
}

TEST(CurveGeometryAxis, EmptyPlotIsNotUsableAndDoesNotDivideByZero) {
    const EqualizerAxis empty(CurveRect{});
    EXPECT_FALSE(empty.isUsable());
    EXPECT_EQ(empty.xToFreq(10), kCurveMinFreq);
    const EqualizerAxis flat(CurveRect{0, 0, 300, 2});  // zero line at 0
    EXPECT_FALSE(flat.isUsable());
    // A frequency of 0 maps far left instead of to an undefined value.
    EXPECT_LT(EqualizerAxis(kPlot).freqToX(0), -1000);
}

TEST(CurveGeometryRects, PointRectsAreCentredScaledAndKeptInside) {
    EXPECT_EQ(PointRect(kPlot, {400, 200}, 100), (CurveRect{392, 192, 408, 208}));
    EXPECT_EQ(PointRect(kPlot, {400, 200}, 200), (CurveRect{384, 184, 416, 216}));
    // Near the corners the square keeps its size but stays in the plot.
    EXPECT_EQ(PointRect(kPlot, {103, 52}, 100), (CurveRect{100, 50, 116, 66}));
    EXPECT_EQ(PointRect(kPlot, {699, 349}, 100), (CurveRect{684, 334, 700, 350}));
    EXPECT_EQ(PointRect(kPlot, {699, 349}, 200), (CurveRect{668, 318, 700, 350}));
}

TEST(CurveGeometryRects, SelectedLabelSitsWhereThePointLeavesRoom) {
    // Near the top: below the top edge.
    CurveRect r = LabelRect(kPlot, {400, 55}, 100, true);
    EXPECT_EQ(r, (CurveRect{325, 72, 475, 87}));
    // In the lower band (bottom - 29 < y < bottom - 10): above the point.
    r = LabelRect(kPlot, {400, 330}, 100, false);
    EXPECT_EQ(r, (CurveRect{375, 301, 425, 316}));
    // Elsewhere: below the point.
    r = LabelRect(kPlot, {400, 200}, 100, false);
    EXPECT_EQ(r, (CurveRect{375, 214, 425, 229}));
    // At the very bottom: a fixed place above the edge; at the left edge pushed inside.
    r = LabelRect(kPlot, {102, 345}, 100, true);
    EXPECT_EQ(r, (CurveRect{100, 313, 250, 328}));
    // Twice the size at 200%.
    r = LabelRect(kPlot, {400, 100}, 200, true);
    EXPECT_EQ(r.width(), 300);
    EXPECT_EQ(r.height(), 30);
}

TEST(CurveGeometryRects, QHandlesStandEightyOneOverQAwayAndDoubleAtTwiceTheScale) {
    const CurvePoint p{400, 200};
    auto distance = [&](float q, int s) {
        const QHandleRects h = QHandles(kPlot, p, q, s);
        const int half = ScaledPixels(4, s);
        EXPECT_EQ(p.x - (h.left.left + half), (h.right.left + half) - p.x);
        EXPECT_EQ(h.left.width(), 2 * half);
        return (h.right.left + half) - p.x;
    };
    EXPECT_EQ(distance(1.0f, 100), 81);
    EXPECT_EQ(distance(5.8f, 100), 14);
    EXPECT_EQ(distance(0.1f, 100), 162);  // limited to Q 0.5
    EXPECT_EQ(distance(50.0f, 100), 9);   // limited to Q 9
    EXPECT_EQ(distance(1.0f, 200), 162);
    EXPECT_EQ(distance(0.1f, 200), 324);
    EXPECT_EQ(distance(50.0f, 200), 18);
    // Below the point in the middle of the plot.
    const QHandleRects h = QHandles(kPlot, p, 1.0f, 100);
    EXPECT_EQ(h.left.top, 204);
    EXPECT_EQ(h.left.bottom, 212);
}

TEST(CurveGeometryRects, QFromHandleDistanceIsLimitedAndInvertsTheHandlePlacement) {
    const int px = 400;
    for (int s : {100, 200}) {
        const QFromHandle nearest = QFromHandleX(px, px + 1, s);
        EXPECT_EQ(nearest.len, ScaledPixels(9, s));
        EXPECT_FLOAT_EQ(nearest.q, 9.0f);
        const QFromHandle farthest = QFromHandleX(px, px - 1000, s);
        EXPECT_EQ(farthest.signedLen, -1000);
        EXPECT_EQ(farthest.len, ScaledPixels(162, s));
        EXPECT_FLOAT_EQ(farthest.q, 0.5f);
        for (float q : {0.5f, 1.0f, 2.0f, 4.5f, 9.0f}) {
            const QHandleRects h = QHandles(kPlot, {px, 200}, q, s);
            const int handleX = h.right.left + ScaledPixels(4, s);
            EXPECT_NEAR(QFromHandleX(px, handleX, s).q, q, q * 0.05) << q << " at " << s;
        }
    }
    // The same Q sits twice as far at 200%.
    EXPECT_FLOAT_EQ(QFromHandleX(px, px + 40, 100).q, QFromHandleX(px, px + 80, 200).q);
}

TEST(CurveGeometryRects, CornerMarkersHideOffTheAxisAndStayInsideOnIt) {
    const EqualizerAxis axis(kPlot);
    EXPECT_TRUE(MarkerRect(axis, 19, kHpMarkerGain, 100).isEmpty());
    EXPECT_TRUE(MarkerRect(axis, 20001, kLpMarkerGain, 100).isEmpty());
    EXPECT_TRUE(MarkerRect(axis, -1, kLpMarkerGain, 100).isEmpty());

    const CurveRect low = MarkerRect(axis, 20, kHpMarkerGain, 100);
    EXPECT_EQ(low, (CurveRect{100, axis.gainToY(-8), 114, axis.gainToY(-8) + 10}));
    const CurveRect high = MarkerRect(axis, 20000, kLpMarkerGain, 200);
    EXPECT_EQ(high, (CurveRect{672, axis.gainToY(-11), 700, axis.gainToY(-11) + 20}));
    const CurveRect mid = MarkerRect(axis, 1000, kHpMarkerGain, 100);
    EXPECT_EQ(mid.left + 7, axis.freqToX(1000));
}

TEST(CurveGeometryPath, EqualizerPathPassesThreeTimes128PlusOnePoints) {
    const std::vector<double> grid = ResponseGrid();
    const std::vector<double> flat(512, 0.0);
    const EqualizerAxis axis(kPlot);
    const std::vector<CurvePoint> path = EqualizerCurvePath(axis, grid.data(), flat.data(), 512);
    ASSERT_EQ(path.size(), 385u);
    // A flat curve runs along the zero line, from the right edge leftwards.
    for (const CurvePoint& p : path) EXPECT_EQ(p.y, 170);
    EXPECT_GE(path.front().x, 699);
    // The running average lags a little; points below 20 Hz repeat the last one inside.
    EXPECT_GE(path.back().x, 100);
    EXPECT_LE(path.back().x, 103);
    EXPECT_EQ(path[path.size() - 1], path[path.size() - 2]);
}

TEST(CurveGeometryPath, PathFollowsTheLevelsSmoothedAndSkipsEmptyPoints) {
    std::vector<double> grid = ResponseGrid();
    std::vector<double> levels(512, 12.0);
    const EqualizerAxis axis(kPlot);
    std::vector<CurvePoint> path = EqualizerCurvePath(axis, grid.data(), levels.data(), 512);
    ASSERT_FALSE(path.empty());
    for (const CurvePoint& p : path) EXPECT_EQ(p.y, 50);

    // A step from 0 to -18 dB at 1 kHz is averaged over neighbouring points, not jumped.
    for (int i = 0; i < 512; ++i) levels[i] = grid[i] < 1000.0 ? -18.0 : 0.0;
    path = EqualizerCurvePath(axis, grid.data(), levels.data(), 512);
    bool between = false;
    for (const CurvePoint& p : path) between = between || (p.y > 175 && p.y < 345);
    EXPECT_TRUE(between);

    // Zero frequencies (channels never computed) give nothing to draw.
    const std::vector<double> zeros(512, 0.0);
    EXPECT_TRUE(EqualizerCurvePath(axis, zeros.data(), zeros.data(), 512).empty());
    EXPECT_TRUE(EqualizerCurvePath(axis, nullptr, zeros.data(), 512).empty());
}

TEST(CurveGeometryPath, CalibrationPlotKeepsOnlyTheAxisRange) {
    const std::vector<double> grid = ResponseGrid();
    const std::vector<double> flat(512, 0.0);
    const CalibrationAxis axis(kPlot);
    EXPECT_EQ(CalibrationCurvePath(axis, grid.data(), flat.data(), 512).size(), 349u);

    EXPECT_DOUBLE_EQ(axis.zeroLine(), 200.0);
    EXPECT_DOUBLE_EQ(axis.gainToYf(20.0), 50.0);
    EXPECT_DOUBLE_EQ(axis.gainToYf(-20.0), 350.0);
    EXPECT_DOUBLE_EQ(axis.gainToYf(10.0), 125.0);
    EXPECT_DOUBLE_EQ(axis.freqToXf(20.0), 100.0);
    EXPECT_NEAR(axis.freqToXf(20000.0), 700.0, 1e-9);

    const double freqs[] = {19.9, 20.0, 1000.0, 20000.0, 20001.0};
    const double levels[] = {0.0, 20.0, 0.0, -20.0, 0.0};
    const std::vector<CurvePoint> measured = MeasuredCurvePoints(axis, freqs, levels, 5);
    ASSERT_EQ(measured.size(), 3u);
    EXPECT_EQ(measured[0], (CurvePoint{700, 350}));  // walked from the last point down
    EXPECT_EQ(measured[2], (CurvePoint{100, 50}));
}

TEST(CurveGeometryPath, CardinalSplinePassesThroughEveryPoint) {
    const std::vector<CurvePoint> pts{{0, 0}, {10, 5}, {20, -5}, {30, 0}};
    const std::vector<CurvePointF> bez = CardinalSplineBeziers(pts);
    ASSERT_EQ(bez.size(), 10u);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        EXPECT_DOUBLE_EQ(bez[3 * i].x, pts[i].x);
        EXPECT_DOUBLE_EQ(bez[3 * i].y, pts[i].y);
    }
    // The tangent at an inner point is along the chord of its neighbours: smooth, no corner.
    const CurvePointF in = bez[5];
    const CurvePointF out = bez[7];
    EXPECT_NEAR((bez[6].y - in.y) * (out.x - bez[6].x), (out.y - bez[6].y) * (bez[6].x - in.x),
                1e-9);
    EXPECT_TRUE(CardinalSplineBeziers({{1, 1}}).empty());
}

TEST(CurveGeometryCalibrationStore, KeepsCountFlagsAndClearsChannelsBeyondTheCount) {
    CalibrationCurves curves;
    std::vector<double> f(8 * 512, 100.0), l(8 * 512, 4.0);
    const uint8_t shown[8] = {1, 0, 1, 1, 1, 1, 1, 1};
    EXPECT_TRUE(curves.setCurves(f.data(), l.data(), 8, shown));
    EXPECT_FALSE(curves.setCurves(f.data(), l.data(), 0, shown));
    EXPECT_EQ(curves.responseCount(), 8);
    EXPECT_TRUE(curves.setCurves(f.data(), l.data(), 2, shown));
    EXPECT_EQ(curves.responseCount(), 2);
    EXPECT_TRUE(curves.isResponseVisible(0));
    EXPECT_FALSE(curves.isResponseVisible(1));
    EXPECT_FALSE(curves.isResponseVisible(2));
    EXPECT_EQ(curves.responseLevels(1)[511], 4.0);
    EXPECT_EQ(curves.responseLevels(2)[0], 0.0);

    // Measured curves are 121 points a channel; more than eight channels are cut to eight.
    std::vector<double> mf(9 * 121, 50.0), ml(9 * 121, -3.0);
    EXPECT_TRUE(curves.setMeasuredCurves(mf.data(), ml.data(), 9, nullptr));
    EXPECT_EQ(curves.measuredCount(), 8);
    EXPECT_FALSE(curves.isMeasuredVisible(0));
    EXPECT_EQ(curves.measuredFreqs(7)[120], 50.0);
    EXPECT_EQ(curves.responseCount(), 2);
}

}  // namespace
}  // namespace dv
