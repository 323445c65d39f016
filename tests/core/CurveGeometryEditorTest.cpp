// The equalizer control's editing state: band copy, corner markers, curve store, layout and the
// mouse handling with its capture modes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "curves/EqualizerEditor.h"

namespace dv {
namespace {

constexpr CurveRect kPlot{0, 0, 600, 300};  // zero line at 120

std::vector<EqBand> ThirdOctaveBands(float gain) {
    std::vector<EqBand> bands;
    for (int f : kBandFrequencies) bands.push_back({gain, 5.8f, f, 1});
    return bands;
}

class CurveGeometryEditor : public ::testing::Test {
protected:
    void SetUp() override {
        editor.setTraceSink([this](const char* line) { traces.emplace_back(line); });
        bands = ThirdOctaveBands(0.0f);
    }

    void load(int selected, int s = 100) {
        editor.setCurEqBands(bands.data(), static_cast<int>(bands.size()), selected, kPlot, s);
        editor.setCurEqHpLp(80, 8000, kPlot, s);
    }

    CurvePoint centreOf(const CurveRect& r) const {
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    bool traced(const std::string& line) const {
        for (const std::string& t : traces)
            if (t == line) return true;
        return false;
    }

    EqualizerEditor editor;
    std::vector<EqBand> bands;
    std::vector<std::string> traces;
};

TEST_F(CurveGeometryEditor, AllBypassFollowsExactZeroGains) {
    load(-1);
    EXPECT_TRUE(editor.isAllFlat());
    bands[17].eqGain = 0.1f;
    load(-1);
    EXPECT_FALSE(editor.isAllFlat());
    bands[17].eqGain = -0.0f;
    load(-1);
    EXPECT_TRUE(editor.isAllFlat());
}

TEST_F(CurveGeometryEditor, LayoutPlacesEveryBandAndNumbersIt) {
    bands[10].eqGain = 6.0f;
    load(10);
    ASSERT_TRUE(editor.isLayoutValid());
    EXPECT_EQ(editor.point(0), (CurvePoint{0, 120}));
    EXPECT_EQ(editor.point(10).y, 60);
    EXPECT_EQ(editor.bandLabel(0), "1");
    EXPECT_EQ(editor.bandLabel(30), "31");
    EXPECT_EQ(editor.selectedLabel(), "6.0 dB");
    editor.setDragAllDirection(true);
    load(10);
    EXPECT_EQ(editor.selectedLabel(), "200 Hz 5.80 Q 6.0 dB");
    EXPECT_FALSE(editor.qHandles().left.isEmpty());

    // An empty plot leaves the layout invalid until a paint brings a real one.
    EqualizerEditor fresh;
    fresh.setCurEqBands(bands.data(), 31, -1, CurveRect{}, 100);
    EXPECT_FALSE(fresh.isLayoutValid());
    fresh.layoutForPaint(kPlot, 100);
    EXPECT_TRUE(fresh.isLayoutValid());
    EXPECT_EQ(fresh.point(30).y, 120);
}

TEST_F(CurveGeometryEditor, SelectionBeyondTheBandsInUseShowsNoLabel) {
    editor.setDragAllDirection(true);
    editor.setCurEqBands(bands.data(), 11, 20, kPlot, 100);
    EXPECT_FALSE(editor.hasSelection());
    EXPECT_TRUE(editor.selectedLabel().empty());
    EXPECT_TRUE(editor.qHandles().left.isEmpty());
    // More than 31 bands are cut to 31.
    std::vector<EqBand> many(40, EqBand{1.0f, 1.0f, 100, 1});
    editor.setCurEqBands(many.data(), 40, 0, kPlot, 100);
    EXPECT_EQ(editor.bandCount(), 31);
}

TEST_F(CurveGeometryEditor, CornersOffTheAxisHideTheirMarkersIndependently) {
    editor.setCurEqBands(bands.data(), 31, -1, kPlot, 100);
    editor.setCurEqHpLp(19, 20000, kPlot, 100);
    EXPECT_EQ(editor.hpFreq(), -1);
    EXPECT_TRUE(editor.hpMarkerRect().isEmpty());
    EXPECT_EQ(editor.lpFreq(), 20000);
    EXPECT_FALSE(editor.lpMarkerRect().isEmpty());

    editor.setCurEqHpLp(20, 20001, kPlot, 100);
    EXPECT_EQ(editor.hpFreq(), 20);
    EXPECT_EQ(editor.lpFreq(), -1);
    EXPECT_TRUE(editor.lpMarkerRect().isEmpty());
    EXPECT_TRUE(traced("setCurEqHpLp mHpFreq(20)\n"));

    // A hidden marker cannot be grabbed where it used to be.
    editor.setCurEqHpLp(20, 8000, kPlot, 100);
    const CurvePoint where = centreOf(editor.lpMarkerRect());
    editor.setCurEqHpLp(20, 30000, kPlot, 100);
    editor.mouseDown(where, 100);
    EXPECT_EQ(editor.captureMode(), NO_CAPTURE);
}

TEST_F(CurveGeometryEditor, GraphicDragMovesOnlyTheGainAndStopsAtTheAxisLimits) {
    load(-1);
    const CurvePoint start = editor.point(17);  // 1 kHz
    CurveMouseResult r = editor.mouseDown(start, 100);
    EXPECT_EQ(editor.captureMode(), INDEX_CAPTURED);
    EXPECT_EQ(r.cursor, CurveCursor::SizeNS);
    EXPECT_EQ(r.userData, 17);

    r = editor.mouseMove({start.x + 200, 60}, 100);
    EXPECT_EQ(r.notify, CurveNotify::Eq);
    EXPECT_EQ(editor.bands()[17].freq, 1000);
    EXPECT_FLOAT_EQ(editor.bands()[17].eqGain, 6.0f);
    EXPECT_EQ(editor.point(17).x, start.x);
    EXPECT_TRUE(traced("INDEX_CAPTURED move x(" + std::to_string(start.x + 200) + ") y(60) \n"));

    // The same place again changes nothing and notifies nothing.
    EXPECT_EQ(editor.mouseMove({start.x, 60}, 100).notify, CurveNotify::None);

    r = editor.mouseMove({start.x, -400}, 100);
    EXPECT_EQ(editor.bands()[17].eqGain, 12.0f);
    r = editor.mouseUp({start.x, 900}, 100);
    EXPECT_EQ(r.notify, CurveNotify::Eq);
    EXPECT_EQ(r.cursor, CurveCursor::Hand);
    EXPECT_EQ(editor.bands()[17].eqGain, -18.0f);
    EXPECT_EQ(editor.bands()[17].freq, 1000);
    EXPECT_EQ(editor.captureMode(), NO_CAPTURE);
    EXPECT_EQ(editor.pointRect(17).bottom, kPlot.bottom);
}

TEST_F(CurveGeometryEditor, ParametricDragMovesFrequencyToExactlyTheAxisEnds) {
    editor.setDragAllDirection(true);
    load(-1);
    const CurvePoint start = editor.point(17);
    EXPECT_EQ(editor.mouseDown(start, 100).cursor, CurveCursor::SizeAll);
    EXPECT_EQ(editor.mouseMove({-50, -50}, 100).notify, CurveNotify::Eq);
    EXPECT_EQ(editor.bands()[17].freq, 20);
    EXPECT_EQ(editor.bands()[17].eqGain, 12.0f);
    editor.mouseMove({5000, 5000}, 100);
    EXPECT_EQ(editor.bands()[17].freq, 20000);
    EXPECT_EQ(editor.bands()[17].eqGain, -18.0f);
    editor.mouseUp({300, 120}, 100);
    EXPECT_EQ(editor.bands()[17].eqGain, 0.0f);
    EXPECT_NEAR(editor.bands()[17].freq, 632, 8);  // the middle of three decades from 20 Hz
    EXPECT_TRUE(traced("INDEX_CAPTURED up x(300) y(120) \n"));
}

TEST_F(CurveGeometryEditor, HoverSelectsABandWithoutAClick) {
    load(-1);
    CurveMouseResult r = editor.mouseMove(editor.point(5), 100);
    EXPECT_EQ(r.cursor, CurveCursor::Hand);
    EXPECT_EQ(r.userData, 5);
    EXPECT_TRUE(r.invalidate);
    EXPECT_EQ(editor.currentControlIndex(), 5);
    EXPECT_EQ(editor.captureMode(), NO_CAPTURE);
    // Staying on it asks for nothing new; leaving it keeps the selection.
    r = editor.mouseMove(editor.point(5), 100);
    EXPECT_EQ(r.userData, -1);
    EXPECT_FALSE(r.invalidate);
    r = editor.mouseMove({300, 280}, 100);
    EXPECT_EQ(r.cursor, CurveCursor::Arrow);
    EXPECT_EQ(editor.currentControlIndex(), 5);
}

TEST_F(CurveGeometryEditor, QDragKeepsQWithinItsRangeAtEitherScale) {
    editor.setDragAllDirection(true);
    for (int s : {100, 200}) {
        load(17, s);
        const CurvePoint p = editor.point(17);
        const CurvePoint handle = centreOf(editor.qHandles().right);
        EXPECT_EQ(handle.x - p.x, 14 * s / 100);  // Q 5.8
        editor.mouseDown(handle, s);
        ASSERT_EQ(editor.captureMode(), FACTOR_CAPTURED);
        EXPECT_EQ(editor.mouseMove({p.x + 81 * s / 100, p.y}, s).notify, CurveNotify::Eq);
        EXPECT_FLOAT_EQ(editor.bands()[17].eqFactor, 1.0f);
        editor.mouseMove({p.x - 2000, p.y}, s);
        EXPECT_FLOAT_EQ(editor.bands()[17].eqFactor, 0.5f);
        const CurveMouseResult r = editor.mouseUp({p.x + 1, p.y}, s);
        EXPECT_EQ(r.notify, CurveNotify::Eq);
        EXPECT_FLOAT_EQ(editor.bands()[17].eqFactor, 9.0f);
        EXPECT_EQ(editor.bands()[17].freq, 1000);
        EXPECT_EQ(editor.bands()[17].eqGain, 0.0f);
        bands = ThirdOctaveBands(0.0f);
    }
    EXPECT_TRUE(traced("abs len (18) \n"));
    EXPECT_TRUE(traced("FACTOR_CAPTURED index 17 move x(" +
                       std::to_string(editor.point(17).x + 162) + ") y(" +
                       std::to_string(editor.point(17).y) + ") \n"));
}

TEST_F(CurveGeometryEditor, QHandlesAreOnlyGrabbedInParametricMode) {
    editor.setDragAllDirection(true);
    load(17);
    const CurvePoint handle = centreOf(editor.qHandles().left);
    EXPECT_EQ(editor.mouseMove(handle, 100).cursor, CurveCursor::SizeWE);
    editor.setDragAllDirection(false);
    load(17);
    editor.mouseDown(handle, 100);
    EXPECT_NE(editor.captureMode(), FACTOR_CAPTURED);
}

TEST_F(CurveGeometryEditor, CornerDragsNeverCrossTheOtherCorner) {
    load(3);
    const EqualizerAxis axis(kPlot);
    CurveMouseResult r = editor.mouseDown(centreOf(editor.hpMarkerRect()), 100);
    EXPECT_EQ(editor.captureMode(), HP_CAPTURED);
    EXPECT_EQ(editor.currentControlIndex(), -1);
    EXPECT_EQ(r.cursor, CurveCursor::SizeWE);

    r = editor.mouseMove({axis.freqToX(200), 10}, 100);
    EXPECT_EQ(r.notify, CurveNotify::Hp);
    EXPECT_NEAR(editor.hpFreq(), 200, 3);
    // At or past the low-pass corner the move is ignored.
    r = editor.mouseMove({axis.freqToX(8000) + 1, 10}, 100);
    EXPECT_EQ(r.notify, CurveNotify::None);
    EXPECT_LT(editor.hpFreq(), 8000);
    EXPECT_TRUE(traced("HP_CAPTURED move x(" + std::to_string(axis.freqToX(8000) + 1) +
                       ") y(10) mCurrentControlIndex(-1) mHpFreq(" +
                       std::to_string(editor.hpFreq()) + ")\n"));
    // Released past it: the corner stays, the window is told anyway.
    const int before = editor.hpFreq();
    r = editor.mouseUp({590, 10}, 100);
    EXPECT_EQ(r.notify, CurveNotify::Hp);
    EXPECT_EQ(editor.hpFreq(), before);

    editor.mouseDown(centreOf(editor.lpMarkerRect()), 100);
    ASSERT_EQ(editor.captureMode(), LP_CAPTURED);
    EXPECT_EQ(editor.mouseMove({0, 10}, 100).notify, CurveNotify::None);
    EXPECT_EQ(editor.lpFreq(), 8000);
    EXPECT_EQ(editor.mouseMove({600, 10}, 100).notify, CurveNotify::Lp);
    EXPECT_EQ(editor.lpFreq(), 20000);
    EXPECT_EQ(editor.mouseUp({600, 10}, 100).notify, CurveNotify::Lp);
    EXPECT_FALSE(editor.lpMarkerRect().isEmpty());
}

TEST_F(CurveGeometryEditor, HiddenLowPassCornerLeavesTheHighPassFree) {
    editor.setCurEqBands(bands.data(), 31, -1, kPlot, 100);
    editor.setCurEqHpLp(100, -1, kPlot, 100);
    editor.mouseDown(centreOf(editor.hpMarkerRect()), 100);
    ASSERT_EQ(editor.captureMode(), HP_CAPTURED);
    EXPECT_EQ(editor.mouseMove({600, 10}, 100).notify, CurveNotify::Hp);
    EXPECT_EQ(editor.hpFreq(), 20000);
}

TEST_F(CurveGeometryEditor, CurveStoreIgnoresEmptyCallsAndClearsUnusedChannels) {
    std::vector<double> f(8 * 512, 100.0), l(8 * 512, 3.0);
    const int shown[8] = {1, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_TRUE(editor.setCurves(f.data(), l.data(), 8, 2, shown));
    EXPECT_TRUE(editor.isChannelVisible(7));
    EXPECT_FALSE(editor.setCurves(f.data(), l.data(), 0, 5, shown));
    EXPECT_EQ(editor.channelCount(), 8);
    EXPECT_EQ(editor.currentChannel(), 2);

    EXPECT_TRUE(editor.setCurves(f.data(), l.data(), 2, 1, shown));
    EXPECT_EQ(editor.channelCount(), 2);
    EXPECT_FALSE(editor.isChannelVisible(7));
    EXPECT_EQ(editor.curveLevels(5)[0], 0.0);
    EXPECT_EQ(editor.curveLevels(1)[511], 3.0);
    // More channels than the control holds are cut to eight.
    std::vector<double> big(12 * 512, 1.0);
    EXPECT_TRUE(editor.setCurves(big.data(), big.data(), 12, 0, nullptr));
    EXPECT_EQ(editor.channelCount(), 8);
}

TEST_F(CurveGeometryEditor, ResizedPlotMovesTheHandlesAtTheNextPaint) {
    load(-1);
    const CurvePoint before = editor.point(30);
    editor.layoutForPaint(kPlot, 100);
    EXPECT_EQ(editor.point(30), before);
    const CurveRect wider{0, 0, 1200, 600};
    editor.layoutForPaint(wider, 100);
    EXPECT_EQ(editor.point(30).y, 240);
    EXPECT_GT(editor.point(30).x, before.x);
    editor.layoutForPaint(wider, 200);
    EXPECT_EQ(editor.pointRect(30).width(), 32);
}

}  // namespace
}  // namespace dv
