#include "app/dialogs/NoiseThresholdWnd.h"

#include <algorithm>
#include <cmath>

#include "base/Log.h"
#include "manager/EqualizerManager.h"
#include "manager/ToolWindows.h"
#include "model/EditNumber.h"
#include "model/InputSources.h"

using namespace DuiLib;

namespace {
constexpr int kNoiseReply = 39;
constexpr int kEmptyBar = -100;
}  // namespace

CNoiseThresholdWnd::CNoiseThresholdWnd(EqualizerManager& manager,
                                       std::chrono::milliseconds pollPeriod)
    : CMsgWndBase("XML_NOISE_THRESHOLD", "NoiseThresholdWnd", "msgwnd", QString(), QString(),
                  {{"confirm_btn", 1}, {"cancel_btn", 0}}),
      m_manager(manager),
      m_period(pollPeriod) {}

CNoiseThresholdWnd::~CNoiseThresholdWnd() {
    StopPolling();
}

QString CNoiseThresholdWnd::ThresholdText(int value) {
    if (value <= kOff) return CResourceManager::GetInstance()->GetText(QStringLiteral("${off}"));
    return QString::asprintf("%ddBu", value);
}

std::optional<int> CNoiseThresholdWnd::ParseThreshold(const QString& text) {
    const QString typed = text.trimmed();
    // Off reads in either language: the text may have been shown before a language switch.
    for (const QString& off :
         CResourceManager::GetInstance()->GetTextInEveryLanguage(QStringLiteral("${off}"))) {
        if (!off.isEmpty() && typed.compare(off, Qt::CaseInsensitive) == 0) return kOff;
    }
    const std::optional<double> number = dv::ParseEditNumber(typed.toStdString(), {"dBu", "dB"});
    if (!number) return std::nullopt;
    return static_cast<int>(std::lround(std::clamp(*number, kOff - 1.0, kHighest + 1.0)));
}

void CNoiseThresholdWnd::InitWindow() {
    CMsgWndBase::InitWindow();  // the DPI rule and its "screen size" line
    m_pValue = dynamic_cast<CEditUI*>(m_pm.FindControl(QStringLiteral("value_edt")));
    const int threshold = m_manager.Profile().inputThreshold;
    if (m_pValue) m_pValue->SetText(QString::asprintf("%ddBu", threshold));
    m_rows = dv::SourceMixerInputs(m_manager.Profile().source);
    const QString input =
        CResourceManager::GetInstance()->GetText(QStringLiteral("${noise_input}"));
    for (int i = 0; i < kRows; ++i) {
        m_bars[i] =
            dynamic_cast<CProgressUI*>(m_pm.FindControl(QString::asprintf("progress_%d", i)));
        m_levels[i] = m_pm.FindControl(QString::asprintf("noise_%d", i));
        CControlUI* label = m_pm.FindControl(QString::asprintf("in_%d", i));
        CControlUI* group = m_pm.FindControl(QString::asprintf("prg_group_%d", i));
        if (m_bars[i]) m_bars[i]->SetValue(kEmptyBar);
        if (label) {
            label->SetText(QString("%1 %2").arg(input).arg(i + 1));
            label->SetVisible(i < m_rows);
        }
        if (group) group->SetVisible(i < m_rows);
    }
    m_manager.Device().SetNoiseWindow(GetWindowHandle());
    ToolWindows::Add(this);
    // A source without inputs has nothing to measure (the request would name inputs 0 .. 255).
    if (m_manager.IsConnected() && m_rows > 0) StartPolling();
    if (threshold < kLowest && m_pValue) m_pValue->SetText(ThresholdText(kOff));
}

void CNoiseThresholdWnd::StartPolling() {
    {
        // Cleared here, not by the thread, so that a close before it runs is never lost.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = false;
    }
    m_poller =
        std::thread(&CNoiseThresholdWnd::GetInputNoiseThread, this, &m_manager.Device(), m_rows);
}

void CNoiseThresholdWnd::StopPolling() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_poller.joinable()) m_poller.join();
}

