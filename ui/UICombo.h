// Drop-down list over a QComboBox. Items are CListLabelElementUI children (markup
// <ListLabelElement text="${key}"/>); "itemselect" is sent when the selection changes.
#pragma once

#include "ui/UIContainer.h"

class QComboBox;

namespace DuiLib {

class CComboUI : public CContainerUI {
public:
    CComboUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    UINT GetControlFlags() const override;

    // Text of the selected item (resolved), empty with no selection.
    QString GetText() const override;
    int GetCurSel() const { return m_iCurSel; }
    // -1 clears the selection; "itemselect" is sent on a change when bTriggerEvent is set.
    bool SelectItem(int iIndex, bool bTakeFocus = false, bool bTriggerEvent = true);
    bool Add(CControlUI* pControl) override;
    bool AddAt(CControlUI* pControl, int iIndex) override;
    bool Remove(CControlUI* pControl) override;
    bool RemoveAt(int iIndex) override;
    void RemoveAll() override;
    QComboBox* GetComboBox() const;
    // Items are data for the drop-down; they get no widgets of their own.
    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;

    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void RefreshText() override;
    void SetPos(const CDuiRect& rc, bool bNeedInvalidate = true) override;

    // Called by the wrapped widget when the user picks an item.
    void OnUserSelected(int iIndex);
    // Hidden items are left out of the drop-down, hidden or disabled ones out of key and wheel
    // steps. Runs at every layout and before the drop-down opens.
    void ApplyItemStates();

protected:
    QWidget* MakeWidget(QWidget* pClient) override;
    void OnWidgetCreated() override;
    void RebuildItems();

    int m_iCurSel = -1;
    int m_iFont = -1;
    DWORD m_dwTextColor = 0;
};

}  // namespace DuiLib
