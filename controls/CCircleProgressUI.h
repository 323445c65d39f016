// A progress value drawn as a ring (markup "CircleProgress"): a full disc in the background
// colour, a sector from straight down clockwise in the fore colour, and a white disc inset by
// ten pixels that leaves the ring. Min, max and value are the progress control's.
#pragma once

#include "ui/UIProgress.h"

class CCircleProgressUI : public DuiLib::CProgressUI {
public:
    // Degrees swept for a value: value / (max - min) of a full turn, in single precision,
    // limited to 0 .. 360; an empty range sweeps nothing.
    static int SweepDegrees(int minValue, int maxValue, int value);

    QString GetClass() const override;
    void DoPaint(QPainter& painter, const DuiLib::CDuiRect& rcPaint) override;
};
