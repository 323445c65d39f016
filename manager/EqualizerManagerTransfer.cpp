// EqualizerManager: scene files and whole-unit files, their transfers to the unit and the
// refresh of every control from the current profile. Files are read on the window thread into
// scratch copies; a worker sends from a snapshot, every command acknowledged.
#include <QFileInfo>
#include <memory>
#include <string>
#include <vector>

#include "base/Log.h"
#include "controls/CSButtonUI.h"
#include "curves/FilterMath.h"
#include "manager/EqualizerManager.h"
#include "profiles/ProfileFile.h"
#include "profiles/SceneNameGbk.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;

namespace {

std::filesystem::path FsPath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

// A typed name without extension gets the file kind's own.
QString WithExtension(const QString& path, const char* extension) {
    return QFileInfo(path).suffix().isEmpty() ? path + QLatin1Char('.') + extension : path;
}

// A file that says "linked" while its roles form no pair loads unlinked.
void SettleLink(dv::DspProfile& profile) {
    if (profile.linkMode == 1 && profile.IsLinkable()) {
        profile.lockMode = 1;
        profile.ComputeLinkPartners();
    } else {
        profile.linkMode = 0;
        profile.linkOutputs.fill(-1);
    }
}

// Each linked pair once, from the output with the lower role, as the link button sends them.
std::vector<dv::LinkPair> LinkPairs(const dv::DspProfile& profile) {
    std::vector<dv::LinkPair> pairs;
    if (profile.linkMode != 1) return pairs;
    for (int i = 0; i < dv::kOutputCount; ++i) {
        const int p = profile.linkOutputs[i];
        if (p < 0 || p >= dv::kOutputCount || p == i) continue;
        if (profile.roles[i] < profile.roles[p] || (profile.roles[i] == profile.roles[p] && i < p))
            pairs.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(p)});
    }
    return pairs;
}

struct WholeSnapshot {
    dv::DspProfile current;
    dv::SceneSlots scenes;
    dv::SceneNameTable names{};
};

}  // namespace

bool EqualizerManager::SendSceneBody(uint8_t scene, const dv::DspProfile& p) {
    dv::DspDevice& d = m_device;
    constexpr uint8_t kLast = dv::kOutputCount - 1;
    auto send = [this](const std::function<bool()>& command) { return SendChecked(command); };
    for (int k = 0; k < dv::kOutputCount; ++k) {
        const auto out = static_cast<uint8_t>(k);
        const dv::Crossover& x = p.channels[k].crossover;
        const bool sides = send([&] {
                               return d.Filter_Ctrl(
                                   scene, 0, out, dv::FilterSide::LowPass, dv::FilterFreq(x.lp.fs),
                                   dv::FilterSlope(static_cast<uint8_t>(x.lp.slope)),
                                   dv::FilterType(static_cast<uint8_t>(x.lp.type)), true);
                           }) &&
                           send([&] {
                               return d.Filter_Ctrl(
                                   scene, 0, out, dv::FilterSide::HighPass, dv::FilterFreq(x.hp.fs),
                                   dv::FilterSlope(static_cast<uint8_t>(x.hp.slope)),
                                   dv::FilterType(static_cast<uint8_t>(x.hp.type)), true);
                           });
        if (!sides) return false;
        const auto bands = p.Bands(k);
        for (int b = 0; b < p.BandCount(k); ++b) {
            const dv::EqBand& band = bands[b];
            if (!send([&] {
                    return d.EQ_Ctrl(scene, 0, out, static_cast<uint8_t>(b), band.freq,
                                     band.eqFactor, dv::PlayedGain(band), true);
                }))
                return false;
        }
    }
    std::array<int, dv::kOutputCount> trims{}, mutes{}, phases{}, bypass{};
    std::array<float, dv::kOutputCount> delays{};
    for (int k = 0; k < dv::kOutputCount; ++k) {
        trims[k] = -p.channels[k].gain;
        mutes[k] = p.channels[k].mute;
        phases[k] = p.channels[k].phase;
        delays[k] = p.channels[k].delay;
        bypass[k] = p.channels[k].bypass;
    }
    const bool channels = send([&] { return d.CH_Type_Ctrl(scene, 0, 0, kLast, p.roles, true); }) &&
                          send([&] { return d.Trim_Ctrl(scene, 0, 0, kLast, trims, true); }) &&
                          send([&] { return d.Mute_Ch_Ctrl(scene, 0, 0, kLast, mutes, true); }) &&
                          send([&] { return d.Phase_Ctrl(scene, 0, 0, kLast, phases, true); }) &&
                          send([&] { return d.Delay_Ctrl(scene, 0, 0, kLast, delays, true); }) &&
                          send([&] { return d.PEQ_Bypass_Ctrl(scene, 0, 0, kLast, bypass, true); });
    if (!channels) return false;
    for (int s = 0; s < dv::kSourceCount; ++s) {
        for (int k = 0; k < dv::kOutputCount; ++k)
            LogPrintA("source = %d, out_ch=%d, in=0x%x\n", s, k, p.routing[s][k]);
        if (!send([&] {
                return d.Mix_Ch_Ctrl(scene, static_cast<uint8_t>(s), 0, kLast, p.routing[s], true);
            }))
            return false;
    }
    // Lock before link: the unit ends a link when its roles unlock.
    const std::vector<dv::LinkPair> pairs = LinkPairs(p);
    return send([&] { return d.CH_Lock_Ctrl(scene, p.lockMode == 1 ? 1 : 0, true); }) &&
           send([&] { return d.CH_Link_Ctrl(scene, p.linkMode == 1 ? 1 : 0, pairs, true); });
}

