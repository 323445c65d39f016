#include "curves/EqualizerEditor.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace dv {

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
    char buffer[128];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(buffer);
}

CurveMouseResult WithCursor(CurveCursor cursor) {
    CurveMouseResult r;
    r.setCursor = true;
    r.cursor = cursor;
    return r;
}

}  // namespace

void EqualizerEditor::trace(const char* format, ...) const {
    if (!trace_) return;
    char buffer[160];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n >= 0) trace_(buffer);
}

void EqualizerEditor::setCurEqBands(const EqBand* bands, int count, int selected,
                                    const CurveRect& plot, int s) {
    count_ = bands ? std::clamp(count, 0, kMaxBands) : 0;
    allFlat_ = true;
    for (int i = 0; i < count_; ++i) {
        bands_[Slot(i)] = bands[i];
        if (bands[i].eqGain != 0.0f) allFlat_ = false;
    }
    mCurrentControlIndex = selected;
    fullLayout(plot, s);
}

void EqualizerEditor::setCurEqHpLp(int hpFreq, int lpFreq, const CurveRect& plot, int s) {
    axis_ = EqualizerAxis(plot);
    if (IsCornerOnAxis(hpFreq)) {
        mHpFreq = hpFreq;
        trace("setCurEqHpLp mHpFreq(%d)\n", mHpFreq);
    } else {
        mHpFreq = -1;
    }
    mLpFreq = IsCornerOnAxis(lpFreq) ? lpFreq : -1;
    markerLayout(s);
}

bool EqualizerEditor::setCurves(const double* freqs, const double* levels, int count, int current,
                                const int* visible) {
    if (count <= 0 || !freqs || !levels) return false;
    channelCount_ = std::min(count, kMaxChannels);
    visible_.fill(false);
    for (int c = 0; c < channelCount_; ++c) visible_[c] = visible && visible[c] != 0;
    // Channels beyond the count are zeroed; a channel whose points change gets a new serial so
    // that a painter can keep what it drew of the unchanged ones.
    static const std::array<double, kCurvePoints> kZeros{};
    for (int c = 0; c < kMaxChannels; ++c) {
        const std::size_t at = static_cast<std::size_t>(c) * kCurvePoints;
        const double* f = c < channelCount_ ? freqs + at : kZeros.data();
        const double* l = c < channelCount_ ? levels + at : kZeros.data();
        double* storedF = freqs_.data() + at;
        double* storedL = levels_.data() + at;
        if (std::equal(f, f + kCurvePoints, storedF) && std::equal(l, l + kCurvePoints, storedL)) {
            continue;
        }
        std::copy(f, f + kCurvePoints, storedF);
        std::copy(l, l + kCurvePoints, storedL);
        ++serials_[static_cast<std::size_t>(c)];
    }
    currentChannel_ = current;
    return true;
}

bool EqualizerEditor::isChannelVisible(int c) const {
    return c >= 0 && c < channelCount_ && visible_[static_cast<std::size_t>(c)];
}

const double* EqualizerEditor::curveFreqs(int c) const {
    return freqs_.data() +
           static_cast<std::size_t>(std::clamp(c, 0, kMaxChannels - 1)) * kCurvePoints;
}

const double* EqualizerEditor::curveLevels(int c) const {
    return levels_.data() +
           static_cast<std::size_t>(std::clamp(c, 0, kMaxChannels - 1)) * kCurvePoints;
}

void EqualizerEditor::fullLayout(const CurveRect& plot, int s) {
    axis_ = EqualizerAxis(plot);
    layoutPlot_ = plot;
    layoutScale_ = s;
    for (int i = 0; i < count_; ++i) {
        const EqBand& b = bands_[Slot(i)];
        points_[Slot(i)] = {axis_.freqToX(b.freq), axis_.gainToY(b.eqGain)};
        pointRects_[Slot(i)] = PointRect(plot, points_[Slot(i)], s);
        bandLabels_[Slot(i)] = Format("%d", i + 1);
    }
    selectionLayout(s);
    markerLayout(s);
    layoutValid_ = axis_.isUsable();
}

void EqualizerEditor::layoutForPaint(const CurveRect& plot, int s) {
    // A resized plot or a new DPI scale needs every handle placed again.
    if (!layoutValid_ || !(plot == layoutPlot_) || s != layoutScale_) {
        fullLayout(plot, s);
        return;
    }
    if (hasSelection()) {
        const std::size_t i = Slot(mCurrentControlIndex);
        pointRects_[i] = PointRect(plot, points_[i], s);
    }
    selectionLayout(s);
    markerLayout(s);
}

