// EqualizerManager: undo and redo of the user's edits and the A/B compare. Both reach the unit
// through the difference engine: only what differs between the setting shown and the one
// taken is sent.
#include <vector>

#include "base/Log.h"
#include "controls/CSButtonUI.h"
#include "controls/UIEqualizer.h"
#include "device/ProfileDiff.h"
#include "manager/EqualizerManager.h"

EqualizerManager::EditStep::EditStep(EqualizerManager& manager, std::string_view gesture,
                                     Gesture kind)
    : m_manager(manager) {
    m_manager.BeginEditStep(gesture, kind);
}

EqualizerManager::EditStep::~EditStep() {
    m_manager.EndEditStep();
}

dv::HistoryView EqualizerManager::CurrentView() const {
    return {m_profile.currChannel, m_btnArgEq && m_btnArgEq->IsSelected() ? 1 : 0};
}

void EqualizerManager::BeginEditStep(std::string_view gesture, Gesture kind) {
    if (m_edits.depth++ > 0) return;
    if (!m_edits.before) m_edits.before = std::make_unique<dv::DspProfile>();
    *m_edits.before = m_profile;
    m_edits.viewBefore = CurrentView();
    m_edits.gesture.assign(gesture);
    m_edits.kind = kind;
    m_edits.stepGeneration = m_edits.generation;
}

void EqualizerManager::EndEditStep() {
    if (--m_edits.depth > 0) return;
    // The history was cleared meanwhile (a scene came in): what changed is not the user's.
    if (m_edits.stepGeneration != m_edits.generation) return;
    dv::SettingsHistory& history = m_edits.Current();
    const bool held = m_edits.kind == Gesture::Held;
    const auto now = std::chrono::steady_clock::now();
    if (held && now - m_edits.lastHeld > m_edits.heldWindow) history.CloseGesture();
    if (held) m_edits.lastHeld = now;
    const bool wasUndoable = history.CanUndo(), wasRedoable = history.CanRedo();
    history.Record(*m_edits.before, m_profile, m_edits.viewBefore, CurrentView(), m_edits.gesture,
                   m_edits.kind != Gesture::Once);
    if (history.CanUndo() != wasUndoable || history.CanRedo() != wasRedoable) HistoryChanged();
}

void EqualizerManager::HistoryChanged() {
    if (m_edits.changed) m_edits.changed();
}

size_t EqualizerManager::HistoryBytesHeld() const {
    size_t bytes = m_edits.histories[0].BytesHeld() + m_edits.histories[1].BytesHeld();
    if (m_edits.other) bytes += sizeof(dv::DspProfile);
    return bytes;
}

// Not while a transfer or the start-up read holds the link: the unit is being rewritten or read.
bool EqualizerManager::CanReplaceSettings() const {
    if (m_edits.depth > 0 || IsWorkerRunning() || m_upgradeHold) return false;
    return !m_device.IsDeviceOpen() || m_device.IsCmdQueueEnabled();
}

void EqualizerManager::ReplaceSettings(const dv::DspProfile& target, const dv::HistoryView* view) {
    // Sent only to a unit that holds what the panel shows; without one only the model changes.
    std::vector<dv::ProfileCommand> commands;
    if (IsConnected()) dv::DiffProfiles(m_profile, target, commands);

    const dv::DspProfile& kept = m_profile;
    auto next = std::make_unique<dv::DspProfile>(target);
    next->modelCode = kept.modelCode;
    next->masterVersion = kept.masterVersion;
    next->slaveVersion = kept.slaveVersion;
    next->flashVersion = kept.flashVersion;
    next->scene = kept.scene;
    next->channelCount = kept.channelCount;
    next->showChEqualizer = kept.showChEqualizer;
    next->currChannel = view ? view->output : kept.currChannel;
    m_profile = *next;
    // Queued first: the command thread sends while the controls and curves are redrawn.
    if (!commands.empty()) dv::SendProfileCommands(m_device, commands, false);

    const RefreshScope refreshing(*this);
    if (view && m_btnArgEq && m_btnArgEq->IsSelected() != (view->parametric == 1)) {
        const bool parametric = view->parametric == 1;
        m_btnArgEq->SetSelected(parametric);
        m_btnArgEq->SetText(parametric ? QStringLiteral("${peq_mode}")
                                       : QStringLiteral("${geq_mode}"));
        if (m_equalizer) m_equalizer->setDragAllDirection(parametric);
    }
    ShowProfile();
}

bool EqualizerManager::Undo() {
    dv::SettingsHistory& history = m_edits.Current();
    if (!history.CanUndo() || !CanReplaceSettings()) return false;
    LogPrintA("%s\n", "EqualizerManager::Undo");
    auto target = std::make_unique<dv::DspProfile>(m_profile);
    const std::optional<dv::HistoryView> view = history.Undo(*target);
    ReplaceSettings(*target, &*view);
    HistoryChanged();
    return true;
}

bool EqualizerManager::Redo() {
    dv::SettingsHistory& history = m_edits.Current();
    if (!history.CanRedo() || !CanReplaceSettings()) return false;
    LogPrintA("%s\n", "EqualizerManager::Redo");
    auto target = std::make_unique<dv::DspProfile>(m_profile);
    const std::optional<dv::HistoryView> view = history.Redo(*target);
    ReplaceSettings(*target, &*view);
    HistoryChanged();
    return true;
}

void EqualizerManager::ClearHistory(const char* reason) {
    LogPrintA("undo history cleared: %s\n", reason);
    for (dv::SettingsHistory& history : m_edits.histories) history.Clear();
    ++m_edits.generation;
    // What the unit plays now is the one setting there is.
    m_edits.comparing = false;
    m_edits.playing = 0;
    m_edits.other.reset();
    HistoryChanged();
}

bool EqualizerManager::SelectCompareSlot(int slot) {
    if (slot != 0 && slot != 1) return false;
    if (slot == m_edits.playing) return true;
    if (!CanReplaceSettings()) return false;
    LogPrintA("compare: slot %c plays\n", slot == 0 ? 'A' : 'B');
    m_edits.Current().CloseGesture();
    if (!m_edits.comparing) {
        // B begins as a copy of A: the unit already plays it.
        m_edits.other = std::make_unique<dv::DspProfile>(m_profile);
        m_edits.comparing = true;
        m_edits.playing = 1;
        m_edits.histories[1].Clear();
        HistoryChanged();
        return true;
    }
    auto target = std::make_unique<dv::DspProfile>(*m_edits.other);
    *m_edits.other = m_profile;
    m_edits.playing = slot;
    ReplaceSettings(*target, nullptr);
    HistoryChanged();
    return true;
}

bool EqualizerManager::ToggleCompareSlot() {
    return SelectCompareSlot(m_edits.comparing ? 1 - m_edits.playing : 1);
}
