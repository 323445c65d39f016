#include "ui/UIMenu.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>
#include <algorithm>

#include "ui/UIContainer.h"
#include "ui/UIRender.h"
#include "ui/UITheme.h"
#include "ui/WindowImplBase.h"

namespace DuiLib {

namespace {
constexpr int kItemHeight = 28;
constexpr int kMinWidth = 160;
constexpr int kIconSize = 16;
constexpr DWORD kMenuBk = theme::kPanelBk;
constexpr DWORD kMenuBorder = theme::kPanelBorder;
constexpr DWORD kHotBk = theme::kPanelBorder;

void CopyText(wchar_t* dst, std::size_t capacity, const QString& text) {
    const QString cut = text.left(static_cast<qsizetype>(capacity - 1));
    const int n = cut.toWCharArray(dst);
    dst[std::min<std::size_t>(static_cast<std::size_t>(qMax(0, n)), capacity - 1)] = L'\0';
}
}  // namespace

// The popup window of a menu: a frameless Qt popup built from the menu markup.
class CMenuHostWnd : public WindowImplBase {
public:
    CMenuHostWnd(CMenuWnd* pMenu, QString xml) : m_pMenu(pMenu), m_sXml(std::move(xml)) {}
    QString GetSkinFile() override { return m_sXml; }
    QString GetWindowClassName() const override { return QStringLiteral("MenuWnd"); }
    CPaintManagerUI& Manager() { return m_pm; }

    void Notify(TNotifyUI& msg) override {
        if (msg.sType == DUI_MSGTYPE_ITEMCLICK) {
            m_pMenu->ClickItem(static_cast<CMenuElementUI*>(
                msg.pSender->GetInterface(QStringLiteral("MenuElement"))));
        }
    }
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) override {
        // Closing a menu hides it; its owner decides when it goes.
        if (uMsg == WM_CLOSE || (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE)) {
            if (GetHWND()) GetHWND()->hide();
            bHandled = true;
        }
        return 0;
    }

private:
    CMenuWnd* m_pMenu;
    QString m_sXml;
};

CMenuElementUI::CMenuElementUI() {
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER;
    m_cxyFixed.setHeight(kItemHeight);
    m_cursor = Qt::PointingHandCursor;
}

QString CMenuElementUI::GetClass() const {
    return QStringLiteral("MenuElementUI");
}

void* CMenuElementUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("MenuElement"), Qt::CaseInsensitive) == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

void CMenuElementUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("icon")) {
        SetIcon(v);
    } else if (n == QLatin1String("checked")) {
        SetChecked(ParseBool(v));
    } else {
        CLabelUI::SetAttribute(pstrName, v);
    }
}

void CMenuElementUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_MOUSEENTER:
            m_bHot = IsEnabled();
            Invalidate();
            return;
        case UIEVENT_MOUSELEAVE:
            m_bHot = false;
            Invalidate();
            return;
        case UIEVENT_BUTTONUP:
            if (IsEnabled() && m_rcItem.Contains(event.ptMouse)) SendNotify(DUI_MSGTYPE_ITEMCLICK);
            return;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            return;
        default:
            CLabelUI::DoEvent(event);
    }
}

// A tick in the icon's place, for a checked item whose skin has no icon image.
void CMenuElementUI::PaintCheckMark(QPainter& painter, const CDuiRect& rc) const {
    const qreal w = rc.right - rc.left;
    const qreal h = rc.bottom - rc.top;
    QPen pen{QColor::fromRgba(theme::kAccent)};
    pen.setWidthF(qMax<qreal>(1.5, w / 8));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen);
    const QPointF tick[] = {{rc.left + w * 0.15, rc.top + h * 0.55},
                            {rc.left + w * 0.42, rc.top + h * 0.80},
                            {rc.left + w * 0.88, rc.top + h * 0.22}};
    painter.drawPolyline(tick, 3);
    painter.restore();
}

void CMenuElementUI::DoPaint(QPainter& painter, const CDuiRect&) {
    if (m_bHot && IsEnabled()) CRenderEngine::DrawColor(painter, m_rcItem, kHotBk);
    const int s = m_pManager ? m_pManager->GetScale() : 100;
    const int icon = kIconSize * s / 100;
    const int pad = 10 * s / 100;
    const CDuiRect rcIcon(m_rcItem.left + pad, (m_rcItem.top + m_rcItem.bottom - icon) / 2,
                          m_rcItem.left + pad + icon, (m_rcItem.top + m_rcItem.bottom + icon) / 2);
    const bool iconDrawn =
        !m_sIcon.isEmpty() && CRenderEngine::DrawImageString(painter, m_pManager, rcIcon, m_sIcon);
    if (m_bChecked && !iconDrawn) PaintCheckMark(painter, rcIcon);
    const CDuiRect rcText(rcIcon.right + pad, m_rcItem.top, m_rcItem.right - pad, m_rcItem.bottom);
    CRenderEngine::DrawText(painter, m_pManager, rcText, GetText(), CurrentTextColor(), m_iFont,
                            m_uTextStyle);
}

