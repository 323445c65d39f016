#include "ui/UIWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <deque>
#include <mutex>

#include "ui/UIControlWidget.h"

namespace DuiLib {

namespace {

const QEvent::Type kMessageEventType = static_cast<QEvent::Type>(QEvent::registerEventType());
// Wakes the window to take the messages other threads left in its sink.
const QEvent::Type kSinkEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

// A window message queued to the UI thread.
class CMessageEvent : public QEvent {
public:
    CMessageEvent(UINT msg, WPARAM wParam, LPARAM lParam, std::unique_ptr<dv::MessageRecord> record)
        : QEvent(kMessageEventType),
          m_msg(msg),
          m_wParam(wParam),
          m_lParam(lParam),
          m_record(std::move(record)) {}
    UINT m_msg;
    WPARAM m_wParam;
    LPARAM m_lParam;
    std::unique_ptr<dv::MessageRecord> m_record;
};

}  // namespace

// The top-level widget of a window: turns Qt events into window messages.
class CWindowWidget : public QWidget {
public:
    CWindowWidget(CWindowWnd* pOwner, QWidget* pParent, Qt::WindowFlags flags)
        : QWidget(pParent, flags), m_pOwner(pOwner) {
        setFocusPolicy(Qt::ClickFocus);
    }
    ~CWindowWidget() override {
        if (m_pOwner) m_pOwner->OnWidgetDeleted();
    }
    CWindowWnd* GetOwner() const { return m_pOwner; }
    void DetachOwner() { m_pOwner = nullptr; }

protected:
    bool event(QEvent* e) override {
        if (e->type() == kMessageEventType) {
            auto* msg = static_cast<CMessageEvent*>(e);
            if (m_pOwner)
                m_pOwner->DispatchMessage(msg->m_msg, msg->m_wParam, msg->m_lParam,
                                          std::move(msg->m_record));
            return true;
        }
        if (e->type() == kSinkEventType) {
            if (m_pOwner) m_pOwner->DispatchSinkMessages();
            return true;
        }
        if (e->type() == QEvent::ActivationChange && m_pOwner) {
            const bool active = isActiveWindow();
            m_pOwner->SendMessage(WM_NCACTIVATE, active ? 1 : 0);
            if (m_pOwner) m_pOwner->SendMessage(active ? WM_SETFOCUS : WM_KILLFOCUS);
        }
        return QWidget::event(e);
    }
    void closeEvent(QCloseEvent* e) override {
        // The window's own close path decides; the system close is only a request.
        e->ignore();
        if (m_pOwner) m_pOwner->SendMessage(WM_CLOSE);
    }
    void resizeEvent(QResizeEvent*) override {
        if (m_pOwner) {
            m_pOwner->SendMessage(WM_SIZE, 0,
                                  static_cast<LPARAM>((height() << 16) | (width() & 0xFFFF)));
        }
    }
    void showEvent(QShowEvent*) override {
        if (m_pOwner) m_pOwner->SendMessage(WM_SHOWWINDOW, 1);
    }
    void hideEvent(QHideEvent*) override {
        if (m_pOwner) m_pOwner->SendMessage(WM_SHOWWINDOW, 0);
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!m_pOwner) return;
        const UINT vk = ToVirtualKey(e->key());
        m_pOwner->SendMessage(WM_KEYDOWN, vk ? vk : static_cast<WPARAM>(e->key()),
                              static_cast<LPARAM>(e->modifiers().toInt()));
    }
    void mousePressEvent(QMouseEvent* e) override {
        // A popup (a menu) sees every press while it is open. One outside it closes it and is
        // then handed on to what lies under it, so another menu button opens its menu at once.
        if (windowType() == Qt::Popup && !rect().contains(e->position().toPoint())) {
            const auto* noReplay = property(kPopupNoReplayProperty).value<QObject*>();
            QWidget::mousePressEvent(e);
            if (!isVisible()) ReplayPress(*e, noReplay);
            return;
        }
        if (!m_pOwner || e->button() != Qt::LeftButton) return;
        const QPoint pt = e->position().toPoint();
        const LRESULT hit = m_pOwner->SendMessage(
            WM_NCHITTEST, 0, static_cast<LPARAM>((pt.y() << 16) | (pt.x() & 0xFFFF)));
        if (hit == 2 /* caption */ && windowHandle() && windowHandle()->startSystemMove()) return;
        if (m_pOwner)
            m_pOwner->SendMessage(WM_LBUTTONDOWN, 0,
                                  static_cast<LPARAM>((pt.y() << 16) | (pt.x() & 0xFFFF)));
    }

private:
    // Posts the press to the window under it, through that window's own event path; a window
    // kept out by a modal one gets nothing.
    static void ReplayPress(const QMouseEvent& e, const QObject* noReplay) {
        const QPoint global = e.globalPosition().toPoint();
        QWidget* target = QApplication::widgetAt(global);
        if (!target || target->window()->windowType() == Qt::Popup) return;
        // Compared, never followed: that widget may be gone.
        for (const QObject* o = target; o; o = o->parent())
            if (noReplay && o == noReplay) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != target->window()) return;
        QWindow* window = target->window()->windowHandle();
        if (!window) return;
        const QPointF local = window->mapFromGlobal(e.globalPosition());
        QCoreApplication::postEvent(
            window, new QMouseEvent(QEvent::MouseButtonPress, local, local, e.globalPosition(),
                                    e.button(), e.buttons(), e.modifiers(), e.pointingDevice()));
    }

    CWindowWnd* m_pOwner;
};

