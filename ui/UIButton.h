// Push buttons, options (radio-like when grouped) and check boxes.
#pragma once

#include "ui/UILabel.h"

namespace DuiLib {

// Sends "click" when pressed and released over it, or on Space/Return while focused.
class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    UINT GetControlFlags() const override;

    bool Activate() override;
    void SetEnabled(bool bEnable = true) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void PaintBkColor(QPainter& painter) override;
    void PaintStatusImage(QPainter& painter) override;
    void PaintText(QPainter& painter) override;

    UINT GetButtonState() const { return m_uButtonState; }
    void SetButtonState(UINT state) { m_uButtonState = state; }
    QString GetNormalImage() const { return m_sNormalImage; }
    void SetNormalImage(const QString& image);
    QString GetHotImage() const { return m_sHotImage; }
    void SetHotImage(const QString& image);
    QString GetPushedImage() const { return m_sPushedImage; }
    void SetPushedImage(const QString& image);
    QString GetFocusedImage() const { return m_sFocusedImage; }
    void SetFocusedImage(const QString& image);
    QString GetDisabledImage() const { return m_sDisabledImage; }
    void SetDisabledImage(const QString& image);
    QString GetForeImage() const { return m_sForeImage; }
    void SetForeImage(const QString& image);
    QString GetHotForeImage() const { return m_sHotForeImage; }
    void SetHotForeImage(const QString& image);
    DWORD GetHotBkColor() const { return m_dwHotBkColor; }
    void SetHotBkColor(DWORD color);
    DWORD GetPushedBkColor() const { return m_dwPushedBkColor; }
    void SetPushedBkColor(DWORD color);
    DWORD GetDisabledBkColor() const { return m_dwDisabledBkColor; }
    void SetDisabledBkColor(DWORD color);
    DWORD GetHotTextColor() const { return m_dwHotTextColor; }
    void SetHotTextColor(DWORD color);
    DWORD GetPushedTextColor() const { return m_dwPushedTextColor; }
    void SetPushedTextColor(DWORD color);

protected:
    UINT m_uButtonState = 0;
    QString m_sNormalImage;
    QString m_sHotImage;
    QString m_sPushedImage;
    QString m_sFocusedImage;
    QString m_sDisabledImage;
    QString m_sForeImage;
    QString m_sHotForeImage;
    DWORD m_dwHotBkColor = 0;
    DWORD m_dwPushedBkColor = 0;
    DWORD m_dwDisabledBkColor = 0;  // 0: a disabled button keeps its background
    DWORD m_dwHotTextColor = 0;
    DWORD m_dwPushedTextColor = 0;
};

// "selectchanged" whenever the selected state changes, also when the application changes it.
// Options sharing a "group" (within one window) are exclusive: selecting one clears its mates
// silently, then the newly selected one notifies. A click sends "click" like a button, then
// selects a grouped option (no change when it already is) or toggles an ungrouped one.
class COptionUI : public CButtonUI {
public:
    COptionUI();
    ~COptionUI() override;
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;

    bool Activate() override;
    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void PaintBkColor(QPainter& painter) override;
    void PaintStatusImage(QPainter& painter) override;
    void PaintText(QPainter& painter) override;

    QString GetGroup() const { return m_sGroupName; }
    void SetGroup(const QString& group);
    bool IsSelected() const { return m_bSelected; }
    virtual void Selected(bool bSelected, bool bTriggerEvent = true);
    QString GetSelectedImage() const { return m_sSelectedImage; }
    void SetSelectedImage(const QString& image);
    QString GetSelectedHotImage() const { return m_sSelectedHotImage; }
    void SetSelectedHotImage(const QString& image);
    DWORD GetSelectedTextColor() const { return m_dwSelectedTextColor; }
    void SetSelectedTextColor(DWORD color);
    DWORD GetSelectedBkColor() const { return m_dwSelectedBkColor; }
    void SetSelectedBkColor(DWORD color);

protected:
    bool m_bSelected = false;
    QString m_sGroupName;
    QString m_sSelectedImage;
    QString m_sSelectedHotImage;
    DWORD m_dwSelectedTextColor = 0;
    DWORD m_dwSelectedBkColor = 0;
};

class CCheckBoxUI : public COptionUI {
public:
    CCheckBoxUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    void SetCheck(bool bCheck, bool bTriggerEvent = true) { Selected(bCheck, bTriggerEvent); }
    bool GetCheck() const { return IsSelected(); }
};

}  // namespace DuiLib
