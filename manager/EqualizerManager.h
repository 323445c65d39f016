// The controller between the main window's controls and the processor: owns the link, the
// current settings and the ten scene slots, connects and reads the whole unit, and applies every
// value the unit reports to the model and the controls. Window thread only, apart from the read
// thread, which reaches the window only by posting.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "device/DspDevice.h"
#include "manager/EditHistory.h"
#include "model/DspProfile.h"
#include "ui/UILib.h"

class UIEqualizer;
class CSButtonUI;
class QuestionAsker;
namespace DuiLib {
class CMenuElementUI;
}

// Posted by the manager's threads so that a step that touches the model or the controls runs on
// the window thread, after every reply posted before it.
inline constexpr unsigned WM_MANAGER_TASK = DuiLib::WM_USER + 276;

struct ManagerTaskRecord : dv::MessageRecord {
    std::function<void()> task;
};

// Posted to the scene window by a scene worker: first parameter 1 when the unit took the
// operation completely, 0 when it did not.
inline constexpr unsigned WM_SCENE_OUTCOME = DuiLib::WM_USER + 290;

// Scene window modes.
enum class SceneWndMode { Load = 0, SaveAs = 1, Delete = 2 };

// The windows the scene and file operations open; the main window supplies them (the manager
// sits below the windows). A missing one answers "cancelled".
struct ManagerWindows {
    std::function<int(const QString& message)> ask;  // 1 when confirmed
    std::function<QString(bool wholeFile)> openFile;
    std::function<QString(bool wholeFile)> saveFile;
    std::function<void(SceneWndMode mode)> sceneWindow;
};

// Fixed waits and retries of the transfers, shortened by tests.
struct TransferTimings {
    std::chrono::milliseconds slotPause{1000};     // after ReadScene (n, 255)
    std::chrono::milliseconds wholeSettle{20000};  // the unit stores ten scenes
    std::chrono::milliseconds replyCap{0};         // every reply wait at most this (0: table)
    int notReadyRetries = 3;
};

class EqualizerManager {
public:
    EqualizerManager();
    ~EqualizerManager();
    EqualizerManager(const EqualizerManager&) = delete;
    EqualizerManager& operator=(const EqualizerManager&) = delete;

    // ---- life cycle ----
    // `asker` puts the questions of the destructive edits to the user; without one none is
    // confirmed.
    void Init(DuiLib::CPaintManagerUI* paintManager, DuiLib::CWindowWnd* window,
              std::unique_ptr<QuestionAsker> asker = nullptr);
    void SetQuestionAsker(std::unique_ptr<QuestionAsker> asker);
    void Connect(bool reportFailure);
    void Disconnect();
    void ShowConnected();
    void DevicePlugin();
    void DevicePlugOut(const QString& devicePath);
    // Reads the unit's whole state (a worker); -1 when the handshake got no answer, -2 when a
    // query got none (the read stops there).
    int PC_UI_Status_Init();

    // ---- replies (messages 1234, 1235, 1237); the window keeps ownership of the record ----
    void ReadDspValueCallback(unsigned code, const dv::MessageRecord* record);
    void ReadMcuValueCallback(unsigned code, const dv::MessageRecord* record);
    void ReadSenceValueCallback(unsigned code, const dv::MessageRecord* record);
    // Message WM_MANAGER_TASK.
    void RunPostedTask(const dv::MessageRecord* record);

    // ---- refresh ----
    // Held while controls are rewritten from the model: the notifications they raise are the
    // panel's own echo, and the window passes none of them to an editing operation. Scopes nest.
    // Inside one, select an output with OnChannelInChange, never by activating its option.
    class RefreshScope {
    public:
        explicit RefreshScope(EqualizerManager& manager) : m_manager(manager) {
            ++m_manager.m_refreshDepth;
        }
        ~RefreshScope() { --m_manager.m_refreshDepth; }
        RefreshScope(const RefreshScope&) = delete;
        RefreshScope& operator=(const RefreshScope&) = delete;

    private:
        EqualizerManager& m_manager;
    };
    bool IsRefreshing() const { return m_refreshDepth > 0; }

