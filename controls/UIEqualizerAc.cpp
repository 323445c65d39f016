#include "controls/UIEqualizerAc.h"

#include <QPainter>
#include <QtMath>

#include "controls/UIEqualizerPainter.h"
#include "ui/UIManager.h"
#include "ui/UIResourceManager.h"

using namespace DuiLib;

UIEqualizerAc::UIEqualizerAc() {
    m_text.textStyle = DT_VCENTER | DT_SINGLELINE;
}

void UIEqualizerAc::setCurves(const double* freqs, const double* levels, int count,
                              const uint8_t* visible) {
    if (m_curves.setCurves(freqs, levels, count, visible)) Invalidate();
}

void UIEqualizerAc::setMeasuredCurves(const double* freqs, const double* levels, int count,
                                      const uint8_t* visible) {
    if (m_curves.setMeasuredCurves(freqs, levels, count, visible)) Invalidate();
}

QString UIEqualizerAc::GetClass() const {
    return QStringLiteral("UIEqualizerAc");
}

void* UIEqualizerAc::GetInterface(const QString& pstrName) {
    if (pstrName == QStringLiteral("Curve")) return this;
    return CControlUI::GetInterface(pstrName);
}

UINT UIEqualizerAc::GetControlFlags() const {
    return IsEnabled() ? static_cast<UINT>(UIFLAG_SETCURSOR) : 0u;
}

void UIEqualizerAc::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_SETFOCUS) {
        m_bFocused = true;
    } else if (event.Type == UIEVENT_KILLFOCUS) {
        m_bFocused = false;
    } else {
        CControlUI::DoEvent(event);
    }
}

void UIEqualizerAc::DoPaint(QPainter& painter, const CDuiRect& /*rcPaint*/) {
    const CDuiRect pos = GetPos();
    const dv::CurveRect plot{pos.left, pos.top, pos.right, pos.bottom};
    if (!m_measurementStyle || !m_pManager) {
        dv::PaintCalibration(painter, m_curves, plot, GetBkColor());
        return;
    }
    dv::CalibrationLook look;
    look.measurementStyle = true;
    look.scalePercent = m_pManager->GetScale();
    look.font = m_pManager->GetFont(m_text.font);
    CResourceManager* texts = CResourceManager::GetInstance();
    look.measuredText = texts->GetText(QStringLiteral("${irc_measured}"));
    look.correctionText = texts->GetText(QStringLiteral("${irc_correction}"));
    // The grid and its labels change only with the size, the scale and the language; the curves
    // are drawn over a kept image of them.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const BackKey key{pos.GetWidth(),      pos.GetHeight(), look.scalePercent,
                      qRound(ratio * 100), GetBkColor(),    look.font};
    if (m_back.isNull() || !(key == m_backKey)) {
        m_back = QImage(qCeil(pos.GetWidth() * ratio), qCeil(pos.GetHeight() * ratio),
                        QImage::Format_ARGB32_Premultiplied);
        m_back.setDevicePixelRatio(ratio);
        m_back.fill(Qt::transparent);
        QPainter backPainter(&m_back);
        dv::PaintCalibrationBackground(backPainter, {0, 0, pos.GetWidth(), pos.GetHeight()},
                                       GetBkColor(), look);
        m_backKey = key;
    }
    painter.drawImage(QPoint(pos.left, pos.top), m_back);
    dv::PaintCalibrationCurves(painter, m_curves, plot, look);
}

void UIEqualizerAc::SetAttribute(const QString& pstrName, const QString& pstrValue) {
    if (pstrName == QLatin1String("measurementstyle")) {
        m_measurementStyle = pstrValue == QLatin1String("true");
        Invalidate();
        return;
    }
    if (!m_text.Apply(pstrName, pstrValue)) CControlUI::SetAttribute(pstrName, pstrValue);
}
