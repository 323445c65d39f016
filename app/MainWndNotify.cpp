// CMainWnd: the dispatch of control notifications and the keyboard moves between edits.
#include <optional>
#include <utility>
#include <vector>

#include "app/MainWnd.h"
#include "base/Log.h"
#include "controls/UIEqualizer.h"

using namespace DuiLib;

namespace {

bool StartsWith(const QString& text, const char* prefix) {
    return text.startsWith(QLatin1String(prefix));
}

bool IsBandEdit(const QString& name) {
    return StartsWith(name, "eq_freq_") || StartsWith(name, "eq_q_") ||
           StartsWith(name, "eq_gain_");
}

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

}  // namespace

void CMainWnd::Notify(TNotifyUI& msg) {
    LogPrintA("Notify %s\n", Utf8(msg.sType).constData());
    const QString name = msg.pSender ? msg.pSender->GetName() : QString();
    const int index = msg.pSender ? msg.pSender->GetUserData().toInt() : 0;
    // A control rewritten from the model reports like a user's change; that echo reaches no
    // editing operation, or showing a value would send it back or copy it elsewhere.
    if (m_manager.IsRefreshing()) {
        WindowImplBase::Notify(msg);
        return;
    }
    // Undo history: what this notification changes is one step, or joins its gesture's.
    if (msg.sType == DUI_MSGTYPE_CLICK && OnHistoryClick(name)) {
        WindowImplBase::Notify(msg);
        return;
    }
    std::optional<EqualizerManager::EditStep> step;
    BeginGesture(step, msg, name);

    if (msg.sType == DUI_MSGTYPE_CLICK) {
        if (name.compare(QLatin1String("minbtn"), Qt::CaseInsensitive) == 0) {
            SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
            return;
        }
        OnClickNotify(msg, name, index);
    } else if (msg.sType == DUI_MSGTYPE_SELECTCHANGED) {
        LogPrintA("on option %s DUI_MSGTYPE_SELECTCHANGED index ", Utf8(name).constData());
        LogPrintA("%d\n", index);
        OnSelectChanged(name, index);
    } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED ||
               msg.sType == DUI_MSGTYPE_VALUECHANGED_MOVE) {
        OnSliderChanged(name, index);
    } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED_UP ||
               msg.sType == DUI_MSGTYPE_VALUECHANGED_DOWN) {
        OnStepper(name, index, msg.sType == DUI_MSGTYPE_VALUECHANGED_UP);
    } else if (msg.sType == DUI_MSGTYPE_KILLFOCUS) {
        LogPrintA("on %s DUI_MSGTYPE_KILLFOCUS\n", Utf8(name).constData());
        if (IsBandEdit(name)) {
            LogPrintA("on eq %s killfocus index ", Utf8(name).constData());
            LogPrintA("%d\n", index);
            m_manager.SetChEqEdit(index);
        }
        CommitStripEdit(name, index);
    } else if (msg.sType == DUI_MSGTYPE_ITEMSELECT) {
        LogPrintA("on %s DUI_MSGTYPE_ITEMSELECT\n", Utf8(name).constData());
        OnItemSelect(name);
    } else if (msg.sType == DUI_MSGTYPE_RETURN) {
        LogPrintA("on edit %s DUI_MSGTYPE_RETURN\n", Utf8(name).constData());
        OnReturn(name, index);
    } else if (msg.sType == DUI_MSGTYPE_SETFOCUS) {
        LogPrintA("on %s DUI_MSGTYPE_SETFOCUS\n", Utf8(name).constData());
        OnSetFocus(name, index);
    } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED_LEFT) {
        LogPrintA("on edit %s DUI_MSGTYPE_VALUECHANGED_LEFT\n", Utf8(name).constData());
        MoveFocus(name, false);
    } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED_RIGHT) {
        LogPrintA("on edit %s DUI_MSGTYPE_VALUECHANGED_RIGHT\n", Utf8(name).constData());
        MoveFocus(name, true);
    } else if (msg.sType == DUI_MSGTYPE_EQUALIZER_EQ || msg.sType == DUI_MSGTYPE_EQUALIZER_HP ||
               msg.sType == DUI_MSGTYPE_EQUALIZER_LP) {
        // The control's user data is empty until a band was picked; the corners do not
        // depend on which band the control last selected.
        if (name == QLatin1String("equalizer")) {
            bool ok = false;
            const int band = msg.pSender->GetUserData().toInt(&ok);
            LogPrintA("on DUI_MSGTYPE_EQUALIZERCHANGED index %d\n", ok ? band : -1);
            const int kind = msg.sType == DUI_MSGTYPE_EQUALIZER_EQ   ? 0
                             : msg.sType == DUI_MSGTYPE_EQUALIZER_HP ? 1
                                                                     : 2;
            if (kind != 0 || (ok && band >= 0)) m_manager.EqualizerCallback(ok ? band : -1, kind);
        }
    }
    step.reset();
    WindowImplBase::Notify(msg);
}

