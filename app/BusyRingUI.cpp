#include "app/BusyRingUI.h"

#include <QPainter>
#include <QPen>
#include <algorithm>

#include "ui/UIManager.h"

using namespace DuiLib;

namespace {
constexpr UINT kSpinTimer = 1;
constexpr UINT kSpinIntervalMs = 33;
constexpr int kStepDegrees = 12;
}  // namespace

QString CBusyRingUI::GetClass() const {
    return QStringLiteral("BusyRingUI");
}

void* CBusyRingUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QLatin1String("BusyRing"), Qt::CaseInsensitive) == 0) return this;
    return CControlUI::GetInterface(pstrName);
}

void CBusyRingUI::DoInit() {
    if (m_pManager) m_pManager->SetTimer(this, kSpinTimer, kSpinIntervalMs);
}

void CBusyRingUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_TIMER && event.wParam == kSpinTimer) {
        m_angle = (m_angle + kStepDegrees) % 360;
        Invalidate();
        return;
    }
    CControlUI::DoEvent(event);
}

void CBusyRingUI::DoPaint(QPainter& painter, const CDuiRect& rcPaint) {
    CControlUI::DoPaint(painter, rcPaint);
    const QRect rc = m_rcItem.ToQRect();
    const int side = std::min(rc.width(), rc.height());
    const int pen = std::max(2, side / 10);
    const QRect ring(rc.center().x() - side / 2 + pen, rc.center().y() - side / 2 + pen,
                     side - 2 * pen, side - 2 * pen);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ToQColor(0xFF2B323C), pen, Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(ring);
    painter.setPen(QPen(ToQColor(0xFF00C000), pen, Qt::SolidLine, Qt::RoundCap));
    // Qt angles run counter-clockwise from three o'clock in 1/16 degree.
    painter.drawArc(ring, (90 - m_angle) * 16, -100 * 16);
    painter.restore();
}
