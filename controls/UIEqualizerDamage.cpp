#include "controls/UIEqualizerDamage.h"

#include <QFontMetrics>
#include <algorithm>

#include "curves/EqualizerGeometry.h"

namespace dv {

namespace {

QRect ToQRect(const CurveRect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

// A text box with room for text that overflows it (a label is not clipped to its box) and for
// its anti-aliased edge.
QRect TextDamage(const CurveRect& box, const std::string& text, const QFontMetrics& metrics,
                 int margin) {
    const int w = metrics.horizontalAdvance(QString::fromStdString(text)) + margin;
    const int h = metrics.height() + margin;
    return ToQRect(box).adjusted(-w, -h, w, h);
}

// The hull of one cubic segment of the curve, grown by the pen, the overlap of neighbouring
// lines and anti-aliasing.
QRect SegmentRect(const std::vector<CurvePoint>& path, std::size_t first, int grow) {
    int minX = path[first].x, maxX = minX, minY = path[first].y, maxY = minY;
    for (std::size_t i = first + 1; i < first + 4; ++i) {
        minX = std::min(minX, path[i].x);
        maxX = std::max(maxX, path[i].x);
        minY = std::min(minY, path[i].y);
        maxY = std::max(maxY, path[i].y);
    }
    return QRect(QPoint(minX, minY), QPoint(maxX, maxY)).adjusted(-grow, -grow, grow, grow);
}

void AddPathDamage(const std::vector<CurvePoint>& before, const std::vector<CurvePoint>& after,
                   int grow, QRegion& damage) {
    const bool sameShape = before.size() == after.size();
    // Runs of a few changed segments make one rectangle: few rectangles, each still thin.
    constexpr int kRun = 4;
    QRect run;
    int inRun = 0;
    auto flush = [&] {
        if (inRun > 0) damage += run;
        run = QRect();
        inRun = 0;
    };
    for (const auto* path : {&before, &after}) {
        for (std::size_t s = 0; s + 3 < path->size(); s += 3) {
            bool changed = !sameShape;
            for (std::size_t i = s; !changed && i < s + 4; ++i) changed = before[i] != after[i];
            if (!changed) {
                flush();
                continue;
            }
            run = run.united(SegmentRect(*path, s, grow));
            if (++inRun == kRun) flush();
        }
        flush();
    }
}

bool SameRect(const CurveRect& a, const CurveRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

EqualizerPaintState CapturePaintState(EqualizerEditor& editor, const CurveRect& plot,
                                      const EqualizerLook& look) {
    const int s = look.scalePercent;
    editor.layoutForPaint(plot, s);
    EqualizerPaintState state;
    state.valid = true;
    state.plot = plot;
    state.scale = s;
    state.background = look.background;
    state.textStyle = look.textStyle;
    state.labelFont = look.labelFont;
    state.bypassFont = look.bypassFont;
    state.bypassText = look.bypassText;
    state.current = editor.currentChannel();
    for (int c = 0; c < EqualizerEditor::kMaxChannels; ++c) {
        const bool grey =
            c < editor.channelCount() && c != state.current && editor.isChannelVisible(c);
        state.grey[static_cast<std::size_t>(c)] = grey ? editor.curveSerial(c) : -1;
    }
    state.allFlat = editor.isAllFlat();
    state.parametric = editor.isParametric();
    state.count = std::min(editor.bandCount(), EqualizerEditor::kMaxBands);
    if (state.current >= 0 && state.current < editor.channelCount())
        state.path =
            EqualizerCurvePath(EqualizerAxis(plot), editor.curveFreqs(state.current),
                               editor.curveLevels(state.current), EqualizerEditor::kCurvePoints);
    for (int i = 0; i < state.count; ++i) {
        state.points[static_cast<std::size_t>(i)] = editor.pointRect(i);
        state.labels[static_cast<std::size_t>(i)] = editor.bandLabel(i);
    }
    state.selected = editor.hasSelection() ? editor.currentControlIndex() : -1;
    if (state.selected >= 0) {
        state.selectedRect = editor.selectedLabelRect();
        state.selectedLabel = editor.selectedLabel();
        if (state.parametric) state.qHandles = editor.qHandles();
    }
    state.hp = editor.hpFreq();
    state.lp = editor.lpFreq();
    if (state.hp != -1) state.hpRect = editor.hpMarkerRect();
    if (state.lp != -1) state.lpRect = editor.lpMarkerRect();
    state.axis = ShownAxisLabels(editor, plot, s, look.labelFont);
    return state;
}

QRegion PaintDamage(const EqualizerPaintState& before, const EqualizerPaintState& after) {
    const QRect whole = ToQRect(after.plot);
    if (!before.valid || !after.valid || !SameRect(before.plot, after.plot) ||
        before.scale != after.scale || before.background != after.background ||
        before.textStyle != after.textStyle || before.labelFont != after.labelFont ||
        before.bypassFont != after.bypassFont || before.bypassText != after.bypassText ||
        before.grey != after.grey || before.current != after.current ||
        before.allFlat != after.allFlat || before.parametric != after.parametric ||
        before.count != after.count)
        return QRegion(whole);

    const int s = after.scale;
    const int line = std::max(1, s / 100);
    QRegion damage;
    AddPathDamage(before.path, after.path, std::max(1, 2 * s / 100) + 3, damage);

    const QFontMetrics metrics(after.labelFont);
    const int margin = line + 2;
    for (int i = 0; i < after.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const bool recoloured = (i == before.selected) != (i == after.selected);
        if (!recoloured && SameRect(before.points[k], after.points[k]) &&
            before.labels[k] == after.labels[k])
            continue;
        damage += TextDamage(before.points[k], before.labels[k], metrics, margin);
        damage += TextDamage(after.points[k], after.labels[k], metrics, margin);
    }
    if (!SameRect(before.selectedRect, after.selectedRect) ||
        before.selectedLabel != after.selectedLabel) {
        if (before.selected >= 0)
            damage += TextDamage(before.selectedRect, before.selectedLabel, metrics, margin);
        if (after.selected >= 0)
            damage += TextDamage(after.selectedRect, after.selectedLabel, metrics, margin);
    }
    if (!SameRect(before.qHandles.left, after.qHandles.left) ||
        !SameRect(before.qHandles.right, after.qHandles.right)) {
        for (const auto* state : {&before, &after})
            for (const CurveRect& r : {state->qHandles.left, state->qHandles.right})
                damage += ToQRect(r).adjusted(-margin, -margin, margin, margin);
    }
    // The corner markers carry a frame a little outside where they are grabbed.
    const int frame = ScaledPixels(2, s) + margin;
    const std::pair<int, const CurveRect*> markers[2][2] = {
        {{before.hp, &before.hpRect}, {before.lp, &before.lpRect}},
        {{after.hp, &after.hpRect}, {after.lp, &after.lpRect}}};
    for (int m = 0; m < 2; ++m) {
        const auto& [wasFreq, was] = markers[0][m];
        const auto& [isFreq, is] = markers[1][m];
        if (wasFreq == isFreq && SameRect(*was, *is)) continue;
        const std::string letter = m == 0 ? "H" : "L";
        if (wasFreq != -1) damage += TextDamage(*was, letter, metrics, frame);
        if (isFreq != -1) damage += TextDamage(*is, letter, metrics, frame);
    }
    // Axis labels that came or went, and the grid that gives way to them.
    if (before.axis != after.axis) {
        for (const auto* one : {&before.axis, &after.axis}) {
            const auto* other = one == &before.axis ? &after.axis : &before.axis;
            for (const AxisLabel& label : *one)
                if (std::find(other->begin(), other->end(), label) == other->end())
                    damage += ToQRect(label.rect).adjusted(-margin, -margin, margin, margin);
        }
    }
    return damage & QRegion(whole);
}

}  // namespace dv