void EqualizerEditor::selectionLayout(int s) {
    // A selection beyond the bands in use has no handle to label.
    if (!hasSelection()) {
        selectedLabel_.clear();
        selectedLabelRect_ = {};
        qHandles_ = {};
        return;
    }
    const std::size_t i = Slot(mCurrentControlIndex);
    const EqBand& b = bands_[i];
    if (isParametric()) {
        const std::string q = Format("%0.2f", static_cast<double>(b.eqFactor));
        selectedLabel_ =
            Format("%d Hz %s Q %.1f dB", b.freq, q.c_str(), static_cast<double>(b.eqGain));
        selectedLabelRect_ = LabelRect(axis_.plot(), points_[i], s, true);
        qHandles_ = QHandles(axis_.plot(), points_[i], b.eqFactor, s);
    } else {
        selectedLabel_ = Format("%.1f dB", static_cast<double>(b.eqGain));
        selectedLabelRect_ = LabelRect(axis_.plot(), points_[i], s, false);
        qHandles_ = {};
    }
}

void EqualizerEditor::markerLayout(int s) {
    hpMarker_ = MarkerRect(axis_, mHpFreq, kHpMarkerGain, s);
    lpMarker_ = MarkerRect(axis_, mLpFreq, kLpMarkerGain, s);
}

EqBand* EqualizerEditor::capturedBand() {
    return hasSelection() ? &bands_[Slot(mCurrentControlIndex)] : nullptr;
}

int EqualizerEditor::hpLimit() const {
    // A hidden low-pass corner leaves "H" the whole axis rather than freezing it.
    return mLpFreq == -1 ? kCurveMaxFreq + 1 : mLpFreq;
}

CurveMouseResult EqualizerEditor::mouseDown(CurvePoint p, int /*scalePercent*/) {
    const bool parametric = isParametric();
    if (parametric && hasSelection() &&
        (qHandles_.left.contains(p) || qHandles_.right.contains(p))) {
        capture_ = FACTOR_CAPTURED;
        return WithCursor(CurveCursor::SizeWE);
    }
    for (int i = 0; i < count_; ++i) {
        if (!pointRects_[Slot(i)].contains(p)) continue;
        CurveMouseResult r = WithCursor(parametric ? CurveCursor::SizeAll : CurveCursor::SizeNS);
        mCurrentControlIndex = i;
        capture_ = INDEX_CAPTURED;
        r.userData = i;
        r.invalidate = true;
        return r;
    }
    if (hpMarker_.contains(p) || lpMarker_.contains(p)) {
        capture_ = hpMarker_.contains(p) ? HP_CAPTURED : LP_CAPTURED;
        mCurrentControlIndex = -1;
        CurveMouseResult r = WithCursor(CurveCursor::SizeWE);
        r.invalidate = true;
        return r;
    }
    return {};
}

