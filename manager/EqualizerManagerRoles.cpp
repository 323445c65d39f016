// Speaker roles and input routing: the output menu, the speaker icons, the input source and the
// per-output input options. Window thread only; never inside a RefreshScope.
#include <array>

#include "base/Log.h"
#include "manager/EqualizerManager.h"
#include "model/SpeakerRoles.h"
#include "ui/UIMenu.h"

using namespace DuiLib;

namespace {

constexpr int kLeftSubwoofer = 22;
constexpr int kRightSubwoofer = 23;
constexpr int kFullTrim = 100;

bool ValidOutput(int output) {
    return output >= 0 && output < dv::kOutputCount;
}

}  // namespace

void EqualizerManager::SetSubMenu(CMenuElementUI* item, const QString& name, int output) {
    LogPrintA("on %s\n", "EqualizerManager::SetSubMenu");
    const int role = dv::RoleByItemName(name.toStdString());
    if (!item || role <= 0 || !ValidOutput(output)) return;
    const bool inUse = m_profile.IsRoleInUse(role);
    item->SetIcon(inUse ? QStringLiteral("right.png") : QString());
    item->SetChecked(inUse);
    item->SetEnabled(m_profile.IsRoleAvailable(role, output));
}

void EqualizerManager::SetOutputValue(int output, const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    LogPrintA("SetOutputValue channel %d selected value %s\n", output, utf8.constData());
    const int role = dv::RoleByItemName(utf8.toStdString());
    // A name outside the role table (or a stale output number) changes nothing.
    if (role < 0 || !ValidOutput(output)) return;

    m_profile.roles[output] = role;
    m_profile.channels[output].crossover = dv::DefaultCrossover(role);
    std::vector<int> trims{output};
    {
        const RefreshScope refreshing(*this);
        if (output == m_profile.currChannel) SetFreqDivider(output);
        ShowRoleCaptions();
        UpdateEqualizer(-1);
        // The two subwoofers play at one level.
        if (role == kLeftSubwoofer || role == kRightSubwoofer) {
            const int opposite = role == kLeftSubwoofer ? kRightSubwoofer : kLeftSubwoofer;
            for (int k = 0; k < dv::kOutputCount; ++k) {
                if (k == output || m_profile.roles[k] != opposite) continue;
                m_profile.channels[k].gain = m_profile.channels[output].gain;
                ShowChannelVolume(k);
                trims.push_back(k);
            }
        }
    }
    OnChannelInChange(output);

    const auto k = static_cast<uint8_t>(output);
    const std::array<int, 1> roles{role};
    m_device.CH_Type_Ctrl(0, 0, k, k, roles, false);
    SendCrossover(output);
    if (trims.size() > 1) {
        for (int t : trims) {
            const std::array<int, 1> trim{-m_profile.channels[t].gain};
            m_device.Trim_Ctrl(0, 0, static_cast<uint8_t>(t), static_cast<uint8_t>(t), trim, false);
        }
    }
}

void EqualizerManager::SetSpeakerFocus(int role) {
    LogPrintA("on %s index %d\n", "EqualizerManager::SetSpeakerFocus", role);
    if (role <= 0 || role >= dv::kRoleCount) return;
    {
        const RefreshScope refreshing(*this);
        if (auto* icon = dynamic_cast<COptionUI*>(m_speaker[role - 1])) icon->Selected(true);
    }
    for (int k = 0; k < m_profile.channelCount && k < dv::kOutputCount; ++k)
        if (m_profile.roles[k] == role) OnChannelInChange(k);
}

void EqualizerManager::SetInputSource() {
    const int index = m_comboSource ? m_comboSource->GetCurSel() : -1;
    LogPrintA("on %s index %d\n", "EqualizerManager::SetInputSource", index);
    // No selection (or an item the unit does not have) leaves the source as it is.
    if (index < 0 || index >= dv::kSourceCount) return;
    const bool changed = index != m_profile.source;
    m_profile.source = index;
    {
        const RefreshScope refreshing(*this);
        ShowSourceInputs();
    }
    if (changed) m_device.Source_Switch_Ctrl(static_cast<uint8_t>(0x51 + index), false);
}

void EqualizerManager::SetChannelInput(int input, int output) {
    if (input < 1 || input > 6 || !ValidOutput(output)) return;
    LogPrintA("set channel %d input %d\n", output, input);
    // Inputs 5 and 6 have no options on this panel.
    const COptionUI* option = input <= 4 ? m_chInput[input - 1][output] : nullptr;
    const int source = m_profile.source;
    if (!option || source < 0 || source >= dv::kSourceCount) return;
    int32_t& mask = m_profile.routing[source][output];
    const int bit = 1 << (input - 1);
    const bool on = option->IsSelected();
    if (((mask & bit) != 0) == on) return;
    mask = on ? (mask | bit) : (mask & ~bit);
    LogPrintA("set channel %d input = 0x%x\n", output, mask);
    const auto k = static_cast<uint8_t>(output);
    const std::array<int, 1> masks{mask};
    m_device.Mix_Ch_Ctrl(0, static_cast<uint8_t>(source), k, k, masks, false);
    // A newly routed input is heard at full level rather than silent.
    int32_t& trim = m_profile.mixerTrim[source][input - 1][output];
    if (on && trim == 0) {
        trim = kFullTrim;
        const std::array<int, 1> trims{kFullTrim};
        m_device.Input_Mix_Trim_Ctrl(0, static_cast<uint8_t>(source),
                                     static_cast<uint8_t>(input - 1), k, k, trims, false);
    }
}
