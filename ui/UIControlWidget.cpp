#include "ui/UIControlWidget.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

#include "ui/UIControl.h"
#include "ui/UIManager.h"
#include "ui/UIWindow.h"

namespace DuiLib {

UINT ToVirtualKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Delete:
            return VK_DELETE;
        default:
            break;
    }
    // Letters and digits share their codes with Win32 virtual keys.
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) {
        return static_cast<UINT>(qtKey);
    }
    return 0;
}

QPoint ToClientPoint(const QWidget* widget, const QPointF& local) {
    return widget->pos() + local.toPoint();
}

namespace ControlWidgetHelper {

void FocusIn(CControlUI* pOwner, QFocusEvent* event) {
    if (!pOwner || !pOwner->GetManager()) return;
    // Re-activating the window gives the widget back its focus; the framework focus never left.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) {
        return;
    }
    pOwner->GetManager()->OnWidgetFocusIn(pOwner);
}

bool TabFrom(CControlUI* pOwner, bool next) {
    if (!pOwner || !pOwner->GetManager()) return false;
    CPaintManagerUI* pm = pOwner->GetManager();
    CControlUI* target = pm->GetNextTabControl(pOwner, next);
    if (target) pm->SetFocus(target);
    return true;
}

void KeyDown(CControlUI* pOwner, QKeyEvent* event) {
    if (!pOwner || !pOwner->GetManager() || !pOwner->GetManager()->GetWindow()) return;
    const UINT vk = ToVirtualKey(event->key());
    pOwner->GetManager()->GetWindow()->SendMessage(WM_KEYDOWN,
                                                   vk ? vk : static_cast<WPARAM>(event->key()),
                                                   static_cast<LPARAM>(event->modifiers().toInt()));
}

bool BeginCaptionDrag(CControlUI* pOwner, QMouseEvent* event) {
    if (!pOwner || !pOwner->GetManager() || event->button() != Qt::LeftButton) return false;
    if (pOwner->GetControlFlags() != 0) return false;
    CPaintManagerUI* pm = pOwner->GetManager();
    const QPoint pt = ToClientPoint(pOwner->GetWidget(), event->position());
    if (!pm->GetCaptionRect().Contains(pt)) return false;
    QWidget* top = pOwner->GetWidget()->window();
    return top->windowHandle() && top->windowHandle()->startSystemMove();
}

}  // namespace ControlWidgetHelper

CControlWidget::CControlWidget(CControlUI* pOwner, QWidget* pClient)
    : QWidget(pClient), CControlLink(pOwner) {
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
}

bool CControlWidget::event(QEvent* event) {
    // The control paints everything itself, so no Qt style has anything to give it. Under the
    // window's style sheet a polish would still match every rule and set a palette and a font
    // per widget, the largest part of opening a window with a few hundred controls.
    if (event->type() == QEvent::Polish) {
        setAttribute(Qt::WA_WState_Polished);
        return true;
    }
    return QWidget::event(event);
}

void CControlWidget::paintEvent(QPaintEvent* event) {
    if (!m_pOwner) return;
    QPainter painter(this);
    const CDuiRect rc = m_pOwner->GetPos();
    painter.translate(-rc.left, -rc.top);
    const QRect dirty = event->rect().translated(rc.left, rc.top);
    m_pOwner->DoPaint(painter, CDuiRect(dirty));
}

void CControlWidget::Send(int type, const QPointF& local, WPARAM wParam) {
    if (!m_pOwner) return;
    TEventUI event;
    event.Type = type;
    event.pSender = m_pOwner;
    event.dwTimestamp = QDateTime::currentMSecsSinceEpoch();
    event.ptMouse = ToClientPoint(this, local);
    event.wParam = wParam;
    m_pOwner->DoEvent(event);
}

void CControlWidget::mousePressEvent(QMouseEvent* event) {
    if (!m_pOwner || !m_pOwner->IsMouseEnabled()) {
        event->ignore();
        return;
    }
    if (ControlWidgetHelper::BeginCaptionDrag(m_pOwner, event)) return;
    if (event->button() == Qt::LeftButton) {
        // A press moves the framework focus to the control, as clicking always did.
        if (m_pOwner->GetManager() && m_pOwner->IsEnabled())
            m_pOwner->GetManager()->SetFocus(m_pOwner);
        Send(UIEVENT_BUTTONDOWN, event->position());
    } else if (event->button() == Qt::RightButton) {
        Send(UIEVENT_RBUTTONDOWN, event->position());
    }
}

void CControlWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pOwner || !m_pOwner->IsMouseEnabled()) return;
    if (event->button() == Qt::LeftButton) Send(UIEVENT_BUTTONUP, event->position());
}

void CControlWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!m_pOwner || !m_pOwner->IsMouseEnabled()) return;
    if (event->button() == Qt::LeftButton) Send(UIEVENT_DBLCLICK, event->position());
}

void CControlWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pOwner || !m_pOwner->IsMouseEnabled()) return;
    Send(UIEVENT_MOUSEMOVE, event->position());
}

void CControlWidget::enterEvent(QEnterEvent* event) {
    if (!m_pOwner || !m_pOwner->IsMouseEnabled()) return;
    Send(UIEVENT_MOUSEENTER, event->position());
}

void CControlWidget::leaveEvent(QEvent*) {
    if (!m_pOwner || !m_pOwner->IsMouseEnabled()) return;
    Send(UIEVENT_MOUSELEAVE, mapFromGlobal(QCursor::pos()));
}

void CControlWidget::wheelEvent(QWheelEvent* event) {
    if (!m_pOwner || !m_pOwner->IsMouseEnabled() || event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    Send(UIEVENT_SCROLLWHEEL, event->position(), event->angleDelta().y() > 0 ? 1 : 0);
}

void CControlWidget::keyPressEvent(QKeyEvent* event) {
    if (!m_pOwner) return;
    ControlWidgetHelper::KeyDown(m_pOwner, event);
}

void CControlWidget::keyReleaseEvent(QKeyEvent* event) {
    if (!m_pOwner) return;
    TEventUI ev;
    ev.Type = UIEVENT_KEYUP;
    ev.pSender = m_pOwner;
    ev.chKey = ToVirtualKey(event->key());
    m_pOwner->DoEvent(ev);
}

void CControlWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    ControlWidgetHelper::FocusIn(m_pOwner, event);
}

bool CControlWidget::focusNextPrevChild(bool next) {
    return ControlWidgetHelper::TabFrom(m_pOwner, next) || QWidget::focusNextPrevChild(next);
}

}  // namespace DuiLib
