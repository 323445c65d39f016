// EqualizerManager: link and lock of the output pairs, EQ bypass and reset, the PEQ/GEQ switch and
// the reset of every output. Each asks first and does nothing unless confirmed.
#include <array>
#include <string>
#include <vector>

#include "base/Log.h"
#include "controls/CSButtonUI.h"
#include "controls/UIEqualizer.h"
#include "manager/EqualizerManager.h"
#include "manager/QuestionAsker.h"
#include "model/SpeakerRoles.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;

namespace {

constexpr int kLeftSubwoofer = 22;
constexpr int kRightSubwoofer = 23;

}  // namespace

HWND EqualizerManager::QuestionParent() const {
    return m_window ? m_window->GetHWND() : nullptr;
}

void EqualizerManager::SetQuestionAsker(std::unique_ptr<QuestionAsker> asker) {
    m_asker = std::move(asker);
}

// Without an asker nothing is confirmed, so nothing destructive happens.
int EqualizerManager::Ask(const char* message, const QStringList& buttonTexts) {
    return m_asker ? m_asker->Ask(QuestionParent(), QStringLiteral("${tips}"),
                                  QString::fromLatin1(message), buttonTexts)
                   : 0;
}

void EqualizerManager::SendCrossover(int output) {
    const dv::Crossover& x = m_profile.channels[output].crossover;
    for (const bool high : {true, false}) {
        const dv::FilterSection& s = high ? x.hp : x.lp;
        m_device.Filter_Ctrl(0, 0, static_cast<uint8_t>(output),
                             high ? dv::FilterSide::HighPass : dv::FilterSide::LowPass,
                             dv::FilterFreq(s.fs), dv::FilterSlope(static_cast<uint8_t>(s.slope)),
                             dv::FilterType(static_cast<uint8_t>(s.type)), false);
    }
}

void EqualizerManager::Unlink() {
    m_profile.linkMode = 0;
    m_profile.linkOutputs.fill(-1);
    if (m_btnLink) m_btnLink->SetSelected(false);
    m_device.CH_Link_Ctrl(0, 0, {}, false);
}

void EqualizerManager::SendSettledLinkState() {
    if (!m_linkStateToSend) return;
    m_linkStateToSend = false;
    m_device.CH_Lock_Ctrl(0, m_profile.lockMode, false);
    m_device.CH_Link_Ctrl(0, m_profile.linkMode, {}, false);
}

void EqualizerManager::SetOutputLink() {
    LogPrintA("on %s\n", "EqualizerManager::SetOutputLink");
    if (!m_profile.IsLinkable()) {
        m_profile.linkMode = 0;
        if (m_btnLink) m_btnLink->SetSelected(false);
        m_device.CH_Link_Ctrl(0, 0, {}, false);
        if (m_asker)
            m_asker->Tell(QuestionParent(), Tr("${not_linkable_tips}"), Tr("${tips}"));
        else
            ShowSystemMessageBox(QuestionParent(), Tr("${not_linkable_tips}"), Tr("${tips}"));
        return;
    }
    if (m_profile.linkMode == 1) {
        Unlink();
        m_profile.lockMode = 0;
        if (m_btnLock) m_btnLock->SetSelected(false);
        m_device.CH_Lock_Ctrl(0, 0, false);
        SetOutputButtonsEnabled(true);
        OnChannelInChange(m_profile.currChannel);
        return;
    }
    const int result = m_asker ? m_asker->AskChoice(QuestionParent(), QStringLiteral("${tips}"),
                                                    QStringLiteral("${link_tips}"),
                                                    QStringLiteral("${copy_left_to_right}"),
                                                    QStringLiteral("${copy_right_to_left}"))
                               : 0;
    if (result == 0) {
        if (m_btnLink) m_btnLink->SetSelected(false);
        return;
    }
    LogPrintA("CMsgCheckBoxWnd %d\n", result);
    m_profile.linkMode = 1;
    if (m_btnLink) m_btnLink->SetSelected(true);
    m_profile.lockMode = 1;
    if (m_btnLock) m_btnLock->SetSelected(true);
    m_device.CH_Lock_Ctrl(0, 1, false);
    SetOutputButtonsEnabled(false);
    m_profile.ComputeLinkPartners();

    std::vector<dv::LinkPair> pairs;
    for (int i = 0; i < dv::kOutputCount; ++i) {
        const int p = m_profile.linkOutputs[i];
        if (p < 0 || p >= dv::kOutputCount || p == i) continue;
        const bool leftOnto = result == 1 && m_profile.roles[i] < m_profile.roles[p];
        const bool rightOnto = result == 2 && m_profile.roles[p] < m_profile.roles[i];
        if (!leftOnto && !rightOnto) continue;
        m_profile.CopyOutput(i, p);
        pairs.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(p)});
        // The target now holds what the panel shows: send all of it under its own number.
        SendCrossover(p);
        for (int b = 0; b < m_profile.BandCount(p) && b < dv::kMaxBands; ++b) SendBand(p, b);
        const std::array<int, 1> bypass{m_profile.channels[p].bypass};
        m_device.PEQ_Bypass_Ctrl(0, 0, static_cast<uint8_t>(p), static_cast<uint8_t>(p), bypass,
                                 false);
        const std::array<int, 1> trim{-m_profile.channels[p].gain};
        m_device.Trim_Ctrl(0, 0, static_cast<uint8_t>(p), static_cast<uint8_t>(p), trim, false);
        {
            const RefreshScope refreshing(*this);
            ShowChannelVolume(p);
        }
    }
    OnChannelInChange(m_profile.currChannel);
    m_device.CH_Link_Ctrl(0, 1, pairs, false);
}

