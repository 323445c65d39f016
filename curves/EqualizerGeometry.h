// Pixel geometry of the two curve plots: axis mappings, handle and label rectangles, the Q handle
// distance rule and the point lists the curves are drawn through. No painting, no Qt: the
// controls paint what these functions compute, and mouse moves only hit-test the rectangles.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/DspProfile.h"

namespace dv {

// Frequency range of both plots: the settings model's band and crossover limits.
inline constexpr int kCurveMinFreq = kFreqMin;
inline constexpr int kCurveMaxFreq = kFreqMax;

// Gain range of the equalizer plot and of the calibration plot, dB.
inline constexpr int kEqGainTop = 12;
inline constexpr int kEqGainBottom = -18;
inline constexpr int kAcGainTop = 20;
inline constexpr int kAcGainBottom = -20;

// Quality factor range the Q handles can express.
inline constexpr float kCurveMinQ = 0.5f;
inline constexpr float kCurveMaxQ = 9.0f;

struct CurvePoint {
    int x = 0;
    int y = 0;
    bool operator==(const CurvePoint&) const = default;
};

struct CurvePointF {
    double x = 0.0;
    double y = 0.0;
};

// A window rectangle; right and bottom are exclusive for hit tests, as window rectangles are.
struct CurveRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(CurvePoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    bool operator==(const CurveRect&) const = default;
};

// "a%" of the window's DPI scale in percent, in whole pixels.
inline int ScaledPixels(int a, int scalePercent) {
    return a * scalePercent / 100;
}

// Axis mappings of the equalizer plot: 20 Hz .. 20 kHz logarithmic, +12 dB .. -18 dB.
class EqualizerAxis {
public:
    explicit EqualizerAxis(const CurveRect& plot);

    const CurveRect& plot() const { return plot_; }
    float zeroLine() const { return y0_; }
    // Width, height and zero line all non-zero: the plot can hold a layout.
    bool isUsable() const;

    double freqToXf(double freq) const;
    int freqToX(double freq) const;
    int xToFreq(int x) const;
    double gainToYf(double gain) const;
    int gainToY(double gain) const;
    float yToGain(int y) const;

    // The point moved into the plot; dragging beyond an edge lands exactly on the axis limit.
    CurvePoint clamp(CurvePoint p) const;

private:
    CurveRect plot_;
    float y0_;
};

// Axis mappings of the calibration plot: 20 Hz .. 20 kHz logarithmic, +20 dB .. -20 dB.
class CalibrationAxis {
public:
    explicit CalibrationAxis(const CurveRect& plot);

    const CurveRect& plot() const { return plot_; }
    double zeroLine() const { return y0_; }
    double freqToXf(double freq) const;
    double gainToYf(double gain) const;

private:
    CurveRect plot_;
    double y0_;
};

// Hit and label rectangle of a band handle: a 16% square centred on the point, pushed inside.
CurveRect PointRect(const CurveRect& plot, CurvePoint p, int scalePercent);

// Value label of the selected band: long (parametric) or short (graphic), above or below the point.
CurveRect LabelRect(const CurveRect& plot, CurvePoint p, int scalePercent, bool parametric);

struct QHandleRects {
    CurveRect left;
    CurveRect right;
};

// The two Q handles of a band: they stand 81 / Q pixels (at 100%) left and right of the point.
QHandleRects QHandles(const CurveRect& plot, CurvePoint p, float q, int scalePercent);

struct QFromHandle {
    float q = 0.0f;
    int signedLen = 0;  // the handle's offset from the point before taking its size, for tracing
    int len = 0;        // the distance actually used, limited to 9% .. 162%
};

// Q expressed by a Q handle dragged to x, for a band whose point is at pointX.
QFromHandle QFromHandleX(int pointX, int x, int scalePercent);

// Crossover marker ("H" at the -8 dB line, "L" at -11 dB): empty when the corner is off the axis.
inline constexpr int kHpMarkerGain = -8;
inline constexpr int kLpMarkerGain = -11;
bool IsCornerOnAxis(int freq);
CurveRect MarkerRect(const EqualizerAxis& axis, int freq, int markerGain, int scalePercent);

// Axis labels of the equalizer plot, drawn inside it: frequencies along the bottom, gain steps at
// the left. Each label marks a mapped point; its text box is centred on it (pushed in at the plot
// edges), so the mappings above stay exactly as they are.
inline constexpr std::array<int, 10> kAxisLabelFreqs = {20,   50,   100,  200,   500,
                                                        1000, 2000, 5000, 10000, 20000};
inline constexpr std::array<int, 6> kAxisLabelGains = {10, 5, 0, -5, -10, -15};

struct AxisLabel {
    std::string text;
    CurvePoint anchor;  // (x of its frequency, plot bottom) or (plot left, y of its gain)
    CurveRect rect;     // its text box with a little room around, where the grid gives way
    bool operator==(const AxisLabel&) const = default;
};

// "20", "500", "1k", "20k".
std::string AxisFreqText(int freq);
// "+10", "0", "-5".
std::string AxisGainText(int gain);

// Width in pixels of a label text, measured in the font it is drawn with.
using AxisTextWidth = std::function<int(const std::string&)>;

// The labels that fit: frequencies first, then gains; a label that would leave the plot or touch
// one already placed is left out (on a very small plot, or the lowest gain step on a flat one).
std::vector<AxisLabel> EqualizerAxisLabels(const EqualizerAxis& axis, int scalePercent,
                                           int textHeight, const AxisTextWidth& textWidth);

// Bit i set: label i touches one of the handle rectangles (a band number, a corner marker) and is
// left out so that the handle stays readable.
uint32_t CoveredAxisLabels(const std::vector<AxisLabel>& labels,
                           const std::vector<CurveRect>& handles);

bool Intersects(const CurveRect& a, const CurveRect& b);

// Control points of one channel's curve on the equalizer plot: walked from the highest grid
// point down, smoothed by a running average and cut to the 3k + 1 points a chain of cubic
// Bézier segments needs.
std::vector<CurvePoint> EqualizerCurvePath(const EqualizerAxis& axis, const double* freqs,
                                           const double* levels, int count);

// The same for a response curve on the calibration plot, where only 20 .. 20000 Hz is kept.
std::vector<CurvePoint> CalibrationCurvePath(const CalibrationAxis& axis, const double* freqs,
                                             const double* levels, int count);

// Measured points on the calibration plot (walked from the last down), those within the axis.
std::vector<CurvePoint> MeasuredCurvePoints(const CalibrationAxis& axis, const double* freqs,
                                            const double* levels, int count);

// Cubic Bézier control points (3k + 1) of a cardinal spline through the given points with the
// usual tension 0.5; fewer than two points give none.
std::vector<CurvePointF> CardinalSplineBeziers(const std::vector<CurvePoint>& points);

}  // namespace dv
