// EqualizerManager: the control table and the operations that show the model in the controls.
#include <QElapsedTimer>
#include <cmath>

#include "base/Log.h"
#include "controls/CSButtonUI.h"
#include "controls/UIEqualizer.h"
#include "curves/FilterMath.h"
#include "manager/EqualizerManager.h"
#include "model/SpeakerRoles.h"

using namespace DuiLib;

namespace {

// The delay shown as 15 ms reads 519 cm or 204 inch.
constexpr double kCmAtMaxDelay = 519.0;
constexpr double kInchAtMaxDelay = 204.0;
constexpr double kMaxDelayMs = 15.0;

template <typename T>
T* Find(CPaintManagerUI* pm, const QString& name) {
    return pm ? dynamic_cast<T*>(pm->FindControl(name)) : nullptr;
}

template <typename T>
T* FindIndexed(CPaintManagerUI* pm, const char* format, int index) {
    return Find<T>(pm, QString::asprintf(format, index));
}

}  // namespace

void EqualizerManager::BindControls() {
    CPaintManagerUI* pm = m_pm;
    m_btnConnect = Find<CSButtonUI>(pm, QStringLiteral("btnConnect"));
    m_comboSource = Find<CComboUI>(pm, QStringLiteral("btn_input_source"));
    m_equalizer = Find<UIEqualizer>(pm, QStringLiteral("equalizer"));
    m_editMainVolume = Find<CEditUI>(pm, QStringLiteral("edit_main_volume"));
    m_sliderMainVolume = Find<CSliderUI>(pm, QStringLiteral("slider_main_volume"));
    m_mainMute = Find<COptionUI>(pm, QStringLiteral("main_mute"));
    m_comboUnit = Find<CComboUI>(pm, QStringLiteral("comb_ch_unit"));
    m_hpType = Find<CComboUI>(pm, QStringLiteral("hp_type"));
    m_lpType = Find<CComboUI>(pm, QStringLiteral("lp_type"));
    m_hpSlope = Find<CComboUI>(pm, QStringLiteral("hp_slop"));
    m_lpSlope = Find<CComboUI>(pm, QStringLiteral("lp_slop"));
    m_hpFreq = Find<CEditUI>(pm, QStringLiteral("hp_freq"));
    m_lpFreq = Find<CEditUI>(pm, QStringLiteral("lp_freq"));
    for (int b = 0; b < dv::kMaxBands; ++b) {
        m_eqFreq[b] = FindIndexed<CEditUI>(pm, "eq_freq_%d", b);
        m_eqQ[b] = FindIndexed<CEditUI>(pm, "eq_q_%d", b);
        m_eqGain[b] = FindIndexed<CEditUI>(pm, "eq_gain_%d", b);
        m_eqSlider[b] = FindIndexed<CSliderUI>(pm, "eq_slider_%d", b);
        m_ptEnable[b] = FindIndexed<COptionUI>(pm, "pt_enable_%d", b);
    }
    for (int k = 0; k < dv::kOutputCount; ++k) {
        m_chShow[k] = FindIndexed<COptionUI>(pm, "ch_show_%d", k);
        m_chEnable[k] = FindIndexed<COptionUI>(pm, "ch_enable_%d", k);
        m_chOutputBtn[k] = FindIndexed<CButtonUI>(pm, "ch_output_btn_%d", k);
        m_chVolumeSlider[k] = FindIndexed<CSliderUI>(pm, "slider_ch_volume_%d", k);
        m_chVolumeBg[k] = FindIndexed<CControlUI>(pm, "ch_volume_bg_%d", k);
        m_chVolumeEdit[k] = FindIndexed<CEditUI>(pm, "edit_ch_volume_%d", k);
        m_chMute[k] = FindIndexed<COptionUI>(pm, "ch_mute_%d", k);
        m_chPhase[k] = FindIndexed<COptionUI>(pm, "ch_phase_%d", k);
        m_chDelaySlider[k] = FindIndexed<CSliderUI>(pm, "slider_ch_delay_%d", k);
        m_delayLabel[k] = FindIndexed<CControlUI>(pm, "delay_lable_%d", k);
        m_chDelayEdit[k] = FindIndexed<CEditUI>(pm, "edit_ch_delay_%d", k);
        m_controlEmpty[k] = FindIndexed<CControlUI>(pm, "control_empty_%d", k);
        for (int i = 0; i < 4; ++i)
            m_chInput[i][k] = Find<COptionUI>(pm, QString::asprintf("option_ch_in%d_%d", i + 1, k));
        m_input123[k] = FindIndexed<CControlUI>(pm, "input_123_%d", k);
        m_input456[k] = FindIndexed<CControlUI>(pm, "input_456_%d", k);
    }
    for (int r = 1; r < dv::kRoleCount; ++r)
        m_speaker[r - 1] = FindIndexed<CControlUI>(pm, "speaker_%d", r);
    m_btnBypass = Find<CControlUI>(pm, QStringLiteral("btn_bypass"));
    m_btnArgEq = Find<CSButtonUI>(pm, QStringLiteral("btn_arg_eq"));
    m_btnLock = Find<CSButtonUI>(pm, QStringLiteral("btn_lock_output"));
    m_btnLink = Find<CSButtonUI>(pm, QStringLiteral("btn_link_output"));
}