void CMainWnd::OnClickNotify(TNotifyUI&, const QString& name, int index) {
    if (name.compare(QLatin1String("btnDpi"), Qt::CaseInsensitive) == 0) {
        if (m_pDpiEdit) m_pm.SetDPI(m_pDpiEdit->GetText().toInt());
    } else if (StartsWith(name, "ch_output_btn")) {
        m_nOutputMenuChannel = index;
        ShowOutputMenu(index);
    } else if (name == QLatin1String("btnConnect")) {
        m_manager.Connect(true);
    } else if (name == QLatin1String("btn_option")) {
        ShowMenu(QStringLiteral("xml/option_menu.xml"), m_pm.FindControl(name));
    } else if (name == QLatin1String("btn_scene")) {
        ShowMenu(QStringLiteral("xml/scene_menu.xml"), m_pm.FindControl(name));
    } else if (name == QLatin1String("btn_advance")) {
        ShowMenu(QStringLiteral("xml/advance_menu.xml"), m_pm.FindControl(name));
    } else if (StartsWith(name, "ch_enable_")) {
        m_manager.OnChannelInChange(index);
    } else if (StartsWith(name, "speaker_")) {
        m_manager.SetSpeakerFocus(index);
    } else {
        OnLinkClick(name);
    }
}

// Whole-output buttons: link, lock, bypass, EQ reset, EQ mode and output reset.
bool CMainWnd::OnLinkClick(const QString& name) {
    using Operation = void (EqualizerManager::*)();
    const std::pair<const char*, Operation> rows[] = {
        {"btn_link_output", &EqualizerManager::SetOutputLink},
        {"btn_lock_output", &EqualizerManager::SetOutpuLock},
        {"btn_bypass", &EqualizerManager::SetOutputBypass},
        {"btn_reset_eq", &EqualizerManager::SetOutputEqRest},
        {"btn_arg_eq", &EqualizerManager::SwitchEqMode},
        {"btn_reset_output", &EqualizerManager::SetOutputReset}};
    for (const auto& [button, operation] : rows) {
        if (name != QLatin1String(button)) continue;
        (m_manager.*operation)();
        return true;
    }
    return false;
}

void CMainWnd::OnSelectChanged(const QString& name, int index) {
    if (StartsWith(name, "ch_show_")) {
        m_manager.SetChannelShow(index);
    } else if (StartsWith(name, "ch_enable_")) {
        // An output button toggles itself after its click; the current output stays selected.
        m_manager.ShowOutputSelection();
    } else if (StartsWith(name, "ch_mute_")) {
        m_manager.SetChannelMute(index);
    } else if (StartsWith(name, "ch_phase_")) {
        m_manager.SetChannelPhase(index);
    } else if (StartsWith(name, "main_mute")) {
        m_manager.SetMainMute();
    } else if (StartsWith(name, "pt_enable_")) {
        // Taken once the box has toggled: its click comes before the toggle.
        m_manager.OnEqEnable(index);
    } else if (StartsWith(name, "option_ch_in")) {
        // "option_ch_in<N>_<output>": the output is the user data.
        const int input = name.mid(12, 1).toInt();
        if (input >= 1 && input <= 6) m_manager.SetChannelInput(input, index);
    }
}

void CMainWnd::OnSliderChanged(const QString& name, int index) {
    const QByteArray text = Utf8(name);
    if (StartsWith(name, "eq_slider_")) {
        LogPrintA("on eq silder %s valuechanged index ", text.constData());
        LogPrintA("%d\n", index);
        if (const auto* slider = dynamic_cast<CSliderUI*>(m_pm.FindControl(name)))
            LogPrintA("value %d\n", slider->GetValue());
        m_manager.SetEqSlider(index);
    } else if (StartsWith(name, "slider_main_volume")) {
        m_manager.SetMainVolumeSlider();
    } else if (StartsWith(name, "slider_ch_volume_")) {
        LogPrintA("on volume silder %s valuechanged index ", text.constData());
        LogPrintA("%d\n", index);
        m_manager.SetChVolumeSlider(index);
    } else if (StartsWith(name, "slider_ch_delay_")) {
        LogPrintA("on delay silder %s valuechanged index ", text.constData());
        LogPrintA("%d\n", index);
        m_manager.SetChDelaySlider(index);
    }
}

void CMainWnd::OnStepper(const QString& name, int index, bool up) {
    if (StartsWith(name, "eq_freq_")) {
        m_manager.SetEqFreqUp(index, up);
    } else if (StartsWith(name, "eq_q_")) {
        m_manager.SetEqQUp(index, up);
    } else if (StartsWith(name, "eq_gain_")) {
        m_manager.SetEqGainUp(index, up);
    } else if (StartsWith(name, "edit_main_volume")) {
        m_manager.SetMainVolumeUp(up);
    } else if (StartsWith(name, "edit_ch_volume_")) {
        m_manager.SetChVolumeUp(index, up);
    } else if (StartsWith(name, "edit_ch_delay_")) {
        m_manager.SetChDelayUp(index, up);
    } else if (StartsWith(name, "hp_freq")) {
        m_manager.SetHpFreqUp(up);
    } else if (StartsWith(name, "lp_freq")) {
        m_manager.SetLpFreqUp(up);
    }
}

