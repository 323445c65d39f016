// Text controls: CLabelUI (one line by default) and CTextUI (word-wrapping text).
#pragma once

#include "ui/UIControl.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
public:
    CLabelUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;

    void SetTextStyle(UINT uStyle);
    UINT GetTextStyle() const { return m_uTextStyle; }
    void SetTextColor(DWORD color);
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetDisabledTextColor(DWORD color);
    DWORD GetDisabledTextColor() const { return m_dwDisabledTextColor; }
    void SetFont(int index);
    int GetFont() const { return m_iFont; }
    CDuiRect GetTextPadding() const;          // at the window's scale
    void SetTextPadding(const CDuiRect& rc);  // at 100 %
    bool IsShowHtml() const { return m_bShowHtml; }
    void SetShowHtml(bool bShowHtml = true);
    bool GetAutoCalcWidth() const { return m_bAutoCalcWidth; }
    void SetAutoCalcWidth(bool bAutoCalcWidth);

    void SetText(const QString& text) override;
    QSize EstimateSize(QSize szAvailable) override;
    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void PaintText(QPainter& painter) override;

protected:
    // Colour used for text in the current state.
    DWORD CurrentTextColor() const;

    UINT m_uTextStyle = DT_VCENTER | DT_SINGLELINE;
    DWORD m_dwTextColor = 0;
    DWORD m_dwDisabledTextColor = 0;
    int m_iFont = -1;
    CDuiRect m_rcTextPadding;  // at 100 %
    bool m_bShowHtml = false;
    bool m_bAutoCalcWidth = false;
};

class CTextUI : public CLabelUI {
public:
    CTextUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
};

}  // namespace DuiLib
