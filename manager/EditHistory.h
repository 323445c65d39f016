// The editing session's undo history and A/B compare, held by the EqualizerManager: a history
// per compare slot, the setting of the slot that is not playing, and the step being gathered.
// Window thread only.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "model/SettingsHistory.h"

struct EditHistory {
    // How a gesture's notifications follow each other.
    enum class Gesture {
        Once,    // one notification, one step (a click, a typed value, a release)
        Moving,  // a drag: every move joins one step until a Once of the same gesture ends it
        Held,    // a held stepper: repeats join while they come within `heldWindow`
    };

    std::array<dv::SettingsHistory, 2> histories;  // A, B
    int playing = 0;                               // the slot the unit plays
    bool comparing = false;                        // B exists
    std::unique_ptr<dv::DspProfile> other;         // the setting of the slot not playing

    int depth = 0;  // nested EditSteps
    std::unique_ptr<dv::DspProfile> before;
    dv::HistoryView viewBefore;
    std::string gesture;
    Gesture kind = Gesture::Once;
    // Grows with every clearing: a step that was gathered across one is dropped.
    unsigned generation = 0;
    unsigned stepGeneration = 0;
    std::chrono::steady_clock::time_point lastHeld{};
    std::chrono::milliseconds heldWindow{700};
    std::function<void()> changed;  // the window follows the buttons' states

    dv::SettingsHistory& Current() { return histories[playing]; }
    const dv::SettingsHistory& Current() const { return histories[playing]; }
};