int EqualizerManager::Partner() const {
    const int current = m_profile.currChannel;
    if (m_profile.linkMode != 1 || current < 0 || current >= dv::kOutputCount) return -1;
    const int partner = m_profile.linkOutputs[current];
    return partner >= 0 && partner < dv::kOutputCount ? partner : -1;
}

QString EqualizerManager::DelayText(float ms) const {
    const int unit = m_comboUnit ? m_comboUnit->GetCurSel() : 0;
    if (unit == 1)
        return QString::asprintf("%ld cm", std::lround(ms * kCmAtMaxDelay / kMaxDelayMs));
    if (unit == 2)
        return QString::asprintf("%ld inc", std::lround(ms * kInchAtMaxDelay / kMaxDelayMs));
    return QString::asprintf("%.3f ms", static_cast<double>(ms));
}

// The slider clamps a reported value to its range; the text keeps the value itself, and reads
// "off" wherever the slider stands at its minimum, also for values below it.
QString EqualizerManager::VolumeText(int value, const CSliderUI* slider) const {
    if (slider && slider->GetValue() == slider->GetMinValue())
        return CResourceManager::GetInstance()->GetText(QStringLiteral("${off}"));
    return QString::asprintf("%ddB", value);
}

void EqualizerManager::ShowMainVolume() {
    if (m_sliderMainVolume) m_sliderMainVolume->SetValue(m_profile.mainVolume);
    if (m_editMainVolume)
        m_editMainVolume->SetText(VolumeText(m_profile.mainVolume, m_sliderMainVolume));
}

void EqualizerManager::ShowChannelVolume(int output) {
    const int gain = m_profile.channels[output].gain;
    if (m_chVolumeSlider[output]) m_chVolumeSlider[output]->SetValue(gain);
    if (m_chVolumeEdit[output])
        m_chVolumeEdit[output]->SetText(VolumeText(gain, m_chVolumeSlider[output]));
}

void EqualizerManager::ShowChannelDelay(int output) {
    const float ms = m_profile.channels[output].delay;
    if (m_chDelayEdit[output]) m_chDelayEdit[output]->SetText(DelayText(ms));
    if (m_chDelaySlider[output])
        m_chDelaySlider[output]->SetValue(static_cast<int>(std::lround(ms * 1000.0f)));
}

void EqualizerManager::ShowPhase(int output) {
    COptionUI* option = m_chPhase[output];
    if (!option) return;
    const bool inverted = m_profile.channels[output].phase != 0;
    option->Selected(inverted);
    option->SetText(inverted ? QStringLiteral("${reverse phase}")
                             : QStringLiteral("${positive_phase}"));
}

void EqualizerManager::ShowSourceInputs() {
    // Inputs 3 and 4 exist only on the sources with four mixer inputs.
    const int source = m_profile.source;
    const bool fourInputs = source == 4 || source == 5;
    for (int k = 0; k < dv::kOutputCount; ++k) {
        ShowRoutingOptions(k);
        for (int i = 2; i < 4; ++i) {
            if (!m_chInput[i][k]) continue;
            m_chInput[i][k]->SetEnabled(fourInputs);
            m_chInput[i][k]->SetVisible(fourInputs);
        }
    }
}