// ---------------------------------------------------------------------------------------------

CMenuWnd::CMenuWnd() = default;

CMenuWnd::~CMenuWnd() = default;

std::unique_ptr<CMenuWnd> CMenuWnd::CreateMenu(const QString& xml, const QPoint& point,
                                               CWindowWnd* pOwner) {
    if (!pOwner || !pOwner->GetHWND()) return nullptr;
    std::unique_ptr<CMenuWnd> menu(new CMenuWnd);
    menu->m_owner = pOwner->GetWindowHandle();
    menu->m_point = point;
    menu->m_pHost = std::make_unique<CMenuHostWnd>(menu.get(), xml);
    // A menu is drawn at its owner's scale.
    if (auto* owner = dynamic_cast<WindowImplBase*>(pOwner))
        menu->m_pHost->Manager().SetDPI(owner->GetPaintManager()->GetDPI());
    if (!menu->m_pHost->Create(pOwner->GetHWND(), QStringLiteral("menu"), WS_POPUP,
                               WS_EX_TOOLWINDOW))
        return nullptr;
    QWidget* widget = menu->m_pHost->GetHWND();
    widget->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    // A press just gave the focus to the button that opens this menu; pressing it again while
    // the menu is open only closes the menu.
    if (auto* owner = dynamic_cast<WindowImplBase*>(pOwner)) {
        if (CControlUI* opener = owner->GetPaintManager()->GetFocus())
            widget->setProperty(kPopupNoReplayProperty,
                                QVariant::fromValue<QObject*>(opener->GetWidget()));
    }
    CPaintManagerUI& pm = menu->m_pHost->Manager();
    CControlUI* root = pm.GetRoot();
    auto* container = static_cast<CContainerUI*>(root->GetInterface(QStringLiteral("Container")));
    if (!container) return nullptr;
    for (int i = 0; i < container->GetCount(); ++i) {
        if (auto* item = static_cast<CMenuElementUI*>(
                container->GetItemAt(i)->GetInterface(QStringLiteral("MenuElement")))) {
            menu->m_items.push_back(item);
        }
    }
    if (menu->m_items.empty()) return nullptr;
    if (root->GetBkColor() == 0) root->SetBkColor(kMenuBk);
    if (root->GetBorderSize() == 0) {
        root->SetBorderColor(kMenuBorder);
        root->SetBorderSize(1);
    }
    if (container->GetInset() == CDuiRect()) container->SetInset(CDuiRect(1, 4, 1, 4));
    // Wide enough for the longest text, tall enough for every item.
    const int s = pm.GetScale();
    int width = kMinWidth * s / 100;
    int height = container->GetInset().top + container->GetInset().bottom;
    for (CMenuElementUI* item : menu->m_items) {
        const QFontMetrics fm(pm.GetFont(item->GetFont()));
        width = qMax(width, fm.horizontalAdvance(item->GetText()) + (kIconSize + 40) * s / 100);
        height += item->IsOwnVisible() ? item->GetFixedHeight() : 0;
    }
    menu->m_pHost->ResizeClient(width, height);
    widget->move(point);
    pm.UpdateLayout();
    return menu;
}

CMenuElementUI* CMenuWnd::FindMenuItem(const QString& name) const {
    for (CMenuElementUI* item : m_items) {
        if (item->GetName() == name) return item;
    }
    return nullptr;
}

bool CMenuWnd::EnableMenuItem(const QString& name, bool bEnable) {
    CMenuElementUI* item = FindMenuItem(name);
    if (!item) return false;
    item->SetEnabled(bEnable);
    return true;
}

void CMenuWnd::Show() {
    if (QWidget* w = GetWidget()) {
        w->move(m_point);
        w->show();
    }
}

void CMenuWnd::Hide() {
    if (QWidget* w = GetWidget()) w->hide();
}

bool CMenuWnd::IsVisible() const {
    QWidget* w = GetWidget();
    return w && w->isVisible();
}

QWidget* CMenuWnd::GetWidget() const {
    return m_pHost ? m_pHost->GetHWND() : nullptr;
}

bool CMenuWnd::ClickItem(CMenuElementUI* pItem) {
    if (!pItem || !pItem->IsEnabled() ||
        std::find(m_items.begin(), m_items.end(), pItem) == m_items.end()) {
        return false;
    }
    auto cmd = std::make_unique<MenuCmd>();
    CopyText(cmd->szName, std::size(cmd->szName), pItem->GetName());
    CopyText(cmd->szUserData, std::size(cmd->szUserData), pItem->GetUserData());
    CopyText(cmd->szText, std::size(cmd->szText), pItem->GetText());
    cmd->bChecked = pItem->IsChecked();
    Hide();
    return dv::PostToWindow(m_owner, WM_MENUCLICK, 0, std::move(cmd));
}

}  // namespace DuiLib
