// EqualizerManager: the unit's stored scenes (load, save, delete, read into a slot) and the
// factory default. Each runs as the one worker; every command it sends is acknowledged or the
// operation says that it failed.
#include <algorithm>

#include "base/Log.h"
#include "curves/FilterMath.h"
#include "manager/EqualizerManager.h"
#include "model/InputSources.h"

namespace {

bool ValidScene(int scene) {
    return scene >= 1 && scene <= dv::kSceneCount;
}

}  // namespace

dv::SceneName EqualizerManager::SceneNameAt(int index) const {
    return index >= 0 && index < dv::kSceneCount ? m_sceneNames[index] : dv::SceneName{};
}

void EqualizerManager::SetSceneNameAt(int index, const dv::SceneName& name) {
    if (index >= 0 && index < dv::kSceneCount) m_sceneNames[index] = name;
}

void EqualizerManager::LoadSenceConfigFromDSP() {
    LogPrintA("%s\n", "EqualizerManager::LoadSenceConfigFromDSP");
    if (IsConnected() && m_windows.sceneWindow) m_windows.sceneWindow(SceneWndMode::Load);
}

void EqualizerManager::SaveSenceConfigToDSP() {
    LogPrintA("%s\n", "EqualizerManager::SaveSenceConfigToDSP");
    if (IsConnected() && m_windows.sceneWindow) m_windows.sceneWindow(SceneWndMode::SaveAs);
}

void EqualizerManager::DeleteDSPSenceConfig() {
    LogPrintA("%s\n", "EqualizerManager::DeleteDSPSenceConfig");
    if (IsConnected() && m_windows.sceneWindow) m_windows.sceneWindow(SceneWndMode::Delete);
}

bool EqualizerManager::StartLoadScene(int scene, const dv::WindowHandle& replyWindow) {
    if (!ValidScene(scene) || !IsConnected()) return false;
    return StartWorker([this, scene, replyWindow] {
        LogPrintA("LoadSenceThread start!\n");
        bool ok = DrainCommandQueue();
        // The controls rewritten by the read must not send their values back.
        m_device.SetCmdQueueEnabled(false);
        ok = ok && SendChecked([&] { return m_device.ReadScene(static_cast<uint8_t>(scene), 0); });
        const int read = ok ? PC_UI_Status_Init() : 0;
        ok = ok && read == 0 && WorkerAlive();
        PostTask([this, read] {
            if (read == -1) {
                PostToWindow(dv::WM_CONNECT_FAILED);
                Disconnect();
                m_profile.modelCode = -1;
                return;
            }
            ClearHistory("scene loaded");  // the unit plays another setting now
            for (int k = 0; k < dv::kOutputCount; ++k)
                dv::computeChannelCurve(m_profile, k, m_profile.channels[k].bypass == 1);
            ShowRoleCaptions();
            UpdateEqualizer(-1);
            if (m_device.IsDeviceOpen() && m_profile.modelCode == 1)
                m_device.SetCmdQueueEnabled(true);
        });
        dv::PostToWindow(replyWindow, WM_SCENE_OUTCOME, ok ? 1 : 0);
        LogPrintA("LoadSenceThread end!\n");
    });
}

bool EqualizerManager::StartSaveScene(int scene, std::vector<uint8_t> narrowName,
                                      const dv::WindowHandle& replyWindow) {
    if (!ValidScene(scene) || !IsConnected() || narrowName.size() > 16) return false;
    return StartWorker([this, scene, name = std::move(narrowName), replyWindow] {
        LogPrintA("SaveSenceThread start!\n");
        const auto n = static_cast<uint8_t>(scene);
        bool ok = DrainCommandQueue() &&
                  SendChecked([&] { return m_device.SetSceneName(n, name); }) &&
                  SendChecked([&] { return m_device.SaveScene(n, 0); });
        // Taken only when the unit says it stored this very scene.
        ok = ok && dv::DspDevice::LastAck().extra == scene;
        dv::PostToWindow(replyWindow, WM_SCENE_OUTCOME, ok ? 1 : 0);
        LogPrintA("SaveSenceThread end!\n");
    });
}

