#include "curves/EqualizerGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace dv {

namespace {

const double kLog10Min = std::log10(static_cast<double>(kCurveMinFreq));
const double kLog10Span = std::log10(static_cast<double>(kCurveMaxFreq)) - kLog10Min;

// Far-off coordinates (a -400 dB floor, a stray frequency) stay representable as int; NaN
// lands far off screen instead of being undefined.
constexpr double kFarOff = 1.0e6;

double Bounded(double v) {
    if (!(v > -kFarOff)) return -kFarOff;
    if (!(v < kFarOff)) return kFarOff;
    return v;
}

int Truncated(double v) {
    return static_cast<int>(Bounded(v));
}
int Rounded(double v) {
    return static_cast<int>(std::lround(Bounded(v)));
}

// One axis of a centred rectangle of `size` pixels, pushed back inside lo .. hi.
void CentredSpan(int centre, int half, int size, int lo, int hi, int& from, int& to) {
    if (centre < lo + half) {
        from = lo;
    } else if (centre > hi - half) {
        from = hi - size;
    } else {
        from = centre - half;
    }
    to = from + size;
}

// The vertical place of the selected band's label and of its Q handles: below the top edge when
// the point is near it, above the point in the lower band, below the point elsewhere, and at a
// fixed height when the point sits at the bottom.
void LabelSpan(const CurveRect& plot, int y, int s, int nearTopFrom, int nearTopTo, int aboveFar,
               int aboveNear, int belowNear, int belowFar, int bottomFrom, int bottomTo, int& from,
               int& to) {
    const int lowBandTop = plot.bottom - ScaledPixels(29, s);
    const int lowBandBottom = plot.bottom - ScaledPixels(10, s);
    if (y < plot.top + ScaledPixels(14, s)) {
        from = plot.top + ScaledPixels(nearTopFrom, s);
        to = plot.top + ScaledPixels(nearTopTo, s);
    } else if (y > lowBandTop && y < lowBandBottom) {
        from = y - ScaledPixels(aboveFar, s);
        to = y - ScaledPixels(aboveNear, s);
    } else if (y <= lowBandTop) {
        from = y + ScaledPixels(belowNear, s);
        to = y + ScaledPixels(belowFar, s);
    } else {
        from = plot.bottom - ScaledPixels(bottomFrom, s);
        to = plot.bottom - ScaledPixels(bottomTo, s);
    }
}

// Keeps the first n - 1 of n appended points, then the longest prefix of 3k + 1 points.
std::vector<CurvePoint> BezierPrefix(std::vector<CurvePoint> points) {
    if (points.size() < 5) return {};
    std::size_t m = points.size() - 1;
    m -= (m - 1) % 3;
    points.resize(m);
    return points;
}

template <typename Axis>
std::vector<CurvePoint> SmoothedPath(const Axis& axis, const double* freqs, const double* levels,
                                     int count, double minFreq, double maxFreq) {
    std::vector<CurvePoint> out;
    if (!freqs || !levels || count <= 0) return out;
    out.reserve(static_cast<std::size_t>(count));
    constexpr double kSentinel = 20000.0;
    double px = kSentinel;
    double py = kSentinel;
    const double left = axis.plot().left;
    for (int i = count - 1; i >= 0; --i) {
        const double f = freqs[i];
        if (f == 0.0 || !(f >= minFreq && f <= maxFreq)) continue;
        const double x = axis.freqToXf(f);
        const double y = axis.gainToYf(levels[i]);
        if (x >= left) {
            if (px == kSentinel && py == kSentinel) {
                px = x;
                py = y;
            } else {
                px = (x + px) / 2.0;
                py = (y + py) / 2.0;
            }
        }
        out.push_back({Rounded(px), Rounded(py)});
    }
    return BezierPrefix(std::move(out));
}

}  // namespace

EqualizerAxis::EqualizerAxis(const CurveRect& plot)
    : plot_(plot),
      y0_(static_cast<float>(plot.top +
                             (kEqGainTop * plot.height()) / (kEqGainTop - kEqGainBottom))) {}

bool EqualizerAxis::isUsable() const {
    return plot_.width() != 0 && plot_.height() != 0 && y0_ != 0.0f;
}

double EqualizerAxis::freqToXf(double freq) const {
    // The logarithm is taken in single precision, the rest in double.
    const double lg = static_cast<double>(std::log10(static_cast<float>(freq)));
    return (lg - kLog10Min) * plot_.width() / kLog10Span + plot_.left;
}

int EqualizerAxis::freqToX(double freq) const {
    return Truncated(freqToXf(freq));
}

int EqualizerAxis::xToFreq(int x) const {
    if (plot_.width() <= 0) return kCurveMinFreq;
    const float exponent =
        static_cast<float>(x - plot_.left) * 3.0f / static_cast<float>(plot_.width()) + 1.30103f;
    return static_cast<int>(std::lround(std::pow(10.0f, exponent)));
}

