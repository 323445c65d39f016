#include "ui/UIContainer.h"

#include <algorithm>

#include "ui/UIManager.h"

namespace DuiLib {

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    for (CControlUI* item : m_items) delete item;
}

QString CContainerUI::GetClass() const {
    return QStringLiteral("ContainerUI");
}

void* CContainerUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("Container"), Qt::CaseInsensitive) == 0) return this;
    return CControlUI::GetInterface(pstrName);
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const {
    if (iIndex < 0 || iIndex >= GetCount()) return nullptr;
    return m_items[static_cast<size_t>(iIndex)];
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const {
    auto it = std::find(m_items.begin(), m_items.end(), pControl);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* pControl, int iIndex) {
    const int from = GetItemIndex(pControl);
    if (from < 0 || iIndex < 0 || iIndex >= GetCount()) return false;
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + iIndex, pControl);
    if (m_pManager) m_pManager->InvalidateNameIndex();  // the first of a name may change
    NeedUpdate();
    return true;
}

bool CContainerUI::Add(CControlUI* pControl) {
    return AddAt(pControl, GetCount());
}

bool CContainerUI::AddAt(CControlUI* pControl, int iIndex) {
    if (!pControl || iIndex < 0 || iIndex > GetCount() || GetItemIndex(pControl) >= 0) return false;
    m_items.insert(m_items.begin() + iIndex, pControl);
    if (m_pManager) {
        m_pManager->InitControls(pControl, this);
    } else {
        pControl->SetManager(nullptr, this, false);
    }
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* pControl) {
    const int index = GetItemIndex(pControl);
    return index >= 0 && RemoveAt(index);
}

bool CContainerUI::RemoveAt(int iIndex) {
    CControlUI* item = GetItemAt(iIndex);
    if (!item) return false;
    m_items.erase(m_items.begin() + iIndex);
    DeleteChild(item);
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll() {
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* item : items) DeleteChild(item);
    NeedUpdate();
}

void CContainerUI::DeleteChild(CControlUI* pControl) {
    if (m_pManager) {
        m_pManager->AddDelayedCleanup(pControl);
    } else {
        delete pControl;
    }
}

CDuiRect CContainerUI::GetInset() const {
    return m_pManager ? m_pManager->GetDPIObj()->Scale(m_rcInset) : m_rcInset;
}

void CContainerUI::SetInset(const CDuiRect& rcInset) {
    m_rcInset = rcInset;
    NeedUpdate();
}

int CContainerUI::GetChildPadding() const {
    return ScaleValue(m_iChildPadding);
}

void CContainerUI::SetChildPadding(int iPadding) {
    m_iChildPadding = qMax(0, iPadding);
    NeedUpdate();
}

CControlUI* CContainerUI::FindSubControl(const QString& name) {
    for (CControlUI* item : m_items) {
        if (CControlUI* found = item->FindControl(name)) return found;
    }
    return nullptr;
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    CControlUI::SetManager(pManager, pParent, bInit);
    for (CControlUI* item : m_items) item->SetManager(pManager, this, bInit);
}

CControlUI* CContainerUI::FindControl(const QString& name) {
    if (m_sName == name) return this;
    return FindSubControl(name);
}

void CContainerUI::SetPos(const CDuiRect& rc, bool bNeedInvalidate) {
    CControlUI::SetPos(rc, bNeedInvalidate);
    const CDuiRect inset = GetInset();
    const CDuiRect inner(m_rcItem.left + inset.left, m_rcItem.top + inset.top,
                         m_rcItem.right - inset.right, m_rcItem.bottom - inset.bottom);
    LayoutChildren(inner);
}

void CContainerUI::SetFloatPos(CControlUI* pControl) {
    const CDuiRect f = pControl->GetFloatPos();
    pControl->SetPos(CDuiRect(m_rcItem.left + f.left, m_rcItem.top + f.top, m_rcItem.left + f.right,
                              m_rcItem.top + f.bottom));
}

// Hidden floats are placed too: showing one later only syncs its widget to the rectangle it
// holds, which must follow every layout and scale change made while it was hidden.
void CContainerUI::PlaceFloats() {
    for (CControlUI* item : m_items)
        if (item->IsFloat()) SetFloatPos(item);
}

void CContainerUI::LayoutChildren(const CDuiRect& rc) {
    // A plain container stacks its children over its whole area.
    for (CControlUI* item : m_items) {
        if (item->IsFloat()) {
            SetFloatPos(item);
            continue;
        }
        if (!item->IsOwnVisible()) continue;
        const CDuiRect pad = item->GetPadding();
        item->SetPos(CDuiRect(rc.left + pad.left, rc.top + pad.top, rc.right - pad.right,
                              rc.bottom - pad.bottom));
    }
}

void CContainerUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("inset")) {
        SetInset(ParseRect(v));
    } else if (n == QLatin1String("childpadding")) {
        SetChildPadding(v.toInt());
    } else {
        CControlUI::SetAttribute(pstrName, v);
    }
}

void CContainerUI::SyncWidget() {
    CControlUI::SyncWidget();
    for (CControlUI* item : m_items) item->SyncWidget();
}

void CContainerUI::RefreshText() {
    CControlUI::RefreshText();
    for (CControlUI* item : m_items) item->RefreshText();
}

// ---------------------------------------------------------------------------------------------