bool EqualizerManager::StartDeleteScene(int scene, const dv::WindowHandle& replyWindow) {
    if (!ValidScene(scene) || !IsConnected()) return false;
    return StartWorker([this, scene, replyWindow] {
        LogPrintA("DeleteSenceThread start!\n");
        const auto n = static_cast<uint8_t>(scene);
        bool ok = DrainCommandQueue() && SendChecked([&] { return m_device.DeleteScene(n); });
        ok = ok && dv::DspDevice::LastAck().extra == scene;
        dv::PostToWindow(replyWindow, WM_SCENE_OUTCOME, ok ? 1 : 0);
        LogPrintA("DeleteSenceThread end!\n");
    });
}

void EqualizerManager::ResetSlot(int scene) {
    if (ValidScene(scene)) m_scenes[scene - 1].ResetDefaults();
}

int EqualizerManager::ReadSceneToSlot(int scene) {
    LogPrintA("read scene sceneId(%d)\n", scene);
    // On the window thread ahead of the replies: a field the unit leaves unanswered is not
    // taken from an earlier read.
    PostTask([this, scene] { ResetSlot(scene); });
    const auto n = static_cast<uint8_t>(scene);
    if (!SendChecked([&] { return m_device.ReadScene(n, 255); })) return -1;
    if (!WorkerWait(m_timings.slotPause)) return -1;
    dv::DspDevice& d = m_device;
    constexpr uint8_t kLast = dv::kOutputCount - 1;
    int missing = 0;
    // A hung unit costs one reply time-out, not one per query.
    auto ask = [&](auto&& query) {
        if (missing == 0 && WorkerAlive() && !query()) ++missing;
    };
    ask([&] { return d.Get_CH_Type(n, 0, 0, kLast); });
    ask([&] { return d.Get_CH_Link(n); });
    ask([&] { return d.Get_CH_Lock(n); });
    ask([&] { return d.Get_Filter(n, 0, 0, 3); });
    ask([&] { return d.Get_Filter(n, 0, 4, kLast); });
    ask([&] { return d.Get_PEQ_Bypass(n, 0, 0, kLast); });
    for (int k = 0; k < dv::kOutputCount; ++k) {
        const int bands = dv::BandCapacity(k);
        for (int first = 0; first < bands; first += 8) {
            const int last = std::min(first + 7, bands - 1);
            ask([&] {
                return d.Get_EQ(n, 0, static_cast<uint8_t>(k), static_cast<uint8_t>(first),
                                static_cast<uint8_t>(last));
            });
        }
    }
    ask([&] { return d.Get_Delay(n, 0, 0, kLast); });
    ask([&] { return d.Get_Trim(n, 0, 0, kLast); });
    ask([&] { return d.Get_Mute_Ch(n, 0, 0, kLast); });
    ask([&] { return d.Get_Phase(n, 0, 0, kLast); });
    for (int s = 0; s < dv::kSourceCount; ++s)
        ask([&] { return d.Get_Mix_Ch(n, static_cast<uint8_t>(s), 0); });
    for (int s = 0; s < dv::kSourceCount; ++s) {
        for (int input = 0; input < dv::SourceMixerInputs(s); ++input)
            ask([&] {
                return d.Get_Input_Mix_CH_Trim(n, static_cast<uint8_t>(s),
                                               static_cast<uint8_t>(input), 0, kLast);
            });
    }
    // Every name, not only 1 .. 7: a file written after this holds all ten as the unit has them.
    for (int i = 1; i <= dv::kSceneCount; ++i)
        ask([&] { return d.Get_Scene_Name(static_cast<uint8_t>(i)); });
    if (!WorkerAlive()) return -1;
    return missing;
}

void EqualizerManager::ResetMcuFactoryDefault() {
    LogPrintA("%s\n", "EqualizerManager::ResetMcuFactoryDefault");
    if (!IsConnected()) return;
    if (!m_windows.ask || m_windows.ask(QStringLiteral("${factory_default_tips}")) != 1) return;
    PostToWindow(dv::WM_SHOW_LOADING);
    const bool started = StartWorker([this] {
        LogPrintA("Factory default thread start!\n");
        const bool ok =
            DrainCommandQueue() && SendChecked([this] { return m_device.Factory_Default_Ctrl(); });
        // The unit restarts: it leaves the bus and comes back, and its arrival reads it anew.
        if (ok)
            PostToWindow(dv::WM_FACTORY_DEFAULT_DONE);
        else
            FinishTransfer("${factory_default_fail}");
        LogPrintA("Factory default thread end!\n");
    });
    if (!started) PostToWindow(dv::WM_HIDE_LOADING);
}