bool EqualizerManager::SetReadCurProfileToMCU(const dv::DspProfile& p) {
    LogPrintA("%s\n", "EqualizerManager::SetReadCurProfileToMCU");
    dv::DspDevice& d = m_device;
    const uint8_t source = static_cast<uint8_t>(0x51 + std::clamp(p.source, 0, 6));
    return SendChecked([&] { return d.Main_Volume_Ctrl(6 - p.mainVolume, true); }) &&
           SendChecked([&] { return d.Mute_Ctrl(p.mainVolumeMute, true); }) &&
           SendSceneBody(0, p) &&
           SendChecked([&] { return d.Input_Ch_Threshold_Ctrl(p.inputThreshold, true); }) &&
           SendChecked([&] { return d.Source_Switch_Ctrl(source, true); });
}

bool EqualizerManager::SetReadWholeProfileToMCU(const dv::DspProfile& current,
                                                const dv::SceneSlots& scenes,
                                                const dv::SceneNameTable& names) {
    LogPrintA("%s\n", "EqualizerManager::SetReadWholeProfileToMCU");
    LogTimeStamp();
    for (int n = 1; n <= dv::kSceneCount; ++n) {
        LogPrintA("set scene(%d)\n", n);
        LogTimeStamp();
        const auto scene = static_cast<uint8_t>(n);
        // Checked when the file was taken; a name GBK cannot hold keeps what came before.
        const std::vector<uint8_t> name = dv::EncodeSceneNameGbk(names[n - 1]).bytes;
        if (!SendSceneBody(scene, scenes[n - 1]) ||
            !SendChecked([&] { return m_device.SetSceneName(scene, name); }) ||
            !SendChecked([&] { return m_device.SaveScene(scene, 1); }))
            return false;
        LogTimeStamp();
    }
    // The current setting goes last, acknowledged like the rest.
    const bool ok = SetReadCurProfileToMCU(current);
    LogTimeStamp();
    return ok;
}

