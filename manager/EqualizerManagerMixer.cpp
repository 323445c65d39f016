// The mixer and noise threshold windows' way into the model and the unit: trims, the routing
// options they drive and the input noise threshold. Window thread only.
#include <array>

#include "base/Log.h"
#include "manager/EqualizerManager.h"
#include "model/InputSources.h"

using namespace DuiLib;

int EqualizerManager::ShowMixer() {
    return m_mixerOpener ? m_mixerOpener() : 0;
}

bool EqualizerManager::SelectRoutingOption(int input, int output, bool on) {
    if (input < 1 || input > static_cast<int>(m_chInput.size()) || output < 0 ||
        output >= dv::kOutputCount)
        return false;
    COptionUI* option = m_chInput[input - 1][output];
    if (!option) return false;
    // Selecting raises the option's own "selectchanged", which reaches SetChannelInput.
    if (option->IsSelected() != on) option->Selected(on);
    return true;
}

void EqualizerManager::SetMixerTrim(int source, int input, int output, int value) {
    if (source < 0 || source >= dv::kSourceCount || input < 0 || input >= dv::kMixerInputs ||
        output < 0 || output >= dv::kOutputCount)
        return;
    int32_t& trim = m_profile.mixerTrim[source][input][output];
    if (trim == value) return;
    trim = value;
    const auto k = static_cast<uint8_t>(output);
    const std::array<int, 1> trims{value};
    m_device.Input_Mix_Trim_Ctrl(0, static_cast<uint8_t>(source), static_cast<uint8_t>(input), k, k,
                                 trims, false);
}

void EqualizerManager::SetInputThreshold(int value) {
    if (m_profile.inputThreshold == value) return;
    m_profile.inputThreshold = value;
    m_device.Input_Ch_Threshold_Ctrl(value, false);
}
