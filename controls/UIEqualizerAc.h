// The calibration plot (markup "CurveAc"): per output channel the measured spectrum and the
// computed equalizer response on a +-20 dB scale, in the channel's colours. Read-only: no
// handles, no mouse input, no notifications.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include "controls/UIEqualizer.h"
#include "curves/CalibrationCurves.h"

class UIEqualizerAc : public DuiLib::CControlUI {
public:
    UIEqualizerAc();

    // count x 512 response points, channel-major, one visible flag per channel; count <= 0
    // changes nothing.
    void setCurves(const double* freqs, const double* levels, int count, const uint8_t* visible);
    // count x 121 measured points, the same way.
    void setMeasuredCurves(const double* freqs, const double* levels, int count,
                           const uint8_t* visible);

    const dv::CalibrationCurves& GetCurves() const { return m_curves; }
    const CurveTextSettings& GetTextSettings() const { return m_text; }
    bool HasFocusFlag() const { return m_bFocused; }
    bool IsMeasurementStyle() const { return m_measurementStyle; }

    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    DuiLib::UINT GetControlFlags() const override;
    void DoInit() override;
    void DoEvent(DuiLib::TEventUI& event) override;
    void DoPaint(QPainter& painter, const DuiLib::CDuiRect& rcPaint) override;
    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;

private:
    dv::CalibrationCurves m_curves;
    CurveTextSettings m_text;
    bool m_bFocused = false;
    // Markup "measurementstyle": dashed corrections, axis labels and a legend.
    bool m_measurementStyle = false;
    struct LayerKey {
        int width = 0;
        int height = 0;
        int scale = 0;
        int pixelRatio = 100;  // percent
        DuiLib::DWORD background = 0;
        QFont font;
        QString measuredText;
        QString correctionText;
        bool operator==(const LayerKey&) const = default;
    };
    QImage m_back;    // background, border, grid and axis labels at the last size
    QImage m_legend;  // the legend, to be drawn at m_legendBox
    QRect m_legendBox;
    LayerKey m_layerKey;
};