void EqualizerManager::SetOutpuLock() {
    LogPrintA("on %s\n", "EqualizerManager::SetOutpuLock");
    const bool locked = m_profile.lockMode == 1;
    const int confirmed = Ask(locked ? "${unlock_output_tips}" : "${lock_output_tips}");
    // Confirmed flips the lock; otherwise it stays as it was.
    const int lock = confirmed == 1 ? (locked ? 0 : 1) : (locked ? 1 : 0);
    m_profile.lockMode = lock;
    if (m_btnLock) m_btnLock->SetSelected(lock == 1);
    SetOutputButtonsEnabled(lock == 0);
    if (confirmed != 1) return;  // nothing changed: nothing to send
    if (lock == 0) {
        if (m_profile.linkMode == 1) Unlink();
        OnChannelInChange(m_profile.currChannel);
    }
    m_device.CH_Lock_Ctrl(0, lock, false);
}

void EqualizerManager::SetBypassFlag(int output, uint8_t flag) {
    m_profile.channels[output].bypass = flag;
    const std::array<int, 1> value{flag};
    m_device.PEQ_Bypass_Ctrl(0, 0, static_cast<uint8_t>(output), static_cast<uint8_t>(output),
                             value, false);
}

void EqualizerManager::SetOutputBypass() {
    LogPrintA("on %s\n", "EqualizerManager::SetOutputBypass");
    const int current = m_profile.currChannel;
    if (current < 0 || current >= dv::kOutputCount || m_profile.BandCount(current) <= 0) return;
    uint8_t flag = 0;
    if (m_profile.channels[current].bypass != 1 && !IsBandFlat(current)) {
        if (Ask("${bypass_all_eq_tips}") != 1) return;
        flag = 1;
    } else if (m_profile.channels[current].bypass == 1 && !IsBandFlat(current)) {
        if (Ask("${restore_all_eq_tips}") != 1) return;
        flag = 0;
    } else {
        return;  // a flat output has nothing to bypass or restore
    }
    SetBypassFlag(current, flag);
    if (const int partner = Partner(); partner >= 0) SetBypassFlag(partner, flag);
    const RefreshScope refreshing(*this);
    if (m_btnBypass)
        m_btnBypass->SetText(flag ? QStringLiteral("${restore_eq}")
                                  : QStringLiteral("${bypass_eq}"));
    RefreshBandControls(current);
    UpdateEqualizer(-1);
}

