// The protocol object of the DV80MAX link: opens the HID device, writes frames, reads and
// assembles replies, parses them into window messages, and runs the command queue's thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "base/WindowMessage.h"
#include "device/CommandQueue.h"
#include "device/CommandTable.h"
#include "device/Frame.h"
#include "device/UpgradeEngine.h"
#include "device/UpgradeState.h"

struct hid_device_;

namespace dv {

class PayloadReader;
struct IrcSpectrumRecord;

// One band as `Input_EQ_Ctrl` sends it.
struct EqBandValue {
    int freq = 0;
    float q = 0.0f;
    float gain = 0.0f;
};

struct LinkPair {
    uint8_t from = 0;
    uint8_t to = 0;
};

// The four values of one crossover section, each its own type so that a call can neither
// swap them nor pass a bare number: selector 1 is the low-pass, 2 the high-pass.
enum class FilterSide : uint8_t { LowPass = 1, HighPass = 2 };
struct FilterFreq {
    explicit constexpr FilterFreq(int hz) : hz(hz) {}
    int hz;
};
struct FilterSlope {
    explicit constexpr FilterSlope(uint8_t code) : code(code) {}
    uint8_t code;
};
struct FilterType {
    explicit constexpr FilterType(uint8_t code) : code(code) {}
    uint8_t code;
};

// What a set command sent at once heard back from the unit.
enum class AckResult : uint8_t {
    Ready,        // 0x0A
    NotReady,     // 0x60: the unit did not apply it
    None,         // no acknowledgement within the reply time-out
    WriteFailed,  // the frame never left (no link, unplugged, refused payload)
};

struct AckReply {
    AckResult result = AckResult::None;
    int extra = -1;  // the byte after the status, -1 when the acknowledgement had none
};

// The calibration status a reply brought, as the window is told it: the value is the channel
// for 7 and 8, the reason for 11, the progress otherwise. Status -1: none was read.
struct IrcStatusReply {
    int status = -1;
    int value = 0;
};

class DspDevice {
public:
    DspDevice();
    ~DspDevice();
    DspDevice(const DspDevice&) = delete;
    DspDevice& operator=(const DspDevice&) = delete;

    // Link life cycle.
    void OpenHIDDevice();
    // Why the last OpenHIDDevice opened nothing (DspOpenDiagnosis.cpp): a unit on the bus that
    // this user may not open needs another remedy than a missing one.
    enum class OpenFailure : uint8_t { None, NotFound, NoPermission, Other };
    OpenFailure LastOpenFailure() const { return openFailure_.load(); }
    // While one lives on a thread, that thread's commands with a read wait for their own data
    // frame and fail on a refusal, a damaged frame or silence: the start-up read either brings
    // the whole unit or says where it stopped.
    class AwaitOwnReplies {
    public:
        AwaitOwnReplies();
        ~AwaitOwnReplies();
        AwaitOwnReplies(const AwaitOwnReplies&) = delete;
        AwaitOwnReplies& operator=(const AwaitOwnReplies&) = delete;
    };
    void CloseHIDDevice(bool sayGoodbye);
    bool IsDeviceOpen() const;
    void SetCmdQueueEnabled(bool enabled);
    bool IsCmdQueueEnabled() const { return queueEnabled_.load(); }
    size_t QueuedCommandCount() const { return queue_.Size(); }
    // Latest wins for queued set commands of one setting (on by default; see CommandQueue).
    void SetCmdCoalescing(bool on) { queue_.SetCoalescing(on); }
    size_t QueueHighWater() const { return queue_.HighWater(); }
    // True while the command thread holds no record (none taken, or the last one answered).
    bool IsCommandThreadIdle() const { return !cmdBusy_.load(); }
    // Grows with every opening; a worker that sees it change knows its link is gone.
    uint64_t LinkId() const;
    // The acknowledgement of the last acknowledged set command this thread sent at once
    // (groups 1 and 2, factory default); their operations return true only for Ready.
    static AckReply LastAck();
    // The calibration status read by this thread's last IRC_Get, so a worker can act on it
    // without waiting for the window to have taken it.
    static IrcStatusReply LastIrcStatus();
    // Every reply wait is cut to at most `ms` (0: the table's own time-outs).
    void SetReplyTimeoutCap(int ms) { replyTimeoutCap_ = ms; }
    // Reads wait in slices of `ms` (0: one wait), so a closed link ends a wait within a slice.
    void SetReadSlice(int ms) { readSliceMs_ = ms; }
    void ResetQueueHighWater() { queue_.ResetHighWater(); }

