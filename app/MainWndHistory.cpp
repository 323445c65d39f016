// CMainWnd: undo, redo and the A/B compare: the title-bar buttons, the keys (Ctrl+Z, Ctrl+Y,
// Ctrl+Shift+Z, Ctrl+B) and the gesture each control notification belongs to.
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include "app/MainWnd.h"
#include "controls/CSButtonUI.h"
#include "controls/UIEqualizer.h"

using namespace DuiLib;

namespace {

enum class HistoryKey { None, Undo, Redo, Compare };

HistoryKey KeyOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    const bool shift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    if (mods != Qt::ControlModifier && !shift) return HistoryKey::None;
    switch (event.key()) {
        case Qt::Key_Z:
            return shift ? HistoryKey::Redo : HistoryKey::Undo;
        case Qt::Key_Y:
            return shift ? HistoryKey::None : HistoryKey::Redo;
        case Qt::Key_B:
            return shift ? HistoryKey::None : HistoryKey::Compare;
        default:
            return HistoryKey::None;
    }
}

// Taken before any control of the main window sees the key, so an edit's own text undo does not
// swallow it; keys typed in other windows (a dialog over the main one) pass.
class HistoryKeys : public QObject {
public:
    HistoryKeys(QWidget* window, EqualizerManager& manager)
        : QObject(window), m_window(window), m_manager(manager) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !m_window || widget->window() != m_window) return false;
        switch (KeyOf(*static_cast<QKeyEvent*>(event))) {
            case HistoryKey::Undo:
                m_manager.Undo();
                return true;
            case HistoryKey::Redo:
                m_manager.Redo();
                return true;
            case HistoryKey::Compare:
                m_manager.ToggleCompareSlot();
                return true;
            case HistoryKey::None:
                break;
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    EqualizerManager& m_manager;
};

bool StartsWith(const QString& text, const char* prefix) {
    return text.startsWith(QLatin1String(prefix));
}

}  // namespace

void CMainWnd::BindHistory() {
    if (QWidget* window = GetHWND(); window && qApp)
        qApp->installEventFilter(new HistoryKeys(window, m_manager));
    m_manager.SetHistoryListener([this] { ShowHistoryState(); });
    ShowHistoryState();
}

void CMainWnd::ShowHistoryState() {
    if (CControlUI* undo = m_pm.FindControl(QStringLiteral("btn_undo")))
        undo->SetEnabled(m_manager.CanUndo());
    if (CControlUI* redo = m_pm.FindControl(QStringLiteral("btn_redo")))
        redo->SetEnabled(m_manager.CanRedo());
    const int playing = m_manager.PlayingSlot();
    if (auto* a = dynamic_cast<CSButtonUI*>(m_pm.FindControl(QStringLiteral("btn_ab_a"))))
        a->SetSelected(playing == 0);
    if (auto* b = dynamic_cast<CSButtonUI*>(m_pm.FindControl(QStringLiteral("btn_ab_b"))))
        b->SetSelected(playing == 1);
}

bool CMainWnd::OnHistoryClick(const QString& name) {
    if (name == QLatin1String("btn_undo")) {
        m_manager.Undo();
    } else if (name == QLatin1String("btn_redo")) {
        m_manager.Redo();
    } else if (name == QLatin1String("btn_ab_a")) {
        m_manager.SelectCompareSlot(0);
    } else if (name == QLatin1String("btn_ab_b")) {
        m_manager.SelectCompareSlot(1);
    } else {
        return false;
    }
    ShowHistoryState();  // a refused switch leaves the buttons as they were
    return true;
}

// A drag's moves join one step until its release; a stepper's repeats join while they follow
// each other; anything else is a step of its own.
void CMainWnd::BeginGesture(std::optional<EqualizerManager::EditStep>& step, const TNotifyUI& msg,
                            const QString& name) {
    using Gesture = EqualizerManager::Gesture;
    QString key = name;
    Gesture kind = Gesture::Once;
    if (msg.sType == DUI_MSGTYPE_VALUECHANGED_MOVE) {
        kind = Gesture::Moving;
    } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED_UP ||
               msg.sType == DUI_MSGTYPE_VALUECHANGED_DOWN) {
        key += msg.sType == DUI_MSGTYPE_VALUECHANGED_UP ? QStringLiteral("+") : QStringLiteral("-");
        kind = Gesture::Held;
    } else if (StartsWith(msg.sType, "equalizer_")) {
        // The control still holds the mouse while a drag moves; its release comes without.
        key += msg.sType;
        if (const auto* curve = dynamic_cast<const UIEqualizer*>(msg.pSender);
            curve && curve->GetEditor().captureMode() != dv::NO_CAPTURE)
            kind = Gesture::Moving;
    } else if (msg.sType != DUI_MSGTYPE_VALUECHANGED) {
        key.clear();  // one step, joining nothing
    }
    step.emplace(m_manager, key.toStdString(), kind);
}
