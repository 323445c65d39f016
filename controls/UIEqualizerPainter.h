// Painting of the two curve plots with QPainter, apart from the controls so that a plot can be
// drawn into any paint device (a window, an offscreen image) from the same state.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>

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

// How the equalizer plot looks apart from its state: taken from the control and its window.
struct EqualizerLook {
    int scalePercent = 100;
    uint32_t background = 0;  // alpha 0: not filled
    QFont labelFont;
    unsigned textStyle = 37;  // DT_* flags of every label
    QFont bypassFont;
    QString bypassText;  // the resolved "${all_bypass}" text
};

// The grey curves as last drawn, kept between paints: hovering and dragging repaint the plot
// many times while only the current (green) curve changes, and wide anti-aliased curves are the
// bulk of a paint.
class EqualizerCurveLayer {
public:
    // Draws the grey curves of `editor` onto `painter`, from the kept image when nothing they
    // depend on has changed since it was made.
    void paint(QPainter& painter, const EqualizerEditor& editor, const CurveRect& plot, int scale);
    // How many times the grey curves were drawn anew (for tests and figures).
    int renderCount() const { return renders_; }

private:
    struct Key {
        CurveRect plot;
        int scale = 0;
        std::array<int64_t, 8> shown{};  // serial of each grey channel, -1 when not drawn
        bool operator==(const Key&) const = default;
    };

    QImage image_;
    Key key_;
    bool valid_ = false;
    int renders_ = 0;
};

// Lays the plot out for this paint and draws it: background, border, zero line, grid, the
// all-bypass text, the shown curves in grey and the current one in green, band numbers, the
// selected band's label and Q handles, and the "H" / "L" corner markers. With a layer the grey
// curves come from it.
void PaintEqualizer(QPainter& painter, EqualizerEditor& editor, const CurveRect& plot,
                    const EqualizerLook& look, EqualizerCurveLayer* layer = nullptr);

// The calibration plot: background, border, zero line, grid, measured curves as cardinal
// splines, then the response curves, each in its channel's colour.
void PaintCalibration(QPainter& painter, const CalibrationCurves& curves, const CurveRect& plot,
                      uint32_t background);

}  // namespace dv
