#include "controls/UIEqualizerPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "curves/CalibrationCurves.h"
#include "curves/EqualizerEditor.h"
#include "ui/UIRender.h"

namespace dv {

namespace {

constexpr std::array<int, 28> kFreqGridLines = {
    20,  30,  40,  50,   60,   70,   80,   90,   100,  200,  300,  400,  500,   600,
    700, 800, 900, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 20000};
constexpr std::array<int, 5> kEqGainGridLines = {-15, -10, -5, 5, 10};
constexpr std::array<int, 6> kAcGainGridLines = {-15, -10, -5, 5, 10, 15};

QColor Argb(uint32_t argb) {
    return QColor::fromRgba(argb);
}

QRect ToQRect(const CurveRect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

// The border sits inside the plot whatever the pen width.
void DrawBorder(QPainter& painter, const CurveRect& plot, int width) {
    painter.setPen(QPen(Argb(kCurveGridColor), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    const double inset = width / 2.0;
    painter.drawRect(
        QRectF(plot.left + inset, plot.top + inset, plot.width() - width, plot.height() - width));
}

// Horizontal dotted gain lines and vertical solid frequency lines (the 20 kHz edge is the border).
template <typename GainToY, typename FreqToX, std::size_t N>
void DrawGrid(QPainter& painter, const CurveRect& plot, int width, double zeroY,
              const std::array<int, N>& gains, GainToY gainToY, FreqToX freqToX) {
    QPen solid(Argb(kCurveGridColor), width, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(solid);
    painter.drawLine(QPointF(plot.left, zeroY), QPointF(plot.left + plot.width(), zeroY));
    QPen dotted = solid;
    dotted.setStyle(Qt::DotLine);
    painter.setPen(dotted);
    for (int g : gains) {
        const double y = gainToY(g);
        painter.drawLine(QPointF(plot.left, y), QPointF(plot.right, y));
    }
    painter.setPen(solid);
    for (int f : kFreqGridLines) {
        if (f == kCurveMaxFreq) continue;
        const double x = freqToX(f);
        painter.drawLine(QPointF(x, plot.top), QPointF(x, plot.bottom));
    }
}

// Lengthens `line` by `atStart` before its start and `atEnd` past its end.
void Extend(QLineF& line, double atStart, double atEnd) {
    const double length = line.length();
    if (length <= 0.0) return;
    const QPointF unit = (line.p2() - line.p1()) / length;
    line = QLineF(line.p1() - unit * atStart, line.p2() + unit * atEnd);
}

// Bezier segments are flattened here and stroked as separate lines: Qt rasterizes solid
// anti-aliased lines directly, several times faster than it strokes a path of cubics or a
// polyline. Neighbouring lines overlap by a pixel so that the anti-aliased edges of their flat
// caps add up to no seam where they meet; the ends of a run stay where they are. Segments
// whose control points all lie beyond `visible` cannot touch it and are left out, which matters
// for curves that drop to the -400 dB floor.
template <typename Point>
void StrokeBeziers(QPainter& painter, const std::vector<Point>& pts, const QRectF& visible,
                   std::vector<QLineF>& lines) {
    if (pts.size() < 4) return;
    // Largest distance, in pixels, between a curve and its lines.
    constexpr double kTolerance = 0.25;
    constexpr int kMaxSteps = 64;
    constexpr double kOverlap = 0.5;
    lines.clear();
    auto flush = [&] {
        if (lines.empty()) return;
        const std::size_t last = lines.size() - 1;
        for (std::size_t j = 0; j <= last; ++j) {
            Extend(lines[j], j == 0 ? 0.0 : kOverlap, j == last ? 0.0 : kOverlap);
        }
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
        lines.clear();
    };
    for (std::size_t i = 1; i + 2 < pts.size(); i += 3) {
        const QPointF p0(pts[i - 1].x, pts[i - 1].y);
        const QPointF p1(pts[i].x, pts[i].y);
        const QPointF p2(pts[i + 1].x, pts[i + 1].y);
        const QPointF p3(pts[i + 2].x, pts[i + 2].y);
        // A cubic lies within the hull of its control points.
        const double minX = std::min({p0.x(), p1.x(), p2.x(), p3.x()});
        const double maxX = std::max({p0.x(), p1.x(), p2.x(), p3.x()});
        const double minY = std::min({p0.y(), p1.y(), p2.y(), p3.y()});
        const double maxY = std::max({p0.y(), p1.y(), p2.y(), p3.y()});
        if (maxX < visible.left() || minX > visible.right() || maxY < visible.top() ||
            minY > visible.bottom()) {
            flush();
            continue;
        }
        // Chords of n equal steps stay within |B''| / (8 n^2) of the curve, and
        // |B''| <= 6 * the larger second difference of the control points.
        const QPointF d1 = p0 - 2 * p1 + p2;
        const QPointF d2 = p1 - 2 * p2 + p3;
        const double dd = std::max(std::hypot(d1.x(), d1.y()), std::hypot(d2.x(), d2.y()));
        const int steps = std::clamp(static_cast<int>(std::ceil(std::sqrt(0.75 * dd / kTolerance))),
                                     1, kMaxSteps);
        QPointF from = p0;
        for (int k = 1; k < steps; ++k) {
            const double t = static_cast<double>(k) / steps;
            const double u = 1.0 - t;
            const QPointF to =
                u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
            lines.emplace_back(from, to);
            from = to;
        }
        lines.emplace_back(from, p3);
    }
    flush();
}

// Where strokes can still touch `plot`: its rectangle grown by the pen and the anti-aliasing.
QRectF StrokeReach(const CurveRect& plot, int penWidth) {
    const double m = penWidth + 2.0;
    return QRectF(plot.left - m, plot.top - m, plot.width() + 2 * m, plot.height() + 2 * m);
}

// Flat caps: a curve's lines meet end to end (see StrokeBeziers). Qt draws them one by one, so
// the join style never applies to curves.
QPen CurvePen(uint32_t color, int width) {
    return QPen(Argb(color), std::max(1, width), Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
}

// Labels follow the control's text style as a label control's text does ("endellipsis" too).
void DrawLabel(QPainter& painter, const CurveRect& r, const QString& text, uint32_t color,
               unsigned style) {
    DuiLib::CRenderEngine::DrawText(painter, painter.font(),
                                    DuiLib::CDuiRect(r.left, r.top, r.right, r.bottom), text, color,
                                    style);
}

void DrawGreyCurves(QPainter& painter, const EqualizerEditor& editor, const EqualizerAxis& axis,
                    int s) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    const int width = 3 * s / 100;
    painter.setPen(CurvePen(kCurveOtherColor, width));
    const QRectF reach = StrokeReach(axis.plot(), width);
    std::vector<QLineF> lines;
    for (int c = 0; c < editor.channelCount(); ++c) {
        if (c == editor.currentChannel() || !editor.isChannelVisible(c)) continue;
        StrokeBeziers(painter,
                      EqualizerCurvePath(axis, editor.curveFreqs(c), editor.curveLevels(c),
                                         EqualizerEditor::kCurvePoints),
                      reach, lines);
    }
}

// The corner markers' frames reach a little beyond where they are grabbed.
int MarkerFrameMargin(int s) {
    return ScaledPixels(2, s);
}

// What axis labels give way to: band numbers and the corner markers with their frames.
void CollectHandles(const EqualizerEditor& editor, int s, std::vector<CurveRect>& handles) {
    handles.clear();
    for (int i = 0; i < editor.bandCount(); ++i) handles.push_back(editor.pointRect(i));
    const int m = MarkerFrameMargin(s);
    if (editor.hpFreq() != -1) {
        const CurveRect& r = editor.hpMarkerRect();
        handles.push_back({r.left - m, r.top - m, r.right + m, r.bottom + m});
    }
    if (editor.lpFreq() != -1) {
        const CurveRect& r = editor.lpMarkerRect();
        handles.push_back({r.left - m, r.top - m, r.right + m, r.bottom + m});
    }
}

// Background, border, grid, axis labels and the all-bypass text. The grid stops short of each
// label, so the text reads over it.
void DrawBackground(QPainter& painter, const EqualizerEditor& editor, const CurveRect& plot,
                    const EqualizerLook& look, const std::vector<AxisLabel>& labels,
                    uint32_t covered) {
    const int s = look.scalePercent;
    const EqualizerAxis axis(plot);
    if ((look.background >> 24) != 0) painter.fillRect(ToQRect(plot), Argb(look.background));
    const int lineWidth = std::max(1, s / 100);
    painter.setRenderHint(QPainter::Antialiasing, false);
    DrawBorder(painter, plot, lineWidth);
    QRegion open(ToQRect(plot));
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (!(covered >> i & 1u)) open -= ToQRect(labels[i].rect);
    painter.save();
    painter.setClipRegion(open, Qt::IntersectClip);
    DrawGrid(
        painter, plot, lineWidth, axis.zeroLine(), kEqGainGridLines,
        [&](int g) { return static_cast<double>(axis.gainToY(g)); },
        [&](int f) { return static_cast<double>(axis.freqToX(f)); });
    painter.restore();

    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(look.labelFont);
    constexpr unsigned kCentred = DuiLib::DT_CENTER | DuiLib::DT_VCENTER | DuiLib::DT_SINGLELINE;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (covered >> i & 1u) continue;
        DrawLabel(painter, labels[i].rect, QString::fromStdString(labels[i].text),
                  kCurveAxisTextColor, kCentred);
    }

    if (editor.isAllFlat()) {
        painter.setFont(look.bypassFont);
        DrawLabel(painter, {plot.left, plot.top + 40, plot.right, plot.bottom}, look.bypassText,
                  kCurveBypassTextColor, look.textStyle);
    }
}

// An image of the plot's size for a layer, cleared.
void Clear(QImage& image, const CurveRect& plot) {
    if (image.size() != QSize(plot.width(), plot.height())) {
        image = QImage(plot.width(), plot.height(), QImage::Format_ARGB32_Premultiplied);
    }
    image.fill(Qt::transparent);
}

}  // namespace

std::vector<AxisLabel> LayOutAxisLabels(const CurveRect& plot, int s, const QFont& font) {
    const QFontMetrics metrics(font);
    return EqualizerAxisLabels(EqualizerAxis(plot), s, metrics.height(),
                               [&](const std::string& text) {
                                   return metrics.horizontalAdvance(QString::fromStdString(text));
                               });
}

std::vector<AxisLabel> ShownAxisLabels(const EqualizerEditor& editor, const CurveRect& plot,
                                       int scale, const QFont& font) {
    std::vector<AxisLabel> labels = LayOutAxisLabels(plot, scale, font);
    std::vector<CurveRect> handles;
    CollectHandles(editor, scale, handles);
    const uint32_t covered = CoveredAxisLabels(labels, handles);
    std::vector<AxisLabel> shown;
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (!(covered >> i & 1u)) shown.push_back(labels[i]);
    return shown;
}

void EqualizerCurveLayer::paint(QPainter& painter, const EqualizerEditor& editor,
                                const CurveRect& plot, const EqualizerLook& look) {
    const int s = look.scalePercent;
    bool changed = false;

    CurveKey curveKey;
    curveKey.plot = plot;
    curveKey.scale = s;
    for (int c = 0; c < EqualizerEditor::kMaxChannels; ++c) {
        const bool grey = c != editor.currentChannel() && editor.isChannelVisible(c);
        curveKey.shown[static_cast<std::size_t>(c)] = grey ? editor.curveSerial(c) : -1;
    }
    if (!curvesValid_ || !(curveKey == curveKey_)) {
        Clear(curves_, plot);
        QPainter layer(&curves_);
        layer.translate(-plot.left, -plot.top);
        DrawGreyCurves(layer, editor, EqualizerAxis(plot), s);
        curveKey_ = curveKey;
        curvesValid_ = true;
        ++renders_;
        changed = true;
    }

    const LabelKey labelKey{plot, s, look.labelFont};
    if (!labelsValid_ || !(labelKey == labelKey_)) {
        labels_ = LayOutAxisLabels(plot, s, look.labelFont);
        labelKey_ = labelKey;
        labelsValid_ = true;
    }
    CollectHandles(editor, s, handles_);
    const BackKey backKey{labelKey,           CoveredAxisLabels(labels_, handles_),
                          look.background,    look.textStyle,
                          editor.isAllFlat(), look.bypassFont,
                          look.bypassText};
    if (!backValid_ || !(backKey == backKey_)) {
        Clear(back_, plot);
        QPainter layer(&back_);
        layer.translate(-plot.left, -plot.top);
        DrawBackground(layer, editor, plot, look, labels_, backKey.covered);
        backKey_ = backKey;
        backValid_ = true;
        ++backRenders_;
        changed = true;
    }

    if (changed) {
        both_ = back_.copy();
        {
            QPainter layer(&both_);
            layer.drawImage(QPoint(0, 0), curves_);
        }
        // Over a filled background the layer covers every pixel: without an alpha channel it is
        // copied rather than blended, which at 200 % is most of a drag step.
        if ((look.background >> 24) == 0xFF) both_.convertTo(QImage::Format_RGB32);
    }
    painter.drawImage(QPoint(plot.left, plot.top), both_);
}

void PaintEqualizer(QPainter& painter, EqualizerEditor& editor, const CurveRect& plot,
                    const EqualizerLook& look, EqualizerCurveLayer* layer) {
    const int s = look.scalePercent;
    editor.layoutForPaint(plot, s);
    if (plot.isEmpty()) return;
    const EqualizerAxis axis(plot);
    painter.save();

    const int lineWidth = std::max(1, s / 100);
    if (layer) {
        layer->paint(painter, editor, plot, look);
    } else {
        const std::vector<AxisLabel> labels = LayOutAxisLabels(plot, s, look.labelFont);
        std::vector<CurveRect> handles;
        CollectHandles(editor, s, handles);
        DrawBackground(painter, editor, plot, look, labels, CoveredAxisLabels(labels, handles));
        // Curves may run past the edges (a -400 dB floor, the points beyond 20 kHz): keep them in.
        painter.save();
        painter.setClipRect(ToQRect(plot), Qt::IntersectClip);
        DrawGreyCurves(painter, editor, axis, s);
        painter.restore();
    }

    painter.save();
    painter.setClipRect(ToQRect(plot), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    const int current = editor.currentChannel();
    if (current >= 0 && current < editor.channelCount()) {
        const int width = 2 * s / 100;
        std::vector<QLineF> lines;
        painter.setPen(CurvePen(kCurveCurrentColor, width));
        StrokeBeziers(
            painter,
            EqualizerCurvePath(axis, editor.curveFreqs(current), editor.curveLevels(current),
                               EqualizerEditor::kCurvePoints),
            StrokeReach(plot, width), lines);
    }
    painter.restore();

    const unsigned textFlags = look.textStyle;
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(look.labelFont);
    const int selected = editor.hasSelection() ? editor.currentControlIndex() : -1;
    for (int i = 0; i < editor.bandCount(); ++i) {
        DrawLabel(painter, editor.pointRect(i), QString::fromStdString(editor.bandLabel(i)),
                  i == selected ? kCurveSelectedColor : kCurveLabelColor, textFlags);
    }
    if (selected >= 0) {
        DrawLabel(painter, editor.selectedLabelRect(),
                  QString::fromStdString(editor.selectedLabel()), kCurveSelectedColor, textFlags);
        if (editor.isParametric()) {
            painter.setPen(QPen(Argb(kCurveSelectedColor), lineWidth, Qt::SolidLine, Qt::SquareCap,
                                Qt::MiterJoin));
            painter.setBrush(Qt::NoBrush);
            for (const CurveRect& r : {editor.qHandles().left, editor.qHandles().right}) {
                painter.drawRect(ToQRect(r).adjusted(0, 0, -1, -1));
            }
        }
    }
    // The corner markers get a frame, a little larger than where they are grabbed, so that they
    // read as handles and not as band numbers.
    const int frameMargin = MarkerFrameMargin(s);
    const std::pair<int, const CurveRect*> markers[] = {{editor.hpFreq(), &editor.hpMarkerRect()},
                                                        {editor.lpFreq(), &editor.lpMarkerRect()}};
    const QString letters[] = {QStringLiteral("H"), QStringLiteral("L")};
    for (int k = 0; k < 2; ++k) {
        if (markers[k].first == -1) continue;
        const CurveRect& r = *markers[k].second;
        painter.setPen(QPen(Argb(kCurveMarkerFrameColor), lineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(
            ToQRect(r).adjusted(-frameMargin, -frameMargin, frameMargin - 1, frameMargin - 1));
        DrawLabel(painter, r, letters[k], kCurveLabelColor, textFlags);
    }
    painter.restore();
}

namespace {

// The same flattening as StrokeBeziers, into one polyline, so that a dash pattern runs on along
// the whole curve instead of starting again on every short line.
template <typename Point>
QPolygonF FlattenBeziers(const std::vector<Point>& pts) {
    QPolygonF line;
    if (pts.size() < 4) return line;
    line << QPointF(pts[0].x, pts[0].y);
    for (std::size_t i = 1; i + 2 < pts.size(); i += 3) {
        const QPointF p0(pts[i - 1].x, pts[i - 1].y);
        const QPointF p1(pts[i].x, pts[i].y);
        const QPointF p2(pts[i + 1].x, pts[i + 1].y);
        const QPointF p3(pts[i + 2].x, pts[i + 2].y);
        constexpr int kSteps = 2;  // segments span a pixel or two
        for (int k = 1; k <= kSteps; ++k) {
            const double t = static_cast<double>(k) / kSteps;
            const double u = 1.0 - t;
            line << u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
        }
    }
    return line;
}

QPen DashedPen(uint32_t color, int width) {
    QPen pen(Argb(color), width, Qt::CustomDashLine, Qt::FlatCap, Qt::RoundJoin);
    pen.setDashPattern({4.0, 2.5});
    return pen;
}

// The dashes of `line` as separate solid lines, `on` long with `off` between, running on across
// its vertices: Qt strokes solid lines far faster than a dashed path.
void DashLines(const QPolygonF& line, double on, double off, std::vector<QLineF>& out) {
    out.clear();
    bool drawing = true;
    double left = on;  // of the current dash or gap
    for (int i = 1; i < line.size(); ++i) {
        QPointF from = line[i - 1];
        const QPointF to = line[i];
        double length = QLineF(from, to).length();
        while (length > 0.0) {
            const double step = std::min(left, length);
            const QPointF end = from + (to - from) * (step / length);
            if (drawing) out.emplace_back(from, end);
            from = end;
            length -= step;
            left -= step;
            if (left <= 0.0) {
                drawing = !drawing;
                left = drawing ? on : off;
            }
        }
    }
}

QString FreqLabel(int hz) {
    return hz >= 1000 ? QStringLiteral("%1k").arg(hz / 1000) : QString::number(hz);
}

// Gain labels on the left edge, frequency labels along the bottom, in the secondary text colour.
void DrawCalibrationAxes(QPainter& painter, const CalibrationAxis& axis, const CurveRect& plot,
                         const CalibrationLook& look) {
    const int s = look.scalePercent;
    painter.setFont(look.font);
    painter.setPen(Argb(kCurveAxisTextColor));
    const QFontMetrics metrics(look.font);
    const int pad = 4 * s / 100;
    for (int g : {15, 10, 5, 0, -5, -10, -15}) {
        const QString text = g > 0 ? QStringLiteral("+%1").arg(g) : QString::number(g);
        const double y = axis.gainToYf(g);
        painter.drawText(QPointF(plot.left + pad, y - 2.0 * s / 100), text);
    }
    const double baseline = plot.bottom - pad;
    for (int f : {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000}) {
        const QString text = FreqLabel(f);
        const double x = axis.freqToXf(f);
        const double w = metrics.horizontalAdvance(text);
        painter.drawText(QPointF(f == 20 ? x + pad : x - w / 2.0, baseline), text);
    }
    const QString unit = QStringLiteral("Hz");
    painter.drawText(QPointF(plot.right - pad - metrics.horizontalAdvance(unit), baseline), unit);
    painter.drawText(QPointF(plot.left + pad, plot.top + pad + metrics.ascent()),
                     QStringLiteral("dB"));
}

// Top right: a solid sample for the measured responses, a dashed one for the corrections.
void DrawCalibrationLegend(QPainter& painter, const QRect& box, const CalibrationLook& look) {
    const int s = look.scalePercent;
    const QFontMetrics metrics(look.font);
    const int sample = 28 * s / 100, gap = 6 * s / 100, pad = 8 * s / 100;
    const int row = metrics.height() + 4 * s / 100;
    const int textWidth = box.width() - (sample + gap + 2 * pad);
    painter.setFont(look.font);  // the font the box was measured with
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Argb(kCurveGridColor), 1));
    painter.setBrush(QColor::fromRgba(0xE00F1216));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setBrush(Qt::NoBrush);
    const uint32_t sampleColor = 0xFFE2E7EE;
    for (int k = 0; k < 2; ++k) {
        const int y = box.top() + pad / 2 + row * k + row / 2;
        const int x = box.left() + pad;
        painter.setPen(k == 0 ? CurvePen(sampleColor, 2) : DashedPen(sampleColor, 2));
        painter.drawLine(QPointF(x, y), QPointF(x + sample, y));
        painter.setPen(Argb(sampleColor));
        painter.drawText(QRect(x + sample + gap, y - row / 2, textWidth + pad, row),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         k == 0 ? look.measuredText : look.correctionText);
    }
}

}  // namespace

void PaintCalibrationBackground(QPainter& painter, const CurveRect& plot, uint32_t background,
                                const CalibrationLook& look) {
    if (plot.isEmpty()) return;
    const CalibrationAxis axis(plot);
    painter.save();
    if ((background >> 24) != 0) painter.fillRect(ToQRect(plot), Argb(background));
    painter.setRenderHint(QPainter::Antialiasing, false);
    DrawBorder(painter, plot, 1);
    DrawGrid(
        painter, plot, 1, axis.zeroLine(), kAcGainGridLines,
        [&](int g) { return axis.gainToYf(g); }, [&](int f) { return axis.freqToXf(f); });
    if (look.measurementStyle) {
        painter.setClipRect(ToQRect(plot));
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        DrawCalibrationAxes(painter, axis, plot, look);
    }
    painter.restore();
}

void PaintCalibrationCurves(QPainter& painter, const CalibrationCurves& curves,
                            const CurveRect& plot, const CalibrationLook& look) {
    if (plot.isEmpty()) return;
    const CalibrationAxis axis(plot);
    painter.save();
    painter.setClipRect(ToQRect(plot));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    std::vector<QLineF> lines;
    for (int c = 0; c < curves.measuredCount(); ++c) {
        if (!curves.isMeasuredVisible(c)) continue;
        painter.setPen(CurvePen(kMeasuredCurveColors[static_cast<std::size_t>(c)], 2));
        StrokeBeziers(painter,
                      CardinalSplineBeziers(MeasuredCurvePoints(
                          axis, curves.measuredFreqs(c), curves.measuredLevels(c),
                          CalibrationCurves::kMeasuredPoints)),
                      StrokeReach(plot, 2), lines);
    }
    for (int c = 0; c < curves.responseCount(); ++c) {
        if (!curves.isResponseVisible(c)) continue;
        const uint32_t color = kResponseCurveColors[static_cast<std::size_t>(c)];
        const auto path =
            CalibrationCurvePath(axis, curves.responseFreqs(c), curves.responseLevels(c),
                                 CalibrationCurves::kResponsePoints);
        if (look.measurementStyle) {
            const int width = 2 * look.scalePercent / 100;
            painter.setPen(CurvePen(color, width));
            DashLines(FlattenBeziers(path), 4.0 * width, 2.5 * width, lines);
            painter.drawLines(lines.data(), static_cast<int>(lines.size()));
            continue;
        }
        painter.setPen(CurvePen(color, 2));
        StrokeBeziers(painter, path, StrokeReach(plot, 2), lines);
    }
    painter.restore();
}

QRect CalibrationLegendBox(const CurveRect& plot, const CalibrationLook& look) {
    const int s = look.scalePercent;
    const QFontMetrics metrics(look.font);
    const int sample = 28 * s / 100, gap = 6 * s / 100, pad = 8 * s / 100;
    const int row = metrics.height() + 4 * s / 100;
    const int textWidth = std::max(metrics.horizontalAdvance(look.measuredText),
                                   metrics.horizontalAdvance(look.correctionText));
    const int width = sample + gap + textWidth + 2 * pad;
    return QRect(plot.right - pad - width, plot.top + pad, width, 2 * row + pad);
}

void PaintCalibrationLegend(QPainter& painter, const CurveRect& plot, const CalibrationLook& look) {
    if (plot.isEmpty() || !look.measurementStyle) return;
    painter.save();
    painter.setClipRect(ToQRect(plot));
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    DrawCalibrationLegend(painter, CalibrationLegendBox(plot, look), look);
    painter.restore();
}

void PaintCalibration(QPainter& painter, const CalibrationCurves& curves, const CurveRect& plot,
                      uint32_t background, const CalibrationLook& look) {
    PaintCalibrationBackground(painter, plot, background, look);
    PaintCalibrationCurves(painter, curves, plot, look);
    PaintCalibrationLegend(painter, plot, look);
}

}  // namespace dv
