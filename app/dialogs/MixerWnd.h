// The input mixer ("XML_MIXER"): the inputs of the current source by the eight outputs. Each cell
// routes an input to an output (through the main window's routing options), carries the mix trim
// and shows the mix phase flag. Every change is stored and sent at once. Window thread only.
#pragma once

#include <QString>
#include <array>

#include "app/MsgWndBase.h"
#include "base/UnitCounts.h"

class EqualizerManager;

class CMixerWnd : public CMsgWndBase {
public:
    static constexpr int kRows = 6;  // rows in the markup
    static constexpr int kRowHeight = 83;

    CMixerWnd(EqualizerManager& manager, int source);

    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT OnDestroy(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                              bool& bHandled) override;

    // The mixer window now open, or nullptr.
    static CMixerWnd* Current();
    int Rows() const { return m_rows; }

private:
    struct Cell {
        DuiLib::COptionUI* enable = nullptr;
        DuiLib::COptionUI* phase = nullptr;
        DuiLib::CSliderUI* slider = nullptr;
        DuiLib::CEditUI* edit = nullptr;
        QString shown;  // the text the window last wrote into the edit
    };

    void BuildMatrix();
    void ShowRowTitles();
    Cell* CellAt(int c, int r);
    // Slider and edit show `value`.
    void ShowTrim(int c, int r, int value);
    void OnEnableChange(int c, int r, bool on);
    // The enable box follows a trim: routed when not 0.
    void FollowTrim(int c, int r, int value);
    void OnSlider(int c, int r, bool released);
    void OnStep(int c, int r, int step);
    void CommitEdit(int c, int r, bool byReturn);
    void FocusWalk(int c, int r, int step);
    void FocusEdit(int c, int r);

    EqualizerManager& m_manager;
    int m_source;
    int m_rows = 0;
    bool m_initialised = false;
    std::array<std::array<Cell, kRows>, dv::kOutputCount> m_cells{};
};

// Opens the mixer for the current source modally over `parent`; returns its close result.
int ShowMixerWnd(DuiLib::HWND parent, EqualizerManager& manager);