    void UpdateEqualizer(int selectedBand);
    void RefreshBandControls(int output);
    void SetFreqDivider(int output);
    void UpdateAllVolumeEdit();
    void OnChannelInChange(int output);
    // The current output and its link partner show selected, the others not.
    void ShowOutputSelection();
    void SetChannelShow(int output);
    // The delay in the unit chosen in "comb_ch_unit": "%d cm", "%d inc" or "%.3f ms".
    QString DelayText(float ms) const;

    // ---- output strips and master: editing operations (never inside a RefreshScope) ----
    // A commit whose value, limited and shown as the edit shows it, reads as the stored one
    // sends nothing; text that holds no number restores the stored value.
    void SetMainVolumeEdit();
    void SetMainVolumeSlider();
    void SetMainVolumeUp(bool up);
    void SetMainMute();
    void SetChVolumeEdit(int output);
    void SetChVolumeSlider(int output);
    void SetChVolumeUp(int output, bool up);
    void SetChannelMute(int output);
    void SetChannelPhase(int output);
    void SetChDelayEdit(int output);
    void SetChDelaySlider(int output);
    void SetChDelayUp(int output, bool up);
    // The delay slider of `output` stands in its placeholder's place; the others are hidden.
    void ShowDelaySlider(int output);
    void HideDelaySlider();
    void SetDelayUnit();

    // ---- crossover: editing operations (never inside a RefreshScope) ----
    // The high-pass corner never stands above the low-pass one; a link partner takes the same
    // crossover under its own number. Only sides that changed are sent.
    void SetHpFreqEdit();
    void SetLpFreqEdit();
    void SetHpFreqUp(bool up);
    void SetLpFreqUp(bool up);
    void SetHpType();
    void SetLpType();
    void SetHpSlope();
    void SetLpSlope();

    // ---- bands of the output being edited (never inside a RefreshScope) ----
    // Frequency and Q come from the stored band wherever an edit may hold uncommitted text.
    void SetChEqEdit(int band);
    void SetEqSlider(int band);
    void SetEqFreqUp(int band, bool up);
    void SetEqGainUp(int band, bool up);
    void SetEqQUp(int band, bool up);
    void OnEqEnable(int band);
    // From the curve control: kind 0 a band dragged, 1 the high-pass and 2 the low-pass corner.
    void EqualizerCallback(int index, int kind);

    // ---- link, lock, bypass, EQ reset, EQ mode, output reset (never inside a RefreshScope) ----
    // Each asks first and changes nothing unless confirmed; linked pairs take bypass and EQ reset
    // under their own numbers.
    void SetOutputLink();
    void SetOutpuLock();
    void SetOutputBypass();
    void SetOutputEqRest();
    void SwitchEqMode();
    void SetOutputReset();

    // ---- roles and routing (never inside a RefreshScope) ----
    // Check mark and availability of one role item of `output`'s menu.
    void SetSubMenu(DuiLib::CMenuElementUI* item, const QString& name, int output);
    // A name outside the role table is ignored.
    void SetOutputValue(int output, const QString& name);
    void SetSpeakerFocus(int role);
    void SetInputSource();
    // Input 1 .. 6 of `output` follows its routing option (inputs 5 and 6 have none).
    void SetChannelInput(int input, int output);

    // ---- mixer and noise threshold windows (never inside a RefreshScope) ----
    // The window that ShowMixer opens; the main window installs it. Returns the close result.
    void SetMixerOpener(std::function<int()> opener) { m_mixerOpener = std::move(opener); }
    int ShowMixer();
    // Selects or clears the main window's routing option of input 1 .. 4 of `output`; its own
    // notification sends the routing. False where the option does not exist.
    bool SelectRoutingOption(int input, int output, bool on);
    // Stores a mixer trim of the current setting and sends it when it changed.
    void SetMixerTrim(int source, int input, int output, int value);
    // Stores the input noise threshold and sends it when it changed.
    void SetInputThreshold(int value);

