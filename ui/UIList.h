// Lists: a header and rows. Rows are CListLabelElementUI (a text) or CListContainerElementUI
// (a horizontal layout holding child controls, such as a "value" label). A click on a row sends
// "itemclick" (sender: the row) and selects it, which sends "itemselect" (sender: the list); a
// double click sends "itemactivate" (sender: the row). The selection is an index, -1 for none.
#pragma once

#include "ui/UIContainer.h"
#include "ui/UILabel.h"

namespace DuiLib {

class CListUI;

// What the list needs from a row.
class IListItemUI {
public:
    virtual ~IListItemUI() = default;
    virtual int GetIndex() const = 0;
    virtual void SetIndex(int iIndex) = 0;
    virtual CListUI* GetOwner() const = 0;
    virtual void SetOwner(CListUI* pOwner) = 0;
    virtual bool IsSelected() const = 0;
    virtual bool Select(bool bSelect = true) = 0;
};

// The state every list row keeps: its place, its list, selected and hot.
class CListRowState : public IListItemUI {
public:
    int GetIndex() const override { return m_iIndex; }
    void SetIndex(int iIndex) override { m_iIndex = iIndex; }
    CListUI* GetOwner() const override { return m_pOwner; }
    void SetOwner(CListUI* pOwner) override { m_pOwner = pOwner; }
    bool IsSelected() const override { return m_bSelected; }

protected:
    int m_iIndex = -1;
    CListUI* m_pOwner = nullptr;
    bool m_bSelected = false;
    bool m_bHot = false;
};

class CListHeaderUI : public CHorizontalLayoutUI {
public:
    CListHeaderUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    QSize EstimateSize(QSize szAvailable) override;
};

class CListHeaderItemUI : public CLabelUI {
public:
    CListHeaderItemUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
};

class CListUI : public CVerticalLayoutUI {
public:
    CListUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;

    CListHeaderUI* GetHeader() const { return m_pHeader; }
    // Rows only (the header is not counted).
    int GetCount() const;
    CControlUI* GetItemAt(int iIndex) const;
    int GetItemIndex(CControlUI* pControl) const;
    bool Add(CControlUI* pControl) override;
    bool AddAt(CControlUI* pControl, int iIndex) override;
    bool Remove(CControlUI* pControl) override;
    bool RemoveAt(int iIndex) override;
    void RemoveAll() override;

    int GetCurSel() const { return m_iCurSel; }
    // -1 clears the selection. "itemselect" is sent when the selection changes and
    // bTriggerEvent is set.
    bool SelectItem(int iIndex, bool bTakeFocus = false, bool bTriggerEvent = true);
    int GetItemHeight() const;   // rows without a fixed height get this, at the window's scale
    void SetItemHeight(int cy);  // at 100 %
    DWORD GetSelectedItemBkColor() const { return m_dwSelectedBkColor; }
    DWORD GetHotItemBkColor() const { return m_dwHotBkColor; }
    DWORD GetItemTextColor() const { return m_dwItemTextColor; }
    DWORD GetSelectedItemTextColor() const { return m_dwSelectedTextColor; }

    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void DoEvent(TEventUI& event) override;

protected:
    void LayoutChildren(const CDuiRect& rc) override;
    void Reindex();
    void UpdateLayoutNow();

    CListHeaderUI* m_pHeader = nullptr;
    int m_iCurSel = -1;
    int m_iItemHeight = 24;  // at 100 %
    int m_iScrollRow = 0;    // first row shown
    DWORD m_dwSelectedBkColor = 0;
    DWORD m_dwHotBkColor = 0;
    DWORD m_dwItemTextColor = 0;
    DWORD m_dwSelectedTextColor = 0;
};

// Shared row behaviour: selection, click and double click.
class CListLabelElementUI : public CLabelUI, public CListRowState {
public:
    CListLabelElementUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    bool Select(bool bSelect = true) override;
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(QPainter& painter) override;
    void PaintText(QPainter& painter) override;
};

class CListContainerElementUI : public CHorizontalLayoutUI, public CListRowState {
public:
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    bool Select(bool bSelect = true) override;
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(QPainter& painter) override;
};

}  // namespace DuiLib
