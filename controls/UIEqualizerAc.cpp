#include "controls/UIEqualizerAc.h"

#include <QPainter>
#include <QWidget>
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

void UIEqualizerAc::DoInit() {
    // An opaque plot covers its whole widget, so nothing beneath it needs painting first: the
    // curve of a new measurement reaches the screen that much sooner.
    if (GetWidget())
        GetWidget()->setAttribute(Qt::WA_OpaquePaintEvent, (GetBkColor() >> 24) == 0xFF);
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
    // The grid with its labels, and the legend, change only with the size, the scale and the
    // language; the curves are drawn between kept images of them.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const dv::CurveRect local{0, 0, pos.GetWidth(), pos.GetHeight()};
    const LayerKey key{pos.GetWidth(), pos.GetHeight(), look.scalePercent, qRound(ratio * 100),
                       GetBkColor(),   look.font,       look.measuredText, look.correctionText};
    if (m_back.isNull() || !(key == m_layerKey)) {
        // An opaque background is kept without alpha, so that it is copied rather than blended.
        const bool opaque = (GetBkColor() >> 24) == 0xFF;
        m_back = QImage(qCeil(pos.GetWidth() * ratio), qCeil(pos.GetHeight() * ratio),
                        opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        m_back.setDevicePixelRatio(ratio);
        m_back.fill(opaque ? QColor::fromRgba(GetBkColor()) : QColor(Qt::transparent));
        QPainter backPainter(&m_back);
        dv::PaintCalibrationBackground(backPainter, local, GetBkColor(), look);
        m_legendBox = dv::CalibrationLegendBox(local, look);
        m_legend = QImage(qCeil(m_legendBox.width() * ratio), qCeil(m_legendBox.height() * ratio),
                          QImage::Format_ARGB32_Premultiplied);
        m_legend.setDevicePixelRatio(ratio);
        m_legend.fill(Qt::transparent);
        QPainter legendPainter(&m_legend);
        legendPainter.translate(-m_legendBox.topLeft());
        dv::PaintCalibrationLegend(legendPainter, local, look);
        m_layerKey = key;
    }
    painter.drawImage(QPoint(pos.left, pos.top), m_back);
    dv::PaintCalibrationCurves(painter, m_curves, plot, look);
    painter.drawImage(m_legendBox.topLeft() + QPoint(pos.left, pos.top), m_legend);
}

void UIEqualizerAc::SetAttribute(const QString& pstrName, const QString& pstrValue) {
    if (pstrName == QLatin1String("measurementstyle")) {
        m_measurementStyle = pstrValue == QLatin1String("true");
        Invalidate();
        return;
    }
    if (!m_text.Apply(pstrName, pstrValue)) CControlUI::SetAttribute(pstrName, pstrValue);
}
