#include "controls/CCircleProgressUI.h"

#include <QPainter>
#include <algorithm>

using namespace DuiLib;

int CCircleProgressUI::SweepDegrees(int minValue, int maxValue, int value) {
    // The value is taken over the range's width, not from the minimum: min 20, max 120 and
    // value 50 sweep half a turn.
    if (maxValue <= minValue) return 0;
    const float turn = static_cast<float>(value) / static_cast<float>(maxValue - minValue) * 360.0f;
    return static_cast<int>(std::clamp(turn, 0.0f, 360.0f));
}

QString CCircleProgressUI::GetClass() const {
    return QStringLiteral("CircleProgress");
}

void CCircleProgressUI::DoPaint(QPainter& painter, const CDuiRect& /*rcPaint*/) {
    const QRect rc = GetPos().ToQRect();
    if (rc.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ToQColor(GetBkColor()));
    painter.drawEllipse(rc);
    // Qt counts angles counter-clockwise from three o'clock in sixteenths of a degree.
    const int sweep = SweepDegrees(GetMinValue(), GetMaxValue(), GetValue());
    painter.setBrush(ToQColor(GetForeColor()));
    painter.drawPie(rc, -90 * 16, -sweep * 16);
    painter.setBrush(QColor(0xFF, 0xFF, 0xFF));
    painter.drawEllipse(rc.adjusted(10, 10, -10, -10));
    painter.restore();
}