    // ---- scenes and transfers (EqualizerManagerScenes.cpp, EqualizerManagerTransfer.cpp) ----
    void SetWindows(ManagerWindows windows) { m_windows = std::move(windows); }
    void SetTransferTimings(const TransferTimings& timings);
    void LoadSenceConfigFromDSP();
    void SaveSenceConfigToDSP();
    void DeleteDSPSenceConfig();
    void LoadSenceConfigFromFile();
    void SaveSenceConfigToFile();
    void LoadWholeConfigFromFile();
    void SaveWholeConfigToFile();
    void ResetMcuFactoryDefault();
    // Scene workers started by the scene window; each posts 1244 first and its outcome
    // (WM_SCENE_OUTCOME) to `replyWindow` at its end. False when another worker runs.
    bool StartLoadScene(int scene, const dv::WindowHandle& replyWindow);
    bool StartSaveScene(int scene, std::vector<uint8_t> narrowName,
                        const dv::WindowHandle& replyWindow);
    bool StartDeleteScene(int scene, const dv::WindowHandle& replyWindow);
    // Window thread: the name table of scene index 0 .. 9.
    void SetSceneNameAt(int index, const dv::SceneName& name);
    dv::SceneName SceneNameAt(int index) const;
    // Rewrites every control from the current profile (window thread, refresh scope).
    void ShowProfile();
    bool IsWorkerRunning() const { return m_worker.joinable() && !m_workerDone.load(); }

    // ---- REW filter text and response files (EqualizerManagerRew.cpp) ----
    // One operation: the peaking filters of a REW filter text become the bands of the output
    // being edited and its link partner (asking to switch to parametric mode first where
    // needed); only bands that play differently are sent. A file that is not REW filter text
    // changes nothing. The result, with every row left out, is told in one message.
    void ImportRewFilters(const QString& path);
    // The output being edited as REW filter text, and its computed response as a REW text
    // measurement; each tells whether the file was written.
    bool ExportRewFilters(const QString& path);
    bool ExportRewResponse(const QString& path);

    // ---- firmware upgrade (EqualizerManagerUpgrade.cpp) ----
    // From the moment an upgrade begins until its worker has ended the link is the upgrade's:
    // connect, disconnect and plug events change nothing, and the unit is read afresh after.
    void BeginUpgradeHold();
    void EndUpgradeHold();
    bool IsUpgradeHeld() const { return m_upgradeHold; }
    // A link coming up or going down closes an idle firmware window through `closer`; one that
    // ran an upgrade stays, showing its result, until the user closes it.
    void SetFirmwareWindowCloser(std::function<void()> closer) {
        m_firmwareCloser = std::move(closer);
    }
    void FirmwareWindowClosed() { m_upgradeFollowUp = false; }

    // ---- state for the window and the tests ----
    dv::DspDevice& Device() { return m_device; }
    const dv::DspProfile& Profile() const { return m_profile; }
    // Scene slot 1 .. 10; any other number gives slot 1.
    const dv::DspProfile& SceneSlot(int scene) const;
    // Name of scene index 0 .. 9 as the unit reported it.
    QString SceneName(int index) const;
    // True while a link is open and the unit answered as the served model.
    bool IsConnected() const;

    // ---- the calibration window, while the main window runs it ----
    // A link going down (or a new one coming up) closes it as not applied.
    void SetAutoCalWnd(DuiLib::CWindowWnd* window) { m_autoCalWnd = window; }
    DuiLib::CWindowWnd* AutoCalWnd() const { return m_autoCalWnd; }
    void CloseAutoCalWnd() {
        if (m_autoCalWnd) m_autoCalWnd->Close(0);
    }

    // ---- undo, redo and A/B compare (EqualizerManagerHistory.cpp) ----
    // Everything the manager's settings go through while the outermost EditStep lives is one
    // step of the undo history (nothing when they end as they began): wrap a user's action, or a
    // whole import, in one. Steps of one `gesture` key join while the gesture goes on (a drag's
    // moves until its release, a stepper held down). A refresh from the unit is never a step.
    using Gesture = EditHistory::Gesture;
    class EditStep {
    public:
        explicit EditStep(EqualizerManager& manager, std::string_view gesture = {},
                          Gesture kind = Gesture::Once);
        ~EditStep();
        EditStep(const EditStep&) = delete;
        EditStep& operator=(const EditStep&) = delete;

