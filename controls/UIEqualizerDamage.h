// What a paint of the equalizer plot shows, reduced to what can change between two paints, and
// the part of the plot whose pixels differ between two such states. A band drag changes a thin
// strip along the green curve and a few labels; repainting only that keeps a drag step cheap at
// any scale while every pixel ends as a whole repaint would draw it.
#pragma once

#include <QFont>
#include <QRegion>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "controls/UIEqualizerPainter.h"
#include "curves/EqualizerEditor.h"

namespace dv {

struct EqualizerPaintState {
    bool valid = false;
    // Any change here repaints the whole plot.
    CurveRect plot;
    int scale = 0;
    uint32_t background = 0;
    unsigned textStyle = 0;
    QFont labelFont;
    QFont bypassFont;
    QString bypassText;
    std::array<int64_t, EqualizerEditor::kMaxChannels> grey{};  // serials of the grey curves
    int current = -1;
    bool allFlat = false;
    bool parametric = false;
    int count = 0;
    // Each of these repaints where it was and where it is.
    std::vector<CurvePoint> path;  // the current curve's control points
    std::array<CurveRect, EqualizerEditor::kMaxBands> points{};
    std::array<std::string, EqualizerEditor::kMaxBands> labels{};
    int selected = -1;
    CurveRect selectedRect;
    std::string selectedLabel;
    QHandleRects qHandles;
    int hp = -1;
    int lp = -1;
    CurveRect hpRect;
    CurveRect lpRect;
    std::vector<AxisLabel> axis;  // the axis labels shown
};

// The state `editor` paints now; lays the editor out for the plot first.
EqualizerPaintState CapturePaintState(EqualizerEditor& editor, const CurveRect& plot,
                                      const EqualizerLook& look);

// Where the pixels of a paint of `after` may differ from those of `before`, within the plot;
// the whole plot when `before` was never painted or a change reaches everything.
QRegion PaintDamage(const EqualizerPaintState& before, const EqualizerPaintState& after);

}  // namespace dv
