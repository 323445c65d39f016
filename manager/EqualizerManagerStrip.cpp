// EqualizerManager: the output strips and the master section: volumes, mutes, phase and delay.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "base/Log.h"
#include "manager/EqualizerManager.h"
#include "model/EditNumber.h"

using namespace DuiLib;

namespace {

constexpr int kLeftSubwoofer = 22;
constexpr int kRightSubwoofer = 23;
constexpr int kVolumeFloor = -60;  // "off", where a volume slider has no range of its own
constexpr int kVolumeCeiling = 0;
// 15 ms of delay reads 519 cm or 204 inch; the unit keeps delays to the microsecond.
constexpr int kMaxDelayMicros = 15000;
constexpr int kMaxDelayCm = 519;
constexpr int kMaxDelayInch = 204;
constexpr int kDelayStepMicros = 21;

enum class DelayUnit { Ms, Cm, Inch };

bool ValidOutput(int output) {
    return output >= 0 && output < dv::kOutputCount;
}

int SliderMin(const CSliderUI* slider, int fallback) {
    return slider ? slider->GetMinValue() : fallback;
}

int SliderMax(const CSliderUI* slider, int fallback) {
    return slider ? slider->GetMaxValue() : fallback;
}

int MicrosOf(float ms) {
    return static_cast<int>(std::lround(static_cast<double>(ms) * 1000.0));
}

float MsOf(int micros) {
    return static_cast<float>(micros / 1000.0);
}

void SelectAllOf(CEditUI* edit) {
    if (edit) edit->SetSelAll();
}

void FocusAndSelect(CEditUI* edit) {
    if (!edit) return;
    edit->SetFocus();
    edit->SetSelAll();
}

}  // namespace

int EqualizerManager::LinkPartnerOf(int output) const {
    if (m_profile.linkMode != 1 || !ValidOutput(output)) return -1;
    const int partner = m_profile.linkOutputs[output];
    return ValidOutput(partner) && partner != output ? partner : -1;
}

QString EqualizerManager::VolumeTextFor(int value, const CSliderUI* slider) const {
    if (value <= SliderMin(slider, kVolumeFloor))
        return CResourceManager::GetInstance()->GetText(QStringLiteral("${off}"));
    return QString::asprintf("%ddB", value);
}

std::optional<int> EqualizerManager::ParseVolumeEdit(const CEditUI* edit,
                                                     const CSliderUI* slider) const {
    if (!edit) return std::nullopt;
    const int lowest = SliderMin(slider, kVolumeFloor);
    const QString text = edit->GetText().trimmed();
    // "Off" reads as the bottom of the range in either language, whichever one is shown now.
    const QStringList offTexts =
        CResourceManager::GetInstance()->GetTextInEveryLanguage(QStringLiteral("${off}"));
    for (const QString& off : offTexts)
        if (!off.isEmpty() && text.compare(off.trimmed(), Qt::CaseInsensitive) == 0) return lowest;
    const std::optional<double> number = dv::ParseEditNumber(text.toStdString(), {"dB"});
    if (!number) return std::nullopt;
    const int value = static_cast<int>(std::trunc(*number));
    return std::clamp(value, lowest, SliderMax(slider, kVolumeCeiling));
}

// ---- master ----

void EqualizerManager::SetMainVolumeEdit() {
    if (!m_editMainVolume) return;
    const std::optional<int> value = ParseVolumeEdit(m_editMainVolume, m_sliderMainVolume);
    const int stored = m_profile.mainVolume;
    if (!value ||
        VolumeTextFor(*value, m_sliderMainVolume) == VolumeTextFor(stored, m_sliderMainVolume)) {
        ShowMainVolume();
        SelectAllOf(m_editMainVolume);
        return;
    }
    LogPrintA("on main volume edit change to %d dB\n", *value);
    m_profile.mainVolume = *value;
    ShowMainVolume();
    SelectAllOf(m_editMainVolume);
    m_device.Main_Volume_Ctrl(6 - *value, false);
}

void EqualizerManager::SetMainVolumeSlider() {
    if (!m_sliderMainVolume) return;
    const int value = m_sliderMainVolume->GetValue();
    LogPrintA("on main volume change to %d dB\n", value);
    // The release after a drag repeats the last move's value.
    if (value == m_profile.mainVolume) return;
    m_profile.mainVolume = value;
    ShowMainVolume();
    m_device.Main_Volume_Ctrl(6 - value, false);
    FocusAndSelect(m_editMainVolume);
}

void EqualizerManager::SetMainVolumeUp(bool up) {
    LogPrintA("SetMainVolumeUp %d \n", up ? 1 : 0);
    if (!m_sliderMainVolume) return;
    const int value = m_sliderMainVolume->GetValue();
    if ((up && value >= m_sliderMainVolume->GetMaxValue()) ||
        (!up && value <= m_sliderMainVolume->GetMinValue()))
        return;
    m_sliderMainVolume->SetValue(value + (up ? 1 : -1));
    SetMainVolumeSlider();
}

