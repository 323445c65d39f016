#include "app/dialogs/MixerWnd.h"

#include <algorithm>
#include <cmath>

#include "app/ScreenInfo.h"
#include "base/Log.h"
#include "manager/EqualizerManager.h"
#include "manager/ToolWindows.h"
#include "model/EditNumber.h"
#include "model/InputSources.h"

using namespace DuiLib;

namespace {

// A newly routed cell is heard at full level.
constexpr int kFullTrim = 100;
// The markup's height holds six rows; the window drops the ones not shown.
constexpr int kMarkupRowsHeight = CMixerWnd::kRows * CMixerWnd::kRowHeight;

CMixerWnd* g_pMixer = nullptr;

const char* const kSourceKeys[dv::kSourceCount] = {
    "${source_opt}", "${source_coax}", "${source_bt}", "${source_aux}",
    "${source_low}", "${source_hi}",   "${source_dmp}"};

// Output and input of a cell control named "<prefix><c>_<r>".
bool CellOf(const QString& name, const char* prefix, int& c, int& r) {
    if (!name.startsWith(QLatin1String(prefix))) return false;
    const QStringList parts = name.mid(static_cast<int>(qstrlen(prefix))).split(QLatin1Char('_'));
    if (parts.size() != 2) return false;
    bool okC = false, okR = false;
    c = parts[0].toInt(&okC);
    r = parts[1].toInt(&okR);
    return okC && okR;
}

}  // namespace

CMixerWnd::CMixerWnd(EqualizerManager& manager, int source)
    : CMsgWndBase("XML_MIXER", "MixerWnd", "MixerWnd", QString(), QString(),
                  {{"confirm_btn", 1}, {"cancel_btn", 0}, {"third_btn", 2}}),
      m_manager(manager),
      m_source(source) {}

CMixerWnd* CMixerWnd::Current() {
    return g_pMixer;
}

void CMixerWnd::InitWindow() {
    CMsgWndBase::InitWindow();  // the DPI rule and its "screen size" line
    m_rows = dv::SourceMixerInputs(m_source);
    BuildMatrix();
    ShowRowTitles();
    const QSize initial = m_pm.GetInitSize();
    const int scale = m_pm.GetScale();
    ResizeClient(initial.width() * scale / 100,
                 (m_rows * kRowHeight + initial.height() - kMarkupRowsHeight) * scale / 100);
    ToolWindows::Add(this);
    m_initialised = true;
}

LRESULT CMixerWnd::OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    ToolWindows::Remove(this);
    return CMsgWndBase::OnDestroy(uMsg, wParam, lParam, bHandled);
}

void CMixerWnd::BuildMatrix() {
    const dv::DspProfile& profile = m_manager.Profile();
    const bool validSource = m_source >= 0 && m_source < dv::kSourceCount;
    for (int c = 0; c < dv::kOutputCount; ++c) {
        m_pm.FindControl(QString::asprintf("column_%d", c));
        for (int r = 0; r < kRows; ++r) {
            if (CControlUI* box = m_pm.FindControl(QString::asprintf("box_%d_%d", c, r)))
                box->SetVisible(r < m_rows);
            if (r < kRows - 1) {
                if (CControlUI* gap = m_pm.FindControl(QString::asprintf("box_grap_%d_%d", c, r)))
                    gap->SetVisible(r < m_rows - 1);
            }
            Cell& cell = m_cells[c][r];
            cell.enable = dynamic_cast<COptionUI*>(
                m_pm.FindControl(QString::asprintf("box_enable_%d_%d", c, r)));
            cell.phase = dynamic_cast<COptionUI*>(
                m_pm.FindControl(QString::asprintf("box_phase_%d_%d", c, r)));
            cell.slider = dynamic_cast<CSliderUI*>(
                m_pm.FindControl(QString::asprintf("box_volume_%d_%d", c, r)));
            cell.edit =
                dynamic_cast<CEditUI*>(m_pm.FindControl(QString::asprintf("box_edit_%d_%d", c, r)));
            // No command carries the phase flag: it is shown, not offered.
            if (cell.phase) cell.phase->SetEnabled(false);
            if (r >= m_rows || !validSource) continue;
            const bool routed = (profile.routing[m_source][c] >> r) & 1;
            if (cell.enable) cell.enable->Selected(routed, false);
            ShowTrim(c, r, routed ? profile.mixerTrim[m_source][r][c] : 0);
            if (cell.phase) cell.phase->Selected(profile.mixerPhase[m_source][r][c] != 0, false);
        }
    }
}

