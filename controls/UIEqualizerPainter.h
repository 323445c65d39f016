// Painting of the two curve plots with QPainter, apart from the controls so that a plot can be
// drawn into any paint device (a window, an offscreen image) from the same state.
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "curves/EqualizerGeometry.h"

class QPainter;

namespace dv {

class EqualizerEditor;
class CalibrationCurves;

// Colours of the plots (0xAARRGGBB).
inline constexpr uint32_t kCurveGridColor = 0xFF444444;
inline constexpr uint32_t kCurveOtherColor = 0xFF646464;
inline constexpr uint32_t kCurveCurrentColor = 0xFF00C000;
inline constexpr uint32_t kCurveSelectedColor = 0xFFFF0000;
inline constexpr uint32_t kCurveLabelColor = 0xFFFFFFFF;
inline constexpr uint32_t kCurveBypassTextColor = 0x77777777;
inline constexpr uint32_t kCurveMarkerFrameColor = 0xFF8C96A5;
inline constexpr uint32_t kCurveAxisTextColor = 0xFF8C96A5;  // the panel's secondary text

// How the equalizer plot looks apart from its state: taken from the control and its window.
struct EqualizerLook {
    int scalePercent = 100;
    uint32_t background = 0;  // alpha 0: not filled
    QFont labelFont;          // band numbers, the selected band's value, the axis labels
    unsigned textStyle = 37;  // DT_* flags of every label
    QFont bypassFont;
    QString bypassText;  // the resolved "${all_bypass}" text
};

// Everything under the current (green) curve as last drawn, kept between paints: hovering and
// dragging repaint the plot many times while only the current curve and the handles change.
// Two parts are kept apart so that neither is redrawn for the other: the grey curves (wide
// anti-aliased curves are the bulk of a paint) and the background with its grid, axis labels and
// all-bypass text (axis labels give way to a handle moving over them). One image of both is
// drawn per paint.
class EqualizerCurveLayer {
public:
    // Draws the background and the grey curves of `editor` onto `painter`, from the kept images
    // where nothing they depend on has changed since they were made.
    void paint(QPainter& painter, const EqualizerEditor& editor, const CurveRect& plot,
               const EqualizerLook& look);
    // How many times the grey curves, and the background, were drawn anew (tests and figures).
    int renderCount() const { return renders_; }
    int backgroundRenderCount() const { return backRenders_; }

private:
    struct CurveKey {
        CurveRect plot;
        int scale = 0;
        std::array<int64_t, 8> shown{};  // serial of each grey channel, -1 when not drawn
        bool operator==(const CurveKey&) const = default;
    };
    struct LabelKey {
        CurveRect plot;
        int scale = 0;
        QFont font;
        bool operator==(const LabelKey&) const = default;
    };
    struct BackKey {
        LabelKey labels;
        uint32_t covered = 0;  // labels left out for a handle
        uint32_t background = 0;
        unsigned textStyle = 0;
        bool allFlat = false;
        QFont bypassFont;
        QString bypassText;
        bool operator==(const BackKey&) const = default;
    };

    QImage curves_;
    QImage back_;
    QImage both_;
    CurveKey curveKey_;
    LabelKey labelKey_;
    BackKey backKey_;
    bool curvesValid_ = false;
    bool labelsValid_ = false;
    bool backValid_ = false;
    std::vector<AxisLabel> labels_;   // laid out for labelKey_
    std::vector<CurveRect> handles_;  // reused per paint
    int renders_ = 0;
    int backRenders_ = 0;
};

// The axis labels of `plot` laid out in `font`, and of them those a paint shows: the ones under
// no band number and no corner marker of the editor's last layout.
std::vector<AxisLabel> LayOutAxisLabels(const CurveRect& plot, int scale, const QFont& font);
std::vector<AxisLabel> ShownAxisLabels(const EqualizerEditor& editor, const CurveRect& plot,
                                       int scale, const QFont& font);

// Lays the plot out for this paint and draws it: background, border, zero line, grid, axis
// labels, the all-bypass text, the shown curves in grey and the current one in green, band
// numbers, the selected band's label and Q handles, and the "H" / "L" corner markers. With a
// layer everything under the current curve comes from it.
void PaintEqualizer(QPainter& painter, EqualizerEditor& editor, const CurveRect& plot,
                    const EqualizerLook& look, EqualizerCurveLayer* layer = nullptr);

// How the calibration plot reads as a measurement: the corrections dashed, so that a channel's
// measured response and its correction (near-identical colours) are told apart, axis labels and
// a legend naming the two line styles. Off by default: the plain plot.
struct CalibrationLook {
    bool measurementStyle = false;
    int scalePercent = 100;
    QFont font;
    QString measuredText;    // legend, solid line
    QString correctionText;  // legend, dashed line
};

// The calibration plot: background, border, zero line, grid, measured curves as cardinal
// splines, then the response curves, each in its channel's colour.
void PaintCalibration(QPainter& painter, const CalibrationCurves& curves, const CurveRect& plot,
                      uint32_t background, const CalibrationLook& look = {});
// Its three layers: what depends only on the size and the look (background, border, grid, axis
// labels), the curves, and the legend over them in its box; a control may keep the first and
// the last between paints.
void PaintCalibrationBackground(QPainter& painter, const CurveRect& plot, uint32_t background,
                                const CalibrationLook& look);
void PaintCalibrationCurves(QPainter& painter, const CalibrationCurves& curves,
                            const CurveRect& plot, const CalibrationLook& look);
QRect CalibrationLegendBox(const CurveRect& plot, const CalibrationLook& look);
void PaintCalibrationLegend(QPainter& painter, const CurveRect& plot, const CalibrationLook& look);

}  // namespace dv