void EqualizerManager::SetOutputEqRest() {
    LogPrintA("on %s\n", "EqualizerManager::SetOutputEqRest");
    const int current = m_profile.currChannel;
    if (current < 0 || current >= dv::kOutputCount) return;
    if (Ask("${reset_all_eq_tips}") != 1) return;
    std::vector<uint8_t> channels{static_cast<uint8_t>(current)};
    const int partner = Partner();
    if (partner >= 0) channels.push_back(static_cast<uint8_t>(partner));
    for (const uint8_t k : channels) {
        for (int b = 0; b < m_profile.BandCount(k) && b < dv::kMaxBands; ++b)
            m_profile.channels[k].eqArray[b] = {0.0f, dv::kDefaultQ, dv::kBandFrequencies[b], 1};
    }
    const RefreshScope refreshing(*this);
    RefreshBandControls(current);
    // Every gain is 0 now: the caption follows the bypass flag, which the reset leaves alone.
    if (m_btnBypass)
        m_btnBypass->SetText(m_profile.channels[current].bypass == 1
                                 ? QStringLiteral("${restore_eq}")
                                 : QStringLiteral("${bypass_eq}"));
    UpdateEqualizer(-1);
    m_device.PEQ_Reset_Ctrl(0, 0, channels, false);
}

void EqualizerManager::SwitchEqMode() {
    if (!m_btnArgEq) return;
    const bool wasParametric = m_btnArgEq->IsSelected();
    const int confirmed = Ask(wasParametric ? "${geq_mode_tips}" : "${peq_mode_tips}");
    const bool parametric = confirmed == 1 ? !wasParametric : wasParametric;
    const RefreshScope refreshing(*this);
    m_btnArgEq->SetSelected(parametric);
    m_btnArgEq->SetText(parametric ? QStringLiteral("${peq_mode}") : QStringLiteral("${geq_mode}"));
    if (confirmed != 1) return;
    for (int k = 0; k < dv::kOutputCount; ++k) {
        for (int b = 0; b < m_profile.BandCount(k) && b < dv::kMaxBands; ++b) {
            dv::EqBand& band = m_profile.channels[k].eqArray[b];
            if (band.eqFactor >= 5.79f && band.eqFactor <= 5.81f) continue;
            band.eqFactor = dv::kDefaultQ;
            SendBand(k, b);
        }
    }
    RefreshBandControls(m_profile.currChannel);
    if (m_equalizer) m_equalizer->setDragAllDirection(parametric);
    UpdateEqualizer(-1);
}

void EqualizerManager::SetOutputReset() {
    LogPrintA("on %s\n", "EqualizerManager::SetOutputReset");
    const int result = Ask(
        "${empty_output_tips}",
        {QStringLiteral("${default}"), QStringLiteral("${cancel}"), QStringLiteral("${emptied}")});
    if (result == 0) return;
    for (int k = 0; k < dv::kOutputCount; ++k) {
        const int role = result == 1 ? dv::kDefaultRoles[k] : 0;
        SetOutputValue(k, QString::fromLatin1(dv::RoleItemName(role)));
    }
    m_profile.lockMode = 0;
    if (m_btnLock) m_btnLock->SetSelected(false);
    m_device.CH_Lock_Ctrl(0, 0, false);
    SetOutputButtonsEnabled(true);
    Unlink();
    int leftGain = 0;
    bool haveLeft = false;
    for (int k = 0; k < dv::kOutputCount && !haveLeft; ++k)
        if (m_profile.roles[k] == kLeftSubwoofer) {
            leftGain = m_profile.channels[k].gain;
            haveLeft = true;
        }
    if (haveLeft)
        for (int k = 0; k < dv::kOutputCount; ++k)
            if (m_profile.roles[k] == kRightSubwoofer) m_profile.channels[k].gain = leftGain;
    std::array<int, dv::kOutputCount> trims{};
    for (int k = 0; k < dv::kOutputCount; ++k) trims[k] = -m_profile.channels[k].gain;
    m_device.Trim_Ctrl(0, 0, 0, dv::kOutputCount - 1, trims, false);
    {
        const RefreshScope refreshing(*this);
        ShowRoleCaptions();
        for (int k = 0; k < dv::kOutputCount; ++k) ShowChannelVolume(k);
    }
    OnChannelInChange(0);
}