void CMixerWnd::ShowRowTitles() {
    const QString source =
        m_source >= 0 && m_source < dv::kSourceCount
            ? CResourceManager::GetInstance()->GetText(QString::fromLatin1(kSourceKeys[m_source]))
            : QString();
    for (int r = 0; r < kRows; ++r) {
        for (const char* part : {"left_box_%d", "second_%d", "title_label_%d"}) {
            if (CControlUI* control = m_pm.FindControl(QString::asprintf(part, r)))
                control->SetVisible(r < m_rows);
        }
        if (r < kRows - 1) {
            for (const char* gap : {"left_grap_%d", "second_grap_%d"}) {
                if (CControlUI* control = m_pm.FindControl(QString::asprintf(gap, r)))
                    control->SetVisible(r < m_rows - 1);
            }
        }
        if (CControlUI* title = m_pm.FindControl(QString::asprintf("title_label_%d", r)))
            title->SetText(QString("%1%2").arg(source).arg(r + 1));
    }
}

CMixerWnd::Cell* CMixerWnd::CellAt(int c, int r) {
    if (c < 0 || c >= dv::kOutputCount || r < 0 || r >= m_rows) return nullptr;
    return &m_cells[c][r];
}

void CMixerWnd::ShowTrim(int c, int r, int value) {
    Cell& cell = m_cells[c][r];
    cell.shown = QString::number(value);
    if (cell.slider) cell.slider->SetValue(value);
    if (cell.edit) cell.edit->SetText(cell.shown);
}

void CMixerWnd::Notify(TNotifyUI& msg) {
    LogPrintA("Notify %s\n", msg.sType.toUtf8().constData());
    const QString name = msg.pSender ? msg.pSender->GetName() : QString();
    int c = 0, r = 0;
    if (m_initialised) {
        if (msg.sType == DUI_MSGTYPE_SELECTCHANGED && CellOf(name, "box_enable_", c, r)) {
            if (const Cell* cell = CellAt(c, r); cell && cell->enable)
                OnEnableChange(c, r, cell->enable->IsSelected());
        } else if ((msg.sType == DUI_MSGTYPE_VALUECHANGED ||
                    msg.sType == DUI_MSGTYPE_VALUECHANGED_MOVE) &&
                   CellOf(name, "box_volume_", c, r)) {
            OnSlider(c, r, msg.sType == DUI_MSGTYPE_VALUECHANGED);
        } else if (CellOf(name, "box_edit_", c, r)) {
            if (msg.sType == DUI_MSGTYPE_VALUECHANGED_UP) {
                OnStep(c, r, +1);
            } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED_DOWN) {
                OnStep(c, r, -1);
            } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED_RIGHT) {
                FocusWalk(c, r, +1);
            } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED_LEFT) {
                FocusWalk(c, r, -1);
            } else if (msg.sType == DUI_MSGTYPE_RETURN || msg.sType == DUI_MSGTYPE_KILLFOCUS) {
                // Not on "setfocus": an unrouted cell shows 0 whatever its stored trim, and
                // merely passing through it must not store that 0.
                CommitEdit(c, r, msg.sType == DUI_MSGTYPE_RETURN);
            }
        }
    }
    CMsgWndBase::Notify(msg);
}

