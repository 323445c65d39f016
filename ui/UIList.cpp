#include "ui/UIList.h"
#include "ui/UITheme.h"

#include <QPainter>

#include "ui/UIManager.h"
#include "ui/UIRender.h"

namespace DuiLib {

namespace {
constexpr DWORD kSelectedBk = theme::kAccent;
constexpr DWORD kSelectedText = theme::kEditBk;
constexpr DWORD kHotBk = theme::kControlBk;
constexpr DWORD kHeaderBk = theme::kPanelBk;
constexpr int kHeaderHeight = 25;

IListItemUI* AsListItem(CControlUI* pControl) {
    return dynamic_cast<IListItemUI*>(pControl);
}

// Row behaviour shared by both row kinds.
bool HandleRowEvent(CControlUI* row, IListItemUI* item, TEventUI& event, bool& hot) {
    CListUI* owner = item->GetOwner();
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
            if (row->IsEnabled()) {
                row->SendNotify(DUI_MSGTYPE_ITEMCLICK);
                if (owner) owner->SelectItem(item->GetIndex(), true);
                row->Invalidate();
            }
            return true;
        case UIEVENT_DBLCLICK:
            // The activated row is the selected one, whatever reached us before the double click.
            if (row->IsEnabled()) {
                if (owner) owner->SelectItem(item->GetIndex(), true);
                row->SendNotify(DUI_MSGTYPE_ITEMACTIVATE);
            }
            return true;
        case UIEVENT_BUTTONUP:
            return true;
        case UIEVENT_MOUSEENTER:
            hot = row->IsEnabled();
            row->Invalidate();
            return true;
        case UIEVENT_MOUSELEAVE:
            hot = false;
            row->Invalidate();
            return true;
        case UIEVENT_SCROLLWHEEL:
        case UIEVENT_KEYDOWN:
            if (owner) owner->DoEvent(event);
            return true;
        default:
            return false;
    }
}

void PaintRowBk(QPainter& painter, const CControlUI* row, CListUI* owner, bool selected, bool hot,
                DWORD ownBk) {
    DWORD color = ownBk;
    if (selected) {
        color = owner && owner->GetSelectedItemBkColor() ? owner->GetSelectedItemBkColor()
                                                         : kSelectedBk;
    } else if (hot) {
        color = owner && owner->GetHotItemBkColor() ? owner->GetHotItemBkColor() : kHotBk;
    }
    CRenderEngine::DrawColor(painter, row->GetPos(), color);
}

}  // namespace

CListHeaderUI::CListHeaderUI() {
    m_dwBackColor = kHeaderBk;
}

QString CListHeaderUI::GetClass() const {
    return QStringLiteral("ListHeaderUI");
}

void* CListHeaderUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("ListHeader"), Qt::CaseInsensitive) == 0) return this;
    return CHorizontalLayoutUI::GetInterface(pstrName);
}

QSize CListHeaderUI::EstimateSize(QSize szAvailable) {
    QSize sz = CHorizontalLayoutUI::EstimateSize(szAvailable);
    if (sz.height() == 0) sz.setHeight(ScaleValue(kHeaderHeight));
    return sz;
}

CListHeaderItemUI::CListHeaderItemUI() {
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    m_dwTextColor = 0xFF8C96A5;
}

QString CListHeaderItemUI::GetClass() const {
    return QStringLiteral("ListHeaderItemUI");
}

void* CListHeaderItemUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("ListHeaderItem"), Qt::CaseInsensitive) == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

// ---------------------------------------------------------------------------------------------

CListUI::CListUI() = default;

QString CListUI::GetClass() const {
    return QStringLiteral("ListUI");
}

void* CListUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("List"), Qt::CaseInsensitive) == 0) return this;
    return CVerticalLayoutUI::GetInterface(pstrName);
}

int CListUI::GetCount() const {
    return CContainerUI::GetCount() - (m_pHeader ? 1 : 0);
}

CControlUI* CListUI::GetItemAt(int iIndex) const {
    if (iIndex < 0 || iIndex >= GetCount()) return nullptr;
    return CContainerUI::GetItemAt(iIndex + (m_pHeader ? 1 : 0));
}

int CListUI::GetItemIndex(CControlUI* pControl) const {
    const int index = CContainerUI::GetItemIndex(pControl);
    if (index < 0 || pControl == m_pHeader) return -1;
    return index - (m_pHeader ? 1 : 0);
}

