#include "ui/UIButton.h"

#include <QPainter>

#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include "ui/UITheme.h"

namespace DuiLib {

namespace {
// Theme defaults; markup <Default> entries and attributes override them.
constexpr DWORD kButtonBk = theme::kControlBk;
constexpr DWORD kButtonHotBk = theme::kControlHotBk;
constexpr DWORD kButtonPushedBk = theme::kPanelBk;
constexpr DWORD kOnAccentText = theme::kEditBk;
}  // namespace

CButtonUI::CButtonUI() {
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    m_dwBackColor = kButtonBk;
    m_dwHotBkColor = kButtonHotBk;
    m_dwPushedBkColor = kButtonPushedBk;
    m_dwFocusBorderColor = theme::kAccent;
    m_cursor = Qt::PointingHandCursor;
}

QString CButtonUI::GetClass() const {
    return QStringLiteral("ButtonUI");
}

void* CButtonUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("Button"), Qt::CaseInsensitive) == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

UINT CButtonUI::GetControlFlags() const {
    return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0) | (IsEnabled() ? UIFLAG_SETCURSOR : 0);
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    SendNotify(DUI_MSGTYPE_CLICK);
    return true;
}

void CButtonUI::SetEnabled(bool bEnable) {
    CControlUI::SetEnabled(bEnable);
    if (!IsEnabled()) m_uButtonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_KEYDOWN:
            if (IsKeyboardEnabled() && (event.chKey == VK_SPACE || event.chKey == VK_RETURN)) {
                Activate();
                return;
            }
            break;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if (m_rcItem.Contains(event.ptMouse) && IsEnabled()) {
                m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_uButtonState & UISTATE_CAPTURED) {
                if (m_rcItem.Contains(event.ptMouse)) {
                    m_uButtonState |= UISTATE_PUSHED;
                } else {
                    m_uButtonState &= ~UISTATE_PUSHED;
                }
                Invalidate();
            }
            return;
        case UIEVENT_BUTTONUP:
            if (m_uButtonState & UISTATE_CAPTURED) {
                m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
                Invalidate();
                if (m_rcItem.Contains(event.ptMouse)) Activate();
            }
            return;
        case UIEVENT_MOUSEENTER:
            if (IsEnabled()) {
                m_uButtonState |= UISTATE_HOT;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSELEAVE:
            m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
            return;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

void CButtonUI::SetNormalImage(const QString& image) {
    m_sNormalImage = image;
    Invalidate();
}
void CButtonUI::SetHotImage(const QString& image) {
    m_sHotImage = image;
    Invalidate();
}
void CButtonUI::SetPushedImage(const QString& image) {
    m_sPushedImage = image;
    Invalidate();
}
void CButtonUI::SetFocusedImage(const QString& image) {
    m_sFocusedImage = image;
    Invalidate();
}
void CButtonUI::SetDisabledImage(const QString& image) {
    m_sDisabledImage = image;
    Invalidate();
}
void CButtonUI::SetForeImage(const QString& image) {
    m_sForeImage = image;
    Invalidate();
}
void CButtonUI::SetHotForeImage(const QString& image) {
    m_sHotForeImage = image;
    Invalidate();
}
void CButtonUI::SetHotBkColor(DWORD color) {
    m_dwHotBkColor = color;
    Invalidate();
}
void CButtonUI::SetPushedBkColor(DWORD color) {
    m_dwPushedBkColor = color;
    Invalidate();
}
void CButtonUI::SetDisabledBkColor(DWORD color) {
    m_dwDisabledBkColor = color;
    Invalidate();
}
void CButtonUI::SetHotTextColor(DWORD color) {
    m_dwHotTextColor = color;
    Invalidate();
}
void CButtonUI::SetPushedTextColor(DWORD color) {
    m_dwPushedTextColor = color;
    Invalidate();
}

void CButtonUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("normalimage")) {
        SetNormalImage(v);
    } else if (n == QLatin1String("hotimage")) {
        SetHotImage(v);
    } else if (n == QLatin1String("pushedimage")) {
        SetPushedImage(v);
    } else if (n == QLatin1String("focusedimage")) {
        SetFocusedImage(v);
    } else if (n == QLatin1String("disabledimage")) {
        SetDisabledImage(v);
    } else if (n == QLatin1String("foreimage")) {
        SetForeImage(v);
    } else if (n == QLatin1String("hotforeimage")) {
        SetHotForeImage(v);
    } else if (n == QLatin1String("hotbkcolor")) {
        SetHotBkColor(ParseColor(v));
    } else if (n == QLatin1String("pushedbkcolor")) {
        SetPushedBkColor(ParseColor(v));
    } else if (n == QLatin1String("disabledbkcolor")) {
        SetDisabledBkColor(ParseColor(v));
    } else if (n == QLatin1String("hottextcolor")) {
        SetHotTextColor(ParseColor(v));
    } else if (n == QLatin1String("pushedtextcolor")) {
        SetPushedTextColor(ParseColor(v));
    } else {
        CLabelUI::SetAttribute(pstrName, v);
    }
}