void EqualizerManager::ShowRoutingOptions(int output) {
    const int source =
        m_profile.source >= 0 && m_profile.source < dv::kSourceCount ? m_profile.source : 0;
    const int mask = m_profile.routing[source][output];
    for (int i = 0; i < 4; ++i)
        if (m_chInput[i][output]) m_chInput[i][output]->Selected((mask & (1 << i)) != 0);
}

void EqualizerManager::ShowBypassCaption(int output) {
    if (!m_btnBypass) return;
    bool anyEnabled = false;
    for (int b = 0; b < m_profile.BandCount(output) && b < dv::kMaxBands; ++b)
        anyEnabled = anyEnabled || (m_ptEnable[b] && m_ptEnable[b]->IsSelected());
    m_btnBypass->SetText(anyEnabled ? QStringLiteral("${bypass_eq}")
                                    : QStringLiteral("${restore_eq}"));
}

void EqualizerManager::SetOutputButtonsEnabled(bool enable) {
    for (CButtonUI* button : m_chOutputBtn)
        if (button) button->SetEnabled(enable);
}

void EqualizerManager::ShowRoleCaptions() {
    for (CControlUI* icon : m_speaker)
        if (icon) icon->SetVisible(false);
    for (int k = 0; k < dv::kOutputCount; ++k) {
        const int role = m_profile.roles[k];
        if (m_chOutputBtn[k])
            m_chOutputBtn[k]->SetText(
                QString::fromLatin1(dv::RoleLongCaption(dv::RoleItemName(role))));
        if (role > 0 && role < dv::kRoleCount && m_speaker[role - 1])
            m_speaker[role - 1]->SetVisible(true);
    }
}

void EqualizerManager::UpdateEqualizer(int selectedBand) {
    const RefreshScope refreshing(*this);
    QElapsedTimer timer;
    timer.start();
    const int current = m_profile.currChannel;
    dv::computeChannelCurve(m_profile, current, m_profile.channels[current].bypass == 1);
    if (const int partner = Partner(); partner >= 0)
        dv::computeChannelCurve(m_profile, partner, m_profile.channels[partner].bypass == 1);
    LogPrintA("UpdateEqualizer 0 cost time %d ms\n", static_cast<int>(timer.elapsed()));
    if (!m_equalizer) return;

    const dv::OutputChannel& out = m_profile.channels[current];
    std::array<dv::EqBand, dv::kMaxBands> bands{};
    const int count = std::min<int>(out.eqSize, dv::kMaxBands);
    for (int b = 0; b < count; ++b) {
        bands[b] = out.eqArray[b];
        if (out.bypass == 1 || out.eqArray[b].enable == 0) bands[b].eqGain = 0.0f;
    }
    m_equalizer->setCurEqBands(bands.data(), count, selectedBand);
    m_equalizer->setCurEqHpLp(out.crossover.hp.fs, out.crossover.lp.fs);
    m_equalizer->setCurves(m_profile.curveFreq[0].data(), m_profile.curveLevel[0].data(),
                           dv::kOutputCount, current, m_profile.showChEqualizer.data());
    LogPrintA("UpdateEqualizer 1 cost time %d ms\n", static_cast<int>(timer.elapsed()));
}

void EqualizerManager::RefreshBandControls(int output) {
    const RefreshScope refreshing(*this);
    if (output < 0 || output >= dv::kOutputCount) return;
    const bool graphic = !m_btnArgEq || !m_btnArgEq->IsSelected();
    const dv::OutputChannel& out = m_profile.channels[output];
    const bool bypassed = out.bypass == 1;
    for (int b = 0; b < dv::kMaxBands; ++b) {
        const bool used = b < out.eqSize;
        const dv::EqBand& band = out.eqArray[b];
        const bool silent = !used || bypassed || band.enable == 0;
        const float gain = silent ? 0.0f : band.eqGain;
        if (m_eqFreq[b]) {
            m_eqFreq[b]->SetEnabled(used && !graphic);
            m_eqFreq[b]->SetText(used ? QString::number(band.freq) : QStringLiteral("0"));
        }
        if (m_eqQ[b]) {
            m_eqQ[b]->SetEnabled(used && !graphic);
            m_eqQ[b]->SetText(used ? QString::asprintf("%.2f", static_cast<double>(band.eqFactor))
                                   : QStringLiteral("0"));
        }
        if (m_eqGain[b]) {
            m_eqGain[b]->SetEnabled(used);
            m_eqGain[b]->SetText(QString::asprintf("%.1f", static_cast<double>(gain)));
        }
        if (m_eqSlider[b]) {
            m_eqSlider[b]->SetEnabled(used);
            m_eqSlider[b]->SetValue(static_cast<int>(gain * 10));
        }
        if (m_ptEnable[b]) {
            m_ptEnable[b]->SetEnabled(used);
            m_ptEnable[b]->Selected(used && !silent && band.eqGain != 0.0f);
        }
    }
}

