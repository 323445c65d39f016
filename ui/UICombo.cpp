#include "ui/UICombo.h"

#include <QComboBox>
#include <QListView>
#include <QMouseEvent>
#include <QStandardItemModel>

#include "ui/UIControlWidget.h"
#include "ui/UIList.h"
#include "ui/UIManager.h"

namespace DuiLib {

namespace {

class CComboWidget : public QComboBox, public CControlLink {
public:
    CComboWidget(CComboUI* pOwner, QWidget* pClient) : QComboBox(pClient), CControlLink(pOwner) {
        connect(this, &QComboBox::activated, this, [this](int index) {
            if (m_pOwner) static_cast<CComboUI*>(m_pOwner)->OnUserSelected(index);
        });
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (m_pOwner && m_pOwner->GetManager()) m_pOwner->GetManager()->SetFocus(m_pOwner);
        QComboBox::mousePressEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override {
        QComboBox::focusInEvent(event);
        ControlWidgetHelper::FocusIn(m_pOwner, event);
    }
    bool focusNextPrevChild(bool next) override {
        return ControlWidgetHelper::TabFrom(m_pOwner, next) || QComboBox::focusNextPrevChild(next);
    }
    void showPopup() override {
        if (m_pOwner) static_cast<CComboUI*>(m_pOwner)->ApplyItemStates();
        QComboBox::showPopup();
    }
};

}  // namespace

CComboUI::CComboUI() {
    m_cursor = Qt::PointingHandCursor;
}

QString CComboUI::GetClass() const {
    return QStringLiteral("ComboUI");
}

void* CComboUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("Combo"), Qt::CaseInsensitive) == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

UINT CComboUI::GetControlFlags() const {
    return IsEnabled() ? (UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : 0;
}

QComboBox* CComboUI::GetComboBox() const {
    return static_cast<QComboBox*>(m_pWidget.data());
}

QWidget* CComboUI::MakeWidget(QWidget* pClient) {
    return new CComboWidget(this, pClient);
}

void CComboUI::OnWidgetCreated() {
    RebuildItems();
}

QString CComboUI::GetText() const {
    CControlUI* item = GetItemAt(m_iCurSel);
    return item ? item->GetText() : QString();
}

void CComboUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    CControlUI::SetManager(pManager, pParent, bInit);
    for (CControlUI* item : m_items) item->SetManager(pManager, this, false);
}

bool CComboUI::SelectItem(int iIndex, bool bTakeFocus, bool bTriggerEvent) {
    if (iIndex < -1 || iIndex >= GetCount()) return false;
    if (bTakeFocus) SetFocus();
    if (iIndex == m_iCurSel) return true;
    m_iCurSel = iIndex;
    if (QComboBox* box = GetComboBox()) {
        const QSignalBlocker block(box);
        box->setCurrentIndex(iIndex);
    }
    if (bTriggerEvent) SendNotify(DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(m_iCurSel));
    return true;
}

void CComboUI::OnUserSelected(int iIndex) {
    SelectItem(iIndex, false, true);
}

bool CComboUI::Add(CControlUI* pControl) {
    return AddAt(pControl, GetCount());
}

bool CComboUI::AddAt(CControlUI* pControl, int iIndex) {
    if (!pControl || iIndex < 0 || iIndex > GetCount() || GetItemIndex(pControl) >= 0) return false;
    const int oldCount = GetCount();
    m_items.insert(m_items.begin() + iIndex, pControl);
    pControl->SetManager(m_pManager, this, false);
    // The selected item moves down; a selection set before the items exist stays as it is.
    if (m_iCurSel >= 0 && m_iCurSel < oldCount && iIndex <= m_iCurSel) ++m_iCurSel;
    RebuildItems();
    return true;
}

bool CComboUI::Remove(CControlUI* pControl) {
    const int index = GetItemIndex(pControl);
    return index >= 0 && RemoveAt(index);
}

bool CComboUI::RemoveAt(int iIndex) {
    CControlUI* item = GetItemAt(iIndex);
    if (!item) return false;
    m_items.erase(m_items.begin() + iIndex);
    delete item;
    if (m_iCurSel == iIndex) {
        m_iCurSel = -1;
    } else if (m_iCurSel > iIndex) {
        --m_iCurSel;
    }
    RebuildItems();
    return true;
}

void CComboUI::RemoveAll() {
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* item : items) delete item;
    m_iCurSel = -1;
    RebuildItems();
}

void CComboUI::RebuildItems() {
    QComboBox* box = GetComboBox();
    if (!box) return;
    const QSignalBlocker block(box);
    box->clear();
    for (CControlUI* item : m_items) box->addItem(item->GetText());
    box->setCurrentIndex(m_iCurSel);
    ApplyItemStates();
    if (m_pManager) box->setFont(m_pManager->GetFont(m_iFont));
    box->setStyleSheet(m_dwTextColor ? QStringLiteral("QComboBox{color: %1;}")
                                           .arg(ToQColor(m_dwTextColor).name(QColor::HexArgb))
                                     : QString());
}

void CComboUI::ApplyItemStates() {
    QComboBox* box = GetComboBox();
    if (!box) return;
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    auto* view = qobject_cast<QListView*>(box->view());
    for (int i = 0; i < GetCount() && i < box->count(); ++i) {
        const CControlUI* item = m_items[static_cast<size_t>(i)];
        // Hidden items are not offered; disabled ones are also passed over by keys and wheel.
        if (view) view->setRowHidden(i, !item->IsVisible());
        if (model && model->item(i))
            model->item(i)->setEnabled(item->IsVisible() && item->IsEnabled());
    }
}

void CComboUI::RefreshText() {
    CControlUI::RefreshText();
    RebuildItems();
}

void CComboUI::SetPos(const CDuiRect& rc, bool bNeedInvalidate) {
    CControlUI::SetPos(rc, bNeedInvalidate);
    // An item shown or hidden asks its combo for a layout.
    ApplyItemStates();
}

void CComboUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("font")) {
        m_iFont = v.toInt();
        RebuildItems();
    } else if (n == QLatin1String("textcolor")) {
        m_dwTextColor = ParseColor(v);
        RebuildItems();
    } else if (n == QLatin1String("selectedid")) {
        m_iCurSel = v.toInt();
        RebuildItems();
    } else {
        CContainerUI::SetAttribute(pstrName, v);
    }
}

}  // namespace DuiLib