void EqualizerManager::LoadSenceConfigFromFile() {
    LogPrintA("%s\n", "EqualizerManager::LoadSenceConfigFromFile");
    const QString path = m_windows.openFile ? m_windows.openFile(false) : QString();
    if (path.isEmpty()) return;
    LogPrintA("GetOpenFileName %s ok\n", path.toUtf8().constData());
    auto scratch = std::make_unique<dv::DspProfile>(m_profile);
    const HWND parent = QuestionParent();
    auto report = [parent](std::string_view key) {
        ShowSystemMessageBox(parent, Tr(QString::fromUtf8(key.data(), key.size())),
                             Tr(QStringLiteral("${tips}")));
    };
    if (!dv::readSceneProfile(FsPath(path), *scratch, report)) return;
    SettleLink(*scratch);
    // Identity and the source are the unit's, not the file's.
    scratch->modelCode = m_profile.modelCode;
    m_profile = *scratch;
    ClearHistory("scene file loaded");
    if (!IsConnected()) {
        const RefreshScope refreshing(*this);
        ShowProfile();
        ShowSystemMessageBox(parent, Tr(QStringLiteral("${scene_file_not_sent}")),
                             Tr(QStringLiteral("${tips}")));
        return;
    }
    PostToWindow(dv::WM_SHOW_LOADING);
    auto snapshot = std::make_shared<const dv::DspProfile>(m_profile);
    const bool started = StartWorker([this, snapshot] {
        LogPrintA("SetCurSceneThread start!\n");
        const bool ok = DrainCommandQueue() && SetReadCurProfileToMCU(*snapshot);
        PostTask([this] { ShowProfile(); });
        FinishTransfer(ok ? nullptr : "${transfer_fail}");
        LogPrintA("SetCurSceneThread end!\n");
    });
    if (!started) PostToWindow(dv::WM_HIDE_LOADING);
}

void EqualizerManager::SaveSenceConfigToFile() {
    LogPrintA("%s\n", "EqualizerManager::SaveSenceConfigToFile");
    QString path = m_windows.saveFile ? m_windows.saveFile(false) : QString();
    if (path.isEmpty()) return;
    path = WithExtension(path, "spf");
    LogPrintA("GetOpenFileName %s ok\n", path.toUtf8().constData());
    const HWND parent = QuestionParent();
    dv::writeSceneProfile(m_profile, FsPath(path), [parent](std::string_view key) {
        ShowSystemMessageBox(parent, Tr(QString::fromUtf8(key.data(), key.size())),
                             Tr(QStringLiteral("${tips}")));
    });
}

void EqualizerManager::LoadWholeConfigFromFile() {
    LogPrintA("%s\n", "EqualizerManager::LoadWholeConfigFromFile");
    if (!IsConnected()) return;
    const QString path = m_windows.openFile ? m_windows.openFile(true) : QString();
    if (path.isEmpty()) return;
    LogPrintA("GetOpenFileName %s ok\n", path.toUtf8().constData());
    auto whole = std::make_shared<WholeSnapshot>();
    whole->current = m_profile;
    whole->scenes = m_scenes;
    whole->names = m_sceneNames;
    const HWND parent = QuestionParent();
    auto report = [parent](std::string_view key) {
        ShowSystemMessageBox(parent, Tr(QString::fromUtf8(key.data(), key.size())),
                             Tr(QStringLiteral("${tips}")));
    };
    if (!dv::readWholeProfile(FsPath(path), {whole->current, whole->scenes, whole->names}, report))
        return;
    for (int i = 0; i < dv::kSceneCount; ++i) {
        if (!dv::EncodeSceneNameGbk(whole->names[i]).encodable) {
            ShowSystemMessageBox(parent, Tr(QStringLiteral("${scene_name_unencodable}")),
                                 Tr(QStringLiteral("${tips}")));
            return;
        }
    }
    // Every stored scene of the unit is replaced: nothing is sent unless the user agrees.
    if (!m_windows.ask || m_windows.ask(QStringLiteral("${load_whole_tips}")) != 1) return;
    // The unit may have gone while the question was open.
    if (!IsConnected()) return;
    SettleLink(whole->current);
    for (dv::DspProfile& slot : whole->scenes) SettleLink(slot);
    whole->current.modelCode = m_profile.modelCode;
    m_profile = whole->current;
    m_scenes = whole->scenes;
    ClearHistory("whole file loaded");
    m_sceneNames = whole->names;
    PostToWindow(dv::WM_SHOW_LOADING);
    std::shared_ptr<const WholeSnapshot> snapshot = whole;
    const bool started = StartWorker([this, snapshot] {
        LogPrintA("SetWholeProfileThread start!\n");
        bool ok = DrainCommandQueue() &&
                  SetReadWholeProfileToMCU(snapshot->current, snapshot->scenes, snapshot->names);
        PostTask([this] { ShowProfile(); });
        // The unit stores the ten scenes meanwhile.
        ok = ok && WorkerWait(m_timings.wholeSettle);
        for (int i = 1; ok && i <= dv::kSceneCount; ++i)
            ok = m_device.Get_Scene_Name(static_cast<uint8_t>(i)) && WorkerAlive();
        FinishTransfer(ok ? nullptr : "${transfer_fail}");
        LogPrintA("SetWholeProfileThread end!\n");
    });
    if (!started) PostToWindow(dv::WM_HIDE_LOADING);
}