namespace {

// Posts from any thread (under the handle's lock) queue here in order. Only the first of a burst
// posts a Qt event: a reading thread that posts several records per reply would otherwise wake
// the UI thread, and contend with it, once per record.
class CWindowSink : public dv::MessageSink {
public:
    struct Posted {
        unsigned message = 0;
        intptr_t param = 0;
        std::unique_ptr<dv::MessageRecord> record;
    };

    explicit CWindowSink(QWidget* widget) : m_widget(widget) {}

    void Deliver(unsigned message, intptr_t param,
                 std::unique_ptr<dv::MessageRecord> record) override {
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_posted.push_back({message, param, std::move(record)});
            wake = !m_wakePending;
            m_wakePending = true;
        }
        if (wake) QCoreApplication::postEvent(m_widget, new QEvent(kSinkEventType));
    }

    // UI thread: the oldest message, if any. While more wait, another wake is posted first, so a
    // handler that runs a nested event loop (a modal window) still gets the rest, in order.
    bool Take(Posted& out) {
        bool more = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_posted.empty()) {
                m_wakePending = false;
                return false;
            }
            out = std::move(m_posted.front());
            m_posted.pop_front();
            more = !m_posted.empty();
            m_wakePending = more;
        }
        if (more) QCoreApplication::postEvent(m_widget, new QEvent(kSinkEventType));
        return true;
    }

private:
    QWidget* m_widget;
    std::mutex m_mutex;
    std::deque<Posted> m_posted;
    bool m_wakePending = false;
};

}  // namespace

CWindowWnd::CWindowWnd() : m_alive(std::make_shared<bool>(true)) {}

CWindowWnd::~CWindowWnd() {
    ReleaseWindow();
}

HWND CWindowWnd::GetHWND() const {
    return m_pWidget;
}

CWindowWnd* CWindowWnd::FromHWND(HWND hWnd) {
    auto* w = dynamic_cast<CWindowWidget*>(hWnd);
    return w ? w->GetOwner() : nullptr;
}

HWND CWindowWnd::Create(HWND hwndParent, const QString& pstrName, UINT dwStyle, UINT dwExStyle,
                        const CDuiRect& rc) {
    return Create(hwndParent, pstrName, dwStyle, dwExStyle, rc.left, rc.top, rc.GetWidth(),
                  rc.GetHeight());
}

