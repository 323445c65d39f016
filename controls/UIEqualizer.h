// The equalizer curve control (markup "Curve"): the response curves of the shown outputs, one
// numbered handle per band of the selected output, the "H" and "L" crossover corners and, in
// parametric mode, the selected band's Q handles. Dragging edits the control's copy of the bands
// or the corners and sends "equalizer_eq", "equalizer_hp" or "equalizer_lp" at once, with the
// band index in the user data; the manager reads the copy back and hands the new curves in.
// UI thread only: the manager's threads post their updates to the window.
#pragma once

#include <vector>

#include "controls/UIEqualizerDamage.h"
#include "controls/UIEqualizerPainter.h"
#include "curves/EqualizerEditor.h"
#include "model/DspProfile.h"
#include "ui/UIControl.h"

inline const QString DUI_MSGTYPE_EQUALIZER_EQ = QStringLiteral("equalizer_eq");
inline const QString DUI_MSGTYPE_EQUALIZER_HP = QStringLiteral("equalizer_hp");
inline const QString DUI_MSGTYPE_EQUALIZER_LP = QStringLiteral("equalizer_lp");

// Label-like text settings of both curve controls, set from markup. Only the font and the text
// style affect drawing; the rest is kept as given.
struct CurveTextSettings {
    int font = -1;
    DuiLib::UINT textStyle = DuiLib::DT_CENTER | DuiLib::DT_VCENTER | DuiLib::DT_SINGLELINE;
    DuiLib::DWORD textColor = 0xFF444444;
    DuiLib::DWORD disabledTextColor = 0;
    DuiLib::CDuiRect textPadding;
    bool autoCalcWidth = false;

    // "align", "valign", "endellipsis", "wordbreak", "noprefix", "font", "textcolor",
    // "disabledtextcolor", "textpadding", "autocalcwidth"; false for any other name.
    bool Apply(const QString& name, const QString& value);
};

class UIEqualizer : public DuiLib::CControlUI {
public:
    UIEqualizer();

    // Copies `count` bands (at most 31), selects `selected` (-1 none) and lays the handles out.
    void setCurEqBands(const dv::EqBand* bands, int count, int selected);
    // Corners within 20 .. 20000 Hz get a marker; any other value hides it (stored as -1).
    void setCurEqHpLp(int hpFreq, int lpFreq);
    // count x 512 frequencies and levels, channel-major; count <= 0 changes nothing.
    void setCurves(const double* freqs, const double* levels, int count, int current,
                   const int32_t* visible);
    void setDragAllDirection(bool parametric);

    // Read back by the manager when notified. Only the first GetBandCount() bands are in use.
    dv::EqBand GetBand(int index) const;
    int GetBandCount() const { return m_editor.bandCount(); }
    int GetHpFreq() const { return m_editor.hpFreq(); }
    int GetLpFreq() const { return m_editor.lpFreq(); }
    int GetCurrentControlIndex() const { return m_editor.currentControlIndex(); }
    bool IsDragAllDirection() const { return m_editor.isParametric(); }
    const dv::EqualizerEditor& GetEditor() const { return m_editor; }
    const dv::EqualizerCurveLayer& GetCurveLayer() const { return m_curveLayer; }
    // The axis labels that fit the plot in the control's font, and those of them a paint shows
    // now (none under a band number or corner marker).
    std::vector<dv::AxisLabel> GetAxisLabels() const;
    std::vector<dv::AxisLabel> GetShownAxisLabels() const;

    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    DuiLib::UINT GetControlFlags() const override;
    void SetText(const QString& text) override;
    void DoEvent(DuiLib::TEventUI& event) override;
    void DoPaint(QPainter& painter, const DuiLib::CDuiRect& rcPaint) override;
    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;

    const CurveTextSettings& GetTextSettings() const { return m_text; }
    // What changed since the last paint and waits to be painted, in window client coordinates.
    const QRegion& GetPendingDamage() const { return m_pendingDamage; }
    bool HasFocusFlag() const { return m_bFocused; }

private:
    dv::CurveRect Plot() const;
    int Scale() const;
    QFont LabelFont() const;
    void Apply(const dv::CurveMouseResult& result);
    dv::EqualizerLook Look() const;
    // Asks for a repaint of only what differs from the last paint.
    void Damage();

    dv::EqualizerEditor m_editor;
    dv::EqualizerCurveLayer m_curveLayer;
    dv::EqualizerPaintState m_painted;  // what the last paint showed
    QRegion m_pendingDamage;
    CurveTextSettings m_text;
    bool m_bFocused = false;
};