double EqualizerAxis::gainToYf(double gain) const {
    const double y0 = y0_;
    if (gain > 0.0) return y0 - std::round((y0 - plot_.top) * gain) / kEqGainTop;
    if (gain < 0.0) return y0 - std::round((plot_.bottom - y0) * gain) / -kEqGainBottom;
    return y0;
}

int EqualizerAxis::gainToY(double gain) const {
    return Truncated(gainToYf(gain));
}

float EqualizerAxis::yToGain(int y) const {
    const float fy = static_cast<float>(y);
    if (fy < y0_) return ((fy - y0_) * 100.0f / (plot_.top - y0_)) * kEqGainTop / 100.0f;
    if (fy > y0_) return ((y0_ - fy) * 100.0f / (plot_.bottom - y0_)) * -kEqGainBottom / 100.0f;
    return 0.0f;
}

CurvePoint EqualizerAxis::clamp(CurvePoint p) const {
    return {std::clamp(p.x, plot_.left, std::max(plot_.left, plot_.right)),
            std::clamp(p.y, plot_.top, std::max(plot_.top, plot_.bottom))};
}

CalibrationAxis::CalibrationAxis(const CurveRect& plot)
    : plot_(plot), y0_(plot.top + (kAcGainTop * plot.height()) / (kAcGainTop - kAcGainBottom)) {}

double CalibrationAxis::freqToXf(double freq) const {
    return (std::log10(freq) - kLog10Min) * plot_.width() / kLog10Span + plot_.left;
}

double CalibrationAxis::gainToYf(double gain) const {
    if (gain > 0.0) return y0_ - (y0_ - plot_.top) * gain / kAcGainTop;
    if (gain < 0.0) return y0_ + (plot_.bottom - y0_) * gain / kAcGainBottom;
    return y0_;
}

CurveRect PointRect(const CurveRect& plot, CurvePoint p, int s) {
    const int half = ScaledPixels(8, s);
    const int size = ScaledPixels(16, s);
    CurveRect r;
    CentredSpan(p.x, half, size, plot.left, plot.right, r.left, r.right);
    CentredSpan(p.y, half, size, plot.top, plot.bottom, r.top, r.bottom);
    return r;
}

CurveRect LabelRect(const CurveRect& plot, CurvePoint p, int s, bool parametric) {
    const int half = ScaledPixels(parametric ? 75 : 25, s);
    const int size = ScaledPixels(parametric ? 150 : 50, s);
    CurveRect r;
    CentredSpan(p.x, half, size, plot.left, plot.right, r.left, r.right);
    LabelSpan(plot, p.y, s, 22, 37, 29, 14, 14, 29, 37, 22, r.top, r.bottom);
    return r;
}

QHandleRects QHandles(const CurveRect& plot, CurvePoint p, float q, int s) {
    const float limited = std::clamp(q, kCurveMinQ, kCurveMaxQ);
    const int d = static_cast<int>(std::lround(81.0f / limited));
    const int g = d * s / 100;
    const int half = ScaledPixels(4, s);
    QHandleRects h;
    h.left.left = p.x - g - half;
    h.left.right = p.x - g + half;
    h.right.left = p.x + g - half;
    h.right.right = p.x + g + half;
    LabelSpan(plot, p.y, s, 12, 20, 12, 4, 4, 12, 20, 12, h.left.top, h.left.bottom);
    h.right.top = h.left.top;
    h.right.bottom = h.left.bottom;
    return h;
}

QFromHandle QFromHandleX(int pointX, int x, int s) {
    QFromHandle r;
    r.signedLen = x - pointX;
    r.len = std::clamp(std::abs(r.signedLen), ScaledPixels(9, s), ScaledPixels(162, s));
    const float unit = static_cast<float>(s) * 81.0f / 100.0f;
    r.q = r.len > 0 ? std::clamp(unit / static_cast<float>(r.len), kCurveMinQ, kCurveMaxQ)
                    : kCurveMaxQ;
    return r;
}

bool IsCornerOnAxis(int freq) {
    return freq >= kCurveMinFreq && freq <= kCurveMaxFreq;
}

CurveRect MarkerRect(const EqualizerAxis& axis, int freq, int markerGain, int s) {
    if (!IsCornerOnAxis(freq)) return {};
    const CurveRect& plot = axis.plot();
    CurveRect r;
    CentredSpan(axis.freqToX(freq), ScaledPixels(7, s), ScaledPixels(14, s), plot.left, plot.right,
                r.left, r.right);
    r.top = axis.gainToY(markerGain);
    r.bottom = r.top + ScaledPixels(10, s);
    return r;
}

std::string AxisFreqText(int freq) {
    char text[16];
    if (freq >= 1000 && freq % 1000 == 0) {
        std::snprintf(text, sizeof text, "%dk", freq / 1000);
    } else {
        std::snprintf(text, sizeof text, "%d", freq);
    }
    return text;
}