HWND CWindowWnd::Create(HWND hwndParent, const QString& pstrName, UINT dwStyle, UINT dwExStyle,
                        int x, int y, int cx, int cy) {
    if (m_pWidget) return nullptr;
    m_dwStyle = dwStyle;
    m_dwExStyle = dwExStyle;
    // Every window draws its own title bar from markup.
    Qt::WindowFlags flags = Qt::FramelessWindowHint;
    flags |= (hwndParent || (dwStyle & WS_POPUP) || (dwExStyle & WS_EX_TOOLWINDOW)) ? Qt::Dialog
                                                                                    : Qt::Window;
    m_pWidget = new CWindowWidget(this, hwndParent, flags);
    m_pWidget->setObjectName(GetWindowClassName());
    m_pWidget->setWindowTitle(pstrName);
    m_pWidget->setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette pal = m_pWidget->palette();
    pal.setColor(QPalette::Window, QColor(0x14, 0x17, 0x1C));
    m_pWidget->setPalette(pal);
    m_pWidget->setAutoFillBackground(true);
    m_pWidget->resize(cx == CW_USEDEFAULT ? 400 : cx, cy == CW_USEDEFAULT ? 300 : cy);
    if (x != CW_USEDEFAULT && y != CW_USEDEFAULT) m_pWidget->move(x, y);
    m_pSink = std::make_unique<CWindowSink>(m_pWidget);
    m_handle = std::make_shared<dv::WindowTarget>(m_pSink.get());
    std::weak_ptr<bool> alive = m_alive;
    if (SendMessage(WM_CREATE) == -1) {
        if (!alive.expired()) DestroyWindow();
        return nullptr;
    }
    if (alive.expired() || !m_pWidget) return nullptr;
    if (dwStyle & WS_VISIBLE) ShowWindow(true, true);
    return m_pWidget;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
    if (!m_pWidget) return;
    if (!bShow) {
        m_pWidget->hide();
        return;
    }
    m_pWidget->show();
    m_pWidget->raise();
    if (bTakeFocus) m_pWidget->activateWindow();
}

UINT CWindowWnd::ShowModal() {
    if (!m_pWidget) return 0;
    m_pWidget->setWindowModality(Qt::ApplicationModal);
    ShowWindow(true, true);
    QEventLoop loop;
    m_pModalLoop = &loop;
    // The loop ends when the window is destroyed; the object may be gone by then. It also ends
    // on a quit request with the window still up: the loop must not be named after it is gone.
    const std::weak_ptr<bool> alive = m_alive;
    const int result = loop.exec();
    if (!alive.expired() && m_pModalLoop == &loop) m_pModalLoop = nullptr;
    return static_cast<UINT>(result);
}

void CWindowWnd::Close(UINT nRet) {
    PostMessage(WM_CLOSE, nRet);
}

void CWindowWnd::CenterWindow() {
    if (!m_pWidget) return;
    QRect area;
    QWidget* parent = m_pWidget->parentWidget();
    if (parent && parent->isVisible() && !parent->isMinimized()) {
        area = parent->frameGeometry();
    } else {
        QScreen* screen =
            m_pWidget->screen() ? m_pWidget->screen() : QGuiApplication::primaryScreen();
        if (!screen) return;
        area = screen->availableGeometry();
    }
    const QSize size = m_pWidget->frameGeometry().size();
    m_pWidget->move(area.x() + (area.width() - size.width()) / 2,
                    area.y() + (area.height() - size.height()) / 2);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    if (!m_pWidget) return;
    m_pWidget->resize(cx < 0 ? m_pWidget->width() : cx, cy < 0 ? m_pWidget->height() : cy);
}

bool CWindowWnd::IsWindow() const {
    return m_pWidget != nullptr;
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return DispatchMessage(uMsg, wParam, lParam, nullptr);
}

bool CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam,
                             std::unique_ptr<dv::MessageRecord> record) {
    if (!m_pWidget) return false;
    QCoreApplication::postEvent(m_pWidget,
                                new CMessageEvent(uMsg, wParam, lParam, std::move(record)));
    return true;
}

void CWindowWnd::DispatchSinkMessages() {
    auto* const sink = static_cast<CWindowSink*>(m_pSink.get());
    if (!sink) return;
    std::weak_ptr<bool> alive = m_alive;
    CWindowSink::Posted posted;
    while (sink->Take(posted)) {
        DispatchMessage(posted.message, static_cast<WPARAM>(posted.param), 0,
                        std::move(posted.record));
        // A handler may destroy the window; what it had not taken yet is dropped with it.
        if (alive.expired() || !m_pWidget || m_pSink.get() != sink) return;
    }
}

