#include "ui/UIControl.h"

#include <QDateTime>
#include <QPainter>

#include "ui/UIControlWidget.h"
#include "ui/UIManager.h"
#include "ui/UIMarkup.h"
#include "ui/UIRender.h"
#include "ui/UIResourceManager.h"

namespace DuiLib {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_pManager) m_pManager->ReapObjects(this);
    if (QWidget* w = m_pWidget.data()) {
        if (auto* link = dynamic_cast<CControlLink*>(w)) link->DetachOwner();
        // The keyboard focus goes back to the window, not on to whichever widget Qt picks.
        if (w->hasFocus()) w->window()->setFocus(Qt::OtherFocusReason);
        // A control may go from inside its own widget's event (a click that rebuilds a list).
        w->hide();
        w->deleteLater();
    }
}

QString CControlUI::GetClass() const {
    return QStringLiteral("ControlUI");
}

void* CControlUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("Control"), Qt::CaseInsensitive) == 0) return this;
    return nullptr;
}

UINT CControlUI::GetControlFlags() const {
    return 0;
}

void CControlUI::SetName(const QString& name) {
    if (m_sName == name) return;
    m_sName = name;
    if (m_pManager) m_pManager->InvalidateNameIndex();
}

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    if (m_pManager) m_pManager->InvalidateNameIndex();
    if (pManager) pManager->InvalidateNameIndex();
    m_pManager = pManager;
    m_pParent = pParent;
    if (bInit && m_pManager && m_pManager->GetPaintWindow() && !m_pWidget) {
        CreateWidget(m_pManager->GetPaintWindow());
        DoInit();
    }
}

CControlUI* CControlUI::FindControl(const QString& name) {
    return m_sName == name ? this : nullptr;
}

QString CControlUI::GetText() const {
    return CResourceManager::GetInstance()->GetText(m_sText);
}

void CControlUI::SetText(const QString& text) {
    if (m_sText == text) return;
    m_sText = text;
    Invalidate();
}

QString CControlUI::GetToolTip() const {
    return CResourceManager::GetInstance()->GetText(m_sToolTip);
}

void CControlUI::SetToolTip(const QString& text) {
    m_sToolTip = text;
    if (m_pWidget) m_pWidget->setToolTip(GetToolTip());
}

QString CControlUI::GetVirtualWnd() const {
    if (!m_sVirtualWnd.isEmpty()) return m_sVirtualWnd;
    return m_pParent ? m_pParent->GetVirtualWnd() : QString();
}

void CControlUI::RefreshText() {
    if (!m_pWidget) return;
    m_pWidget->setToolTip(GetToolTip());
    m_pWidget->update();
}

bool CControlUI::IsVisible() const {
    if (!m_bVisible) return false;
    return m_pParent ? m_pParent->IsVisible() : true;
}

void CControlUI::SetVisible(bool bVisible) {
    if (m_bVisible == bVisible) return;
    // The focus leaves a control that disappears before its widget goes.
    if (!bVisible && m_pManager && m_pManager->GetFocus()) {
        for (CControlUI* p = m_pManager->GetFocus(); p; p = p->GetParent()) {
            if (p == this) {
                m_pManager->SetFocus(nullptr);
                break;
            }
        }
    }
    m_bVisible = bVisible;
    SyncWidget();
    if (!m_bFloat) NeedParentUpdate();
}

bool CControlUI::IsEnabled() const {
    return m_bEnabled;
}

void CControlUI::SetEnabled(bool bEnable) {
    if (m_bEnabled == bEnable) return;
    if (!bEnable && m_pManager && m_pManager->GetFocus() == this) m_pManager->SetFocus(nullptr);
    m_bEnabled = bEnable;
    if (m_pWidget) m_pWidget->setEnabled(bEnable);
    Invalidate();
}

bool CControlUI::IsFocused() const {
    return m_pManager && m_pManager->GetFocus() == this;
}

void CControlUI::SetFocus() {
    if (m_pManager) m_pManager->SetFocus(this);
}

int CControlUI::ScaleValue(int value) const {
    return m_pManager ? m_pManager->GetDPIObj()->Scale(value) : value;
}

void CControlUI::SetPos(const CDuiRect& rc, bool bNeedInvalidate) {
    CDuiRect r = rc;
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    m_rcItem = r;
    if (m_pWidget) {
        m_pWidget->setGeometry(m_rcItem.ToQRect());
        if (bNeedInvalidate) m_pWidget->update();
    }
}

CDuiRect CControlUI::GetPadding() const {
    return m_pManager ? m_pManager->GetDPIObj()->Scale(m_rcPadding) : m_rcPadding;
}

void CControlUI::SetPadding(const CDuiRect& rcPadding) {
    m_rcPadding = rcPadding;
    NeedParentUpdate();
}

