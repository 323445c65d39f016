#include "ui/UIManager.h"

#include <QApplication>
#include <QDateTime>
#include <QPointer>
#include <QTimer>
#include <QTimerEvent>
#include <QWidget>
#include <algorithm>

#include "ui/UIContainer.h"
#include "ui/UIControl.h"
#include "ui/UIResourceManager.h"
#include "ui/UIWindow.h"

namespace DuiLib {

// Qt timers of one manager, mapped to (control, id); also the context of deferred layouts.
class CManagerTimerHost : public QObject {
public:
    explicit CManagerTimerHost(CPaintManagerUI* pManager) : m_pManager(pManager) {}

    bool Start(CControlUI* pControl, UINT id, UINT elapse) {
        Stop(pControl, id);
        const int qtId = startTimer(static_cast<int>(elapse));
        if (qtId == 0) return false;
        m_timers.push_back({pControl, id, qtId});
        return true;
    }
    bool Stop(CControlUI* pControl, UINT id) {
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->control == pControl && it->id == id) {
                killTimer(it->qtId);
                m_timers.erase(it);
                return true;
            }
        }
        return false;
    }
    void StopAll(CControlUI* pControl) {
        for (auto it = m_timers.begin(); it != m_timers.end();) {
            if (it->control == pControl) {
                killTimer(it->qtId);
                it = m_timers.erase(it);
            } else {
                ++it;
            }
        }
    }

protected:
    void timerEvent(QTimerEvent* event) override {
        for (const Entry& e : m_timers) {
            if (e.qtId == event->timerId()) {
                m_pManager->OnTimer(e.control, e.id);
                return;
            }
        }
    }

private:
    struct Entry {
        CControlUI* control;
        UINT id;
        int qtId;
    };
    CPaintManagerUI* m_pManager;
    std::vector<Entry> m_timers;
};

void* CPaintManagerUI::s_hInstance = nullptr;

