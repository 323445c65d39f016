// CControlUI: the base of every control. Each control owns one Qt widget placed directly on
// its window's client area, so GetPos(), paint rectangles and mouse points are all window client
// pixels. Custom controls derive from it (or a kind) and override DoPaint/the Paint* hooks,
// DoEvent and SetAttribute.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "ui/UIDefs.h"

class QPainter;

namespace DuiLib {

class CPaintManagerUI;

class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // ---- identity ----
    virtual QString GetClass() const;
    // Returns this control when it is (or derives from) the named kind, else nullptr.
    virtual void* GetInterface(const QString& pstrName);
    virtual UINT GetControlFlags() const;
    QString GetName() const { return m_sName; }
    void SetName(const QString& name);

    // ---- tree ----
    CPaintManagerUI* GetManager() const { return m_pManager; }
    CControlUI* GetParent() const { return m_pParent; }
    // Attaches the control (and, for containers, its children) to a window's manager.
    virtual void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true);
    // Depth-first search by name below and including this control.
    virtual CControlUI* FindControl(const QString& name);
    virtual void DoInit() {}

    // ---- text: raw text may be a language key; GetText resolves it every time ----
    virtual QString GetText() const;
    QString GetRawText() const { return m_sText; }
    virtual void SetText(const QString& text);
    QString GetToolTip() const;
    void SetToolTip(const QString& text);
    QString GetUserData() const { return m_sUserData; }
    void SetUserData(const QString& data) { m_sUserData = data; }
    QString GetVirtualWnd() const;
    void SetVirtualWnd(const QString& name) { m_sVirtualWnd = name; }
    // Called after a language switch so wrapped Qt widgets show the new wording.
    virtual void RefreshText();

    // ---- state ----
    virtual bool IsVisible() const;  // own flag and every parent's
    bool IsOwnVisible() const { return m_bVisible; }
    virtual void SetVisible(bool bVisible = true);
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool bEnable = true);
    bool IsFocused() const;
    // Asks the manager to move the focus here; only a visible, enabled control takes it.
    virtual void SetFocus();
    bool IsMouseEnabled() const { return m_bMouseEnabled; }
    void SetMouseEnabled(bool bEnable) { m_bMouseEnabled = bEnable; }
    bool IsKeyboardEnabled() const { return m_bKeyboardEnabled; }
    void SetKeyboardEnabled(bool bEnable) { m_bKeyboardEnabled = bEnable; }

    // ---- geometry: setters take 100 % sizes, getters return pixels at the window's scale ----
    CDuiRect GetPos() const { return m_rcItem; }
    virtual void SetPos(const CDuiRect& rc, bool bNeedInvalidate = true);
    int GetWidth() const { return m_rcItem.GetWidth(); }
    int GetHeight() const { return m_rcItem.GetHeight(); }
    CDuiRect GetPadding() const;
    void SetPadding(const CDuiRect& rcPadding);
    int GetFixedWidth() const;
    void SetFixedWidth(int cx);
    int GetFixedHeight() const;
    void SetFixedHeight(int cy);
    int GetMinWidth() const;
    void SetMinWidth(int cx);
    int GetMaxWidth() const;
    void SetMaxWidth(int cx);
    int GetMinHeight() const;
    void SetMinHeight(int cy);
    int GetMaxHeight() const;
    void SetMaxHeight(int cy);
    bool IsFloat() const { return m_bFloat; }
    void SetFloat(bool bFloat) { m_bFloat = bFloat; }
    CDuiRect GetFloatPos() const;  // markup "pos" at the current scale, relative to the parent
    void SetFloatPos(const CDuiRect& rc) { m_rcFloat = rc; }
    // Size the control asks for in a layout; 0 means "share the rest".
    virtual QSize EstimateSize(QSize szAvailable);

    // ---- look ----
    DWORD GetBkColor() const { return m_dwBackColor; }
    void SetBkColor(DWORD color);
    DWORD GetForeColor() const { return m_dwForeColor; }
    void SetForeColor(DWORD color);
    DWORD GetBorderColor() const { return m_dwBorderColor; }
    void SetBorderColor(DWORD color);
    DWORD GetFocusBorderColor() const { return m_dwFocusBorderColor; }
    void SetFocusBorderColor(DWORD color);
    int GetBorderSize() const;
    void SetBorderSize(int size);
    QString GetBkImage() const { return m_sBkImage; }
    void SetBkImage(const QString& image);
    void SetCursor(Qt::CursorShape shape);

    // Markup attribute; unknown names are ignored.
    virtual void SetAttribute(const QString& pstrName, const QString& pstrValue);
    // "name=\"value\" name2=\"value2\"" as in <Default value=...>.
    void ApplyAttributeList(const QString& pstrList);

    // ---- painting (client coordinates) ----
    void Invalidate();
    // Asks the parent for a new layout (size-affecting changes).
    void NeedUpdate();
    void NeedParentUpdate();
    virtual void DoPaint(QPainter& painter, const CDuiRect& rcPaint);
    virtual void PaintBkColor(QPainter& painter);
    virtual void PaintBkImage(QPainter& painter);
    virtual void PaintStatusImage(QPainter& painter);
    virtual void PaintText(QPainter& painter);
    virtual void PaintBorder(QPainter& painter);
    // Draws a framework image string ("file.png" or "file='a.png' source='l,t,r,b' dest='...'")
    // into the control's rectangle; false when the image is missing.
    bool DrawImage(QPainter& painter, const QString& image);

    // ---- events and notifications ----
    virtual void DoEvent(TEventUI& event);
    void SendNotify(const QString& type, WPARAM wParam = 0, LPARAM lParam = 0);
    // Activates like a click would ("click" for buttons); false when disabled or hidden.
    virtual bool Activate();

    // ---- Qt side ----
    QWidget* GetWidget() const { return m_pWidget; }
    // Creates the control's widget on the window's client widget (the manager calls it).
    void CreateWidget(QWidget* pClient);
    // Applies visibility, enabled state and geometry to the widget (and children).
    virtual void SyncWidget();

    // Markup value parsers, shared with the custom controls' attribute handling.
    static DWORD ParseColor(const QString& value);
    static CDuiRect ParseRect(const QString& value);