bool CListUI::Add(CControlUI* pControl) {
    if (pControl && pControl->GetInterface(QStringLiteral("ListHeader"))) {
        if (m_pHeader) return false;
        if (!CContainerUI::AddAt(pControl, 0)) return false;
        m_pHeader = static_cast<CListHeaderUI*>(pControl);
        return true;
    }
    return AddAt(pControl, GetCount());
}

bool CListUI::AddAt(CControlUI* pControl, int iIndex) {
    if (!pControl || iIndex < 0 || iIndex > GetCount()) return false;
    if (!CContainerUI::AddAt(pControl, iIndex + (m_pHeader ? 1 : 0))) return false;
    if (IListItemUI* item = AsListItem(pControl)) item->SetOwner(this);
    if (m_iCurSel >= iIndex) ++m_iCurSel;
    Reindex();
    return true;
}

bool CListUI::Remove(CControlUI* pControl) {
    if (pControl && pControl == m_pHeader) {
        m_pHeader = nullptr;
        return CContainerUI::RemoveAt(0);
    }
    const int index = GetItemIndex(pControl);
    return index >= 0 && RemoveAt(index);
}

bool CListUI::RemoveAt(int iIndex) {
    if (iIndex < 0 || iIndex >= GetCount()) return false;
    if (!CContainerUI::RemoveAt(iIndex + (m_pHeader ? 1 : 0))) return false;
    if (m_iCurSel == iIndex) {
        m_iCurSel = -1;
    } else if (m_iCurSel > iIndex) {
        --m_iCurSel;
    }
    Reindex();
    return true;
}

void CListUI::RemoveAll() {
    // Rows go, the header stays.
    while (GetCount() > 0) CContainerUI::RemoveAt(CContainerUI::GetCount() - 1);
    m_iCurSel = -1;
    m_iScrollRow = 0;
}

void CListUI::Reindex() {
    for (int i = 0; i < GetCount(); ++i) {
        if (IListItemUI* item = AsListItem(GetItemAt(i))) item->SetIndex(i);
    }
}

bool CListUI::SelectItem(int iIndex, bool bTakeFocus, bool bTriggerEvent) {
    if (iIndex < -1 || iIndex >= GetCount()) return false;
    if (bTakeFocus) SetFocus();
    if (iIndex == m_iCurSel) return true;
    const int old = m_iCurSel;
    if (IListItemUI* item = AsListItem(GetItemAt(old))) item->Select(false);
    m_iCurSel = iIndex;
    if (IListItemUI* item = AsListItem(GetItemAt(iIndex))) item->Select(true);
    if (iIndex >= 0 && iIndex < m_iScrollRow) {
        m_iScrollRow = iIndex;
        NeedUpdate();
    }
    if (bTriggerEvent) {
        SendNotify(DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(iIndex), static_cast<LPARAM>(old));
    }
    return true;
}

int CListUI::GetItemHeight() const {
    return ScaleValue(m_iItemHeight);
}

void CListUI::SetItemHeight(int cy) {
    m_iItemHeight = qMax(1, cy);
    NeedUpdate();
}

void CListUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("itemheight")) {
        SetItemHeight(v.toInt());
    } else if (n == QLatin1String("itemselectedbkcolor")) {
        m_dwSelectedBkColor = ParseColor(v);
    } else if (n == QLatin1String("itemhotbkcolor")) {
        m_dwHotBkColor = ParseColor(v);
    } else if (n == QLatin1String("itemtextcolor")) {
        m_dwItemTextColor = ParseColor(v);
    } else if (n == QLatin1String("itemselectedtextcolor")) {
        m_dwSelectedTextColor = ParseColor(v);
    } else {
        CVerticalLayoutUI::SetAttribute(pstrName, v);
    }
}

void CListUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_SCROLLWHEEL) {
        const int maxRow = qMax(0, GetCount() - 1);
        m_iScrollRow = qBound(0, m_iScrollRow + (event.wParam ? -1 : 1), maxRow);
        UpdateLayoutNow();
        return;
    }
    if (event.Type == UIEVENT_KEYDOWN && (event.chKey == VK_UP || event.chKey == VK_DOWN)) {
        const int next = m_iCurSel + (event.chKey == VK_UP ? -1 : 1);
        if (next >= 0 && next < GetCount()) SelectItem(next);
        return;
    }
    CVerticalLayoutUI::DoEvent(event);
}

