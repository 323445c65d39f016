// Containers and the two box layouts. A layout gives fixed-size children their size and shares
// the rest equally among the others; paddings are outside a child, the inset inside the
// container; "float" children are placed by their "pos" relative to the container.
#pragma once

#include <vector>

#include "ui/UIControl.h"

namespace DuiLib {

class CContainerUI : public CControlUI {
public:
    CContainerUI();
    ~CContainerUI() override;
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;

    // Children are owned by the container.
    CControlUI* GetItemAt(int iIndex) const;
    int GetItemIndex(CControlUI* pControl) const;
    bool SetItemIndex(CControlUI* pControl, int iIndex);
    int GetCount() const { return static_cast<int>(m_items.size()); }
    virtual bool Add(CControlUI* pControl);
    virtual bool AddAt(CControlUI* pControl, int iIndex);
    // Removes the child from the tree at once and deletes it at the next turn of the event loop.
    virtual bool Remove(CControlUI* pControl);
    virtual bool RemoveAt(int iIndex);
    virtual void RemoveAll();

    CDuiRect GetInset() const;               // at the window's scale
    void SetInset(const CDuiRect& rcInset);  // at 100 %
    int GetChildPadding() const;
    void SetChildPadding(int iPadding);
    // Finds a descendant by name (the container itself excluded).
    CControlUI* FindSubControl(const QString& name);

    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
    CControlUI* FindControl(const QString& name) override;
    void SetPos(const CDuiRect& rc, bool bNeedInvalidate = true) override;
    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void SyncWidget() override;
    void RefreshText() override;

protected:
    // Places the children inside rc (already without the inset).
    virtual void LayoutChildren(const CDuiRect& rc);
    void SetFloatPos(CControlUI* pControl);
    void PlaceFloats();
    // Deletes a removed child, later when it may be handling one of its own notifications.
    void DeleteChild(CControlUI* pControl);

    std::vector<CControlUI*> m_items;
    CDuiRect m_rcInset;       // at 100 %
    int m_iChildPadding = 0;  // at 100 %
};

class CVerticalLayoutUI : public CContainerUI {
public:
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;

protected:
    void LayoutChildren(const CDuiRect& rc) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;

protected:
    void LayoutChildren(const CDuiRect& rc) override;
};

// Shows one child at a time.
class CTabLayoutUI : public CContainerUI {
public:
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    int GetCurSel() const { return m_iCurSel; }
    bool SelectItem(int iIndex);
    bool Add(CControlUI* pControl) override;
    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;

protected:
    void LayoutChildren(const CDuiRect& rc) override;
    int m_iCurSel = 0;
};

}  // namespace DuiLib
