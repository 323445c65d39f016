#include "ui/UILabel.h"

#include <QFontMetrics>

#include "ui/UIManager.h"
#include "ui/UIRender.h"

namespace DuiLib {

CLabelUI::CLabelUI() = default;

QString CLabelUI::GetClass() const {
    return QStringLiteral("LabelUI");
}

void* CLabelUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("Label"), Qt::CaseInsensitive) == 0) return this;
    return CControlUI::GetInterface(pstrName);
}

void CLabelUI::SetTextStyle(UINT uStyle) {
    m_uTextStyle = uStyle;
    Invalidate();
}
void CLabelUI::SetTextColor(DWORD color) {
    m_dwTextColor = color;
    Invalidate();
}
void CLabelUI::SetDisabledTextColor(DWORD color) {
    m_dwDisabledTextColor = color;
    Invalidate();
}
void CLabelUI::SetFont(int index) {
    m_iFont = index;
    Invalidate();
}
CDuiRect CLabelUI::GetTextPadding() const {
    return m_pManager ? m_pManager->GetDPIObj()->Scale(m_rcTextPadding) : m_rcTextPadding;
}
void CLabelUI::SetTextPadding(const CDuiRect& rc) {
    m_rcTextPadding = rc;
    Invalidate();
}
void CLabelUI::SetShowHtml(bool bShowHtml) {
    m_bShowHtml = bShowHtml;
    Invalidate();
}
void CLabelUI::SetAutoCalcWidth(bool bAutoCalcWidth) {
    m_bAutoCalcWidth = bAutoCalcWidth;
    NeedParentUpdate();
}

void CLabelUI::SetText(const QString& text) {
    CControlUI::SetText(text);
    if (m_bAutoCalcWidth) NeedParentUpdate();
}

QSize CLabelUI::EstimateSize(QSize szAvailable) {
    QSize sz = CControlUI::EstimateSize(szAvailable);
    if (m_bAutoCalcWidth && m_pManager) {
        const QFontMetrics fm(m_pManager->GetFont(m_iFont));
        const CDuiRect pad = GetTextPadding();
        sz.setWidth(fm.horizontalAdvance(GetText()) + pad.left + pad.right);
    }
    return sz;
}

DWORD CLabelUI::CurrentTextColor() const {
    if (!IsEnabled()) {
        if (m_dwDisabledTextColor) return m_dwDisabledTextColor;
        return m_pManager ? m_pManager->GetDefaultDisabledColor() : 0xFF59616D;
    }
    if (m_dwTextColor) return m_dwTextColor;
    return m_pManager ? m_pManager->GetDefaultFontColor() : 0xFFE2E7EE;
}

void CLabelUI::PaintText(QPainter& painter) {
    const CDuiRect pad = GetTextPadding();
    const CDuiRect rc(m_rcItem.left + pad.left, m_rcItem.top + pad.top, m_rcItem.right - pad.right,
                      m_rcItem.bottom - pad.bottom);
    CRenderEngine::DrawText(painter, m_pManager, rc, GetText(), CurrentTextColor(), m_iFont,
                            m_uTextStyle);
}

void CLabelUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("align")) {
        m_uTextStyle &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
        if (v.contains(QLatin1String("center"))) {
            m_uTextStyle |= DT_CENTER;
        } else if (v.contains(QLatin1String("right"))) {
            m_uTextStyle |= DT_RIGHT;
        }
        Invalidate();
    } else if (n == QLatin1String("valign")) {
        m_uTextStyle &= ~(DT_VCENTER | DT_BOTTOM);
        if (v.contains(QLatin1String("vcenter"))) {
            m_uTextStyle |= DT_VCENTER;
        } else if (v.contains(QLatin1String("bottom"))) {
            m_uTextStyle |= DT_BOTTOM;
        }
        m_uTextStyle |= DT_SINGLELINE;
        Invalidate();
    } else if (n == QLatin1String("wordbreak")) {
        if (ParseBool(v)) {
            m_uTextStyle = (m_uTextStyle & ~DT_SINGLELINE) | DT_WORDBREAK | DT_EDITCONTROL;
        } else {
            m_uTextStyle = (m_uTextStyle & ~(DT_WORDBREAK | DT_EDITCONTROL)) | DT_SINGLELINE;
        }
        Invalidate();
    } else if (n == QLatin1String("endellipsis")) {
        m_uTextStyle =
            ParseBool(v) ? (m_uTextStyle | DT_END_ELLIPSIS) : (m_uTextStyle & ~DT_END_ELLIPSIS);
    } else if (n == QLatin1String("noprefix")) {
        m_uTextStyle = ParseBool(v) ? (m_uTextStyle | DT_NOPREFIX) : (m_uTextStyle & ~DT_NOPREFIX);
    } else if (n == QLatin1String("font")) {
        SetFont(v.toInt());
    } else if (n == QLatin1String("textcolor")) {
        SetTextColor(ParseColor(v));
    } else if (n == QLatin1String("disabledtextcolor")) {
        SetDisabledTextColor(ParseColor(v));
    } else if (n == QLatin1String("textpadding")) {
        SetTextPadding(ParseRect(v));
    } else if (n == QLatin1String("showhtml")) {
        SetShowHtml(ParseBool(v));
    } else if (n == QLatin1String("autocalcwidth")) {
        SetAutoCalcWidth(ParseBool(v));
    } else {
        CControlUI::SetAttribute(pstrName, v);
    }
}

CTextUI::CTextUI() {
    m_uTextStyle = DT_WORDBREAK | DT_EDITCONTROL;
}

QString CTextUI::GetClass() const {
    return QStringLiteral("TextUI");
}

void* CTextUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("Text"), Qt::CaseInsensitive) == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

}  // namespace DuiLib