    private:
        EqualizerManager& m_manager;
    };
    // Undo and redo change the model, the controls and the curve, and send the unit the
    // difference (only the model while no unit is connected). False when there is nothing to
    // undo or redo, or while a transfer holds the link.
    bool Undo();
    bool Redo();
    bool CanUndo() const { return m_edits.Current().CanUndo(); }
    bool CanRedo() const { return m_edits.Current().CanRedo(); }
    // Both slots' histories go, and the compare ends (a scene load, a file sent).
    void ClearHistory(const char* reason);
    // A/B compare: slot 0 (A) is the setting as it is; the first choice of B copies A into it.
    // Choosing the other slot makes the unit play it, sending only the difference.
    bool SelectCompareSlot(int slot);
    bool ToggleCompareSlot();
    int PlayingSlot() const { return m_edits.playing; }
    bool IsComparing() const { return m_edits.comparing; }
    // Called after every change of the history or the compare.
    void SetHistoryListener(std::function<void()> listener) {
        m_edits.changed = std::move(listener);
    }
    void SetHeldGestureWindow(std::chrono::milliseconds window) { m_edits.heldWindow = window; }
    size_t HistoryBytesHeld() const;

private:
    enum class LinkButton { Disconnected, Connecting, Connected };

    bool UpgradeRunning() const;
    void SetConnectButton(LinkButton state);
    void PostToWindow(unsigned message);
    void PostTask(std::function<void()> task);
    void ReadThread(unsigned generation);
    void FinishRead(unsigned generation, int result);

    // Workers (EqualizerManagerWorker.cpp): one at a time, the read thread included.
    bool StartWorker(std::function<void()> body);
    // Cancels the worker, wakes its waits and joins it; window thread.
    void StopWorker();
    // Waits `time` unless cancelled; false when cancelled or the worker's link is gone.
    bool WorkerWait(std::chrono::milliseconds time);
    bool WorkerAlive() const;
    // Waits until the queue is empty and the command thread idle; false when that cannot be.
    bool DrainCommandQueue();
    // Sends one acknowledged command, again on NOT_READY up to the retry bound.
    bool SendChecked(const std::function<bool()>& command);
    // Transfers (worker side), from a snapshot.
    bool SetReadCurProfileToMCU(const dv::DspProfile& profile);
    bool SetReadWholeProfileToMCU(const dv::DspProfile& current, const dv::SceneSlots& scenes,
                                  const dv::SceneNameTable& names);
    bool SendSceneBody(uint8_t scene, const dv::DspProfile& profile);
    // Reads scene n into its slot; the number of queries that got no answer, -1 on a failure.
    int ReadSceneToSlot(int scene);
    // The worker's tail on the window thread: busy window down, then `message` (a key) if any.
    void FinishTransfer(const char* message);
    void ResetSlot(int scene);

    // Reply handlers by kind.
    void ApplySourceReply(int code);
    void ApplyCrossoverReply(const dv::MessageRecord* record);
    void ApplyBandReply(const dv::MessageRecord* record);
    void ApplyDelayReply(const dv::MessageRecord* record);
    void ApplyChannelValueReply(unsigned code, const dv::MessageRecord* record);
    void ApplyMixReply(const dv::MessageRecord* record);
    void ApplyLinkReply(const dv::MessageRecord* record);
    void ApplyLockReply(const dv::MessageRecord* record);
    void ApplyMixTrimReply(const dv::MessageRecord* record);
    // The profile a record of `scene` writes: 0 the current one, 1 .. 10 a slot, else none.
    dv::DspProfile* ProfileForScene(int scene);