void EqualizerManager::SetMainMute() {
    if (!m_mainMute) return;
    const int mute = m_mainMute->IsSelected() ? 1 : 0;
    if (mute == m_profile.mainVolumeMute) return;
    m_profile.mainVolumeMute = mute;
    LogPrintA("set main mute to %d\n", mute);
    m_device.Mute_Ctrl(mute, false);
}

// ---- output volumes ----

void EqualizerManager::ApplyChannelVolume(int output, int value) {
    std::vector<int> changed{output};
    m_profile.channels[output].gain = value;
    ShowChannelVolume(output);
    auto follow = [&](int k) {
        if (m_profile.channels[k].gain == value) return;
        m_profile.channels[k].gain = value;
        ShowChannelVolume(k);
        changed.push_back(k);
    };
    if (const int partner = LinkPartnerOf(output); partner >= 0) follow(partner);
    // The two subwoofers play at one level, linked or not.
    const int role = m_profile.roles[output];
    if (role == kLeftSubwoofer || role == kRightSubwoofer) {
        const int opposite = role == kLeftSubwoofer ? kRightSubwoofer : kLeftSubwoofer;
        for (int k = 0; k < dv::kOutputCount; ++k)
            if (k != output && m_profile.roles[k] == opposite) follow(k);
    }
    for (int k : changed) {
        const std::array<int, 1> trim{-m_profile.channels[k].gain};
        m_device.Trim_Ctrl(0, 0, static_cast<uint8_t>(k), static_cast<uint8_t>(k), trim, false);
    }
}

void EqualizerManager::SetChVolumeEdit(int output) {
    if (!ValidOutput(output) || !m_chVolumeEdit[output]) return;
    CSliderUI* slider = m_chVolumeSlider[output];
    const std::optional<int> value = ParseVolumeEdit(m_chVolumeEdit[output], slider);
    const int stored = m_profile.channels[output].gain;
    if (value && VolumeTextFor(*value, slider) != VolumeTextFor(stored, slider))
        ApplyChannelVolume(output, *value);
    else
        ShowChannelVolume(output);
    SelectAllOf(m_chVolumeEdit[output]);
}

void EqualizerManager::SetChVolumeSlider(int output) {
    if (!ValidOutput(output) || !m_chVolumeSlider[output]) return;
    const int value = m_chVolumeSlider[output]->GetValue();
    LogPrintA("set channel %d volume to %ddB\n", output, value);
    if (value == m_profile.channels[output].gain) return;
    ApplyChannelVolume(output, value);
    FocusAndSelect(m_chVolumeEdit[output]);
}

void EqualizerManager::SetChVolumeUp(int output, bool up) {
    LogPrintA("SetChVolumeUp %d \n", up ? 1 : 0);
    if (!ValidOutput(output) || !m_chVolumeSlider[output]) return;
    CSliderUI* slider = m_chVolumeSlider[output];
    const int value = slider->GetValue();
    if ((up && value >= slider->GetMaxValue()) || (!up && value <= slider->GetMinValue())) return;
    slider->SetValue(value + (up ? 1 : -1));
    SetChVolumeSlider(output);
}

// ---- mute and phase: each output's own, never its partner's ----

void EqualizerManager::SetChannelMute(int output) {
    if (!ValidOutput(output) || !m_chMute[output]) return;
    const int mute = m_chMute[output]->IsSelected() ? 1 : 0;
    if (mute == (m_profile.channels[output].mute != 0 ? 1 : 0)) return;
    m_profile.channels[output].mute = mute;
    LogPrintA("channel %d mute seleted %d\n", output, mute);
    const std::array<int, 1> value{mute};
    m_device.Mute_Ch_Ctrl(0, 0, static_cast<uint8_t>(output), static_cast<uint8_t>(output), value,
                          false);
}

void EqualizerManager::SetChannelPhase(int output) {
    if (!ValidOutput(output) || !m_chPhase[output]) return;
    const int phase = m_chPhase[output]->IsSelected() ? 1 : 0;
    if (phase == (m_profile.channels[output].phase != 0 ? 1 : 0)) return;
    m_profile.channels[output].phase = phase;
    LogPrintA("channel %d phase seleted %d\n", output, phase);
    m_chPhase[output]->SetText(phase ? QStringLiteral("${reverse phase}")
                                     : QStringLiteral("${positive_phase}"));
    const std::array<int, 1> value{phase};
    m_device.Phase_Ctrl(0, 0, static_cast<uint8_t>(output), static_cast<uint8_t>(output), value,
                        false);
}

