// Popup menus built from menu markup:
//   <Menu> <MenuElement name="option_item_about" text="${about}" userdata="3" icon="i.png"/> ...
// The opener owns the CMenuWnd (deleting it closes the menu). A click on an enabled item posts
// WM_MENUCLICK (1145) to the owner window with a MenuCmd record and hides the menu; a click
// outside just hides it.
#pragma once

#include <QPoint>
#include <memory>
#include <vector>

#include "base/WindowMessage.h"
#include "ui/UILabel.h"

class QWidget;

namespace DuiLib {

class CWindowWnd;
class CMenuHostWnd;

// The record of message 1145. Texts are zero-terminated and cut to their buffers.
struct MenuCmd : dv::MessageRecord {
    wchar_t szName[256] = {};
    wchar_t szUserData[1024] = {};
    wchar_t szText[1024] = {};
    bool bChecked = false;
};

class CMenuElementUI : public CLabelUI {
public:
    CMenuElementUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    QString GetIcon() const { return m_sIcon; }
    void SetIcon(const QString& icon) { m_sIcon = icon; }
    bool IsChecked() const { return m_bChecked; }
    void SetChecked(bool bChecked) { m_bChecked = bChecked; }
    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(QPainter& painter, const CDuiRect& rcPaint) override;

private:
    void PaintCheckMark(QPainter& painter, const CDuiRect& rc) const;

    QString m_sIcon;
    bool m_bChecked = false;
    bool m_bHot = false;
};

class CMenuWnd {
public:
    ~CMenuWnd();
    CMenuWnd(const CMenuWnd&) = delete;
    CMenuWnd& operator=(const CMenuWnd&) = delete;

    // Builds the menu (not shown yet) for the owner window at a screen point (top-left corner).
    // nullptr when the markup is missing or has no items.
    static std::unique_ptr<CMenuWnd> CreateMenu(const QString& xml, const QPoint& point,
                                                CWindowWnd* pOwner);
    CMenuElementUI* FindMenuItem(const QString& name) const;
    const std::vector<CMenuElementUI*>& GetItems() const { return m_items; }
    // Before showing; false when no item has that name.
    bool EnableMenuItem(const QString& name, bool bEnable);
    void Show();
    void Hide();
    bool IsVisible() const;
    QWidget* GetWidget() const;
    // Posts the click of an item to the owner (what a mouse click on it does).
    bool ClickItem(CMenuElementUI* pItem);

private:
    CMenuWnd();

    std::unique_ptr<CMenuHostWnd> m_pHost;
    std::vector<CMenuElementUI*> m_items;  // owned by the host window's control tree
    dv::WindowHandle m_owner;
    QPoint m_point;
};

}  // namespace DuiLib