void CButtonUI::PaintBkColor(QPainter& painter) {
    DWORD color = m_dwBackColor;
    if (!IsEnabled()) {
        if (m_dwDisabledBkColor) color = m_dwDisabledBkColor;
    } else if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedBkColor) {
        color = m_dwPushedBkColor;
    } else if ((m_uButtonState & UISTATE_HOT) && m_dwHotBkColor) {
        color = m_dwHotBkColor;
    }
    CRenderEngine::DrawColor(painter, m_rcItem, color);
}

void CButtonUI::PaintStatusImage(QPainter& painter) {
    bool drawn = false;
    if (!IsEnabled()) {
        drawn = !m_sDisabledImage.isEmpty() && DrawImage(painter, m_sDisabledImage);
    } else if (m_uButtonState & UISTATE_PUSHED) {
        drawn = !m_sPushedImage.isEmpty() && DrawImage(painter, m_sPushedImage);
    } else if (m_uButtonState & UISTATE_HOT) {
        drawn = !m_sHotImage.isEmpty() && DrawImage(painter, m_sHotImage);
    } else if (IsFocused()) {
        drawn = !m_sFocusedImage.isEmpty() && DrawImage(painter, m_sFocusedImage);
    }
    if (!drawn && !m_sNormalImage.isEmpty()) DrawImage(painter, m_sNormalImage);
    if ((m_uButtonState & UISTATE_HOT) && !m_sHotForeImage.isEmpty()) {
        DrawImage(painter, m_sHotForeImage);
    } else if (!m_sForeImage.isEmpty()) {
        DrawImage(painter, m_sForeImage);
    }
}

void CButtonUI::PaintText(QPainter& painter) {
    DWORD color = CurrentTextColor();
    if (IsEnabled()) {
        if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor) {
            color = m_dwPushedTextColor;
        } else if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor) {
            color = m_dwHotTextColor;
        }
    }
    const CDuiRect pad = GetTextPadding();
    const CDuiRect rc(m_rcItem.left + pad.left, m_rcItem.top + pad.top, m_rcItem.right - pad.right,
                      m_rcItem.bottom - pad.bottom);
    CRenderEngine::DrawText(painter, m_pManager, rc, GetText(), color, m_iFont, m_uTextStyle);
}

// ---------------------------------------------------------------------------------------------

COptionUI::COptionUI() {
    m_dwSelectedBkColor = theme::kAccent;
    m_dwSelectedTextColor = kOnAccentText;
}

COptionUI::~COptionUI() {
    if (m_pManager && !m_sGroupName.isEmpty()) m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

QString COptionUI::GetClass() const {
    return QStringLiteral("OptionUI");
}

void* COptionUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("Option"), Qt::CaseInsensitive) == 0) return this;
    return CButtonUI::GetInterface(pstrName);
}

void COptionUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    if (m_pManager && m_pManager != pManager && !m_sGroupName.isEmpty()) {
        m_pManager->RemoveOptionGroup(m_sGroupName, this);
    }
    CButtonUI::SetManager(pManager, pParent, bInit);
    if (m_pManager && !m_sGroupName.isEmpty()) m_pManager->AddOptionGroup(m_sGroupName, this);
}

void COptionUI::SetGroup(const QString& group) {
    if (group == m_sGroupName) return;
    if (m_pManager && !m_sGroupName.isEmpty()) m_pManager->RemoveOptionGroup(m_sGroupName, this);
    m_sGroupName = group;
    if (m_pManager && !m_sGroupName.isEmpty()) m_pManager->AddOptionGroup(m_sGroupName, this);
}