namespace {

QString& ResourcePath() {
    static QString path;
    return path;
}

std::vector<CPaintManagerUI*>& LiveManagers() {
    static std::vector<CPaintManagerUI*> managers;
    return managers;
}

void Flatten(CControlUI* pControl, std::vector<CControlUI*>& out) {
    if (!pControl) return;
    out.push_back(pControl);
    if (auto* container =
            static_cast<CContainerUI*>(pControl->GetInterface(QStringLiteral("Container")))) {
        for (int i = 0; i < container->GetCount(); ++i) Flatten(container->GetItemAt(i), out);
    }
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() : m_pTimers(std::make_unique<CManagerTimerHost>(this)) {
    m_defaultFont.sFontName = QStringLiteral("WenQuanYi Micro Hei");
    m_defaultFont.iSize = 12;
    LiveManagers().push_back(this);
}

CPaintManagerUI::~CPaintManagerUI() {
    auto& managers = LiveManagers();
    managers.erase(std::remove(managers.begin(), managers.end(), this), managers.end());
    // Nothing reaches the window while its controls are deleted.
    m_notifiers.clear();
    m_filters.clear();
    m_bShuttingDown = true;
    CControlUI* root = m_pRoot;
    m_pRoot = nullptr;
    m_pFocus = nullptr;
    delete root;
    for (CControlUI* control : m_delayedCleanup) delete control;
}

void CPaintManagerUI::SetResourcePath(const QString& path) {
    ResourcePath() = path;
}
QString CPaintManagerUI::GetResourcePath() {
    return ResourcePath();
}

bool CPaintManagerUI::SetResourceZip(const void* data, std::size_t size, const QString& password) {
    return CResourceManager::GetInstance()->SetResourceZip(data, size, password);
}

int CPaintManagerUI::MessageLoop() {
    return QApplication::exec();
}

void CPaintManagerUI::PostQuitMessage(int nExitCode) {
    QCoreApplication::exit(nExitCode);
}

void CPaintManagerUI::Term() {
    CResourceManager* rm = CResourceManager::GetInstance();
    rm->ResetLanguages();
    rm->ResetResourceMap();
    rm->ResetResourceZip();
}

QString CPaintManagerUI::GetDefaultStyleSheet() {
    return QStringLiteral(
        "QLineEdit { background: #0F1216; color: #E2E7EE; border: 1px solid #333B46;"
        " selection-background-color: #00C000; selection-color: #0F1216; padding: 0 4px; }"
        "QLineEdit:focus { border: 1px solid #00C000; }"
        "QLineEdit:disabled { color: #59616D; border: none; }"
        "QComboBox { background: #0F1216; color: #E2E7EE; border: 1px solid #333B46;"
        " padding: 0 6px; }"
        "QComboBox:focus { border: 1px solid #00C000; }"
        "QComboBox:disabled { color: #59616D; border: none; }"
        "QComboBox QAbstractItemView { background: #1C2128; color: #E2E7EE;"
        " selection-background-color: #00C000; selection-color: #0F1216;"
        " border: 1px solid #2B323C; outline: 0; }"
        "QToolTip { background: #1C2128; color: #E2E7EE; border: 1px solid #2B323C; }");
}

const std::vector<CPaintManagerUI*>& CPaintManagerUI::GetPaintManagers() {
    return LiveManagers();
}

void CPaintManagerUI::Init(CWindowWnd* pWindow) {
    m_pWindow = pWindow;
}

QWidget* CPaintManagerUI::GetPaintWindow() const {
    return m_pWindow ? m_pWindow->GetHWND() : nullptr;
}

bool CPaintManagerUI::AttachDialog(CControlUI* pControl) {
    if (!pControl) return false;
    CControlUI* old = m_pRoot;
    m_pFocus = nullptr;
    m_pRoot = pControl;
    InvalidateNameIndex();
    delete old;
    m_pRoot->SetManager(this, nullptr, true);
    UpdateLayout();
    return true;
}

CControlUI* CPaintManagerUI::FindControl(const QString& name) const {
    if (!m_pRoot) return nullptr;
    if (!m_bNameIndexValid) {
        std::vector<CControlUI*> all;
        Flatten(m_pRoot, all);
        m_nameIndex.clear();
        m_nameIndex.reserve(static_cast<qsizetype>(all.size()));
        for (CControlUI* control : all) {
            if (!m_nameIndex.contains(control->GetName()))
                m_nameIndex.insert(control->GetName(), control);
        }
        m_bNameIndexValid = true;
    }
    return m_nameIndex.value(name, nullptr);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* pParent, const QString& name) const {
    return pParent ? pParent->FindControl(name) : nullptr;
}

CControlUI* CPaintManagerUI::FindControl(const QPoint& pt) const {
    std::vector<CControlUI*> all;
    Flatten(m_pRoot, all);
    // Later controls are drawn above earlier ones.
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if ((*it)->IsVisible() && (*it)->GetPos().Contains(pt)) return *it;
    }
    return nullptr;
}

void CPaintManagerUI::InitControls(CControlUI* pControl, CControlUI* pParent) {
    if (!pControl) return;
    pControl->SetManager(this, pParent, GetPaintWindow() != nullptr);
    NeedLayout();
}

void CPaintManagerUI::NeedUpdate() {
    if (m_pRoot) m_pRoot->RefreshText();
    NeedLayout();
}

void CPaintManagerUI::NeedLayout() {
    if (m_bUpdateNeeded) return;
    m_bUpdateNeeded = true;
    QTimer::singleShot(0, m_pTimers.get(), [this] {
        if (m_bUpdateNeeded) UpdateLayout();
    });
}

void CPaintManagerUI::UpdateLayout() {
    m_bUpdateNeeded = false;
    if (!m_pRoot) return;
    const QSize client = GetClientSize();
    m_pRoot->SetPos(CDuiRect(0, 0, client.width(), client.height()));
    m_pRoot->SyncWidget();
}

void CPaintManagerUI::Invalidate() {
    if (QWidget* w = GetPaintWindow()) {
        w->update();
        for (QWidget* child : w->findChildren<QWidget*>()) child->update();
    }
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* pControl) {
    if (!pControl) return;
    std::vector<CControlUI*> gone;
    Flatten(pControl, gone);
    InvalidateNameIndex();
    for (CControlUI* c : gone) {
        // The focus leaves silently, as it does for a deleted control.
        if (m_pFocus == c) m_pFocus = nullptr;
        m_pTimers->StopAll(c);
        if (QWidget* w = c->GetWidget()) {
            if (w->hasFocus()) w->window()->setFocus(Qt::OtherFocusReason);
            w->hide();
        }
    }
    m_delayedCleanup.push_back(pControl);
    if (m_delayedCleanup.size() > 1) return;
    QTimer::singleShot(0, m_pTimers.get(), [this] {
        std::vector<CControlUI*> pending;
        pending.swap(m_delayedCleanup);
        for (CControlUI* control : pending) delete control;
    });
}

void CPaintManagerUI::ReapObjects(CControlUI* pControl) {
    InvalidateNameIndex();
    if (m_pFocus == pControl) m_pFocus = nullptr;
    if (m_pFocusLeaving == pControl) m_pFocusLeaving = nullptr;
    m_pTimers->StopAll(pControl);
}

void CPaintManagerUI::SetInitSize(int cx, int cy) {
    m_szInitWindowSize = QSize(cx, cy);
    if (m_pWindow && m_pWindow->GetHWND()) {
        m_pWindow->ResizeClient(m_dpi.Scale(cx), m_dpi.Scale(cy));
    }
}

QSize CPaintManagerUI::GetClientSize() const {
    QWidget* w = GetPaintWindow();
    return w ? w->size() : m_dpi.Scale(m_szInitWindowSize);
}

CDuiRect CPaintManagerUI::GetCaptionRect() const {
    // Negative values count from the right or bottom edge.
    const CDuiRect rc = m_dpi.Scale(m_rcCaption);
    const QSize client = GetClientSize();
    return CDuiRect(rc.left, rc.top, rc.right > 0 ? rc.right : client.width() + rc.right,
                    rc.bottom > 0 ? rc.bottom : client.height() + rc.bottom);
}

void CPaintManagerUI::SetDPI(int iDPI) {
    const int oldScale = m_dpi.GetScale();
    m_dpi.SetDPI(iDPI);
    ApplyScaleToWindow(oldScale);
}

void CPaintManagerUI::SetMinInfo(int cx, int cy) {
    m_szMinWindow = QSize(cx, cy);
    ApplyMinInfo();
}

void CPaintManagerUI::ApplyMinInfo() {
    QWidget* window = m_pWindow ? m_pWindow->GetHWND() : nullptr;
    if (!window || m_szMinWindow.isEmpty()) return;
    window->setMinimumSize(m_dpi.Scale(m_szMinWindow));
}

void CPaintManagerUI::ApplyScaleToWindow(int oldScale) {
    const int newScale = m_dpi.GetScale();
    // The minimum follows the scale first, so a smaller scale can shrink the window.
    ApplyMinInfo();
    if (m_pWindow && m_pWindow->GetHWND() && oldScale != newScale && oldScale > 0) {
        const QSize size = m_pWindow->GetHWND()->size();
        m_pWindow->ResizeClient(size.width() * newScale / oldScale,
                                size.height() * newScale / oldScale);
    }
    // At the same scale the fonts and pictures are those already shown.
    const bool rescaled = oldScale != newScale;
    if (rescaled && m_pRoot) m_pRoot->RefreshText();  // fonts of native widgets
    UpdateLayout();
    if (rescaled) Invalidate();
}

void CPaintManagerUI::AddFont(int id, const TFontInfo& info, bool bDefault) {
    m_fonts[id] = info;
    if (bDefault) m_defaultFont = info;
}

QFont CPaintManagerUI::GetFont(int id) const {
    auto it = m_fonts.find(id);
    const TFontInfo& info = it != m_fonts.end() ? it->second : m_defaultFont;
    QFont font(info.sFontName);
    font.setPixelSize(qMax(1, m_dpi.Scale(info.iSize)));
    font.setBold(info.bBold);
    font.setUnderline(info.bUnderline);
    font.setItalic(info.bItalic);
    return font;
}

void CPaintManagerUI::SetDefaultFont(const TFontInfo& info) {
    m_defaultFont = info;
}

void CPaintManagerUI::AddDefaultAttributeList(const QString& controlName, const QString& attrList) {
    m_defaultAttrs.insert(controlName.toLower(), attrList);
    m_defaultAttrsParsed.insert(controlName.toLower(), ParseAttributeList(attrList));
}

const MarkupAttributes* CPaintManagerUI::GetDefaultAttributes(const QString& lowerName) const {
    auto it = m_defaultAttrsParsed.constFind(lowerName);
    return it == m_defaultAttrsParsed.cend() || it->empty() ? nullptr : &it.value();
}

QString CPaintManagerUI::GetDefaultAttributeList(const QString& controlName) const {
    return m_defaultAttrs.value(controlName.toLower());
}

QImage CPaintManagerUI::GetImage(const QString& name) const {
    return CResourceManager::GetInstance()->GetImage(name, m_dpi.GetScale());
}

void CPaintManagerUI::SetFocus(CControlUI* pControl) {
    if (pControl == m_pFocus || m_bShuttingDown) return;
    if (m_pFocusLeaving) {
        // Inside the old control's "killfocus": asking for it again changes nothing.
        return;
    }
    if (pControl && (!pControl->IsVisible() || !pControl->IsEnabled())) return;
    if (CControlUI* old = m_pFocus) {
        m_pFocusLeaving = old;
        TEventUI event;
        event.Type = UIEVENT_KILLFOCUS;
        event.pSender = pControl;
        event.dwTimestamp = QDateTime::currentMSecsSinceEpoch();
        old->DoEvent(event);
        // The control may have been deleted by a handler; ReapObjects then cleared the mark.
        if (m_pFocusLeaving) SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
        m_pFocusLeaving = nullptr;
        m_pFocus = nullptr;
    }
    if (!pControl || !pControl->IsVisible() || !pControl->IsEnabled()) {
        if (QWidget* w = GetPaintWindow()) w->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_pFocus = pControl;
    if (QWidget* w = pControl->GetWidget(); w && !w->hasFocus()) w->setFocus(Qt::OtherFocusReason);
    TEventUI event;
    event.Type = UIEVENT_SETFOCUS;
    event.pSender = pControl;
    event.dwTimestamp = QDateTime::currentMSecsSinceEpoch();
    pControl->DoEvent(event);
    if (m_pFocus == pControl) SendNotify(pControl, DUI_MSGTYPE_SETFOCUS);
}

CControlUI* CPaintManagerUI::GetNextTabControl(CControlUI* pFrom, bool bForward) const {
    std::vector<CControlUI*> all;
    Flatten(m_pRoot, all);
    if (all.empty()) return nullptr;
    const auto n = static_cast<int>(all.size());
    int start = -1;
    for (int i = 0; i < n; ++i) {
        if (all[static_cast<size_t>(i)] == pFrom) start = i;
    }
    for (int step = 1; step <= n; ++step) {
        int i = bForward ? start + step : start - step;
        i = ((i % n) + n) % n;
        CControlUI* c = all[static_cast<size_t>(i)];
        if ((c->GetControlFlags() & UIFLAG_TABSTOP) && c->IsVisible() && c->IsEnabled() &&
            c->IsKeyboardEnabled()) {
            return c;
        }
    }
    return nullptr;
}

void CPaintManagerUI::AddOptionGroup(const QString& group, CControlUI* pControl) {
    auto& members = m_optionGroups[group];
    if (std::find(members.begin(), members.end(), pControl) == members.end())
        members.push_back(pControl);
}

void CPaintManagerUI::RemoveOptionGroup(const QString& group, CControlUI* pControl) {
    auto it = m_optionGroups.find(group);
    if (it == m_optionGroups.end()) return;
    auto& members = it.value();
    members.erase(std::remove(members.begin(), members.end(), pControl), members.end());
    if (members.empty()) m_optionGroups.erase(it);
}

std::vector<CControlUI*> CPaintManagerUI::GetOptionGroup(const QString& group) const {
    return m_optionGroups.value(group);
}

bool CPaintManagerUI::SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse) {
    return pControl && m_pTimers->Start(pControl, nTimerID, uElapse);
}

bool CPaintManagerUI::KillTimer(CControlUI* pControl, UINT nTimerID) {
    return m_pTimers->Stop(pControl, nTimerID);
}

void CPaintManagerUI::KillTimer(CControlUI* pControl) {
    m_pTimers->StopAll(pControl);
}

void CPaintManagerUI::OnTimer(CControlUI* pControl, UINT nTimerID) {
    TEventUI event;
    event.Type = UIEVENT_TIMER;
    event.pSender = pControl;
    event.wParam = nTimerID;
    event.dwTimestamp = QDateTime::currentMSecsSinceEpoch();
    pControl->DoEvent(event);
}

bool CPaintManagerUI::AddNotifier(INotifyUI* pControl) {
    if (!pControl ||
        std::find(m_notifiers.begin(), m_notifiers.end(), pControl) != m_notifiers.end()) {
        return false;
    }
    m_notifiers.push_back(pControl);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* pControl) {
    auto it = std::find(m_notifiers.begin(), m_notifiers.end(), pControl);
    if (it == m_notifiers.end()) return false;
    m_notifiers.erase(it);
    return true;
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* pFilter) {
    if (!pFilter || std::find(m_filters.begin(), m_filters.end(), pFilter) != m_filters.end())
        return false;
    m_filters.push_back(pFilter);
    return true;
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* pFilter) {
    auto it = std::find(m_filters.begin(), m_filters.end(), pFilter);
    if (it == m_filters.end()) return false;
    m_filters.erase(it);
    return true;
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool bAsync) {
    if (msg.pSender && msg.sVirtualWnd.isEmpty()) msg.sVirtualWnd = msg.pSender->GetVirtualWnd();
    if (msg.dwTimestamp == 0) msg.dwTimestamp = QDateTime::currentMSecsSinceEpoch();
    if (bAsync) {
        TNotifyUI copy = msg;
        QTimer::singleShot(0, m_pTimers.get(), [this, copy]() mutable {
            // The sender may have gone in the meantime.
            std::vector<CControlUI*> all;
            Flatten(m_pRoot, all);
            if (copy.pSender && std::find(all.begin(), all.end(), copy.pSender) == all.end())
                return;
            SendNotify(copy, false);
        });
        return;
    }
    const std::vector<INotifyUI*> notifiers = m_notifiers;
    for (INotifyUI* notifier : notifiers) notifier->Notify(msg);
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, const QString& type, WPARAM wParam,
                                 LPARAM lParam, bool bAsync) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = pControl;
    msg.wParam = wParam;
    msg.lParam = lParam;
    if (QWidget* w = GetPaintWindow()) msg.ptMouse = w->mapFromGlobal(QCursor::pos());
    SendNotify(msg, bAsync);
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    const std::vector<IMessageFilterUI*> filters = m_filters;
    for (IMessageFilterUI* filter : filters) {
        bool bHandled = false;
        const LRESULT r = filter->MessageHandler(uMsg, wParam, lParam, bHandled);
        if (bHandled) {
            lRes = r;
            return true;
        }
    }
    switch (uMsg) {
        case WM_KEYDOWN:
            if (m_pFocus) {
                TEventUI event;
                event.Type = UIEVENT_KEYDOWN;
                event.pSender = m_pFocus;
                event.chKey = static_cast<UINT>(wParam);
                event.wKeyState = static_cast<UINT>(lParam);
                event.dwTimestamp = QDateTime::currentMSecsSinceEpoch();
                m_pFocus->DoEvent(event);
            }
            break;
        case WM_SIZE:
            UpdateLayout();
            break;
        case WM_CLOSE:
            // The focused control hears "killfocus" before its window goes.
            SetFocus(nullptr);
            break;
        case WM_LBUTTONDOWN:
            // A click on the bare window takes the focus from the focused control.
            SetFocus(nullptr);
            break;
        default:
            break;
    }
    return false;
}

void CPaintManagerUI::DeletePtr(const dv::MessageRecord* pRecord) {
    if (pRecord && m_pCurrentRecord && m_pCurrentRecord->get() == pRecord)
        m_pCurrentRecord->reset();
}

void CPaintManagerUI::OnWidgetFocusIn(CControlUI* pControl) {
    SetFocus(pControl);
}

}  // namespace DuiLib