void CNoiseThresholdWnd::GetInputNoiseThread(dv::DspDevice* device, int rows) {
    LogPrintA("GetInputNoiseThread start\n");
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        lock.unlock();
        // Queued: the command thread sends it and the reply comes back as a window message.
        device->Get_Input_Noise(0, static_cast<uint8_t>(rows - 1), false);
        lock.lock();
        m_wake.wait_for(lock, m_period, [this] { return m_stop; });
    }
    LogPrintA("GetInputNoiseThread end\n");
}

LRESULT CNoiseThresholdWnd::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    // The worker ends, and no later reply is addressed here, before the window goes.
    StopPolling();
    m_manager.Device().SetNoiseWindow(nullptr);
    return CMsgWndBase::OnClose(uMsg, wParam, lParam, bHandled);
}

LRESULT CNoiseThresholdWnd::OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    StopPolling();
    ToolWindows::Remove(this);
    return CMsgWndBase::OnDestroy(uMsg, wParam, lParam, bHandled);
}

LRESULT CNoiseThresholdWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const std::weak_ptr<bool> alive = m_alive;
    const LRESULT result = CMsgWndBase::HandleMessage(uMsg, wParam, lParam);
    if (alive.expired() || !IsWindow()) return result;
    if (uMsg == dv::WM_DSP_VALUE && wParam == kNoiseReply) {
        if (const auto* record = dynamic_cast<const dv::InputNoiseRecord*>(GetCurrentRecord()))
            OnNoiseReply(*record);
    } else if (uMsg == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN)) {
        // The edit steps by its own notifications; these are the keys elsewhere in the window.
        Commit(wParam == VK_UP ? 1 : -1, true);
    }
    return result;
}

void CNoiseThresholdWnd::OnNoiseReply(const dv::InputNoiseRecord& record) {
    const float* l = record.levels;
    LogPrintA("input noise value %.1f %.1f %.1f %.1f %.2f %.1f\n", static_cast<double>(l[0]),
              static_cast<double>(l[1]), static_cast<double>(l[2]), static_cast<double>(l[3]),
              static_cast<double>(l[4]), static_cast<double>(l[5]));
    // Inputs outside the reply keep their last reading rather than showing a measured 0.
    const int first = std::max(record.firstInput, 0);
    const int last = std::min(record.lastInput, m_rows - 1);
    for (int i = first; i <= last; ++i) {
        if (m_levels[i])
            m_levels[i]->SetText(QString::asprintf(" %.1f", static_cast<double>(l[i])));
        if (m_bars[i]) m_bars[i]->SetValue(static_cast<int>(std::lround(l[i])));
    }
}

void CNoiseThresholdWnd::Notify(TNotifyUI& msg) {
    LogPrintA("Notify %s\n", msg.sType.toUtf8().constData());
    if (msg.pSender && msg.pSender == m_pValue) {
        if (msg.sType == DUI_MSGTYPE_RETURN) {
            Commit(0, true);
        } else if (msg.sType == DUI_MSGTYPE_KILLFOCUS) {
            Commit(0, false);
        } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED_UP) {
            Commit(1, true);
        } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED_DOWN) {
            Commit(-1, true);
        }
    }
    CMsgWndBase::Notify(msg);
}

void CNoiseThresholdWnd::Commit(int step, bool takeFocus) {
    if (!m_pValue) return;
    const int stored = m_manager.Profile().inputThreshold;
    const std::optional<int> typed = ParseThreshold(m_pValue->GetText());
    int v = typed.value_or(stored) + step;
    v = std::clamp(v, kOff, kHighest);
    if (typed || step != 0) LogPrintA("on input threshold edit change to %d dB\n", v);
    // A typo shows the stored threshold again and sends nothing.
    m_pValue->SetText(ThresholdText(typed || step != 0 ? v : stored));
    if (typed || step != 0) m_manager.SetInputThreshold(v);
    if (takeFocus) {
        m_pValue->SetFocus();
        m_pValue->SetSelAll();
    }
}

int ShowNoiseThresholdWnd(HWND parent, EqualizerManager& manager,
                          std::chrono::milliseconds pollPeriod) {
    auto* wnd = new CNoiseThresholdWnd(manager, pollPeriod);
    return static_cast<int>(wnd->Run(parent));
}