    // Band editing helpers.
    bool BandEditable(int band) const;
    float ShownGain(int output, int band) const;  // 0 where the band or the output is off
    bool IsBandFlat(int output) const;            // enabled |gains| add up to under 0.01 dB
    void SendBand(int output, int band);
    void UpdateBandBypass(int output);
    // Stores a band on the current output and its partner and sends it.
    void ApplyBandEdit(int band, float gain, float q, int freq);

    // Control helpers.
    void BindControls();
    void ShowRoleCaptions();
    void ShowRoutingOptions(int output);
    // Routing options of every output for the current source, inputs 3 and 4 only where the
    // source has them.
    void ShowSourceInputs();
    void ShowMainVolume();
    void ShowChannelVolume(int output);
    void ShowChannelDelay(int output);
    void ShowPhase(int output);
    void ShowBypassCaption(int output);
    void SetOutputButtonsEnabled(bool enable);
    QString VolumeText(int value, const DuiLib::CSliderUI* slider) const;
    // The text a volume of `value` shows beside `slider`, wherever the slider stands.
    QString VolumeTextFor(int value, const DuiLib::CSliderUI* slider) const;
    // A volume edit's value limited to its slider, or none when the text holds no number.
    std::optional<int> ParseVolumeEdit(const DuiLib::CEditUI* edit,
                                       const DuiLib::CSliderUI* slider) const;
    // Stores an output's new volume, copies it to its link partner or opposite subwoofer and
    // sends it for every output whose volume changed.
    void ApplyChannelVolume(int output, int value);
    // Crossover: stores `wanted` on the current output and its partner and sends each side that
    // changed; false when the current output holds it already.
    bool CommitCrossover(const dv::Crossover& wanted);
    void SetCorner(bool highPass, int hz);
    void CommitFreqEdit(bool highPass);
    void StepCorner(bool highPass, bool up);
    void SetCrossoverCombo(bool highPass, bool slope);
    void ShowCornerEdit(bool highPass);
    // A drag of the curve control's high-pass or low-pass marker.
    void DragCorner(bool highPass);
    // The partner of the output being edited.
    int Partner() const;
    // The link partner of any output, or -1.
    int LinkPartnerOf(int output) const;

    // Link and reset helpers.
    DuiLib::HWND QuestionParent() const;
    // Asks `message` under "${tips}"; the asker's close code, 0 without an asker.
    int Ask(const char* message, const QStringList& buttonTexts = {});
    std::unique_ptr<QuestionAsker> m_asker;
    void SendCrossover(int output);  // both sides, as stored
    void Unlink();                   // link off in the panel and the unit
    void SetBypassFlag(int output, uint8_t flag);
    // Once connected: a unit that reported link without lock gets the state the panel chose.
    void SendSettledLinkState();
    bool m_linkStateToSend = false;
    bool m_upgradeHold = false;  // window thread only
    // Plug events while held: the last one, and whether a confirmed image's restart is awaited.
    enum class HeldPlug { None, Arrival, Removal } m_heldPlug = HeldPlug::None;
    int64_t m_heldPlugAt = 0;  // steady clock, as dv::DspDevice::UpgradeEndedAt
    bool m_awaitRestart = false;
    // True when the event is the upgrade's to keep (logged, noted, not acted on).
    bool HoldPlugEvent(HeldPlug event);
    // From an upgrade's end until its window closes.
    bool m_upgradeFollowUp = false;
    std::function<void()> m_firmwareCloser;
    void CloseFirmwareWnd();

    std::function<int()> m_mixerOpener;  // mixer window
    dv::DspDevice m_device;
    dv::DspProfile m_profile;
    dv::SceneSlots m_scenes;
    dv::SceneNameTable m_sceneNames{};