void EqualizerManager::SetFreqDivider(int output) {
    const RefreshScope refreshing(*this);
    if (output < 0 || output >= dv::kOutputCount) return;
    const dv::Crossover& c = m_profile.channels[output].crossover;
    LogPrintA("on SetFreqDivider getHPType %d\n", c.hp.type);
    if (m_hpType) m_hpType->SelectItem(c.hp.type);
    LogPrintA("on SetFreqDivider getLPType %d\n", c.lp.type);
    if (m_lpType) m_lpType->SelectItem(c.lp.type);
    LogPrintA("on SetFreqDivider getHPFs %d\n", c.hp.fs);
    LogPrintA("on SetFreqDivider getLPFs %d\n", c.lp.fs);
    if (m_hpFreq) m_hpFreq->SetText(QString::asprintf("%dHz", c.hp.fs));
    if (m_lpFreq) m_lpFreq->SetText(QString::asprintf("%dHz", c.lp.fs));
    LogPrintA("on SetFreqDivider getHPSlope %d\n", c.hp.slope);
    LogPrintA("on SetFreqDivider getLPSlope %d\n", c.lp.slope);
    if (m_hpSlope) m_hpSlope->SelectItem(c.hp.slope);
    if (m_lpSlope) m_lpSlope->SelectItem(c.lp.slope);
}

void EqualizerManager::UpdateAllVolumeEdit() {
    const RefreshScope refreshing(*this);
    LogPrintA("%s\n", "EqualizerManager::UpdateAllVolumeEdit");
    LogPrintA("on main volume edit change to %d dB\n", m_profile.mainVolume);
    ShowMainVolume();
    for (int k = 0; k < dv::kOutputCount; ++k) {
        LogPrintA("on ch volume edit change to %d dB\n", m_profile.channels[k].gain);
        ShowChannelVolume(k);
    }
}

void EqualizerManager::ShowOutputSelection() {
    const RefreshScope refreshing(*this);
    const int output = m_profile.currChannel;
    const int partner = Partner();
    for (int k = 0; k < dv::kOutputCount; ++k)
        if (m_chEnable[k]) m_chEnable[k]->Selected(k == output || k == partner);
}

void EqualizerManager::OnChannelInChange(int output) {
    const RefreshScope refreshing(*this);
    if (output < 0 || output >= dv::kOutputCount) return;
    LogPrintA("on OnChannelInChange channel index %d\n", output);
    m_profile.currChannel = output;
    ShowOutputSelection();
    for (int k = 0; k < m_profile.channelCount && k < dv::kOutputCount; ++k)
        if (m_chShow[k]) m_chShow[k]->Selected(m_profile.showChEqualizer[k] != 0);

    for (CControlUI* icon : m_speaker)
        if (icon) icon->SetVisible(false);
    auto showIcon = [this](int role) {
        if (role > 0 && role < dv::kRoleCount && m_speaker[role - 1])
            m_speaker[role - 1]->SetVisible(true);
    };
    showIcon(m_profile.roles[output]);
    const int partner = Partner();
    if (m_profile.linkMode == 1 && partner >= 0) showIcon(m_profile.roles[partner]);

    SetFreqDivider(output);
    RefreshBandControls(output);
    ShowBypassCaption(output);
    UpdateEqualizer(-1);
}

void EqualizerManager::SetChannelShow(int output) {
    const RefreshScope refreshing(*this);
    if (output < 0 || output >= dv::kOutputCount) return;
    m_profile.showChEqualizer[output] = m_chShow[output] && m_chShow[output]->IsSelected() ? 1 : 0;
    dv::computeChannelCurve(m_profile, output, m_profile.channels[output].bypass == 1);
    if (m_equalizer)
        m_equalizer->setCurves(m_profile.curveFreq[0].data(), m_profile.curveLevel[0].data(),
                               dv::kOutputCount, m_profile.currChannel,
                               m_profile.showChEqualizer.data());
}