int CControlUI::GetFixedWidth() const {
    return ScaleValue(m_cxyFixed.width());
}
void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0) return;
    m_cxyFixed.setWidth(cx);
    NeedParentUpdate();
}
int CControlUI::GetFixedHeight() const {
    return ScaleValue(m_cxyFixed.height());
}
void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0) return;
    m_cxyFixed.setHeight(cy);
    NeedParentUpdate();
}
int CControlUI::GetMinWidth() const {
    return ScaleValue(m_cxyMin.width());
}
void CControlUI::SetMinWidth(int cx) {
    m_cxyMin.setWidth(qMax(0, cx));
    NeedParentUpdate();
}
int CControlUI::GetMaxWidth() const {
    return ScaleValue(m_cxyMax.width());
}
void CControlUI::SetMaxWidth(int cx) {
    m_cxyMax.setWidth(qMax(0, cx));
    NeedParentUpdate();
}
int CControlUI::GetMinHeight() const {
    return ScaleValue(m_cxyMin.height());
}
void CControlUI::SetMinHeight(int cy) {
    m_cxyMin.setHeight(qMax(0, cy));
    NeedParentUpdate();
}
int CControlUI::GetMaxHeight() const {
    return ScaleValue(m_cxyMax.height());
}
void CControlUI::SetMaxHeight(int cy) {
    m_cxyMax.setHeight(qMax(0, cy));
    NeedParentUpdate();
}

CDuiRect CControlUI::GetFloatPos() const {
    return m_pManager ? m_pManager->GetDPIObj()->Scale(m_rcFloat) : m_rcFloat;
}

QSize CControlUI::EstimateSize(QSize) {
    return QSize(GetFixedWidth(), GetFixedHeight());
}

void CControlUI::SetBkColor(DWORD color) {
    m_dwBackColor = color;
    Invalidate();
}
void CControlUI::SetForeColor(DWORD color) {
    m_dwForeColor = color;
    Invalidate();
}
void CControlUI::SetBorderColor(DWORD color) {
    m_dwBorderColor = color;
    Invalidate();
}
void CControlUI::SetFocusBorderColor(DWORD color) {
    m_dwFocusBorderColor = color;
    Invalidate();
}
int CControlUI::GetBorderSize() const {
    return ScaleValue(m_nBorderSize);
}
void CControlUI::SetBorderSize(int size) {
    m_nBorderSize = qMax(0, size);
    Invalidate();
}
void CControlUI::SetBkImage(const QString& image) {
    m_sBkImage = image;
    Invalidate();
}

void CControlUI::SetCursor(Qt::CursorShape shape) {
    m_cursor = shape;
    if (m_pWidget) m_pWidget->setCursor(shape);
}

DWORD CControlUI::ParseColor(const QString& value) {
    QString v = value.trimmed();
    if (v.startsWith(QLatin1Char('#'))) v.remove(0, 1);
    if (v.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) v.remove(0, 2);
    bool ok = false;
    const DWORD color = v.toUInt(&ok, 16);
    if (!ok) return 0;
    // Six digits are an opaque RGB colour.
    return v.size() <= 6 ? (color | 0xFF000000u) : color;
}

CDuiRect CControlUI::ParseRect(const QString& value) {
    const auto parts = value.split(QLatin1Char(','));
    CDuiRect rc;
    if (parts.size() > 0) rc.left = parts[0].trimmed().toInt();
    if (parts.size() > 1) rc.top = parts[1].trimmed().toInt();
    if (parts.size() > 2) rc.right = parts[2].trimmed().toInt();
    if (parts.size() > 3) rc.bottom = parts[3].trimmed().toInt();
    return rc;
}

void CControlUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("name")) {
        SetName(v);
    } else if (n == QLatin1String("text")) {
        SetText(v);
    } else if (n == QLatin1String("tooltip")) {
        SetToolTip(v);
    } else if (n == QLatin1String("userdata")) {
        SetUserData(v);
    } else if (n == QLatin1String("virtualwnd")) {
        SetVirtualWnd(v);
    } else if (n == QLatin1String("visible")) {
        SetVisible(ParseBool(v));
    } else if (n == QLatin1String("enabled")) {
        SetEnabled(ParseBool(v));
    } else if (n == QLatin1String("mouse")) {
        SetMouseEnabled(ParseBool(v));
    } else if (n == QLatin1String("keyboard")) {
        SetKeyboardEnabled(ParseBool(v));
    } else if (n == QLatin1String("float")) {
        SetFloat(ParseBool(v));
    } else if (n == QLatin1String("pos")) {
        const CDuiRect rc = ParseRect(v);
        m_rcFloat = rc;
        m_cxyFixed = QSize(rc.GetWidth(), rc.GetHeight());
    } else if (n == QLatin1String("padding")) {
        SetPadding(ParseRect(v));
    } else if (n == QLatin1String("width")) {
        SetFixedWidth(v.toInt());
    } else if (n == QLatin1String("height")) {
        SetFixedHeight(v.toInt());
    } else if (n == QLatin1String("minwidth")) {
        SetMinWidth(v.toInt());
    } else if (n == QLatin1String("maxwidth")) {
        SetMaxWidth(v.toInt());
    } else if (n == QLatin1String("minheight")) {
        SetMinHeight(v.toInt());
    } else if (n == QLatin1String("maxheight")) {
        SetMaxHeight(v.toInt());
    } else if (n == QLatin1String("bkcolor")) {
        SetBkColor(ParseColor(v));
    } else if (n == QLatin1String("forecolor")) {
        SetForeColor(ParseColor(v));
    } else if (n == QLatin1String("bordercolor")) {
        SetBorderColor(ParseColor(v));
    } else if (n == QLatin1String("focusbordercolor")) {
        SetFocusBorderColor(ParseColor(v));
    } else if (n == QLatin1String("bordersize")) {
        SetBorderSize(v.toInt());
    } else if (n == QLatin1String("bkimage")) {
        SetBkImage(v);
    }
}

void CControlUI::ApplyAttributeList(const QString& pstrList) {
    for (const auto& [name, value] : ParseAttributeList(pstrList)) SetAttribute(name, value);
}

void CControlUI::Invalidate() {
    if (m_pWidget) m_pWidget->update();
}

void CControlUI::NeedUpdate() {
    if (m_pManager) m_pManager->NeedLayout();
}

void CControlUI::NeedParentUpdate() {
    if (m_pManager) m_pManager->NeedLayout();
}

void CControlUI::DoPaint(QPainter& painter, const CDuiRect&) {
    PaintBkColor(painter);
    PaintBkImage(painter);
    PaintStatusImage(painter);
    PaintText(painter);
    PaintBorder(painter);
}

void CControlUI::PaintBkColor(QPainter& painter) {
    CRenderEngine::DrawColor(painter, m_rcItem, m_dwBackColor);
}

void CControlUI::PaintBkImage(QPainter& painter) {
    if (!m_sBkImage.isEmpty()) DrawImage(painter, m_sBkImage);
}

void CControlUI::PaintStatusImage(QPainter&) {}

void CControlUI::PaintText(QPainter&) {}

void CControlUI::PaintBorder(QPainter& painter) {
    const DWORD color =
        (IsFocused() && m_dwFocusBorderColor) ? m_dwFocusBorderColor : m_dwBorderColor;
    CRenderEngine::DrawRect(painter, m_rcItem, GetBorderSize(), color);
}

bool CControlUI::DrawImage(QPainter& painter, const QString& image) {
    return CRenderEngine::DrawImageString(painter, m_pManager, m_rcItem, image);
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_SETFOCUS:
        case UIEVENT_KILLFOCUS:
            Invalidate();
            break;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_BUTTONUP:
        case UIEVENT_DBLCLICK:
        case UIEVENT_RBUTTONDOWN:
        case UIEVENT_SCROLLWHEEL:
            // Clicks on passive parts (a label in a list row) belong to the parent.
            if (m_pParent) m_pParent->DoEvent(event);
            break;
        default:
            break;
    }
}

void CControlUI::SendNotify(const QString& type, WPARAM wParam, LPARAM lParam) {
    if (m_pManager) m_pManager->SendNotify(this, type, wParam, lParam);
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

void CControlUI::CreateWidget(QWidget* pClient) {
    if (m_pWidget || !pClient) return;
    m_pWidget = MakeWidget(pClient);
    // A new widget already has the window's arrow, no tip and is enabled: only differences are
    // set (each set sends the widget an event, a few hundred per window).
    if (m_cursor != Qt::ArrowCursor) m_pWidget->setCursor(m_cursor);
    if (!m_sToolTip.isEmpty()) m_pWidget->setToolTip(GetToolTip());
    m_pWidget->setFocusPolicy((GetControlFlags() & UIFLAG_TABSTOP) ? Qt::StrongFocus
                                                                   : Qt::ClickFocus);
    OnWidgetCreated();
    SyncWidget();
}

QWidget* CControlUI::MakeWidget(QWidget* pClient) {
    return new CControlWidget(this, pClient);
}

void CControlUI::SyncWidget() {
    if (!m_pWidget) return;
    m_pWidget->setGeometry(m_rcItem.ToQRect());
    m_pWidget->setEnabled(m_bEnabled);
    m_pWidget->setVisible(IsVisible() && !m_rcItem.IsEmpty());
}

}  // namespace DuiLib