    DuiLib::CPaintManagerUI* m_pm = nullptr;
    DuiLib::CWindowWnd* m_window = nullptr;
    DuiLib::CWindowWnd* m_autoCalWnd = nullptr;  // calibration window
    dv::WindowHandle m_windowHandle;
    std::thread m_worker;
    std::atomic<bool> m_workerDone{true};
    std::atomic<bool> m_workerCancel{false};
    uint64_t m_workerLink = 0;  // the link the worker started on
    mutable std::mutex m_waitMutex;
    std::condition_variable m_waitWake;
    ManagerWindows m_windows;
    TransferTimings m_timings;
    // Window thread only. Each start-up read has its generation; the posted end of a read whose
    // link was replaced by a newer one changes nothing.
    unsigned m_readGeneration = 0;
    bool m_busyShown = false;  // a 1244 was posted and its 1245 not yet
    int m_refreshDepth = 0;
    // Undo history and A/B compare (EqualizerManagerHistory.cpp).
    EditHistory m_edits;
    void BeginEditStep(std::string_view gesture, Gesture kind);
    void EndEditStep();
    dv::HistoryView CurrentView() const;
    bool CanReplaceSettings() const;
    // Takes the settings of `target` (identity and the view stay, unless `view` is given), shows
    // them and sends the unit the difference.
    void ReplaceSettings(const dv::DspProfile& target, const dv::HistoryView* view);
    void HistoryChanged();

    // Controls, looked up once.
    CSButtonUI* m_btnConnect = nullptr;
    DuiLib::CComboUI* m_comboSource = nullptr;
    UIEqualizer* m_equalizer = nullptr;
    DuiLib::CEditUI* m_editMainVolume = nullptr;
    DuiLib::CSliderUI* m_sliderMainVolume = nullptr;
    DuiLib::COptionUI* m_mainMute = nullptr;
    DuiLib::CComboUI* m_comboUnit = nullptr;
    DuiLib::CComboUI* m_hpType = nullptr;
    DuiLib::CComboUI* m_lpType = nullptr;
    DuiLib::CComboUI* m_hpSlope = nullptr;
    DuiLib::CComboUI* m_lpSlope = nullptr;
    DuiLib::CEditUI* m_hpFreq = nullptr;
    DuiLib::CEditUI* m_lpFreq = nullptr;
    std::array<DuiLib::CEditUI*, dv::kMaxBands> m_eqFreq{};
    std::array<DuiLib::CEditUI*, dv::kMaxBands> m_eqQ{};
    std::array<DuiLib::CEditUI*, dv::kMaxBands> m_eqGain{};
    std::array<DuiLib::CSliderUI*, dv::kMaxBands> m_eqSlider{};
    std::array<DuiLib::COptionUI*, dv::kMaxBands> m_ptEnable{};
    std::array<DuiLib::COptionUI*, dv::kOutputCount> m_chShow{};
    std::array<DuiLib::COptionUI*, dv::kOutputCount> m_chEnable{};
    std::array<DuiLib::CButtonUI*, dv::kOutputCount> m_chOutputBtn{};
    std::array<DuiLib::CSliderUI*, dv::kOutputCount> m_chVolumeSlider{};
    std::array<DuiLib::CControlUI*, dv::kOutputCount> m_chVolumeBg{};
    std::array<DuiLib::CEditUI*, dv::kOutputCount> m_chVolumeEdit{};
    std::array<DuiLib::COptionUI*, dv::kOutputCount> m_chMute{};
    std::array<DuiLib::COptionUI*, dv::kOutputCount> m_chPhase{};
    std::array<DuiLib::CSliderUI*, dv::kOutputCount> m_chDelaySlider{};
    std::array<DuiLib::CControlUI*, dv::kOutputCount> m_delayLabel{};
    std::array<DuiLib::CEditUI*, dv::kOutputCount> m_chDelayEdit{};
    std::array<DuiLib::CControlUI*, dv::kOutputCount> m_controlEmpty{};
    std::array<std::array<DuiLib::COptionUI*, dv::kOutputCount>, 4> m_chInput{};
    std::array<DuiLib::CControlUI*, dv::kOutputCount> m_input123{};
    std::array<DuiLib::CControlUI*, dv::kOutputCount> m_input456{};
    std::array<DuiLib::CControlUI*, dv::kRoleCount - 1> m_speaker{};
    DuiLib::CControlUI* m_btnBypass = nullptr;
    CSButtonUI* m_btnArgEq = nullptr;
    CSButtonUI* m_btnLock = nullptr;
    CSButtonUI* m_btnLink = nullptr;
};
