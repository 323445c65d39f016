// Progress bar (no notifications) and slider.
#pragma once

#include "ui/UILabel.h"

namespace DuiLib {

class CProgressUI : public CLabelUI {
public:
    CProgressUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;

    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool bHorizontal = true);
    bool IsStretchForeImage() const { return m_bStretchForeImage; }
    void SetStretchForeImage(bool bStretch = true);
    int GetMinValue() const { return m_nMin; }
    void SetMinValue(int nMin);
    int GetMaxValue() const { return m_nMax; }
    void SetMaxValue(int nMax);
    int GetValue() const { return m_nValue; }
    // Clamped into min .. max.
    virtual void SetValue(int nValue);
    QString GetForeImage() const { return m_sForeImage; }
    void SetForeImage(const QString& image);

    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void PaintStatusImage(QPainter& painter) override;

protected:
    // The filled part of the bar for the current value.
    CDuiRect GetProgressRect() const;

    bool m_bHorizontal = true;
    bool m_bStretchForeImage = true;
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nValue = 0;
    QString m_sForeImage;
};

// "movevaluechanged" while the thumb is dragged, "valuechanged" when it is released. A press on
// the track (not the thumb) moves the value there and sends "valuechanged" on release, but starts
// no drag. The wheel steps the value by the change step and sends "valuechanged".
class CSliderUI : public CProgressUI {
public:
    CSliderUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    UINT GetControlFlags() const override;

    int GetChangeStep() const { return m_nStep; }
    void SetChangeStep(int step) { m_nStep = step; }
    QSize GetThumbSize() const;   // at the window's scale
    void SetThumbSize(QSize sz);  // at 100 %
    CDuiRect GetThumbRect() const;
    QString GetThumbImage() const { return m_sThumbImage; }
    void SetThumbImage(const QString& image);
    DWORD GetThumbColor() const { return m_dwThumbColor; }
    void SetThumbColor(DWORD color);
    bool IsDragging() const { return (m_uButtonState & UISTATE_CAPTURED) != 0; }

    void SetEnabled(bool bEnable = true) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void PaintStatusImage(QPainter& painter) override;

protected:
    int ValueFromPoint(const QPoint& pt) const;

    int m_nStep = 1;
    QSize m_szThumb{12, 12};  // at 100 %
    UINT m_uButtonState = 0;
    bool m_bTrackPressed = false;
    QString m_sThumbImage;
    DWORD m_dwThumbColor = 0;
};

}  // namespace DuiLib
