// EqualizerManager: the crossover of the output being edited: corner edits and steppers, type and
// slope combos and the curve control's "H" and "L" markers.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <optional>
#include <string>

#include "base/Log.h"
#include "controls/UIEqualizer.h"
#include "manager/EqualizerManager.h"
#include "model/EditNumber.h"
#include "model/FrequencyStep.h"

using namespace DuiLib;

namespace {

bool SameSection(const dv::FilterSection& a, const dv::FilterSection& b) {
    return a.fs == b.fs && a.type == b.type && a.slope == b.slope;
}

bool EqualsNoCase(const std::string& a, const char* b) {
    const std::string other(b);
    return a.size() == other.size() &&
           std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A corner typed as "2000", "2000Hz", "2k" or "2k5" (thousands before the letter, hundreds from
// the first digit after it); none when the text holds no number or one no Hz count can be.
std::optional<int> ParseCornerText(const QString& raw) {
    const std::string text = raw.trimmed().toStdString();
    const size_t k = text.find_first_of("kK");
    double hz = 0.0;
    if (k == std::string::npos) {
        const std::optional<double> n = dv::ParseEditNumber(text, {"Hz"});
        if (!n) return std::nullopt;
        hz = *n;
    } else {
        const std::optional<double> whole = dv::ParseEditNumber(text.substr(0, k));
        if (!whole) return std::nullopt;
        std::string rest = text.substr(k + 1);
        int hundreds = 0;
        size_t i = 0;
        if (i < rest.size() && std::isdigit(static_cast<unsigned char>(rest[i]))) {
            hundreds = rest[i] - '0';
            while (i < rest.size() && std::isdigit(static_cast<unsigned char>(rest[i]))) ++i;
        }
        rest = QString::fromStdString(rest.substr(i)).trimmed().toStdString();
        if (!rest.empty() && !EqualsNoCase(rest, "Hz")) return std::nullopt;
        hz = *whole * 1000.0 + (*whole < 0 ? -hundreds : hundreds) * 100.0;
    }
    hz = std::trunc(hz);
    if (hz > INT_MAX || hz < INT_MIN) return std::nullopt;
    return static_cast<int>(hz);
}

QString CornerText(int hz) {
    return QString::asprintf("%dHz", hz);
}

}  // namespace

bool EqualizerManager::CommitCrossover(const dv::Crossover& wanted) {
    const int current = m_profile.currChannel;
    if (current < 0 || current >= dv::kOutputCount) return false;
    const dv::Crossover& now = m_profile.channels[current].crossover;
    if (SameSection(now.hp, wanted.hp) && SameSection(now.lp, wanted.lp)) return false;
    // The partner takes the whole crossover, so its corners keep their order as well.
    for (const int k : {current, Partner()}) {
        if (k < 0) continue;
        dv::Crossover& c = m_profile.channels[k].crossover;
        for (const bool high : {true, false}) {
            dv::FilterSection& section = high ? c.hp : c.lp;
            const dv::FilterSection& target = high ? wanted.hp : wanted.lp;
            if (SameSection(section, target)) continue;
            section.SetFs(target.fs);
            section.SetType(target.type);
            section.SetSlope(target.slope);
            m_device.Filter_Ctrl(0, 0, static_cast<uint8_t>(k),
                                 high ? dv::FilterSide::HighPass : dv::FilterSide::LowPass,
                                 dv::FilterFreq(section.fs),
                                 dv::FilterSlope(static_cast<uint8_t>(section.slope)),
                                 dv::FilterType(static_cast<uint8_t>(section.type)), false);
        }
    }
    UpdateEqualizer(-1);
    return true;
}

void EqualizerManager::ShowCornerEdit(bool highPass) {
    const RefreshScope refreshing(*this);
    const int current = m_profile.currChannel;
    CEditUI* edit = highPass ? m_hpFreq : m_lpFreq;
    if (!edit || current < 0 || current >= dv::kOutputCount) return;
    const dv::Crossover& c = m_profile.channels[current].crossover;
    edit->SetText(CornerText(highPass ? c.hp.fs : c.lp.fs));
}

// Commits a corner on its own side of the opposite one; a corner that is already stored (or text
// without a number) only rewrites the edit.
void EqualizerManager::SetCorner(bool highPass, int hz) {
    const int current = m_profile.currChannel;
    if (current < 0 || current >= dv::kOutputCount) return;
    dv::Crossover wanted = m_profile.channels[current].crossover;
    hz = std::clamp(hz, dv::kFreqMin, dv::kFreqMax);
    if (highPass)
        wanted.hp.SetFs(std::min(hz, wanted.lp.fs));
    else
        wanted.lp.SetFs(std::max(hz, wanted.hp.fs));
    CommitCrossover(wanted);
}

void EqualizerManager::CommitFreqEdit(bool highPass) {
    CEditUI* edit = highPass ? m_hpFreq : m_lpFreq;
    if (!edit) return;
    if (const std::optional<int> hz = ParseCornerText(edit->GetText())) {
        LogPrintA(highPass ? "set hp freq to %d \n" : "set lp freq to %d \n", *hz);
        SetCorner(highPass, *hz);
    }
    ShowCornerEdit(highPass);
    edit->SetSelAll();
}

void EqualizerManager::SetHpFreqEdit() {
    CommitFreqEdit(true);
}

void EqualizerManager::SetLpFreqEdit() {
    CommitFreqEdit(false);
}

void EqualizerManager::StepCorner(bool highPass, bool up) {
    const int current = m_profile.currChannel;
    CEditUI* edit = highPass ? m_hpFreq : m_lpFreq;
    if (!edit || current < 0 || current >= dv::kOutputCount) return;
    const dv::Crossover& c = m_profile.channels[current].crossover;
    const int fs = highPass ? c.hp.fs : c.lp.fs;
    if ((up && fs >= dv::kFreqMax) || (!up && fs <= dv::kFreqMin)) return;
    edit->SetFocus();
    const int next = dv::StepFrequency(fs, up);
    {
        const RefreshScope refreshing(*this);
        edit->SetText(CornerText(highPass ? std::min(next, c.lp.fs) : std::max(next, c.hp.fs)));
    }
    CommitFreqEdit(highPass);
}

void EqualizerManager::SetHpFreqUp(bool up) {
    LogPrintA("SetHpFreqUp up(%d)\n", up ? 1 : 0);
    StepCorner(true, up);
}

void EqualizerManager::SetLpFreqUp(bool up) {
    LogPrintA("SetLpFreqUp up(%d)\n", up ? 1 : 0);
    StepCorner(false, up);
}

// The combos list the codes the unit uses: index = type (0 unused) or slope order.
void EqualizerManager::SetCrossoverCombo(bool highPass, bool slope) {
    CComboUI* combo = highPass ? (slope ? m_hpSlope : m_hpType) : (slope ? m_lpSlope : m_lpType);
    const int current = m_profile.currChannel;
    if (!combo || current < 0 || current >= dv::kOutputCount) return;
    const int index = combo->GetCurSel();
    if (index < 0) return;
    LogPrintA(highPass ? (slope ? "set hp slop to %s index " : "set hp type to %s index ")
                       : (slope ? "set lp slop to %s index " : "set lp type to %s index "),
              combo->GetText().toUtf8().constData());
    LogPrintA("%d\n", index);
    dv::Crossover wanted = m_profile.channels[current].crossover;
    dv::FilterSection& section = highPass ? wanted.hp : wanted.lp;
    // The placeholder item (type 0) names no filter: the stored type stays.
    if (slope)
        section.SetSlope(index);
    else if (index >= 1 && index <= 3)
        section.SetType(index);
    CommitCrossover(wanted);
    // An index the model refuses shows the stored value again.
    const int stored = slope ? section.slope : section.type;
    if (stored != index) {
        const RefreshScope refreshing(*this);
        combo->SelectItem(stored);
    }
}

void EqualizerManager::SetHpType() {
    SetCrossoverCombo(true, false);
}

void EqualizerManager::SetLpType() {
    SetCrossoverCombo(false, false);
}

void EqualizerManager::SetHpSlope() {
    SetCrossoverCombo(true, true);
}

void EqualizerManager::SetLpSlope() {
    SetCrossoverCombo(false, true);
}

void EqualizerManager::DragCorner(bool highPass) {
    if (!m_equalizer) return;
    const int hz = highPass ? m_equalizer->GetHpFreq() : m_equalizer->GetLpFreq();
    if (hz < 0) return;  // marker hidden
    // The release repeats the last move: the corner is stored already and nothing is sent.
    SetCorner(highPass, hz);
    ShowCornerEdit(highPass);
}