void CMixerWnd::OnEnableChange(int c, int r, bool on) {
    // The main window's option sends the routing (and a full trim for a silent cell).
    m_manager.SelectRoutingOption(r + 1, c, on);
    const int trim = m_manager.Profile().mixerTrim[m_source][r][c];
    if (on && trim == 0) m_manager.SetMixerTrim(m_source, r, c, kFullTrim);
    if (!on) m_manager.SetMixerTrim(m_source, r, c, 0);
    ShowTrim(c, r, m_manager.Profile().mixerTrim[m_source][r][c]);
}

void CMixerWnd::FollowTrim(int c, int r, int value) {
    Cell& cell = m_cells[c][r];
    if (!cell.enable) return;
    const bool routed = value != 0;
    if (cell.enable->IsSelected() == routed) return;
    cell.enable->Selected(routed, false);
    OnEnableChange(c, r, routed);
}

void CMixerWnd::OnSlider(int c, int r, bool released) {
    Cell* cell = CellAt(c, r);
    if (!cell || !cell->slider) return;
    const int v = cell->slider->GetValue();
    LogPrintA("SetInputTrimSlider set in_ch %d out_ch %d volume to %ddB\n", r, c, v);
    ShowTrim(c, r, v);
    m_manager.SetMixerTrim(m_source, r, c, v);
    FollowTrim(c, r, v);
    // Moving the focus mid-drag would commit the edit under the thumb on every step.
    if (released) FocusEdit(c, r);
}

void CMixerWnd::OnStep(int c, int r, int step) {
    Cell* cell = CellAt(c, r);
    if (!cell || !cell->slider || !cell->edit) return;
    const int v = std::clamp(cell->slider->GetValue() + step, cell->slider->GetMinValue(),
                             cell->slider->GetMaxValue());
    LogPrintA("SetInputTrimEdit set in_ch %d out_ch %d volume to %ddB\n", r, c, v);
    cell->edit->SetText(QString::number(v));
    FocusEdit(c, r);
    CommitEdit(c, r, true);
}

void CMixerWnd::CommitEdit(int c, int r, bool byReturn) {
    Cell* cell = CellAt(c, r);
    if (!cell || !cell->slider || !cell->edit) return;
    const QString text = cell->edit->GetText();
    if (text == cell->shown) {
        if (byReturn) cell->edit->SetSelAll();
        return;
    }
    const std::optional<double> number = dv::ParseEditNumber(text.trimmed().toStdString());
    if (!number) {
        // A typo is not a 0: that would unroute the input.
        cell->edit->SetText(cell->shown);
        return;
    }
    const double limited = std::clamp(*number, static_cast<double>(cell->slider->GetMinValue()),
                                      static_cast<double>(cell->slider->GetMaxValue()));
    const int v = static_cast<int>(std::lround(limited));
    LogPrintA("SetInputTrimEdit set in_ch %d out_ch %d volume to %ddB\n", r, c, v);
    ShowTrim(c, r, v);
    m_manager.SetMixerTrim(m_source, r, c, v);
    FollowTrim(c, r, v);
    // Only on Return: taking the focus back on killfocus would keep the user in this edit.
    if (byReturn) FocusEdit(c, r);
}

void CMixerWnd::FocusWalk(int c, int r, int step) {
    if (m_rows <= 0) return;
    int nc = c + step;
    int nr = r;
    if (nc > dv::kOutputCount - 1) {
        nc = 0;
        ++nr;
    } else if (nc < 0) {
        nc = dv::kOutputCount - 1;
        --nr;
    }
    if (nr >= m_rows) nr = 0;
    if (nr < 0) nr = m_rows - 1;
    FocusEdit(nc, nr);
}

void CMixerWnd::FocusEdit(int c, int r) {
    Cell* cell = CellAt(c, r);
    if (!cell || !cell->edit) return;
    cell->edit->SetFocus();
    cell->edit->SetSelAll();
}

int ShowMixerWnd(HWND parent, EqualizerManager& manager) {
    auto* wnd = new CMixerWnd(manager, manager.Profile().source);
    g_pMixer = wnd;
    const int result = static_cast<int>(wnd->Run(parent));
    g_pMixer = nullptr;
    return result;
}