LRESULT CWindowWnd::DispatchMessage(UINT uMsg, WPARAM wParam, LPARAM lParam,
                                    std::unique_ptr<dv::MessageRecord> record) {
    std::weak_ptr<bool> alive = m_alive;
    std::unique_ptr<dv::MessageRecord>* previous = m_pCurrentRecord;
    if (record) lParam = reinterpret_cast<LPARAM>(record.get());
    SetMessageRecord(&record);
    const LRESULT result = HandleMessage(uMsg, wParam, lParam);
    // The handler may have destroyed the window object (dialogs delete themselves).
    if (!alive.expired()) SetMessageRecord(previous);
    return result;
}

dv::MessageRecord* CWindowWnd::GetCurrentRecord() const {
    return m_pCurrentRecord ? m_pCurrentRecord->get() : nullptr;
}

void CWindowWnd::SetMessageRecord(std::unique_ptr<dv::MessageRecord>* pRecord) {
    m_pCurrentRecord = pRecord;
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM) {
    switch (uMsg) {
        case WM_CLOSE:
            m_nModalResult = static_cast<UINT>(wParam);
            DestroyWindow();
            return 0;
        case WM_SYSCOMMAND:
            if (!m_pWidget) return 0;
            switch (wParam & 0xFFF0) {
                case SC_MINIMIZE:
                    m_pWidget->showMinimized();
                    break;
                case SC_MAXIMIZE:
                    m_pWidget->showMaximized();
                    break;
                case SC_RESTORE:
                    m_pWidget->showNormal();
                    break;
                case SC_CLOSE:
                    SendMessage(WM_CLOSE);
                    break;
                default:
                    break;
            }
            return 0;
        default:
            return 0;
    }
}

void CWindowWnd::OnFinalMessage(HWND) {}

void CWindowWnd::DestroyWindow() {
    if (!m_pWidget || m_bDestroying) return;
    m_bDestroying = true;
    if (m_handle) m_handle->Detach();
    CWindowWidget* widget = m_pWidget;
    widget->hide();
    std::weak_ptr<bool> alive = m_alive;
    SendMessage(WM_DESTROY);
    if (alive.expired()) return;
    widget->DetachOwner();
    m_pWidget = nullptr;
    widget->deleteLater();
    if (m_pModalLoop) {
        m_pModalLoop->exit(static_cast<int>(m_nModalResult));
        m_pModalLoop = nullptr;
    }
    m_bDestroying = false;
    OnFinalMessage(widget);
}

void CWindowWnd::OnWidgetDeleted() {
    if (m_handle) m_handle->Detach();
    m_pWidget = nullptr;
    if (m_pModalLoop) {
        m_pModalLoop->exit(static_cast<int>(m_nModalResult));
        m_pModalLoop = nullptr;
    }
}

void CWindowWnd::ReleaseWindow() {
    if (m_handle) m_handle->Detach();
    if (!m_pWidget) return;
    CWindowWidget* widget = m_pWidget;
    m_pWidget = nullptr;
    widget->DetachOwner();
    widget->hide();
    widget->deleteLater();
    if (m_pModalLoop) {
        m_pModalLoop->exit(static_cast<int>(m_nModalResult));
        m_pModalLoop = nullptr;
    }
}

// ---------------------------------------------------------------------------------------------

bool CNotifyPump::AddVirtualWnd(const QString& strName, CNotifyPump* pObject) {
    if (!pObject || m_VirtualWndMap.contains(strName)) return false;
    m_VirtualWndMap.insert(strName, pObject);
    return true;
}

bool CNotifyPump::RemoveVirtualWnd(const QString& strName) {
    return m_VirtualWndMap.remove(strName) > 0;
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
    if (msg.sVirtualWnd.isEmpty()) return false;
    auto it = m_VirtualWndMap.constFind(msg.sVirtualWnd);
    if (it == m_VirtualWndMap.cend()) return false;
    it.value()->Notify(msg);
    return true;
}

void CNotifyPump::Notify(TNotifyUI&) {}

}  // namespace DuiLib