CurveMouseResult EqualizerEditor::mouseMove(CurvePoint p, int s) {
    if (capture_ == NO_CAPTURE) {
        for (int i = 0; i < count_; ++i) {
            if (!pointRects_[Slot(i)].contains(p)) continue;
            CurveMouseResult r = WithCursor(CurveCursor::Hand);
            if (i != mCurrentControlIndex) {
                mCurrentControlIndex = i;
                r.userData = i;
                r.invalidate = true;
            }
            return r;
        }
        const bool onQ = isParametric() && hasSelection() &&
                         (qHandles_.left.contains(p) || qHandles_.right.contains(p));
        if (onQ || hpMarker_.contains(p) || lpMarker_.contains(p)) {
            return WithCursor(CurveCursor::SizeWE);
        }
        return WithCursor(CurveCursor::Arrow);
    }

    p = axis_.clamp(p);
    CurveMouseResult r;
    switch (capture_) {
        case INDEX_CAPTURED: {
            EqBand* band = capturedBand();
            if (!band) break;
            CurvePoint& pt = points_[Slot(mCurrentControlIndex)];
            if (isParametric()) pt.x = p.x;
            pt.y = p.y;
            const int f = axis_.xToFreq(pt.x);
            const float g = axis_.yToGain(pt.y);
            bool changed = false;
            if (std::fabs(band->eqGain - g) > 0.001f) {
                band->eqGain = g;
                changed = true;
            }
            if (isParametric() && f != band->freq) {
                band->freq = f;
                changed = true;
            }
            trace("freq (%d) gain(%.2f) \n", band->freq, static_cast<double>(band->eqGain));
            trace("INDEX_CAPTURED move x(%d) y(%d) \n", p.x, p.y);
            if (changed) r.notify = CurveNotify::Eq;
            break;
        }
        case FACTOR_CAPTURED: {
            EqBand* band = capturedBand();
            if (!band) break;
            const QFromHandle q = QFromHandleX(points_[Slot(mCurrentControlIndex)].x, p.x, s);
            trace("len (%d) \n", q.signedLen);
            trace("abs len (%d) \n", q.len);
            trace("FACTOR_CAPTURED index %d move x(%d) y(%d) \n", mCurrentControlIndex, p.x, p.y);
            if (std::fabs(q.q - band->eqFactor) >= 0.01f) {
                band->eqFactor = q.q;
                r.notify = CurveNotify::Eq;
            }
            break;
        }
        case HP_CAPTURED: {
            const int f = axis_.xToFreq(p.x);
            trace("HP_CAPTURED move x(%d) y(%d) mCurrentControlIndex(%d) mHpFreq(%d)\n", p.x, p.y,
                  mCurrentControlIndex, mHpFreq);
            if (f < hpLimit() && f != mHpFreq) {
                mHpFreq = f;
                r.notify = CurveNotify::Hp;
            }
            break;
        }
        case LP_CAPTURED: {
            const int f = axis_.xToFreq(p.x);
            if (mHpFreq < f && f != mLpFreq) {
                mLpFreq = f;
                r.notify = CurveNotify::Lp;
            }
            break;
        }
        case NO_CAPTURE:
            break;
    }
    if (r.notify != CurveNotify::None) {
        markerLayout(s);
        r.invalidate = true;
    }
    return r;
}

CurveMouseResult EqualizerEditor::mouseUp(CurvePoint p, int s) {
    p = axis_.clamp(p);
    CurveMouseResult r;
    switch (capture_) {
        case INDEX_CAPTURED: {
            EqBand* band = capturedBand();
            if (!band) break;
            const std::size_t i = Slot(mCurrentControlIndex);
            if (isParametric()) {
                points_[i].x = p.x;
                band->freq = axis_.xToFreq(p.x);
            }
            points_[i].y = p.y;
            band->eqGain = axis_.yToGain(p.y);
            pointRects_[i] = PointRect(axis_.plot(), points_[i], s);
            trace("freq (%d) gain(%.2f) \n", band->freq, static_cast<double>(band->eqGain));
            trace("INDEX_CAPTURED up x(%d) y(%d) \n", p.x, p.y);
            r = WithCursor(CurveCursor::Hand);
            r.notify = CurveNotify::Eq;
            break;
        }
        case FACTOR_CAPTURED: {
            EqBand* band = capturedBand();
            if (!band) break;
            const QFromHandle q = QFromHandleX(points_[Slot(mCurrentControlIndex)].x, p.x, s);
            trace("len (%d) \n", q.signedLen);
            trace("abs len (%d) \n", q.len);
            band->eqFactor = q.q;
            trace("FACTOR_CAPTURED move x(%d) y(%d) \n", p.x, p.y);
            r = WithCursor(CurveCursor::Arrow);
            r.notify = CurveNotify::Eq;
            break;
        }
        case HP_CAPTURED: {
            const int f = axis_.xToFreq(p.x);
            if (f < hpLimit()) mHpFreq = f;
            trace("HP_CAPTURED move x(%d) y(%d) mHpFreq(%d)\n", p.x, p.y, mHpFreq);
            r = WithCursor(CurveCursor::Arrow);
            r.notify = CurveNotify::Hp;
            break;
        }
        case LP_CAPTURED: {
            const int f = axis_.xToFreq(p.x);
            if (mHpFreq < f) mLpFreq = f;
            r = WithCursor(CurveCursor::Arrow);
            r.notify = CurveNotify::Lp;
            break;
        }
        case NO_CAPTURE:
            break;
    }
    if (capture_ != NO_CAPTURE) {
        markerLayout(s);
        r.invalidate = true;
    }
    capture_ = NO_CAPTURE;
    return r;
}

}  // namespace dv
