// How curves are stroked: the painter flattens each Bezier spline into lines and leaves out what
// cannot reach the plot, and the result has to look like Qt's own stroke of the spline.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "controls/UIEqualizerPainter.h"
#include "curves/CalibrationCurves.h"
#include "curves/EqualizerGeometry.h"

namespace {

constexpr uint32_t kBackground = 0xFF1C2128;
const dv::CurveRect kPlot{10, 10, 610, 310};

QImage Blank() {
    QImage image(620, 320, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    return image;
}

QImage Paint(const dv::CalibrationCurves& curves) {
    QImage image = Blank();
    QPainter painter(&image);
    dv::PaintCalibration(painter, curves, kPlot, kBackground);
    return image;
}

template <typename Point>
void StrokeWithQt(QImage& image, const std::vector<Point>& pts, uint32_t color) {
    QPainterPath path(QPointF(pts[0].x, pts[0].y));
    for (std::size_t i = 1; i + 2 < pts.size(); i += 3) {
        path.cubicTo(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, pts[i + 2].x, pts[i + 2].y);
    }
    QPainter painter(&image);
    painter.setClipRect(QRect(kPlot.left, kPlot.top, kPlot.width(), kPlot.height()));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor::fromRgba(color), 2, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
    painter.drawPath(path);
}

int ChannelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

struct Comparison {
    int drawn = 0;  // pixels the reference curve changed
    int off = 0;    // pixels where the two differ noticeably
};

Comparison Compare(const QImage& empty, const QImage& reference, const QImage& actual) {
    Comparison c;
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            c.drawn += reference.pixel(x, y) != empty.pixel(x, y);
            c.off += ChannelDistance(reference.pixel(x, y), actual.pixel(x, y)) > 64;
        }
    }
    return c;
}

// A response curve that swings, then falls to the -400 dB floor inside the plot and comes back.
void FillResponse(std::vector<double>& freqs, std::vector<double>& levels) {
    const int n = dv::CalibrationCurves::kResponsePoints;
    freqs.resize(n);
    levels.resize(n);
    for (int k = 0; k < n; ++k) {
        freqs[static_cast<std::size_t>(k)] = 20.0 * std::pow(1000.0, k / (n - 1.0));
        levels[static_cast<std::size_t>(k)] = 12.0 * std::sin(k * 0.06);
    }
    for (int k = 300; k < 340; ++k) levels[static_cast<std::size_t>(k)] = -400.0;
}

TEST(CurveStroke, FlattenedCurvesLookLikeQtsStrokeOfTheSpline) {
    std::vector<double> freqs;
    std::vector<double> levels;
    FillResponse(freqs, levels);
    // Measured curves are cardinal splines with sharp turns between their 121 points.
    std::vector<double> mFreqs(dv::CalibrationCurves::kMeasuredPoints);
    std::vector<double> mLevels(mFreqs.size());
    for (std::size_t k = 0; k < mFreqs.size(); ++k) {
        mFreqs[k] = 20.0 + std::floor(static_cast<double>(k) * 19980.0 / 121.0);
        mLevels[k] = 14.0 * std::sin(static_cast<double>(k) * 0.9);
    }
    const uint8_t shown[1] = {1};
    const uint8_t hidden[1] = {0};
    const dv::CalibrationAxis axis(kPlot);

    dv::CalibrationCurves none;
    none.setCurves(freqs.data(), levels.data(), 1, hidden);
    const QImage empty = Paint(none);

    dv::CalibrationCurves response;
    response.setCurves(freqs.data(), levels.data(), 1, shown);
    QImage reference = empty;
    const std::vector<dv::CurvePoint> path = dv::CalibrationCurvePath(
        axis, freqs.data(), levels.data(), dv::CalibrationCurves::kResponsePoints);
    StrokeWithQt(reference, path, dv::kResponseCurveColors[0]);
    const QImage actual = Paint(response);
    Comparison c = Compare(empty, reference, actual);
    EXPECT_GT(c.drawn, 1500);
    EXPECT_LE(c.off, c.drawn / 100);

    // The plunge to the floor runs on to the bottom edge: what lies beyond it is left out, but
    // not the piece just inside.
    int atBottom = 0;
    const QRgb red = QColor::fromRgba(dv::kResponseCurveColors[0]).rgb();
    for (int x = kPlot.left; x < kPlot.right; ++x) {
        atBottom += ChannelDistance(actual.pixel(x, kPlot.bottom - 1), red) < 60;
    }
    EXPECT_GE(atBottom, 2);

    dv::CalibrationCurves measured;
    measured.setMeasuredCurves(mFreqs.data(), mLevels.data(), 1, shown);
    reference = empty;
    StrokeWithQt(reference,
                 dv::CardinalSplineBeziers(dv::MeasuredCurvePoints(
                     axis, mFreqs.data(), mLevels.data(), dv::CalibrationCurves::kMeasuredPoints)),
                 dv::kMeasuredCurveColors[0]);
    c = Compare(empty, reference, Paint(measured));
    EXPECT_GT(c.drawn, 1500);
    EXPECT_LE(c.off, c.drawn / 100);
}

// Along a smooth stroke every pixel across its middle is fully covered: the joints between the
// lines a curve is made of must not show as darker seams.
TEST(CurveStroke, JointsLeaveNoSeams) {
    const int n = dv::CalibrationCurves::kResponsePoints;
    std::vector<double> freqs(static_cast<std::size_t>(n));
    std::vector<double> levels(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        freqs[static_cast<std::size_t>(k)] = 20.0 * std::pow(1000.0, k / (n - 1.0));
        levels[static_cast<std::size_t>(k)] = 3.0 * std::sin(k * 0.02);
    }
    const uint8_t shown[1] = {1};
    dv::CalibrationCurves curves;
    curves.setCurves(freqs.data(), levels.data(), 1, shown);
    const QImage image = Paint(curves);
    const QColor red = QColor::fromRgba(dv::kResponseCurveColors[0]);
    // The stroke is two pixels wide, so each column holds at least one pixel it covers fully;
    // columns on a frequency grid line are skipped.
    int weakColumns = 0;
    int columns = 0;
    for (int x = kPlot.left + 5; x < kPlot.right - 5; ++x) {
        int best = 0;
        int grey = 0;
        for (int y = kPlot.top + 2; y < kPlot.bottom - 2; ++y) {
            const QRgb p = image.pixel(x, y);
            grey += qRed(p) == 0x44 && qGreen(p) == 0x44;
            if (qGreen(p) < 40 && qBlue(p) < 60) best = std::max(best, qRed(p));
        }
        if (grey > kPlot.height() / 2) continue;
        ++columns;
        weakColumns += best < red.red() - 8;
    }
    EXPECT_GT(columns, 400);
    EXPECT_LE(weakColumns, columns / 100);
}

}  // namespace