namespace {

// Shares `avail` along one axis: fixed children get their size, the others split the rest.
// `fixedOf` returns a child's fixed size (0 = adjustable) on that axis, `minOf`/`maxOf` its
// limits, `padBefore`/`padAfter` its paddings on that axis.
template <typename Fixed, typename Min, typename Max, typename Pad>
std::vector<int> ShareAxis(const std::vector<CControlUI*>& items, int avail, int childPadding,
                           Fixed fixedOf, Min minOf, Max maxOf, Pad padOf) {
    std::vector<int> sizes(items.size(), 0);
    int used = 0;
    int adjustable = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        used += padOf(items[i]);
        if (i > 0) used += childPadding;
        const int fixed = fixedOf(items[i]);
        if (fixed > 0) {
            sizes[i] = fixed;
            used += fixed;
        } else {
            ++adjustable;
        }
    }
    int rest = qMax(0, avail - used);
    for (size_t i = 0; i < items.size() && adjustable > 0; ++i) {
        if (fixedOf(items[i]) > 0) continue;
        int share = rest / adjustable;
        share = qBound(minOf(items[i]), share, qMax(minOf(items[i]), maxOf(items[i])));
        sizes[i] = share;
        rest -= share;
        --adjustable;
    }
    return sizes;
}

std::vector<CControlUI*> LaidOutChildren(const std::vector<CControlUI*>& items) {
    std::vector<CControlUI*> out;
    for (CControlUI* item : items) {
        if (item->IsOwnVisible() && !item->IsFloat()) out.push_back(item);
    }
    return out;
}

}  // namespace

QString CVerticalLayoutUI::GetClass() const {
    return QStringLiteral("VerticalLayoutUI");
}

void* CVerticalLayoutUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("VerticalLayout"), Qt::CaseInsensitive) == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

void CVerticalLayoutUI::LayoutChildren(const CDuiRect& rc) {
    const auto items = LaidOutChildren(m_items);
    const QSize avail(rc.GetWidth(), rc.GetHeight());
    const auto sizes = ShareAxis(
        items, rc.GetHeight(), GetChildPadding(),
        [&](CControlUI* c) { return c->EstimateSize(avail).height(); },
        [](CControlUI* c) { return c->GetMinHeight(); },
        [](CControlUI* c) { return c->GetMaxHeight(); },
        [](CControlUI* c) { return c->GetPadding().top + c->GetPadding().bottom; });
    int y = rc.top;
    for (size_t i = 0; i < items.size(); ++i) {
        CControlUI* c = items[i];
        const CDuiRect pad = c->GetPadding();
        y += pad.top;
        int w = c->EstimateSize(avail).width();
        if (w <= 0) w = rc.GetWidth() - pad.left - pad.right;
        w = qBound(c->GetMinWidth(), w, qMax(c->GetMinWidth(), c->GetMaxWidth()));
        const int x = rc.left + pad.left;
        c->SetPos(CDuiRect(x, y, x + w, y + sizes[i]));
        y += sizes[i] + pad.bottom + GetChildPadding();
    }
    PlaceFloats();
}

QString CHorizontalLayoutUI::GetClass() const {
    return QStringLiteral("HorizontalLayoutUI");
}

void* CHorizontalLayoutUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("HorizontalLayout"), Qt::CaseInsensitive) == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::LayoutChildren(const CDuiRect& rc) {
    const auto items = LaidOutChildren(m_items);
    const QSize avail(rc.GetWidth(), rc.GetHeight());
    const auto sizes = ShareAxis(
        items, rc.GetWidth(), GetChildPadding(),
        [&](CControlUI* c) { return c->EstimateSize(avail).width(); },
        [](CControlUI* c) { return c->GetMinWidth(); },
        [](CControlUI* c) { return c->GetMaxWidth(); },
        [](CControlUI* c) { return c->GetPadding().left + c->GetPadding().right; });
    int x = rc.left;
    for (size_t i = 0; i < items.size(); ++i) {
        CControlUI* c = items[i];
        const CDuiRect pad = c->GetPadding();
        x += pad.left;
        int h = c->EstimateSize(avail).height();
        if (h <= 0) h = rc.GetHeight() - pad.top - pad.bottom;
        h = qBound(c->GetMinHeight(), h, qMax(c->GetMinHeight(), c->GetMaxHeight()));
        const int y = rc.top + pad.top;
        c->SetPos(CDuiRect(x, y, x + sizes[i], y + h));
        x += sizes[i] + pad.right + GetChildPadding();
    }
    PlaceFloats();
}

// ---------------------------------------------------------------------------------------------

QString CTabLayoutUI::GetClass() const {
    return QStringLiteral("TabLayoutUI");
}

void* CTabLayoutUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("TabLayout"), Qt::CaseInsensitive) == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

bool CTabLayoutUI::Add(CControlUI* pControl) {
    if (!CContainerUI::Add(pControl)) return false;
    pControl->SetVisible(GetCount() - 1 == m_iCurSel);
    return true;
}

bool CTabLayoutUI::SelectItem(int iIndex) {
    if (iIndex < 0 || iIndex >= GetCount()) return false;
    m_iCurSel = iIndex;
    for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == iIndex);
    NeedUpdate();
    return true;
}

void CTabLayoutUI::SetAttribute(const QString& pstrName, const QString& v) {
    if (pstrName.compare(QStringLiteral("selectedid"), Qt::CaseInsensitive) == 0) {
        m_iCurSel = v.toInt();
        return;
    }
    CContainerUI::SetAttribute(pstrName, v);
}

void CTabLayoutUI::LayoutChildren(const CDuiRect& rc) {
    if (CControlUI* item = GetItemAt(m_iCurSel)) {
        const CDuiRect pad = item->GetPadding();
        item->SetPos(CDuiRect(rc.left + pad.left, rc.top + pad.top, rc.right - pad.right,
                              rc.bottom - pad.bottom));
    }
}

}  // namespace DuiLib
