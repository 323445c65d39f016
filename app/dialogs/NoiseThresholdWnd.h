// The input noise threshold ("XML_NOISE_THRESHOLD"): the threshold edit (-60 .. -40 dBu, -61 off)
// and, while open, the live noise level of each input of the current source, polled by a worker.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "app/MsgWndBase.h"
#include "device/DspReplyRecords.h"

class EqualizerManager;
namespace dv {
class DspDevice;
}

class CNoiseThresholdWnd : public CMsgWndBase {
public:
    static constexpr int kRows = 6;
    static constexpr int kOff = -61;
    static constexpr int kLowest = -60;
    static constexpr int kHighest = -40;

    CNoiseThresholdWnd(EqualizerManager& manager, std::chrono::milliseconds pollPeriod);
    ~CNoiseThresholdWnd() override;

    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    // Noise replies and the Up/Down keys, after the framework's own handling.
    DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam,
                                  DuiLib::LPARAM lParam) override;
    DuiLib::LRESULT OnClose(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                            bool& bHandled) override;
    DuiLib::LRESULT OnDestroy(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                              bool& bHandled) override;

    // The threshold a text stands for: "-45dBu", "-45" or the off text of either language;
    // none for anything else.
    static std::optional<int> ParseThreshold(const QString& text);
    static QString ThresholdText(int value);

private:
    void StartPolling();
    void StopPolling();
    void GetInputNoiseThread(dv::DspDevice* device, int rows);
    void OnNoiseReply(const dv::InputNoiseRecord& record);
    // Commits the edit's value moved by `step`; a text that holds no threshold restores the
    // stored one (and steps from it).
    void Commit(int step, bool takeFocus);

    EqualizerManager& m_manager;
    std::chrono::milliseconds m_period;
    int m_rows = 0;
    DuiLib::CEditUI* m_pValue = nullptr;
    std::array<DuiLib::CProgressUI*, kRows> m_bars{};
    std::array<DuiLib::CControlUI*, kRows> m_levels{};

    // The poller waits on the condition so that closing wakes it at once.
    std::thread m_poller;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
};

// Opens the window modally over `parent`; returns its close result. `pollPeriod` is the time
// between two noise requests (one second in the product).
int ShowNoiseThresholdWnd(DuiLib::HWND parent, EqualizerManager& manager,
                          std::chrono::milliseconds pollPeriod = std::chrono::seconds(1));