    // Notification targets; an empty handle means the window is not open.
    void SetMainWindow(WindowHandle target);
    void SetSceneWindow(WindowHandle target);
    void SetAutoCalWindow(WindowHandle target);
    void SetNoiseWindow(WindowHandle target);

    // Device facts from the last handshake and version replies.
    int GetModel() const { return model_.load(); }
    bool IsHandshakeNormal() const { return handshakeNormal_.load(); }
    uint8_t GetBootloaderVersion() const { return bootloaderVersion_.load(); }
    void ClearBootloaderVersion() { bootloaderVersion_ = 0; }
    void SetExpectedModel(uint8_t model) { expectedModel_ = model; }
    uint8_t GetExpectedModel() const { return expectedModel_.load(); }

    // Upgrade state moved by the acknowledgements.
    int GetUpgradeStatus() const { return upgradeStatus_.load(); }
    void SetUpgradeStatus(int status) { upgradeStatus_ = status; }
    int16_t GetUpgradePhase() const { return upgradePhase_.load(); }
    void SetUpgradePhase(int16_t phase) { upgradePhase_ = phase; }

    // ---- firmware upgrade engine (DspUpgrade.cpp); one worker thread drives it ----
    // 0 started, 1 cannot open, 2 not a firmware file for this unit, 3 no device, 4 the unit did
    // not enter, return or accept. Anything but 0 leaves the engine idle.
    int UpgradeStart(const std::string& path);
    // One step: progress 0..100, then 101 (the unit confirmed the finish) or 255; idle after.
    uint8_t UpgradeProcess();
    int FlashUpgParsingFile(const std::string& path);
    int MCUUpgParsingFile(const std::string& path);
    int MCUUpgBLParsingFile(const std::string& path);
    void SetUpgradeTiming(const UpgradeTiming& timing);
    UpgradeTiming GetUpgradeTiming() const;
    // Any thread: the upgrade stops at the next block boundary (or wait) and fails.
    void RequestUpgradeAbort() { upgradeAbort_ = true; }
    FirmwareKind GetUpgradeKind() const { return static_cast<FirmwareKind>(upgradeKind_.load()); }
    void SetUpgradeKind(FirmwareKind kind) { upgradeKind_ = static_cast<uint8_t>(kind); }
    // The last upgrade ended with an image the unit confirmed: the unit restarts (by itself, or
    // by the reboot sent after a DSP-flash image) and leaves the bus for a while.
    bool UpgradeEndedInRestart() const { return upgradeRestarts_.load(); }
    // When the last upgrade ended (steady clock, nanoseconds since its epoch).
    int64_t UpgradeEndedAt() const { return upgradeEndedAt_.load(); }
    // Drops every queued command and waits for the one being sent: nothing queued reaches the
    // unit until queueing is switched on again.
    void DrainCmdQueue();

    // Transport.
    bool SendCtrlCommand(uint8_t mcmd, uint8_t subcmd, uint8_t optype, const uint8_t* data,
                         uint8_t len);
    // `buffer` must hold 65 bytes; the first 64 receive the report.
    bool ReadHIDData(uint8_t* buffer, int timeoutMs);
    bool IsWriteInProgress() const { return writeRoprt_.load(); }
    void ResetReceiveRing();
    int FrameAssemblerState() const;

