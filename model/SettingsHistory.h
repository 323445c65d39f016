// Undo and redo of the settings. A step keeps, for each part of a DspProfile it changed (a band,
// a crossover side, a volume, a route ...), the value before and after; the curve stores, the
// device identity and the view are not kept. So undoing a step puts back what that step changed
// and leaves alone whatever changed since by other means (a value the unit reported).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/DspProfile.h"

namespace dv {

// What a step shows besides the settings: the output it was made on and the EQ editing mode,
// which is not part of a profile but is undone with the mode switch.
struct HistoryView {
    int32_t output = 0;
    int32_t parametric = 0;
};

class SettingsHistory {
public:
    static constexpr size_t kMaxSteps = 200;
    // Far above what 200 ordinary steps hold; a run of huge steps gives up its oldest first.
    static constexpr size_t kMaxBytes = 2 * 1024 * 1024;

    // Records the change from `before` to `after` (false when the settings and the mode are the
    // same). With a non-empty `gesture` equal to that of the newest step, and that step still
    // open, the change joins it; the step stays open when `keepOpen`. A new step ends redo.
    bool Record(const DspProfile& before, const DspProfile& after, const HistoryView& viewBefore,
                const HistoryView& viewAfter, std::string_view gesture, bool keepOpen);
    // The newest step accepts nothing more.
    void CloseGesture();
    // Whether the newest step is open for `gesture`.
    bool IsOpen(std::string_view gesture) const;

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // Writes the newest step's earlier values into `profile` and moves it to redo; the view to
    // show, or nothing when there is no step.
    std::optional<HistoryView> Undo(DspProfile& profile);
    std::optional<HistoryView> Redo(DspProfile& profile);
    void Clear();

    size_t UndoSteps() const { return undo_.size(); }
    size_t RedoSteps() const { return redo_.size(); }
    // Heap and object bytes the history holds.
    size_t BytesHeld() const;

private:
    struct Step {
        std::vector<uint8_t> data;  // per changed part: index (2 bytes), before, after
        HistoryView viewBefore;
        HistoryView viewAfter;
        std::string gesture;
        bool open = false;
    };
    static void Apply(const Step& step, DspProfile& profile, bool after);
    void Trim();

    std::deque<Step> undo_;
    std::deque<Step> redo_;
};

}  // namespace dv