void COptionUI::Selected(bool bSelected, bool bTriggerEvent) {
    if (m_bSelected == bSelected) return;
    m_bSelected = bSelected;
    if (m_bSelected) {
        m_uButtonState |= UISTATE_SELECTED;
    } else {
        m_uButtonState &= ~UISTATE_SELECTED;
    }
    Invalidate();
    if (!m_pManager) return;
    if (m_sGroupName.isEmpty()) {
        if (bTriggerEvent) SendNotify(DUI_MSGTYPE_SELECTCHANGED);
        return;
    }
    if (!m_bSelected) return;
    // Mates are cleared silently first; only the newly selected member notifies.
    for (CControlUI* mate : m_pManager->GetOptionGroup(m_sGroupName)) {
        if (mate == this) continue;
        if (auto* option = static_cast<COptionUI*>(mate->GetInterface(QStringLiteral("Option")))) {
            option->Selected(false, false);
        }
    }
    if (bTriggerEvent) SendNotify(DUI_MSGTYPE_SELECTCHANGED);
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;
    if (!m_sGroupName.isEmpty()) {
        Selected(true);
    } else {
        Selected(!m_bSelected);
    }
    return true;
}

void COptionUI::SetSelectedImage(const QString& image) {
    m_sSelectedImage = image;
    Invalidate();
}
void COptionUI::SetSelectedHotImage(const QString& image) {
    m_sSelectedHotImage = image;
    Invalidate();
}
void COptionUI::SetSelectedTextColor(DWORD color) {
    m_dwSelectedTextColor = color;
    Invalidate();
}
void COptionUI::SetSelectedBkColor(DWORD color) {
    m_dwSelectedBkColor = color;
    Invalidate();
}

void COptionUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("group")) {
        SetGroup(v);
    } else if (n == QLatin1String("selected")) {
        Selected(ParseBool(v));
    } else if (n == QLatin1String("selectedimage")) {
        SetSelectedImage(v);
    } else if (n == QLatin1String("selectedhotimage")) {
        SetSelectedHotImage(v);
    } else if (n == QLatin1String("selectedtextcolor")) {
        SetSelectedTextColor(ParseColor(v));
    } else if (n == QLatin1String("selectedbkcolor")) {
        SetSelectedBkColor(ParseColor(v));
    } else {
        CButtonUI::SetAttribute(pstrName, v);
    }
}

void COptionUI::PaintBkColor(QPainter& painter) {
    if (m_bSelected && m_dwSelectedBkColor) {
        CRenderEngine::DrawColor(painter, m_rcItem,
                                 IsEnabled() ? m_dwSelectedBkColor : GetBorderColor());
        return;
    }
    CButtonUI::PaintBkColor(painter);
}

void COptionUI::PaintStatusImage(QPainter& painter) {
    if (m_bSelected) {
        if ((m_uButtonState & UISTATE_HOT) && !m_sSelectedHotImage.isEmpty() &&
            DrawImage(painter, m_sSelectedHotImage)) {
            return;
        }
        if (!m_sSelectedImage.isEmpty() && DrawImage(painter, m_sSelectedImage)) return;
    }
    CButtonUI::PaintStatusImage(painter);
}

void COptionUI::PaintText(QPainter& painter) {
    if (m_bSelected && m_dwSelectedTextColor && IsEnabled()) {
        const CDuiRect pad = GetTextPadding();
        const CDuiRect rc(m_rcItem.left + pad.left, m_rcItem.top + pad.top,
                          m_rcItem.right - pad.right, m_rcItem.bottom - pad.bottom);
        CRenderEngine::DrawText(painter, m_pManager, rc, GetText(), m_dwSelectedTextColor, m_iFont,
                                m_uTextStyle);
        return;
    }
    CButtonUI::PaintText(painter);
}

// ---------------------------------------------------------------------------------------------

CCheckBoxUI::CCheckBoxUI() = default;

QString CCheckBoxUI::GetClass() const {
    return QStringLiteral("CheckBoxUI");
}

void* CCheckBoxUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("CheckBox"), Qt::CaseInsensitive) == 0) return this;
    return COptionUI::GetInterface(pstrName);
}

}  // namespace DuiLib