    // Group 1, set commands. Queued ones return true when sent or queued.
    bool Source_Switch_Ctrl(uint8_t source, bool immediate);
    bool Main_Volume_Ctrl(int volume, bool immediate);
    bool Subwoofer_Volume_Ctrl(int volume, bool immediate);
    bool Mute_Ctrl(int mute, bool immediate);
    // Arguments in the order the editing code names them; the bytes go out as scene, source,
    // channel, selector, type, frequency, slope.
    bool Filter_Ctrl(uint8_t scene, uint8_t source, uint8_t channel, FilterSide side,
                     FilterFreq freq, FilterSlope slope, FilterType type, bool immediate);
    bool EQ_Ctrl(uint8_t scene, uint8_t source, uint8_t channel, uint8_t band, int freq, float q,
                 float gain, bool immediate);
    bool Delay_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                    std::span<const float> delays, bool immediate);
    bool Trim_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                   std::span<const int> trims, bool immediate);
    bool Mute_Ch_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                      std::span<const int> mutes, bool immediate);
    bool Phase_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                    std::span<const int> phases, bool immediate);
    bool Mix_Ch_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                     std::span<const int> masks, bool immediate);
    bool Remap_Ch_Ctrl(uint8_t scene, uint8_t source, uint8_t channel,
                       std::span<const uint8_t> inputs, bool immediate);
    bool CH_Type_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                      std::span<const int> roles, bool immediate);
    bool CH_Link_Ctrl(uint8_t scene, int link, std::span<const LinkPair> pairs, bool immediate);
    bool CH_Lock_Ctrl(uint8_t scene, int lock, bool immediate);
    bool DSP_Bypass_Ctrl(uint8_t scene, uint8_t selector, int bypass, bool immediate);
    bool PEQ_Reset_Ctrl(uint8_t scene, uint8_t source, std::span<const uint8_t> channels,
                        bool immediate);
    bool PEQ_Bypass_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                         std::span<const int> bypass, bool immediate);
    bool IRC_Ctrl(uint8_t action, uint16_t channelMask, uint8_t eqMode, bool immediate);
    bool IRC_Set_Test_Mic(int on, bool immediate);
    bool Input_Trim_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                         std::span<const int> trims, bool immediate);
    bool Mute_Input_Ch_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                            std::span<const int> mutes, bool immediate);
    bool Input_Phase_Ctrl(uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                          std::span<const int> phases, bool immediate);
    bool Input_EQ_Ctrl(uint8_t scene, uint8_t source, uint8_t channel, uint8_t firstBand,
                       uint8_t lastBand, std::span<const EqBandValue> bands, bool immediate);
    bool Input_Mix_Trim_Ctrl(uint8_t scene, uint8_t source, uint8_t inChannel, uint8_t firstOut,
                             uint8_t lastOut, std::span<const int> trims, bool immediate);
    bool Input_Ch_Threshold_Ctrl(int threshold, bool immediate);

    // Group 1, queries. Each returns whether its read brought data.
    bool Get_Source_Config();
    bool Get_Source();
    bool Get_Main_Volume();
    bool Get_Subwoofer_Volume();
    bool Get_Mute();
    bool Get_Filter(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_EQ(uint8_t scene, uint8_t source, uint8_t channel, uint8_t firstBand,
                uint8_t lastBand);
    bool Get_Delay(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_Trim(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_Mute_Ch(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_Phase(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_Mix_Ch(uint8_t scene, uint8_t source, uint8_t firstOutput);
    bool Get_Remap_Ch(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_CH_Type(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_CH_Link(uint8_t scene);
    bool Get_CH_Lock(uint8_t scene);
    bool Get_All_Bypass(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_PEQ_Reset(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_PEQ_Bypass(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool IRC_Get();
    bool IRC_Get_Distance(uint8_t first, uint8_t last);
    bool IRC_Get_Trim(uint8_t first, uint8_t last);
    bool IRC_Get_EQ(uint8_t channel, uint8_t firstBand, uint8_t lastBand);
    bool IRC_Get_Spk_Size(uint8_t first, uint8_t last);
    bool IRC_Get_Spk_Phase(uint8_t first, uint8_t last);
    bool IRC_Get_Spk_Level(uint8_t first, uint8_t last);
    bool IRC_Get_Spectrum(uint8_t channel, uint8_t firstBand, uint8_t lastBand);
    bool IRC_Get_Noise_Level(uint8_t first, uint8_t last);
    bool IRC_Get_RTA();
    bool Get_Input_Trim(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_Mute_Input_Ch(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_Input_Phase(uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool Get_Input_EQ(uint8_t scene, uint8_t source, uint8_t channel, uint8_t firstBand,
                      uint8_t lastBand);
    bool Get_Input_Mix_CH_Trim(uint8_t scene, uint8_t source, uint8_t inChannel, uint8_t firstOut,
                               uint8_t lastOut);
    bool Get_Input_Threshold(uint8_t scene, uint8_t source, bool immediate);
    bool Get_Input_Noise(uint8_t firstInput, uint8_t lastInput, bool immediate);

    // Group 2: scenes and DSP flash.
    bool Flash_Upg_Start(std::span<const uint8_t, 4> header);
    bool Flash_Upg_Data(uint32_t offset, std::span<const uint8_t> data);
    bool Flash_Upg_Finish();
    bool SaveScene(uint8_t scene, uint8_t immediately);
    bool ReadScene(uint8_t firstScene, uint8_t lastScene);
    bool DeleteScene(uint8_t scene);
    bool SetSceneName(uint8_t scene, std::span<const uint8_t> name);
    bool Get_Scene_Name(uint8_t scene);
    bool SetSceneProfile(uint8_t scene, uint16_t start, std::span<const uint8_t> data);
    bool GetSceneProfile(uint8_t scene, uint16_t start, uint8_t length);

    // Group 3: MCU.
    bool MCU_Enter_Upg_Mode();
    bool MCU_Upg_Start(std::span<const uint8_t, 4> header);
    bool MCU_Upg_Data(uint32_t offset, std::span<const uint8_t> block);
    bool MCU_Upg_Finish();
    // True when its read brought a complete handshake reply (normal or not).
    bool Hand_Connect();
    bool Get_Flash_Version();
    bool Get_Bootloader_Version();
    bool PC_Connect(int on);
    bool MCU_Reboot_Ctrl();
    bool Factory_Default_Ctrl();
    bool BL_Enter_Upg_Mode();
    bool BL_Upg_Start(std::span<const uint8_t, 4> header);
    bool BL_Upg_Data(uint32_t offset, std::span<const uint8_t> block);
    bool BL_Upg_Finish();

private:
    enum class Target { Main, Scene, AutoCal, Noise };
    using HidHandle = std::shared_ptr<hid_device_>;
    // One opening of the device. A write and the read that follows it belong to the link they
    // started on: a read never takes bytes for a link opened after it.
    struct Link {
        HidHandle handle;
        uint64_t id = 0;
    };

    void McuCmdThread();
    HidHandle Handle() const;
    Link CurrentLink() const;
    bool IsCurrent(const Link& link) const;
    bool WriteFrame(const Link& link, uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                    const uint8_t* data, uint8_t len);
    // `failed` (optional) tells a read error, such as a unit that left the bus, from silence.
    bool ReadFrames(const Link& link, uint8_t* buffer, int timeoutMs, bool* failed = nullptr);
    int ReplyTimeout(int tableMs) const;
    // Writes an acknowledged set command and reads until its acknowledgement or the time-out.
    bool IssueAcked(const CommandRow& row, const Link& link, std::span<const uint8_t> payload);
    bool IssueAwaited(const CommandRow& row, const Link& link, std::span<const uint8_t> payload);
    // Reads frames until `heard` (asked under readMutex_) holds: false on the row's time-out, a
    // failed read or a changed link.
    bool ReadUntilHeard(const CommandRow& row, const Link& link,
                        const std::function<bool()>& heard);
    static bool WantsAck(const CommandRow& row);

    // Writes one command of the table and, by its dispatch mode, reads its reply or queues it.
    bool Issue(CommandId id, std::span<const uint8_t> payload, bool immediate = true);
    bool Refuse(CommandId id, const char* why);
    bool IssueValueRange(CommandId id, uint8_t scene, uint8_t source, uint8_t first, uint8_t last,
                         std::span<const int> values, bool immediate,
                         void (*logLine)(int scene, int source, int channel, int value));
    bool IssueRangeQuery(CommandId id, uint8_t scene, uint8_t source, uint8_t first, uint8_t last);
    bool IssueChannelPair(CommandId id, uint8_t first, uint8_t last);

    // Upgrade helpers (DspUpgrade.cpp).
    int ParseUpgradeFile(FirmwareKind kind, const std::string& path);
    bool UpgradeCommand(CommandId id, std::span<const uint8_t> payload, int waitingState);
    bool UpgradeWait(int ms);
    void ReopenAfterRestart();
    uint8_t UpgradeProgress() const;
    uint8_t UpgradeSendBlock();
    uint8_t UpgradeRead();
    uint8_t EndUpgrade(bool confirmed);
    void FlushStaleInput();

    void DispatchFrame(const ReceivedFrame& frame);
    void ParseDspReply(const ReceivedFrame& frame);
    void ParseDspRange(const ReceivedFrame& frame, const char* title, size_t groupBytes);
    void ParseIrcStatus(PayloadReader& reader);
    static void ForgetIrcStatus();
    void ParseIrcChannels(const ReceivedFrame& frame);
    void ParseIrcBands(const ReceivedFrame& frame);
    void ParseInputMixTrim(const ReceivedFrame& frame);
    void ParseInputNoise(const ReceivedFrame& frame);
    void ParseSceneReply(const ReceivedFrame& frame);
    void ParseMcuReply(const ReceivedFrame& frame);
    void ParseFlashUpgradeAck(uint8_t subcmd, uint8_t status);
    void ParseMcuUpgradeAck(uint8_t subcmd, uint8_t status);

    WindowHandle TargetHandle(Target target) const;
    void Post(Target target, unsigned message, intptr_t param,
              std::unique_ptr<MessageRecord> record = nullptr);

    // Link.
    mutable std::mutex linkMutex_;  // guards handle_ and linkId_
    HidHandle handle_;
    uint64_t linkId_ = 0;    // grows with every opening
    std::mutex writeMutex_;  // one frame write at a time
    std::atomic<bool> writeRoprt_{false};

    // Receive side: one read-and-parse at a time.
    mutable std::mutex readMutex_;
    std::array<uint8_t, kReportSize> readBuffer_{};
    std::array<uint8_t, 1024> ring_{};
    unsigned ringWrite_ = 0;
    unsigned ringRead_ = 0;
    FrameAssembler assembler_;
    uint64_t ringLink_ = 0;  // the link whose bytes the ring and the assembler hold
    // The calibration measurement being fetched, until its last point is in.
    std::unique_ptr<IrcSpectrumRecord> pendingSpectrum_;
    // The acknowledgement an immediate set command waits for; guarded by readMutex_, filled by
    // whichever thread parses it.
    struct AckWait {
        bool armed = false;
        bool heard = false;
        uint8_t mcmd = 0;
        uint8_t subcmd = 0;
        AckReply reply;
    } ackWait_;
    // A command's own data frame awaited under AwaitOwnReplies (guarded by readMutex_).
    struct ReplyWait {
        bool armed = false;
        bool heard = false;
        bool refused = false;  // an acknowledgement of the command instead of its data
        uint8_t mcmd = 0;
        uint8_t subcmd = 0;
    } replyWait_;

    // Targets.
    mutable std::mutex targetsMutex_;
    WindowHandle mainWindow_;
    WindowHandle sceneWindow_;
    WindowHandle autoCalWindow_;
    WindowHandle noiseWindow_;

    // Facts.
    std::atomic<int> model_{-1};
    std::atomic<bool> handshakeNormal_{false};
    std::atomic<unsigned> handshakeReplies_{0};  // complete handshake replies parsed so far
    std::atomic<uint8_t> bootloaderVersion_{0};
    std::atomic<uint8_t> expectedModel_{0};
    std::atomic<int> upgradeStatus_{UPG_IDLE};
    std::atomic<int16_t> upgradePhase_{PHASE_IDLE};
    // Upgrade engine: the kind and the finish acknowledgement are read by the parsers.
    std::atomic<uint8_t> upgradeKind_{0};
    std::atomic<int> upgradeFinishAck_{-1};  // status byte of the finish's acknowledgement
    std::atomic<bool> upgradeAbort_{false};
    std::atomic<bool> upgradeRestarts_{false};
    std::atomic<int64_t> upgradeEndedAt_{0};
    mutable std::mutex upgradeTimingMutex_;
    UpgradeTiming upgradeTiming_;
    UpgradeSession upgrade_;
    // Held by the command thread while it sends one record; a drain waits on it.
    std::mutex cmdInFlight_;
    std::atomic<bool> cmdDraining_{false};
    std::atomic<bool> lastReadFailed_{false};  // the last read met a device that is gone

    // Command queue and its thread.
    CommandQueue queue_;
    std::atomic<bool> running_{true};
    std::atomic<bool> queueEnabled_{false};
    std::atomic<bool> cmdBusy_{false};
    std::atomic<int> replyTimeoutCap_{0};
    std::atomic<OpenFailure> openFailure_{OpenFailure::None};
    static OpenFailure DiagnoseOpenFailure(int openError);
    std::atomic<int> readSliceMs_{0};
    std::thread cmdThread_;
};

}  // namespace dv