void CListUI::UpdateLayoutNow() {
    if (m_pManager) m_pManager->UpdateLayout();
}

void CListUI::LayoutChildren(const CDuiRect& rc) {
    int y = rc.top;
    if (m_pHeader && m_pHeader->IsOwnVisible()) {
        const int h = m_pHeader->EstimateSize(QSize(rc.GetWidth(), rc.GetHeight())).height();
        m_pHeader->SetPos(CDuiRect(rc.left, y, rc.right, y + h));
        y += h;
    }
    const int rows = GetCount();
    if (m_iScrollRow >= rows) m_iScrollRow = qMax(0, rows - 1);
    for (int i = 0; i < rows; ++i) {
        CControlUI* row = GetItemAt(i);
        if (!row->IsOwnVisible()) continue;
        // Rows above the scroll position or below the list's bottom get no room.
        if (i < m_iScrollRow) {
            row->SetPos(CDuiRect(rc.left, rc.top, rc.left, rc.top));
            continue;
        }
        int h = row->GetFixedHeight();
        if (h <= 0) h = GetItemHeight();
        if (y + h > rc.bottom) {
            row->SetPos(CDuiRect(rc.left, rc.bottom, rc.left, rc.bottom));
            continue;
        }
        const CDuiRect pad = row->GetPadding();
        row->SetPos(CDuiRect(rc.left + pad.left, y, rc.right - pad.right, y + h));
        y += h + GetChildPadding();
    }
}

// ---------------------------------------------------------------------------------------------

CListLabelElementUI::CListLabelElementUI() {
    m_dwTextColor = 0;
}

QString CListLabelElementUI::GetClass() const {
    return QStringLiteral("ListLabelElementUI");
}

void* CListLabelElementUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("ListLabelElement"), Qt::CaseInsensitive) == 0 ||
        pstrName.compare(QStringLiteral("ListItem"), Qt::CaseInsensitive) == 0) {
        return this;
    }
    return CLabelUI::GetInterface(pstrName);
}

bool CListLabelElementUI::Select(bool bSelect) {
    if (m_bSelected == bSelect) return true;
    m_bSelected = bSelect;
    Invalidate();
    return true;
}

void CListLabelElementUI::DoEvent(TEventUI& event) {
    if (!HandleRowEvent(this, this, event, m_bHot)) CLabelUI::DoEvent(event);
}

void CListLabelElementUI::PaintBkColor(QPainter& painter) {
    PaintRowBk(painter, this, m_pOwner, m_bSelected, m_bHot, m_dwBackColor);
}

void CListLabelElementUI::PaintText(QPainter& painter) {
    DWORD color = CurrentTextColor();
    if (m_bSelected && IsEnabled()) {
        color = m_pOwner && m_pOwner->GetSelectedItemTextColor()
                    ? m_pOwner->GetSelectedItemTextColor()
                    : kSelectedText;
    } else if (!m_dwTextColor && m_pOwner && m_pOwner->GetItemTextColor() && IsEnabled()) {
        color = m_pOwner->GetItemTextColor();
    }
    const CDuiRect pad = GetTextPadding();
    const CDuiRect rc(m_rcItem.left + pad.left, m_rcItem.top + pad.top, m_rcItem.right - pad.right,
                      m_rcItem.bottom - pad.bottom);
    CRenderEngine::DrawText(painter, m_pManager, rc, GetText(), color, m_iFont, m_uTextStyle);
}

QString CListContainerElementUI::GetClass() const {
    return QStringLiteral("ListContainerElementUI");
}

void* CListContainerElementUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("ListContainerElement"), Qt::CaseInsensitive) == 0 ||
        pstrName.compare(QStringLiteral("ListItem"), Qt::CaseInsensitive) == 0) {
        return this;
    }
    return CHorizontalLayoutUI::GetInterface(pstrName);
}

bool CListContainerElementUI::Select(bool bSelect) {
    if (m_bSelected == bSelect) return true;
    m_bSelected = bSelect;
    Invalidate();
    return true;
}

void CListContainerElementUI::DoEvent(TEventUI& event) {
    if (!HandleRowEvent(this, this, event, m_bHot)) CHorizontalLayoutUI::DoEvent(event);
}

void CListContainerElementUI::PaintBkColor(QPainter& painter) {
    PaintRowBk(painter, this, m_pOwner, m_bSelected, m_bHot, m_dwBackColor);
}

}  // namespace DuiLib