// ---- delay ----

void EqualizerManager::SetChDelayEdit(int output) {
    if (!ValidOutput(output) || !m_chDelayEdit[output]) return;
    CEditUI* edit = m_chDelayEdit[output];
    const int sel = m_comboUnit ? m_comboUnit->GetCurSel() : 0;
    const DelayUnit unit = sel == 1 ? DelayUnit::Cm : sel == 2 ? DelayUnit::Inch : DelayUnit::Ms;
    const std::string text = edit->GetText().toStdString();
    const std::optional<double> x = unit == DelayUnit::Cm ? dv::ParseEditNumber(text, {"cm"})
                                    : unit == DelayUnit::Inch
                                        ? dv::ParseEditNumber(text, {"inc", "inch"})
                                        : dv::ParseEditNumber(text, {"ms"});
    const float stored = m_profile.channels[output].delay;
    if (!x) {
        ShowChannelDelay(output);
        SelectAllOf(edit);
        return;
    }
    LogPrintA("channel %d delay edit value %.3f\n", output, *x);
    // Whole centimetres and inches convert in floating point, to the unit's microsecond.
    int micros = 0;
    if (unit == DelayUnit::Ms) {
        micros = static_cast<int>(std::lround(std::clamp(*x * 1000.0, 0.0, 1.0 * kMaxDelayMicros)));
    } else {
        const int top = unit == DelayUnit::Cm ? kMaxDelayCm : kMaxDelayInch;
        const int whole = static_cast<int>(std::clamp(*x, 0.0, static_cast<double>(top)));
        micros = static_cast<int>(std::lround(whole * static_cast<double>(kMaxDelayMicros) / top));
    }
    if (DelayText(MsOf(micros)) != DelayText(stored)) {
        m_profile.channels[output].delay = MsOf(micros);
        const std::array<float, 1> delay{m_profile.channels[output].delay};
        m_device.Delay_Ctrl(0, 0, static_cast<uint8_t>(output), static_cast<uint8_t>(output), delay,
                            false);
    }
    ShowChannelDelay(output);
    SelectAllOf(edit);
}

void EqualizerManager::SetChDelaySlider(int output) {
    if (!ValidOutput(output) || !m_chDelaySlider[output]) return;
    const int micros = m_chDelaySlider[output]->GetValue();
    LogPrintA("channel %d delay value %.3f\n", output, micros / 1000.0);
    if (micros == MicrosOf(m_profile.channels[output].delay)) return;
    m_profile.channels[output].delay = MsOf(micros);
    if (m_chDelayEdit[output]) m_chDelayEdit[output]->SetText(DelayText(MsOf(micros)));
    const std::array<float, 1> delay{m_profile.channels[output].delay};
    m_device.Delay_Ctrl(0, 0, static_cast<uint8_t>(output), static_cast<uint8_t>(output), delay,
                        false);
    FocusAndSelect(m_chDelayEdit[output]);
}

void EqualizerManager::SetChDelayUp(int output, bool up) {
    LogPrintA("SetChDelayUp %d \n", up ? 1 : 0);
    if (!ValidOutput(output) || !m_chDelaySlider[output]) return;
    CSliderUI* slider = m_chDelaySlider[output];
    const int value = slider->GetValue();
    if ((up && value >= slider->GetMaxValue()) || (!up && value <= slider->GetMinValue())) return;
    slider->SetValue(std::clamp(value + (up ? kDelayStepMicros : -kDelayStepMicros),
                                slider->GetMinValue(), slider->GetMaxValue()));
    SetChDelaySlider(output);
}

void EqualizerManager::ShowDelaySlider(int output) {
    if (!ValidOutput(output)) return;
    // The slider in use is never hidden on the way: a hidden widget would lose its drag.
    for (int k = 0; k < dv::kOutputCount; ++k) {
        if (m_chDelaySlider[k]) m_chDelaySlider[k]->SetVisible(k == output);
        if (m_controlEmpty[k]) m_controlEmpty[k]->SetVisible(k != output);
    }
}

void EqualizerManager::HideDelaySlider() {
    for (int k = 0; k < dv::kOutputCount; ++k) {
        if (m_chDelaySlider[k]) m_chDelaySlider[k]->SetVisible(false);
        if (m_controlEmpty[k]) m_controlEmpty[k]->SetVisible(true);
    }
}

void EqualizerManager::SetDelayUnit() {
    LogPrintA("on eq comb_ch_unit valuechanged\n");
    LogPrintA("value %d\n", m_comboUnit ? m_comboUnit->GetCurSel() : 0);
    const RefreshScope refreshing(*this);
    for (int k = 0; k < dv::kOutputCount; ++k) ShowChannelDelay(k);
}