void EqualizerManager::SaveWholeConfigToFile() {
    LogPrintA("%s\n", "EqualizerManager::SaveWholeConfigToFile");
    if (!IsConnected()) return;
    QString chosen = m_windows.saveFile ? m_windows.saveFile(true) : QString();
    if (chosen.isEmpty()) return;
    const QString path = WithExtension(chosen, "wpf");
    LogPrintA("GetOpenFileName %s ok\n", path.toUtf8().constData());
    PostToWindow(dv::WM_SHOW_LOADING);
    const bool started = StartWorker([this, path] {
        LogPrintA("SaveWholeSceneThread start!\n");
        bool ok = DrainCommandQueue();
        for (int n = 1; ok && n <= dv::kSceneCount; ++n) ok = ReadSceneToSlot(n) == 0;
        // Back on the current setting, in the unit and in the panel, whatever happened above.
        const bool back = WorkerAlive() &&
                          SendChecked([this] { return m_device.ReadScene(0, 0); }) &&
                          PC_UI_Status_Init() == 0 && WorkerAlive();
        ok = ok && back;
        PostTask([this, ok, path] {
            for (int k = 0; k < dv::kOutputCount; ++k)
                dv::computeChannelCurve(m_profile, k, m_profile.channels[k].bypass == 1);
            UpdateEqualizer(-1);
            if (!ok) {
                FinishTransfer("${profile_read_fail}");
                return;
            }
            const bool written =
                dv::writeWholeProfile(m_profile, m_scenes, m_sceneNames, FsPath(path));
            FinishTransfer(written ? "${profile_save_ok}" : "${profile_create_error}");
        });
        LogPrintA("SaveWholeSceneThread end!\n");
    });
    if (!started) PostToWindow(dv::WM_HIDE_LOADING);
}

void EqualizerManager::ShowProfile() {
    const RefreshScope refreshing(*this);
    ShowMainVolume();
    if (m_mainMute) m_mainMute->Selected(m_profile.mainVolumeMute != 0);
    if (m_comboSource && m_profile.source >= 0 && m_profile.source < m_comboSource->GetCount())
        m_comboSource->SelectItem(m_profile.source, false, false);
    ShowRoleCaptions();
    for (int k = 0; k < dv::kOutputCount; ++k) {
        ShowChannelVolume(k);
        LogPrintA("set channel %d volume to %ddB\n", k, m_profile.channels[k].gain);
        if (m_chMute[k]) m_chMute[k]->Selected(m_profile.channels[k].mute != 0);
        ShowPhase(k);
        ShowChannelDelay(k);
    }
    ShowSourceInputs();
    if (m_profile.linkMode == 1) {
        m_profile.lockMode = 1;
        m_profile.ComputeLinkPartners();
    } else {
        m_profile.linkOutputs.fill(-1);
    }
    if (m_btnLink) m_btnLink->SetSelected(m_profile.linkMode == 1);
    if (m_btnLock) m_btnLock->SetSelected(m_profile.lockMode == 1);
    SetOutputButtonsEnabled(m_profile.lockMode != 1);
    for (int k = 0; k < dv::kOutputCount; ++k)
        dv::computeChannelCurve(m_profile, k, m_profile.channels[k].bypass == 1);
    OnChannelInChange(m_profile.currChannel);
    UpdateEqualizer(-1);
}
