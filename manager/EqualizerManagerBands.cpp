// EqualizerManager: the band edits of the output being edited: frequency, Q and gain edits, the
// band sliders and steppers, the enable boxes and drags on the curve.
#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>

#include "base/Log.h"
#include "controls/UIEqualizer.h"
#include "manager/EqualizerManager.h"
#include "model/EditNumber.h"
#include "model/FrequencyStep.h"

using namespace DuiLib;

namespace {

constexpr int kBandFreqMin = 20;
constexpr int kBandFreqMax = 20000;
constexpr float kQMin = 0.5f;
constexpr float kQMax = 9.0f;
// Where a band slider is missing: its markup range, in tenths of a dB.
constexpr int kGainSliderMin = -180;
constexpr int kGainSliderMax = 120;

QString FreqText(int hz) {
    return QString::number(hz);
}
QString QText(float q) {
    return QString::asprintf("%.2f", static_cast<double>(q));
}
QString GainText(float db) {
    return QString::asprintf("%.1f", static_cast<double>(db));
}

float RoundTo(double value, double steps) {
    return static_cast<float>(std::round(value * steps) / steps);
}

// "1000", "2000Hz", and the short forms "2k" (2000) and "2k5" (2500).
std::optional<int> ParseBandFreq(const QString& typed) {
    const QString text = typed.trimmed();
    const int k = text.indexOf(QLatin1Char('k'), 0, Qt::CaseInsensitive);
    if (k < 0) {
        const std::optional<double> hz = dv::ParseEditNumber(text.toStdString(), {"Hz"});
        if (!hz) return std::nullopt;
        return static_cast<int>(std::clamp(std::trunc(*hz), -1.0, 1e6));
    }
    const std::optional<double> thousands = dv::ParseEditNumber(text.left(k).toStdString());
    if (!thousands || *thousands < 0) return std::nullopt;
    QString rest = text.mid(k + 1).trimmed();
    int hundreds = 0;
    if (!rest.isEmpty() && rest[0].isDigit()) {
        hundreds = rest[0].digitValue();
        int i = 1;
        while (i < rest.size() && rest[i].isDigit()) ++i;  // only the first digit counts
        rest = rest.mid(i).trimmed();
    }
    if (!rest.isEmpty() && rest.compare(QLatin1String("Hz"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return static_cast<int>(std::min(std::trunc(*thousands * 1000.0) + hundreds * 100.0, 1e6));
}

}  // namespace

bool EqualizerManager::BandEditable(int band) const {
    const int current = m_profile.currChannel;
    return current >= 0 && current < dv::kOutputCount && band >= 0 && band < dv::kMaxBands &&
           band < m_profile.BandCount(current);
}

float EqualizerManager::ShownGain(int output, int band) const {
    const dv::OutputChannel& out = m_profile.channels[output];
    const dv::EqBand& b = out.eqArray[band];
    return out.bypass == 1 || b.enable != 1 ? 0.0f : b.eqGain;
}

bool EqualizerManager::IsBandFlat(int output) const {
    const dv::OutputChannel& out = m_profile.channels[output];
    double sum = 0.0;
    for (int b = 0; b < m_profile.BandCount(output) && b < dv::kMaxBands; ++b)
        if (out.eqArray[b].enable == 1) sum += std::fabs(out.eqArray[b].eqGain);
    return sum < 0.01;
}

void EqualizerManager::SendBand(int output, int band) {
    const dv::EqBand& b = m_profile.channels[output].eqArray[band];
    m_device.EQ_Ctrl(0, 0, static_cast<uint8_t>(output), static_cast<uint8_t>(band), b.freq,
                     b.eqFactor, dv::PlayedGain(b), false);
}

void EqualizerManager::UpdateBandBypass(int output) {
    const uint8_t flag = IsBandFlat(output) ? 1 : 0;
    if (output == m_profile.currChannel && m_btnBypass)
        m_btnBypass->SetText(flag ? QStringLiteral("${restore_eq}")
                                  : QStringLiteral("${bypass_eq}"));
    if (m_profile.channels[output].bypass == flag) return;
    m_profile.channels[output].bypass = flag;
    const std::array<int, 1> value{flag};
    m_device.PEQ_Bypass_Ctrl(0, 0, static_cast<uint8_t>(output), static_cast<uint8_t>(output),
                             value, false);
}

void EqualizerManager::ApplyBandEdit(int band, float gain, float q, int freq) {
    const int current = m_profile.currChannel;
    const int partner = Partner();
    // Editing a bypassed output starts from flat: its stored gains are dropped (the edited band
    // is written just below, so it is not sent twice).
    for (int k : {current, partner}) {
        if (k < 0 || m_profile.channels[k].bypass != 1) continue;
        for (int b = 0; b < m_profile.BandCount(k) && b < dv::kMaxBands; ++b) {
            dv::EqBand& other = m_profile.channels[k].eqArray[b];
            if (b == band || std::fabs(other.eqGain) <= 0.001f) continue;
            other.eqGain = 0.0f;
            other.enable = 1;
            SendBand(k, b);
        }
    }
    for (int k : {current, partner}) {
        if (k < 0 || band >= m_profile.BandCount(k)) continue;
        m_profile.channels[k].eqArray[band] = dv::EqBand{gain, q, freq, 1};
        SendBand(k, band);
        UpdateBandBypass(k);
    }
    RefreshBandControls(current);
}

void EqualizerManager::SetChEqEdit(int band) {
    if (band < 0 || band >= dv::kMaxBands) return;
    LogPrintA("SetChEqEdit band=%d\n", band);
    if (!BandEditable(band)) return;
    const int current = m_profile.currChannel;
    const dv::EqBand stored = m_profile.channels[current].eqArray[band];
    const float shownGain = ShownGain(current, band);

    // Each edit that holds no number keeps the stored value.
    int freq = stored.freq;
    if (m_eqFreq[band])
        if (const std::optional<int> hz = ParseBandFreq(m_eqFreq[band]->GetText());
            hz && *hz >= kBandFreqMin && *hz <= kBandFreqMax)
            freq = *hz;
    float q = stored.eqFactor;
    if (m_eqQ[band])
        if (const std::optional<double> typed =
                dv::ParseEditNumber(m_eqQ[band]->GetText().toStdString()))
            q = RoundTo(std::clamp(*typed, 1.0 * kQMin, 1.0 * kQMax), 100.0);
    float gain = shownGain;
    if (m_eqGain[band]) {
        const CSliderUI* slider = m_eqSlider[band];
        const int low = (slider ? slider->GetMinValue() : kGainSliderMin) / 10;
        const int high = (slider ? slider->GetMaxValue() : kGainSliderMax) / 10;
        if (const std::optional<double> typed =
                dv::ParseEditNumber(m_eqGain[band]->GetText().toStdString(), {"dB"}))
            gain = RoundTo(std::clamp(*typed, 1.0 * low, 1.0 * high), 10.0);
    }
    LogPrintA("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", freq, static_cast<double>(q),
              static_cast<double>(gain));
    if (FreqText(freq) == FreqText(stored.freq) && QText(q) == QText(stored.eqFactor) &&
        GainText(gain) == GainText(shownGain)) {
        RefreshBandControls(current);
        return;
    }
    ApplyBandEdit(band, gain, q, freq);
    UpdateEqualizer(band);
}

void EqualizerManager::SetEqSlider(int band) {
    if (band < 0 || band >= dv::kMaxBands || !m_eqSlider[band]) return;
    const int current = m_profile.currChannel;
    const float gain = RoundTo(m_eqSlider[band]->GetValue() / 10.0, 10.0);
    const dv::EqBand stored = m_profile.channels[current].eqArray[band];
    LogPrintA("sliderValue (%.1f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d)\n",
              static_cast<double>(gain), stored.freq, static_cast<double>(stored.eqFactor), band,
              current);
    // The release after a drag repeats the last move's value.
    if (!BandEditable(band) || GainText(gain) == GainText(ShownGain(current, band))) return;
    ApplyBandEdit(band, gain, stored.eqFactor, stored.freq);
    UpdateEqualizer(band);
    if (m_eqGain[band]) {
        m_eqGain[band]->SetFocus();
        m_eqGain[band]->SetSelAll();
    }
}

void EqualizerManager::SetEqFreqUp(int band, bool up) {
    LogPrintA("SetEqFreqUp index(%d) up(%d)\n", band, up ? 1 : 0);
    if (!BandEditable(band) || !m_eqFreq[band]) return;
    m_eqFreq[band]->SetFocus();
    const int freq = m_profile.channels[m_profile.currChannel].eqArray[band].freq;
    if ((up && freq >= kBandFreqMax) || (!up && freq <= kBandFreqMin)) return;
    m_eqFreq[band]->SetText(FreqText(dv::StepFrequency(freq, up)));
    SetChEqEdit(band);
    m_eqFreq[band]->SetSelAll();
}

void EqualizerManager::SetEqGainUp(int band, bool up) {
    LogPrintA("SetEqGainUp index(%d) up(%d)\n", band, up ? 1 : 0);
    if (!BandEditable(band) || !m_eqGain[band]) return;
    m_eqGain[band]->SetFocus();
    const CSliderUI* slider = m_eqSlider[band];
    const float low = static_cast<float>((slider ? slider->GetMinValue() : kGainSliderMin) / 10);
    const float high = static_cast<float>((slider ? slider->GetMaxValue() : kGainSliderMax) / 10);
    const float gain = ShownGain(m_profile.currChannel, band);
    if ((up && gain > high - 0.01f) || (!up && gain < low + 0.01f)) return;
    m_eqGain[band]->SetText(GainText(std::clamp(gain + (up ? 0.1f : -0.1f), low, high)));
    SetChEqEdit(band);
    m_eqGain[band]->SetSelAll();
}

void EqualizerManager::SetEqQUp(int band, bool up) {
    LogPrintA("SetEqQUp index(%d) up(%d)\n", band, up ? 1 : 0);
    if (!BandEditable(band) || !m_eqQ[band]) return;
    m_eqQ[band]->SetFocus();
    const float q = m_profile.channels[m_profile.currChannel].eqArray[band].eqFactor;
    if ((up && q > kQMax - 0.01f) || (!up && q < kQMin + 0.01f)) return;
    const float next =
        up ? (q + 0.01f <= kQMax ? q + 0.05f : kQMax) : (q - 0.01f >= kQMin ? q - 0.05f : kQMin);
    m_eqQ[band]->SetText(QText(std::clamp(next, kQMin, kQMax)));
    SetChEqEdit(band);
    m_eqQ[band]->SetSelAll();
}

void EqualizerManager::OnEqEnable(int band) {
    LogPrintA("OnEqEnable mEqIndex %d\n", band);
    if (!BandEditable(band) || !m_ptEnable[band]) return;
    const int current = m_profile.currChannel;
    dv::OutputChannel& out = m_profile.channels[current];
    const float before = dv::PlayedGain(out.eqArray[band]);
    uint8_t enable = out.eqArray[band].enable == 1 ? 1 : 0;
    if (out.bypass == 1) {
        // Bypassed bands play and show 0 dB whatever their flag: only the flag changes.
        enable = enable ? 0 : 1;
    } else if (m_ptEnable[band]->IsSelected() != (enable == 1)) {
        enable = m_ptEnable[band]->IsSelected() ? 1 : 0;
    }
    const bool changed = enable != (out.eqArray[band].enable == 1 ? 1 : 0);
    out.eqArray[band].enable = enable;
    if (changed && dv::PlayedGain(out.eqArray[band]) != before) SendBand(current, band);
    if (const int partner = Partner();
        changed && partner >= 0 && band < m_profile.BandCount(partner)) {
        dv::EqBand& mate = m_profile.channels[partner].eqArray[band];
        const float mateBefore = dv::PlayedGain(mate);
        mate.enable = enable;
        if (dv::PlayedGain(mate) != mateBefore) SendBand(partner, band);
    }
    // Rows show what plays: the box stands selected exactly where the slider is off zero.
    RefreshBandControls(current);
    ShowBypassCaption(current);
    UpdateEqualizer(-1);
}

void EqualizerManager::EqualizerCallback(int index, int kind) {
    LogPrintA("%s cmd %d index %d\n", "EqualizerCallback", kind, index);
    if (kind == 1 || kind == 2) {
        DragCorner(kind == 1);
        return;
    }
    if (kind != 0 || !m_equalizer || !BandEditable(index) || index >= m_equalizer->GetBandCount())
        return;
    const int current = m_profile.currChannel;
    const dv::EqBand dragged = m_equalizer->GetBand(index);
    const dv::EqBand stored = m_profile.channels[current].eqArray[index];
    // Stored as the edits show it, so the panel, the unit and the edits read alike.
    const float gain = RoundTo(dragged.eqGain, 10.0);
    const float q = RoundTo(std::clamp(dragged.eqFactor, kQMin, kQMax), 100.0);
    const int freq = std::clamp(dragged.freq, kBandFreqMin, kBandFreqMax);
    if (FreqText(freq) == FreqText(stored.freq) && QText(q) == QText(stored.eqFactor) &&
        GainText(gain) == GainText(ShownGain(current, index)))
        return;
    ApplyBandEdit(index, gain, q, freq);
    UpdateEqualizer(index);
    if (m_eqGain[index]) {
        m_eqGain[index]->SetFocus();
        m_eqGain[index]->SetSelAll();
    }
}