// Return and killfocus commit these edits alike.
void CMainWnd::CommitStripEdit(const QString& name, int index) {
    if (name == QLatin1String("edit_main_volume")) {
        m_manager.SetMainVolumeEdit();
    } else if (StartsWith(name, "edit_ch_delay_")) {
        m_manager.SetChDelayEdit(index);
    } else if (StartsWith(name, "edit_ch_volume_")) {
        m_manager.SetChVolumeEdit(index);
    } else if (StartsWith(name, "hp_freq")) {
        m_manager.SetHpFreqEdit();
    } else if (StartsWith(name, "lp_freq")) {
        m_manager.SetLpFreqEdit();
    }
}

void CMainWnd::OnReturn(const QString& name, int index) {
    CommitStripEdit(name, index);
    if (!IsBandEdit(name)) return;
    LogPrintA("on eq %s killfocus index ", Utf8(name).constData());
    LogPrintA("%d\n", index);
    // Committed here: the move below may find no edit that takes the focus.
    m_manager.SetChEqEdit(index);
    const int bands = m_manager.Profile().BandCount(m_manager.Profile().currChannel);
    const int after = index + 1 < bands ? index + 1 : 0;
    QString next;
    if (StartsWith(name, "eq_freq_")) {
        next = QString::asprintf("eq_q_%d", index);
    } else if (StartsWith(name, "eq_q_")) {
        next = QString::asprintf("eq_gain_%d", index);
    } else {
        next = QString::asprintf("eq_freq_%d", after);
        // Graphic mode: frequency and Q edits are disabled, so the gains form the column.
        const CControlUI* freq = m_pm.FindControl(next);
        if (!freq || !freq->IsEnabled()) next = QString::asprintf("eq_gain_%d", after);
    }
    if (CControlUI* target = m_pm.FindControl(next)) target->SetFocus();
}

void CMainWnd::OnItemSelect(const QString& name) {
    if (StartsWith(name, "comb_ch_unit")) {
        m_manager.SetDelayUnit();
        return;
    }
    if (name == QLatin1String("btn_input_source")) {
        m_manager.SetInputSource();
        return;
    }
    using Operation = void (EqualizerManager::*)();
    const std::pair<const char*, Operation> combos[] = {{"hp_type", &EqualizerManager::SetHpType},
                                                        {"lp_type", &EqualizerManager::SetLpType},
                                                        {"hp_slop", &EqualizerManager::SetHpSlope},
                                                        {"lp_slop", &EqualizerManager::SetLpSlope}};
    for (const auto& [combo, operation] : combos) {
        if (StartsWith(name, combo)) {
            LogPrintA("on eq %s %s valuechanged index ", combo, Utf8(name).constData());
            (m_manager.*operation)();
            return;
        }
    }
}

void CMainWnd::OnSetFocus(const QString& name, int index) {
    if (StartsWith(name, "edit_ch_delay_") || StartsWith(name, "slider_ch_delay_")) {
        m_manager.ShowDelaySlider(index);
    } else {
        LogPrintA("on mSliderChDelay SetVisible false\n");
        m_manager.HideDelaySlider();
    }
    if (!IsBandEdit(name)) return;
    LogPrintA("on eq %s setfocus index ", Utf8(name).constData());
    LogPrintA("%d\n", index);
    m_manager.UpdateEqualizer(index);
}

void CMainWnd::MoveFocus(const QString& name, bool right) {
    const int bands = m_manager.Profile().BandCount(m_manager.Profile().currChannel);
    std::vector<QString> ring;
    for (const char* prefix : {"eq_freq_%d", "eq_q_%d", "eq_gain_%d"})
        for (int b = 0; b < bands; ++b) ring.push_back(QString::asprintf(prefix, b));
    for (const char* prefix : {"edit_ch_volume_%d", "edit_ch_delay_%d"})
        for (int k = 0; k < dv::kOutputCount; ++k) ring.push_back(QString::asprintf(prefix, k));
    ring.push_back(QStringLiteral("hp_freq"));
    ring.push_back(QStringLiteral("lp_freq"));
    ring.push_back(QStringLiteral("edit_main_volume"));

    const int count = static_cast<int>(ring.size());
    int at = -1;
    for (int i = 0; i < count && at < 0; ++i)
        if (ring[i] == name) at = i;
    if (at < 0) return;
    if (IsBandEdit(name)) {
        LogPrintA("on eq %s killfocus index ", Utf8(name).constData());
        LogPrintA("%d\n",
                  m_pm.FindControl(name) ? m_pm.FindControl(name)->GetUserData().toInt() : 0);
    }
    // Edits that cannot take the focus (graphic mode's frequency and Q) are passed over.
    for (int step = 1; step < count; ++step) {
        const int i = ((at + (right ? step : -step)) % count + count) % count;
        CControlUI* target = m_pm.FindControl(ring[i]);
        if (target && target->IsVisible() && target->IsEnabled()) {
            target->SetFocus();
            return;
        }
    }
}