std::string AxisGainText(int gain) {
    char text[16];
    std::snprintf(text, sizeof text, gain > 0 ? "+%d" : "%d", gain);
    return text;
}

bool Intersects(const CurveRect& a, const CurveRect& b) {
    return !a.isEmpty() && !b.isEmpty() && a.left < b.right && b.left < a.right &&
           a.top < b.bottom && b.top < a.bottom;
}

std::vector<AxisLabel> EqualizerAxisLabels(const EqualizerAxis& axis, int s, int textHeight,
                                           const AxisTextWidth& textWidth) {
    std::vector<AxisLabel> out;
    const CurveRect& plot = axis.plot();
    // Clear of the border, and room for the grid to stop short of the text.
    const int margin = std::max(1, ScaledPixels(3, s));
    const int pad = std::max(1, ScaledPixels(2, s));
    const CurveRect room{plot.left + margin, plot.top + margin, plot.right - margin,
                         plot.bottom - margin};
    if (room.isEmpty() || textHeight <= 0 || !textWidth) return out;
    auto place = [&](std::string text, CurvePoint anchor, bool alongBottom) {
        const int width = textWidth(text) + 2 * pad;
        if (width > room.width() || textHeight > room.height()) return;
        CurveRect r;
        if (alongBottom) {
            r.left = std::clamp(anchor.x - width / 2, room.left, room.right - width);
            r.bottom = room.bottom;
            r.top = r.bottom - textHeight;
        } else {
            r.left = room.left;
            r.top = std::clamp(anchor.y - textHeight / 2, room.top, room.bottom - textHeight);
            r.bottom = r.top + textHeight;
        }
        r.right = r.left + width;
        for (const AxisLabel& other : out)
            if (Intersects(other.rect, r)) return;
        out.push_back({std::move(text), anchor, r});
    };
    for (int f : kAxisLabelFreqs) place(AxisFreqText(f), {axis.freqToX(f), plot.bottom}, true);
    for (int g : kAxisLabelGains) place(AxisGainText(g), {plot.left, axis.gainToY(g)}, false);
    return out;
}

uint32_t CoveredAxisLabels(const std::vector<AxisLabel>& labels,
                           const std::vector<CurveRect>& handles) {
    uint32_t covered = 0;
    for (std::size_t i = 0; i < labels.size() && i < 32; ++i) {
        for (const CurveRect& h : handles) {
            if (Intersects(labels[i].rect, h)) {
                covered |= 1u << i;
                break;
            }
        }
    }
    return covered;
}

std::vector<CurvePoint> EqualizerCurvePath(const EqualizerAxis& axis, const double* freqs,
                                           const double* levels, int count) {
    // The walk reaches a little past the axis so the curve meets both plot edges.
    return SmoothedPath(axis, freqs, levels, count, kCurveMinFreq - 10.0, kCurveMaxFreq + 100.0);
}

std::vector<CurvePoint> CalibrationCurvePath(const CalibrationAxis& axis, const double* freqs,
                                             const double* levels, int count) {
    return SmoothedPath(axis, freqs, levels, count, kCurveMinFreq, kCurveMaxFreq);
}

std::vector<CurvePoint> MeasuredCurvePoints(const CalibrationAxis& axis, const double* freqs,
                                            const double* levels, int count) {
    std::vector<CurvePoint> out;
    if (!freqs || !levels || count <= 0) return out;
    for (int i = count - 1; i >= 0; --i) {
        const double f = freqs[i];
        if (!(f >= kCurveMinFreq && f <= kCurveMaxFreq)) continue;
        out.push_back({Rounded(axis.freqToXf(f)), Rounded(axis.gainToYf(levels[i]))});
    }
    return out;
}

std::vector<CurvePointF> CardinalSplineBeziers(const std::vector<CurvePoint>& points) {
    std::vector<CurvePointF> out;
    const std::size_t n = points.size();
    if (n < 2) return out;
    // Tension 0.5: each tangent is half the chord between the neighbours, a third of it per
    // control point.
    constexpr double k = 0.5 / 3.0;
    auto at = [&](std::size_t i) {
        return CurvePointF{static_cast<double>(points[i].x), static_cast<double>(points[i].y)};
    };
    out.reserve(3 * (n - 1) + 1);
    out.push_back(at(0));
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const CurvePointF prev = at(i == 0 ? 0 : i - 1);
        const CurvePointF p0 = at(i);
        const CurvePointF p1 = at(i + 1);
        const CurvePointF next = at(i + 2 < n ? i + 2 : n - 1);
        out.push_back({p0.x + k * (p1.x - prev.x), p0.y + k * (p1.y - prev.y)});
        out.push_back({p1.x - k * (next.x - p0.x), p1.y - k * (next.y - p0.y)});
        out.push_back(p1);
    }
    return out;
}

}  // namespace dv
