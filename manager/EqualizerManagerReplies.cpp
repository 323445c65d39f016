// EqualizerManager: every value the unit reports, applied to the model and, for the current
// setting, to the controls. Records are bounds-checked again here: a record naming an output,
// band, source or scene outside the model changes nothing.
#include <iconv.h>

#include <algorithm>
#include <cmath>

#include "base/Log.h"
#include "controls/CSButtonUI.h"
#include "device/DspReplyRecords.h"
#include "device/McuReplyRecords.h"
#include "device/SceneReplyRecords.h"
#include "manager/EqualizerManager.h"
#include "model/InputSources.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;

namespace {

bool ValidOutput(int output) {
    return output >= 0 && output < dv::kOutputCount;
}

// Scene names travel as narrow text of the unit's code page (GBK); undecodable bytes end the name.
dv::SceneName DecodeNarrowName(const uint8_t (&bytes)[16]) {
    dv::SceneName name{};
    size_t length = 0;
    while (length < sizeof bytes && bytes[length] != 0) ++length;
    if (length == 0) return name;
    iconv_t cd = iconv_open("UTF-16LE", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return name;
    char in[16];
    std::copy(bytes, bytes + length, in);
    char out[2 * dv::kSceneNameChars] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = length, outLeft = sizeof out;
    iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    const size_t units = (sizeof out - outLeft) / 2;
    for (size_t i = 0; i < units; ++i)
        name[i] = static_cast<char16_t>(static_cast<uint8_t>(out[2 * i]) |
                                        (static_cast<uint8_t>(out[2 * i + 1]) << 8));
    return name;
}

}  // namespace

dv::DspProfile* EqualizerManager::ProfileForScene(int scene) {
    if (scene == 0) return &m_profile;
    if (scene >= 1 && scene <= dv::kSceneCount) return &m_scenes[scene - 1];
    return nullptr;
}

void EqualizerManager::ReadDspValueCallback(unsigned code, const dv::MessageRecord* record) {
    LogPrintA("ReadDspValueCallback 0x%02x\n", code);
    const RefreshScope refreshing(*this);
    if (!record) return;
    switch (code) {
        case 1:
        case 2:
        case 3:
        case 4:
            if (const auto* v = dynamic_cast<const dv::DspValueRecord*>(record)) {
                if (code == 1) {
                    m_profile.source = dv::SourceIndexFromCode(v->value);
                    ApplySourceReply(m_profile.source);
                } else if (code == 2) {
                    // Stored as the unit reports it; the unit decides the form.
                    m_profile.mainVolume = v->value;
                    ShowMainVolume();
                } else if (code == 4) {
                    m_profile.mainVolumeMute = v->value;
                    if (m_mainMute) m_mainMute->Selected(v->value != 0);
                }
            }
            return;
        case 5:
            return ApplyCrossoverReply(record);
        case 6:
            return ApplyBandReply(record);
        case 7:
            return ApplyDelayReply(record);
        case 8:
        case 9:
        case 10:
        case 13:
        case 18:
            return ApplyChannelValueReply(code, record);
        case 11:
            return ApplyMixReply(record);
        case 14:
            return ApplyLinkReply(record);
        case 15:
            return ApplyLockReply(record);
        case 36:
            return ApplyMixTrimReply(record);
        case 38:
            if (const auto* t = dynamic_cast<const dv::InputThresholdRecord*>(record))
                m_profile.inputThreshold = t->threshold;
            return;
        case 39:
            if (const auto* n = dynamic_cast<const dv::InputNoiseRecord*>(record)) {
                for (int in = std::max(0, n->firstInput); in <= n->lastInput && in < 8; ++in)
                    LogPrintA("in_ch(%d): noise = %fdB\n", in, static_cast<double>(n->levels[in]));
            }
            return;
        default:
            return;
    }
}

void EqualizerManager::ApplySourceReply(int source) {
    if (m_comboSource && source < m_comboSource->GetCount()) m_comboSource->SelectItem(source);
    ShowSourceInputs();
}

void EqualizerManager::ApplyCrossoverReply(const dv::MessageRecord* record) {
    const auto* x = dynamic_cast<const dv::CrossoverRecord*>(record);
    if (!x || !ValidOutput(x->channel)) return;
    dv::DspProfile* profile = ProfileForScene(x->scene);
    if (!profile) return;
    dv::Crossover& c = profile->channels[x->channel].crossover;
    c.hp.SetFs(x->hpFreq);
    c.hp.SetSlope(x->hpSlope);
    c.hp.SetType(x->hpType);
    c.lp.SetFs(x->lpFreq);
    c.lp.SetSlope(x->lpSlope);
    c.lp.SetType(x->lpType);
    if (x->scene == 0 && x->channel == m_profile.currChannel) SetFreqDivider(x->channel);
}

void EqualizerManager::ApplyBandReply(const dv::MessageRecord* record) {
    const auto* b = dynamic_cast<const dv::EqBandRecord*>(record);
    if (!b || !ValidOutput(b->channel) || b->band < 0) return;
    dv::DspProfile* profile = ProfileForScene(b->scene);
    if (!profile) return;
    dv::OutputChannel& out = profile->channels[b->channel];
    if (b->band >= out.eqSize || b->band >= dv::BandCapacity(b->channel)) return;
    dv::EqBand& band = out.eqArray[b->band];
    band.freq = b->freq;
    band.eqFactor = b->q;
    band.eqGain = b->gain;
    // The unit has no band switch: a band it reports plays, in a slot as in the current setting.
    band.enable = 1;
    if (b->scene != 0) return;
    if (b->channel != m_profile.currChannel) return;
    const int i = b->band;
    if (m_eqFreq[i]) m_eqFreq[i]->SetText(QString::number(b->freq));
    if (m_eqQ[i]) m_eqQ[i]->SetText(QString::asprintf("%.2f", static_cast<double>(b->q)));
    const bool bypassed = out.bypass == 1;
    const float gain = bypassed ? 0.0f : b->gain;
    if (m_eqSlider[i]) m_eqSlider[i]->SetValue(static_cast<int>(gain * 10));
    if (m_eqGain[i]) m_eqGain[i]->SetText(QString::asprintf("%.1f", static_cast<double>(gain)));
    if (m_ptEnable[i]) m_ptEnable[i]->Selected(!bypassed && b->gain != 0.0f);
}

void EqualizerManager::ApplyDelayReply(const dv::MessageRecord* record) {
    const auto* d = dynamic_cast<const dv::DelayRecord*>(record);
    if (!d || !ValidOutput(d->channel)) return;
    dv::DspProfile* profile = ProfileForScene(d->scene);
    if (!profile) return;
    profile->channels[d->channel].delay = d->delayMs;
    if (d->scene != 0) return;
    ShowChannelDelay(d->channel);
    LogPrintA("update UI ch_delay->ch = %d, Delay %.3f\n", d->channel,
              static_cast<double>(d->delayMs));
}

void EqualizerManager::ApplyChannelValueReply(unsigned code, const dv::MessageRecord* record) {
    const auto* v = dynamic_cast<const dv::ChannelValueRecord*>(record);
    if (!v || !ValidOutput(v->channel)) return;
    dv::DspProfile* profile = ProfileForScene(v->scene);
    if (!profile) return;
    const int k = v->channel;
    dv::OutputChannel& out = profile->channels[k];
    const bool current = v->scene == 0;
    switch (code) {
        case 8:
            out.gain = v->value;  // as the unit reports it
            if (!current) return;
            LogPrintA("set channel %d volume to %ddB\n", k, out.gain);
            ShowChannelVolume(k);
            return;
        case 9:
            out.mute = v->value;
            if (current && m_chMute[k]) m_chMute[k]->Selected(v->value != 0);
            return;
        case 10:
            out.phase = v->value;
            if (!current) return;
            ShowPhase(k);
            LogPrintA("channel %d phase seleted %d\n", k, v->value);
            return;
        case 13:
            if (v->value < 0 || v->value >= dv::kRoleCount) return;
            profile->roles[k] = v->value;
            if (!current) return;
            LogPrintA("DSP_CH_TYPE ch(%d), type(%d)\n", k, v->value);
            ShowRoleCaptions();
            return;
        case 18:
            out.bypass = static_cast<uint8_t>(v->value);
            if (current && k == m_profile.currChannel && m_btnBypass)
                m_btnBypass->SetText(v->value == 0 ? QStringLiteral("${bypass_eq}")
                                                   : QStringLiteral("${restore_eq}"));
            return;
        default:
            return;
    }
}

void EqualizerManager::ApplyMixReply(const dv::MessageRecord* record) {
    const auto* m = dynamic_cast<const dv::MixRecord*>(record);
    if (!m || !ValidOutput(m->channel) || m->source < 0 || m->source >= dv::kSourceCount) return;
    dv::DspProfile* profile = ProfileForScene(m->scene);
    if (!profile) return;
    profile->routing[m->source][m->channel] = m->mask;
    if (m->scene != 0 || m->source != m_profile.source) return;
    LogPrintA("set mix source = %d, ch = %d, mix_in = 0x%x\n", m->source, m->channel, m->mask);
    ShowRoutingOptions(m->channel);
}

void EqualizerManager::ApplyLinkReply(const dv::MessageRecord* record) {
    const auto* f = dynamic_cast<const dv::SceneFlagRecord*>(record);
    if (!f) return;
    dv::DspProfile* profile = ProfileForScene(f->scene);
    if (!profile) return;
    if (f->scene != 0) {
        // A slot's partners follow from its roles (read just before), so a file written from it
        // holds the pairs the unit links.
        profile->linkMode = f->flag == 1 ? 1 : 0;
        if (profile->linkMode == 1)
            profile->ComputeLinkPartners();
        else
            profile->linkOutputs.fill(-1);
        return;
    }
    if (f->flag == 1) {
        m_profile.linkMode = 1;
        m_profile.lockMode = 1;
        m_profile.ComputeLinkPartners();
        if (m_btnLink) m_btnLink->SetSelected(true);
        if (m_btnLock) m_btnLock->SetSelected(true);
        SetOutputButtonsEnabled(false);
    } else {
        m_profile.linkMode = 0;
        m_profile.linkOutputs.fill(-1);
        if (m_btnLink) m_btnLink->SetSelected(false);
    }
    OnChannelInChange(m_profile.currChannel);
}

void EqualizerManager::ApplyLockReply(const dv::MessageRecord* record) {
    const auto* f = dynamic_cast<const dv::SceneFlagRecord*>(record);
    if (!f) return;
    dv::DspProfile* profile = ProfileForScene(f->scene);
    if (!profile) return;
    profile->lockMode = f->flag == 1 ? 1 : 0;
    if (f->scene != 0) return;
    const bool locked = m_profile.lockMode == 1;
    if (m_btnLock) m_btnLock->SetSelected(locked);
    SetOutputButtonsEnabled(!locked);
    if (!locked && m_profile.linkMode == 1) {
        m_profile.linkMode = 0;
        m_profile.linkOutputs.fill(-1);
        if (m_btnLink) m_btnLink->SetSelected(false);
        // The queue is shut while the unit is read: ShowConnected tells the unit.
        m_linkStateToSend = true;
    }
    OnChannelInChange(m_profile.currChannel);
}

void EqualizerManager::ApplyMixTrimReply(const dv::MessageRecord* record) {
    const auto* t = dynamic_cast<const dv::InputMixTrimRecord*>(record);
    if (!t || t->source < 0 || t->source >= dv::kSourceCount || t->inputChannel < 0 ||
        t->inputChannel >= dv::kMixerInputs)
        return;
    dv::DspProfile* profile = ProfileForScene(t->scene);
    if (!profile) return;
    const int first = std::max(0, t->firstOutput);
    const int last = std::min({t->lastOutput, dv::kOutputCount - 1, t->firstOutput + 7});
    for (int k = first; k <= last; ++k) {
        int value = t->trims[k - t->firstOutput];
        // An unset trim on a routed input means full level.
        if (value < 1 && (profile->routing[t->source][k] & (1 << t->inputChannel)) != 0)
            value = 100;
        profile->mixerTrim[t->source][t->inputChannel][k] = value;
    }
}

void EqualizerManager::ReadMcuValueCallback(unsigned code, const dv::MessageRecord* record) {
    LogPrintA("ReadMcuValueCallback 0x%02x\n", code);
    const RefreshScope refreshing(*this);
    const auto* v = dynamic_cast<const dv::McuValueRecord*>(record);
    if (!v) return;
    if (code == 8) {
        m_profile.modelCode = v->model;
        m_profile.masterVersion = v->masterVersion;
        m_profile.slaveVersion = v->slaveVersion;
        if (v->model != 1 && m_device.IsHandshakeNormal()) {
            const QString text = QString::asprintf(
                "%s %d", Tr("${device_not_match}").toUtf8().constData(), v->model);
            ShowSystemMessageBox(m_window ? m_window->GetHWND() : nullptr, text, Tr("${tips}"));
        }
    } else if (code == 11) {
        for (int i = 0; i < 4; ++i) m_profile.flashVersion[i] = v->flashVersion[i];
    }
}

void EqualizerManager::ReadSenceValueCallback(unsigned code, const dv::MessageRecord* record) {
    LogPrintA("ReadSenceValueCallback 0x%02x\n", code);
    const RefreshScope refreshing(*this);
    const auto* n = dynamic_cast<const dv::SceneNameRecord*>(record);
    if (code != 11 || !n || n->sceneIndex < 0 || n->sceneIndex >= dv::kSceneCount) return;
    m_sceneNames[n->sceneIndex] = DecodeNarrowName(n->name);
}
