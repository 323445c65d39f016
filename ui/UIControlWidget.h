// The Qt widget behind a self-drawn control: paints through CControlUI::DoPaint and turns Qt
// input into TEventUI events in window client coordinates.
#pragma once

#include <QWidget>

#include "ui/UIDefs.h"

namespace DuiLib {

class CControlUI;

// Virtual key code of a Qt key (0 for keys without one).
UINT ToVirtualKey(int qtKey);
// Client point (the window's coordinates) of a point inside a control's widget.
QPoint ToClientPoint(const QWidget* widget, const QPointF& local);

// The link from a control's widget back to the control, cut when the control goes first (its
// widget is deleted later, never inside one of its own event handlers).
class CControlLink {
public:
    explicit CControlLink(CControlUI* pOwner) : m_pOwner(pOwner) {}
    virtual ~CControlLink() = default;
    CControlUI* GetOwner() const { return m_pOwner; }
    void DetachOwner() { m_pOwner = nullptr; }

protected:
    CControlUI* m_pOwner;
};

class CControlWidget : public QWidget, public CControlLink {
public:
    CControlWidget(CControlUI* pOwner, QWidget* pClient);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void Send(int type, const QPointF& local, WPARAM wParam = 0);
};

// Shared by widgets of controls: focus arrival, Tab, caption dragging.
namespace ControlWidgetHelper {
void FocusIn(CControlUI* pOwner, QFocusEvent* event);
bool TabFrom(CControlUI* pOwner, bool next);
// Key press reaching a control: goes through the window's message order (WM_KEYDOWN).
void KeyDown(CControlUI* pOwner, QKeyEvent* event);
// Mouse press on a passive control inside the window's caption area moves the window.
bool BeginCaptionDrag(CControlUI* pOwner, QMouseEvent* event);
}  // namespace ControlWidgetHelper

}  // namespace DuiLib
