// The automatic calibration window ("XML_AUTO_CAL"): the user picks the outputs to measure and a
// target curve, starts and stops the unit's microphone run, follows it through the unit's status
// reports, sees each output's measured response and proposed correction, and at the end applies
// or discards the result. A worker thread polls the unit; it reaches the window only by posting.
#pragma once

#include <QString>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>

#include "device/DspDevice.h"
#include "device/DspReplyRecords.h"
#include "model/DspProfile.h"
#include "ui/UILib.h"

class UIEqualizerAc;
class EqualizerManager;

// Posted by the worker as its last act, so the window joins a thread that has already ended.
inline constexpr unsigned WM_IRC_WORKER_END = DuiLib::WM_USER + 245;

struct AutoCalOptions {
    std::chrono::milliseconds pollInterval{500};  // between status queries
    QString speakerLog = QStringLiteral("speaker.txt");
};

// Options of the windows opened from now on (tests shorten the poll interval).
AutoCalOptions& AutoCalDefaults();

class CAutoCalWnd : public DuiLib::WindowImplBase {
public:
    static constexpr int kChannels = dv::kOutputCount;
    static constexpr int kSpectrumPoints = dv::kIrcSpectrumPoints;
    static constexpr int kEffects = 9;

    CAutoCalWnd(const dv::DspProfile& profile, dv::DspDevice& device,
                AutoCalOptions options = AutoCalDefaults());
    ~CAutoCalWnd() override;

    // Creates the window over `parent`, centres it and runs it modally; the object deletes itself
    // before this returns. 1 when the result was applied, else 0.
    DuiLib::UINT Run(DuiLib::HWND parent);

    QString GetSkinFile() override { return QStringLiteral("XML_AUTO_CAL"); }
    QString GetWindowClassName() const override { return QStringLiteral("AutoCalWnd"); }
    DuiLib::CControlUI* CreateControl(const QString& pstrClass) override;
    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam,
                                        DuiLib::LPARAM lParam, bool& bHandled) override;
    DuiLib::LRESULT OnClose(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                            bool& bHandled) override;
    DuiLib::LRESULT OnSysCommand(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                 bool& bHandled) override;
    void OnFinalMessage(DuiLib::HWND hWnd) override;

    // ---- state, for the main window's flow and the tests ----
    uint16_t ChannelMask() const { return m_mask; }
    uint8_t EqMode() const { return m_eqMode; }
    int Status() const { return m_status.load(); }
    bool IsWorkerRunning() const { return m_running.load(); }
    bool IsCompleted() const { return m_completed; }
    const dv::EqBand& Band(int channel, int band) const { return m_bands[channel][band]; }
    const dv::EqBand& SpectrumPoint(int channel, int k) const { return m_points[channel][k]; }
    bool IsChannelShown(int channel) const { return m_shown[channel] != 0; }
    UIEqualizerAc* Plot() const { return m_plot; }

private:
    void StartOrStop();
    void Start();
    void RequestStop();
    void OnCloseButton();
    void AutoCalThread(dv::WindowHandle self, uint16_t mask, uint8_t mode, unsigned generation);
    // Sleeps up to `wait` or until stop is asked; with `statusSeen`, also until the window has
    // taken a status report newer than `seq`. False when stop was asked.
    bool Wait(std::chrono::milliseconds wait, bool statusSeen, uint64_t seq);
    void WakeWorker(bool statusArrived);

    void OnIrcValue(unsigned code, const dv::MessageRecord* record);
    void OnStatus(int status, int value);
    void OnEqBand(int channel, const dv::IrcEqBand& band);
    void OnSpectrumPoint(int channel, const dv::IrcSpectrumPoint& point);
    void OnWorkerEnd();
    void EndRun(const QString& tips, bool completed);
    void OnSelectChanged(DuiLib::CControlUI* sender);

    void ComputeEqCurve(int channel);
    void ComputeSpectrumCurve(int channel);
    void HandEqCurves();
    void HandSpectrumCurves();
    void SetTips(const QString& text);

    // Speaker log: a run writes a temporary file that replaces the last log only once the run
    // has completed, so an interrupted run leaves the previous log as it was.
    void WriteSpectrumLine(int channel, int band, float freq, float gain);
    void FinishSpeakerLog(bool keep);

    dv::DspDevice& m_device;
    AutoCalOptions m_options;
    std::array<int32_t, kChannels> m_roles{};

    // Window thread only.
    std::array<std::array<dv::EqBand, dv::kMaxBands>, kChannels> m_bands{};
    std::array<std::array<dv::EqBand, kSpectrumPoints>, kChannels> m_points{};
    std::array<double, kChannels * 512> m_eqFreq{};
    std::array<double, kChannels * 512> m_eqLevel{};
    std::array<double, kChannels * kSpectrumPoints> m_spkFreq{};
    std::array<double, kChannels * kSpectrumPoints> m_spkLevel{};
    std::array<uint8_t, kChannels> m_shown{};
    std::array<uint8_t, kChannels> m_allOff{};
    std::array<uint8_t, kChannels> m_hasEq{};        // a correction arrived this run
    std::array<uint8_t, kChannels> m_hasSpectrum{};  // a whole measurement arrived this run
    bool m_showEq = true;
    bool m_showSpectrum = true;
    uint16_t m_mask = 0;
    uint8_t m_eqMode = 0;
    bool m_runActive = false;  // started and not yet ended, as the window sees it
    bool m_completed = false;  // the last run ended with status 10
    bool m_decided = false;    // applied or discarded by the close button
    bool m_asking = false;     // the apply question is open
    int m_progress = 0;
    int m_pendingClose = -1;  // a close that waits for the worker to end
    std::FILE* m_speakerFile = nullptr;
    bool m_logThisRun = false;

    // Shared with the worker: written on the window thread, read by the worker.
    std::atomic<int> m_status{0};
    std::atomic<int> m_channel{0};
    std::atomic<int> m_progressShared{0};
    std::atomic<bool> m_skipProgress{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    uint64_t m_statusSeq = 0;  // guarded by m_wakeMutex
    std::thread m_worker;
    unsigned m_generation = 0;  // of the last worker started (window thread)

    // Controls.
    UIEqualizerAc* m_plot = nullptr;
    DuiLib::CControlUI* m_btnStart = nullptr;
    DuiLib::CControlUI* m_btnClose = nullptr;
    DuiLib::CControlUI* m_tips = nullptr;
    DuiLib::CProgressUI* m_progressBar = nullptr;
    std::array<DuiLib::COptionUI*, kChannels> m_chCheck{};
    std::array<DuiLib::COptionUI*, kEffects> m_effect{};
};

// Runs the calibration window while the main window is minimised, restores the main window after
// and, when the result was applied, reconnects so that every setting is read back from the unit.
// The manager closes the window (as not applied) when the link goes down meanwhile.
int RunAutoCalibration(DuiLib::CWindowWnd& mainWindow, EqualizerManager& manager);