protected:
    // Kinds that wrap a native Qt widget override this; the default paints through DoPaint.
    virtual QWidget* MakeWidget(QWidget* pClient);
    virtual void OnWidgetCreated() {}
    static bool ParseBool(const QString& value) {
        return value.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0;
    }
    int ScaleValue(int value) const;

    CPaintManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    QPointer<QWidget> m_pWidget;
    QString m_sName;
    QString m_sText;
    QString m_sToolTip;
    QString m_sUserData;
    QString m_sVirtualWnd;
    QString m_sBkImage;
    bool m_bVisible = true;
    bool m_bEnabled = true;
    bool m_bMouseEnabled = true;
    bool m_bKeyboardEnabled = true;
    bool m_bFloat = false;
    CDuiRect m_rcItem;
    CDuiRect m_rcPadding;  // at 100 %
    CDuiRect m_rcFloat;    // at 100 %
    QSize m_cxyFixed;      // at 100 %
    QSize m_cxyMin;
    QSize m_cxyMax{9999, 9999};
    DWORD m_dwBackColor = 0;
    DWORD m_dwForeColor = 0;
    DWORD m_dwBorderColor = 0;
    DWORD m_dwFocusBorderColor = 0;
    int m_nBorderSize = 0;  // at 100 %
    Qt::CursorShape m_cursor = Qt::ArrowCursor;
};

// Converts a framework colour to Qt.
inline QColor ToQColor(DWORD argb) {
    return QColor((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, (argb >> 24) & 0xFF);
}

}  // namespace DuiLib
