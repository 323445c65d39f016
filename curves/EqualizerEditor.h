// What the equalizer curve control knows and does apart from painting: its copy of the selected
// output's bands, the crossover corners, the curves handed in by the manager, the layout of every
// handle and label, and the mouse handling with its capture modes. The Qt control paints this
// state and turns the results of the mouse calls into cursors and notifications.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "curves/EqualizerGeometry.h"
#include "model/DspProfile.h"

namespace dv {

enum CaptureMode : int {
    NO_CAPTURE = 0,
    INDEX_CAPTURED = 1,
    FACTOR_CAPTURED = 2,
    HP_CAPTURED = 3,
    LP_CAPTURED = 4,
};

enum class CurveCursor { Arrow, Hand, SizeAll, SizeNS, SizeWE };

enum class CurveNotify { None, Eq, Hp, Lp };

// What a mouse event asks of the control.
struct CurveMouseResult {
    bool setCursor = false;
    CurveCursor cursor = CurveCursor::Arrow;
    CurveNotify notify = CurveNotify::None;
    bool invalidate = false;
    int userData = -1;  // >= 0: the control's user data becomes "%d" of it
};

class EqualizerEditor {
public:
    static constexpr int kMaxBands = 31;
    static constexpr int kMaxChannels = 8;
    static constexpr int kCurvePoints = 512;

    using TraceSink = std::function<void(const char*)>;

    // Where the drag and paint traces go; none by default.
    void setTraceSink(TraceSink sink) { trace_ = std::move(sink); }

    // Copies up to 31 bands, selects `selected` and lays everything out for the plot.
    void setCurEqBands(const EqBand* bands, int count, int selected, const CurveRect& plot,
                       int scalePercent);
    // Stores each corner within 20 .. 20000 Hz and places its marker; any other value hides it.
    void setCurEqHpLp(int hpFreq, int lpFreq, const CurveRect& plot, int scalePercent);
    // Channel-major arrays of count x 512 points; returns false (nothing changed) for count <= 0.
    bool setCurves(const double* freqs, const double* levels, int count, int current,
                   const int* visible);
    void setDragAllDirection(bool parametric) { mDragAllDirection = parametric ? 1 : 0; }

    // The layout a paint needs: the full one when none is valid for this plot and scale yet,
    // otherwise only the selected band's label and Q handles and the corner markers.
    void layoutForPaint(const CurveRect& plot, int scalePercent);

    CurveMouseResult mouseDown(CurvePoint p, int scalePercent);
    CurveMouseResult mouseMove(CurvePoint p, int scalePercent);
    CurveMouseResult mouseUp(CurvePoint p, int scalePercent);

    // The manager reads these back when notified.
    const EqBand* bands() const { return bands_.data(); }
    int hpFreq() const { return mHpFreq; }
    int lpFreq() const { return mLpFreq; }

    int bandCount() const { return count_; }
    int currentControlIndex() const { return mCurrentControlIndex; }
    bool hasSelection() const { return mCurrentControlIndex >= 0 && mCurrentControlIndex < count_; }
    CaptureMode captureMode() const { return capture_; }
    bool isParametric() const { return mDragAllDirection != 0; }
    bool isAllFlat() const { return allFlat_; }
    bool isLayoutValid() const { return layoutValid_; }

    CurvePoint point(int i) const { return points_[Slot(i)]; }
    const CurveRect& pointRect(int i) const { return pointRects_[Slot(i)]; }
    const std::string& bandLabel(int i) const { return bandLabels_[Slot(i)]; }
    const std::string& selectedLabel() const { return selectedLabel_; }
    const CurveRect& selectedLabelRect() const { return selectedLabelRect_; }
    const QHandleRects& qHandles() const { return qHandles_; }
    const CurveRect& hpMarkerRect() const { return hpMarker_; }
    const CurveRect& lpMarkerRect() const { return lpMarker_; }

    int channelCount() const { return channelCount_; }
    int currentChannel() const { return currentChannel_; }
    bool isChannelVisible(int c) const;
    const double* curveFreqs(int c) const;
    const double* curveLevels(int c) const;
    // Changes whenever channel c's points change.
    uint32_t curveSerial(int c) const {
        return serials_[static_cast<std::size_t>(std::clamp(c, 0, kMaxChannels - 1))];
    }

private:
    static std::size_t Slot(int i) {
        return static_cast<std::size_t>(std::clamp(i, 0, kMaxBands - 1));
    }

    void fullLayout(const CurveRect& plot, int s);
    void selectionLayout(int s);
    void markerLayout(int s);
    void trace(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    // The band a drag edits, or null when the selection went away meanwhile.
    EqBand* capturedBand();
    // Highest frequency "H" may take: one below the low-pass corner, or the axis end.
    int hpLimit() const;

    std::array<EqBand, kMaxBands> bands_{};
    int count_ = 0;
    std::array<CurvePoint, kMaxBands> points_{};
    std::array<CurveRect, kMaxBands> pointRects_{};
    std::array<std::string, kMaxBands> bandLabels_{};
    int mCurrentControlIndex = -1;
    CaptureMode capture_ = NO_CAPTURE;
    uint8_t mDragAllDirection = 0;
    int mHpFreq = 0;
    int mLpFreq = 0;
    CurveRect hpMarker_;
    CurveRect lpMarker_;
    std::string selectedLabel_;
    CurveRect selectedLabelRect_;
    QHandleRects qHandles_;
    bool allFlat_ = false;

    std::array<double, kMaxChannels * kCurvePoints> freqs_{};
    std::array<double, kMaxChannels * kCurvePoints> levels_{};
    int channelCount_ = 0;
    std::array<bool, kMaxChannels> visible_{};
    int currentChannel_ = 0;
    std::array<uint32_t, kMaxChannels> serials_{};

    EqualizerAxis axis_{CurveRect{}};
    CurveRect layoutPlot_;
    int layoutScale_ = 0;
    bool layoutValid_ = false;

    TraceSink trace_;
};

}  // namespace dv
