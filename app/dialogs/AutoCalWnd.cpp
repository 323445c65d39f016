#include "app/dialogs/AutoCalWnd.h"

#include <algorithm>
#include <cstdio>

#include "app/MsgWnd.h"
#include "app/ScreenInfo.h"
#include "base/Log.h"
#include "controls/UICurveFactory.h"
#include "controls/UIEqualizerAc.h"
#include "curves/FilterMath.h"
#include "device/DspReplyRecords.h"
#include "manager/EqualizerManager.h"

using namespace DuiLib;

namespace {

constexpr double kSampleRate = 48000.0;
constexpr int kCurvePoints = 512;
constexpr int kSpectrumGroup = 9;  // spectrum points per request
constexpr float kInitialBandQ = 5.8f;
constexpr float kInitialPointQ = 15.0f;
// How long the worker waits for the window to take a status reply it has read; the window only
// lags that long when its thread is stuck, and then the worker goes on with the last status.
constexpr std::chrono::milliseconds kStatusTaken{5000};

// Statuses of the unit's run (message 1241, first parameter 0 .. 12).
enum IrcStatus : int {
    kSpkTest = 1,
    kLevelTest = 2,
    kDelayTest = 3,
    kTrimTest = 4,
    kEqTest = 5,
    kRtaTest = 6,
    kSpectrumReady = 7,
    kEqReady = 8,
    kDataUpdate = 9,
    kDone = 10,
    kFailed = 11,
    kExit = 12,
};

bool IsSubwooferRole(int role) {
    return role == 22 || role == 23 || role == 24;
}

const std::array<double, kCurvePoints>& Grid() {
    static const std::array<double, kCurvePoints> grid = [] {
        std::array<double, kCurvePoints> g{};
        dv::makeLogFreqGrid(kSampleRate, kCurvePoints, g.data());
        return g;
    }();
    return grid;
}

const char* const kFailTips[] = {"${irc_failed_level}",     "${irc_failed_mic}",
                                 "${irc_failed_speaker}",   "${irc_failed_delay}",
                                 "${irc_failed_ch_volume}", "${irc_failed_eq}"};

}  // namespace

AutoCalOptions& AutoCalDefaults() {
    static AutoCalOptions options;
    return options;
}

CAutoCalWnd::CAutoCalWnd(const dv::DspProfile& profile, dv::DspDevice& device,
                         AutoCalOptions options)
    : m_device(device), m_options(std::move(options)), m_roles(profile.roles) {
    for (int c = 0; c < kChannels; ++c) {
        const int count = dv::BandCapacity(c);
        for (int b = 0; b < dv::kMaxBands; ++b)
            m_bands[c][b] = {0.0f, kInitialBandQ, dv::kBandFrequencies[b < count ? b : 0], 1};
        for (int k = 0; k < kSpectrumPoints; ++k)
            m_points[c][k] = {0.0f, kInitialPointQ, 20 + k * 19980 / 121, 1};
    }
    m_shown.fill(1);
}

CAutoCalWnd::~CAutoCalWnd() {
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) m_worker.join();
    FinishSpeakerLog(false);
}

UINT CAutoCalWnd::Run(HWND parent) {
    const std::weak_ptr<bool> alive = m_alive;
    if (!Create(parent, QStringLiteral("updatefwwnd"), UI_WNDSTYLE_DIALOG, UI_WNDSTYLE_EX_DIALOG)) {
        if (!alive.expired()) delete this;
        return 0;
    }
    if (!m_btnStart || !m_btnClose) {
        LogPrintA("AutoCalWnd: no markup for XML_AUTO_CAL\n");
        SendMessage(WM_CLOSE, 0);
        return 0;
    }
    CenterWindow();
    return ShowModal();
}

CControlUI* CAutoCalWnd::CreateControl(const QString& pstrClass) {
    return CreateCurveControl(pstrClass);
}

void CAutoCalWnd::InitWindow() {
    ApplyScreenDpi(&m_pm);
    ResizeToScaledInitSize(this, &m_pm);
    m_plot = dynamic_cast<UIEqualizerAc*>(m_pm.FindControl(QStringLiteral("equalizer_ac")));
    m_btnStart = m_pm.FindControl(QStringLiteral("start_auto_cal"));
    m_btnClose = m_pm.FindControl(QStringLiteral("closebtn"));
    m_tips = m_pm.FindControl(QStringLiteral("tips"));
    m_progressBar = dynamic_cast<CProgressUI*>(m_pm.FindControl(QStringLiteral("progress")));
    for (int k = 0; k < kEffects; ++k)
        m_effect[k] =
            dynamic_cast<COptionUI*>(m_pm.FindControl(QString::asprintf("audio_effect_%d", k)));
    for (int c = 0; c < kChannels; ++c) {
        m_chCheck[c] =
            dynamic_cast<COptionUI*>(m_pm.FindControl(QString::asprintf("ch_checkbox_%d", c)));
        if (!m_chCheck[c]) continue;
        m_chCheck[c]->SetVisible(true);
        m_chCheck[c]->Selected(true);
        m_shown[c] = 1;
    }
    for (int c = 0; c < kChannels; ++c) {
        ComputeEqCurve(c);
        ComputeSpectrumCurve(c);
        // The unit does not measure subwoofers with the cabin microphone.
        if (!IsSubwooferRole(m_roles[c]) || !m_chCheck[c]) continue;
        m_chCheck[c]->Selected(false);
        m_chCheck[c]->SetEnabled(false);
        m_chCheck[c]->SetToolTip(QStringLiteral("${irc_subwoof_not_test}"));
        m_shown[c] = 0;
    }
    HandEqCurves();
    HandSpectrumCurves();
    m_device.SetAutoCalWindow(GetWindowHandle());
}

void CAutoCalWnd::OnFinalMessage(HWND hWnd) {
    m_device.SetAutoCalWindow(nullptr);
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}

// ---- user actions ----------------------------------------------------------------------------

void CAutoCalWnd::Notify(TNotifyUI& msg) {
    LogPrintA("Notify %s\n", qPrintable(msg.sType));
    const QString name = msg.pSender ? msg.pSender->GetName() : QString();
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        if (name == QLatin1String("closebtn")) return OnCloseButton();
        if (name == QLatin1String("start_auto_cal")) return StartOrStop();
    } else if (msg.sType == DUI_MSGTYPE_SELECTCHANGED) {
        OnSelectChanged(msg.pSender);
    }
    WindowImplBase::Notify(msg);
}

void CAutoCalWnd::StartOrStop() {
    m_eqMode = 0;
    for (int k = 0; k < kEffects; ++k) {
        if (m_effect[k] && m_effect[k]->IsSelected()) {
            m_eqMode = static_cast<uint8_t>(k + 1);
            break;
        }
    }
    m_mask = 0;
    for (int c = 0; c < kChannels; ++c)
        if (m_chCheck[c] && m_chCheck[c]->IsSelected()) m_mask |= static_cast<uint16_t>(1u << c);
    LogPrintA("mIRCCh = 0x%x\n", m_mask);
    if (m_runActive)
        RequestStop();
    else
        Start();
}

void CAutoCalWnd::Start() {
    // The button comes back with the run's end status, which the worker has read itself and
    // acts on at once: its end is near, and its posted end then belongs to no thread.
    if (m_worker.joinable()) m_worker.join();
    if (m_mask == 0) {
        SetTips(QStringLiteral("${irc_no_channel}"));
        return;
    }
    // A new run shows only what it measures.
    m_hasEq.fill(0);
    m_hasSpectrum.fill(0);
    for (int c = 0; c < kChannels; ++c) {
        for (int b = 0; b < dv::kMaxBands; ++b) m_bands[c][b].eqGain = 0.0f;
        for (int k = 0; k < kSpectrumPoints; ++k) m_points[c][k].eqGain = 0.0f;
        ComputeEqCurve(c);
        ComputeSpectrumCurve(c);
    }
    HandEqCurves();
    HandSpectrumCurves();
    FinishSpeakerLog(false);
    m_logThisRun = true;
    m_runActive = true;
    m_completed = false;
    m_decided = false;
    m_progress = 0;
    m_status = 0;
    m_progressShared = 0;
    m_skipProgress = false;
    m_stop = false;
    if (m_progressBar) m_progressBar->SetValue(0);
    m_btnStart->SetText(QStringLiteral("${stop}"));
    SetTips(QStringLiteral("${start_irc_tips}"));
    m_btnClose->SetEnabled(false);
    m_running = true;
    m_worker = std::thread(&CAutoCalWnd::AutoCalThread, this, GetWindowHandle(), m_mask, m_eqMode,
                           ++m_generation);
}

// The worker notices at once: it waits on the condition, never in a plain sleep. The link is
// left to the worker, which sends the stop after its request in flight; the window waits for
// neither and stays responsive, even when the unit has stopped answering.
void CAutoCalWnd::RequestStop() {
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (!m_runActive) return;
    m_runActive = false;
    m_completed = false;
    m_btnStart->SetText(QStringLiteral("${start_irc}"));
    m_btnStart->SetEnabled(false);  // until the worker has ended
    SetTips(QStringLiteral("${irc_stoped}"));
    FinishSpeakerLog(false);
}

void CAutoCalWnd::OnCloseButton() {
    if (m_worker.joinable()) m_worker.join();
    const std::weak_ptr<bool> alive = m_alive;
    int result = 0;
    if (m_completed) {
        m_pendingClose = -1;
        m_asking = true;
        const int answer =
            ShowMsgWnd(GetHWND(), QStringLiteral("${tips}"), QStringLiteral("${irc_apply_tips}"));
        if (alive.expired()) return;
        m_asking = false;
        // The link went down while the question was open: nothing to apply it to.
        if (m_pendingClose >= 0) {
            m_decided = true;
            Close(static_cast<UINT>(m_pendingClose));
            return;
        }
        if (answer == 1) {
            m_device.IRC_Ctrl(2, m_mask, m_eqMode, true);
            result = 1;
        } else {
            m_device.IRC_Ctrl(3, 0, 0, true);
        }
    } else {
        m_device.IRC_Ctrl(3, 0, 0, true);
    }
    m_decided = true;
    Close(static_cast<UINT>(result));
}

void CAutoCalWnd::OnSelectChanged(CControlUI* sender) {
    if (!sender) return;
    const QString name = sender->GetName();
    const bool selected = static_cast<COptionUI*>(sender)->IsSelected();
    LogPrintA("on option %s DUI_MSGTYPE_SELECTCHANGED index ", qPrintable(name));
    LogPrintA("%d\n", sender->GetUserData().toInt());
    if (name == QLatin1String("display_eq")) {
        m_showEq = selected;
        HandEqCurves();
    } else if (name == QLatin1String("display_spk")) {
        m_showSpectrum = selected;
        HandSpectrumCurves();
    } else if (name.startsWith(QLatin1String("ch_checkbox_"))) {
        const int c = sender->GetUserData().toInt();
        if (c < 0 || c >= kChannels) return;
        m_shown[c] = selected ? 1 : 0;
        HandEqCurves();
        HandSpectrumCurves();
    }
}

// ---- closing -----------------------------------------------------------------------------------

LRESULT CAutoCalWnd::OnClose(UINT, WPARAM wParam, LPARAM, bool& bHandled) {
    // A window is never destroyed under its worker, nor under the question it is asking: the
    // close waits for the worker's end (stop asked) or for the answer.
    if (m_worker.joinable() || m_asking) {
        m_pendingClose = static_cast<int>(wParam);
        RequestStop();
        bHandled = true;
        return 0;
    }
    // Closed other than by the close button (the link went down, the system closed it): the
    // result, if any, is discarded; on a closed link the command fails at once.
    if (!m_decided) m_device.IRC_Ctrl(3, 0, 0, true);
    m_decided = true;
    FinishSpeakerLog(false);
    bHandled = false;
    return 0;
}

LRESULT CAutoCalWnd::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    const LRESULT result = WindowImplBase::OnSysCommand(uMsg, wParam, lParam, bHandled);
    const UINT command = static_cast<UINT>(wParam) & 0xFFF0;
    if (command == SC_MAXIMIZE || command == SC_RESTORE) {
        const bool maximized = command == SC_MAXIMIZE;
        if (CControlUI* max = m_pm.FindControl(QStringLiteral("maxbtn")))
            max->SetVisible(!maximized);
        if (CControlUI* restore = m_pm.FindControl(QStringLiteral("restorebtn")))
            restore->SetVisible(maximized);
    }
    return result;
}

// ---- the worker
// ----------------------------------------------------------------------------------

bool CAutoCalWnd::Wait(std::chrono::milliseconds wait, bool statusSeen, uint64_t seq) {
    std::unique_lock<std::mutex> lock(m_wakeMutex);
    m_wake.wait_for(lock, wait,
                    [&] { return m_stop.load() || (statusSeen && m_statusSeq != seq); });
    return !m_stop.load();
}

void CAutoCalWnd::WakeWorker(bool statusArrived) {
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        if (statusArrived) ++m_statusSeq;
    }
    m_wake.notify_all();
}

void CAutoCalWnd::AutoCalThread(dv::WindowHandle self, uint16_t mask, uint8_t mode,
                                unsigned generation) {
    LogPrintA("AutoCalThread begain\n");
    const auto poll = m_options.pollInterval;
    m_device.IRC_Ctrl(1, mask, mode, true);
    while (!m_stop) {
        uint64_t seq = 0;
        {
            std::lock_guard<std::mutex> lock(m_wakeMutex);
            seq = m_statusSeq;
        }
        const bool answered = m_device.IRC_Get();
        // Data announced: fetched at once, with the channel the reply named. The window takes
        // the announcement before the records, which are posted behind it.
        const dv::IrcStatusReply heard = dv::DspDevice::LastIrcStatus();
        const bool dataReady = heard.status == kSpectrumReady || heard.status == kEqReady;
        // Any other status reaches the window as a message; waiting for the window to have
        // taken it lets the worker follow what the window made of it.
        if (answered && !dataReady && !Wait(kStatusTaken, true, seq)) break;
        const int status = dataReady ? heard.status : m_status.load();
        if (status == kDone || status == kFailed || status == kExit) break;
        if (status == kSpectrumReady) {
            const auto channel = static_cast<uint8_t>(dataReady ? heard.value : m_channel.load());
            for (int first = 0; first < kSpectrumPoints && !m_stop; first += kSpectrumGroup) {
                const int last = std::min(first + kSpectrumGroup - 1, kSpectrumPoints - 1);
                m_device.IRC_Get_Spectrum(channel, static_cast<uint8_t>(first),
                                          static_cast<uint8_t>(last));
            }
        } else if (status == kEqReady) {
            const auto channel = static_cast<uint8_t>(dataReady ? heard.value : m_channel.load());
            m_device.IRC_Get_EQ(channel, 0, 5);
            if (!m_stop) m_device.IRC_Get_EQ(channel, 6, 10);
        } else if (status == kDataUpdate && m_skipProgress) {
            m_skipProgress = false;
        } else {
            dv::PostToWindow(self, dv::WM_IRC_PROGRESS, m_progressShared.load());
        }
        if (!Wait(poll, false, 0)) break;
    }
    if (m_stop) m_device.IRC_Ctrl(0, 0, 0, true);
    LogPrintA("AutoCalThread end, pwm->mIrcStatus=0x%x\n", m_status.load());
    m_running = false;
    dv::PostToWindow(self, WM_IRC_WORKER_END, static_cast<intptr_t>(generation));
}

// ---- messages
// ------------------------------------------------------------------------------------

LRESULT CAutoCalWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
    switch (uMsg) {
        case dv::WM_IRC_VALUE:
            OnIrcValue(static_cast<unsigned>(wParam), GetCurrentRecord());
            bHandled = true;
            return 0;
        case dv::WM_IRC_PROGRESS:
            if (m_progressBar) m_progressBar->SetValue(static_cast<int>(wParam));
            bHandled = true;
            return 0;
        case WM_IRC_WORKER_END:
            // The end of a worker that a new start joined already belongs to no thread.
            if (static_cast<unsigned>(wParam) == m_generation) OnWorkerEnd();
            bHandled = true;
            return 0;
        default:
            return 0;
    }
}

void CAutoCalWnd::OnWorkerEnd() {
    if (m_worker.joinable()) m_worker.join();
    m_btnStart->SetText(QStringLiteral("${start_irc}"));
    m_btnStart->SetEnabled(true);
    m_btnClose->SetEnabled(true);
    if (m_pendingClose >= 0 && !m_asking) Close(static_cast<UINT>(m_pendingClose));
}

void CAutoCalWnd::OnIrcValue(unsigned code, const dv::MessageRecord* record) {
    if (code <= kExit) {
        const auto* value = dynamic_cast<const dv::DspValueRecord*>(record);
        OnStatus(static_cast<int>(code), value ? value->value : 0);
        return;
    }
    if (m_stop) return;
    switch (code) {
        case 20: {
            const auto* d = dynamic_cast<const dv::IrcDistanceRecord*>(record);
            if (!d) return;
            if (CControlUI* label = m_pm.FindControl(QString::asprintf("ch_%d: ", d->channel))) {
                label->SetVisible(true);
                label->SetText(QString::asprintf("%f", static_cast<double>(d->distance)));
            }
            return;
        }
        case 22: {
            const auto* r = dynamic_cast<const dv::IrcEqBandsRecord*>(record);
            if (!r || r->channel < 0 || r->channel >= kChannels) return;
            for (const dv::IrcEqBand& e : r->bands) OnEqBand(r->channel, e);
            return;
        }
        case 26: {
            const auto* r = dynamic_cast<const dv::IrcSpectrumRecord*>(record);
            if (!r || r->channel < 0 || r->channel >= kChannels) return;
            for (const dv::IrcSpectrumPoint& p : r->points) OnSpectrumPoint(r->channel, p);
            return;
        }
        default:  // 21, 23, 24, 25, 27: the window shows none of them
            return;
    }
}

void CAutoCalWnd::OnEqBand(int channel, const dv::IrcEqBand& e) {
    LogPrintA("message DSP_IRC_EQ\n");
    if (e.band < 0 || e.band >= dv::BandCapacity(channel)) return;
    dv::EqBand& band = m_bands[channel][e.band];
    band.freq = e.freq;
    band.eqFactor = e.q;
    band.eqGain = e.gain;
    LogPrintA("ch(%d), band(%d), freq=%d, Q=%1.2f, Gain=%.2f\n", channel, e.band, e.freq,
              static_cast<double>(e.q), static_cast<double>(e.gain));
    if (e.band >= dv::kIrcEqBands - 1) {
        LogPrintA("update EQ response\n");
        m_hasEq[channel] = 1;
        ComputeEqCurve(channel);
        HandEqCurves();
        LogPrintA("update EQ response end\n");
    }
}

void CAutoCalWnd::OnSpectrumPoint(int channel, const dv::IrcSpectrumPoint& p) {
    // A point past the measurement's 121 has nowhere to go.
    if (p.band < 0 || p.band >= kSpectrumPoints) return;
    dv::EqBand& point = m_points[channel][p.band];
    point.eqGain = p.gain;
    point.freq = static_cast<int32_t>(p.freq);
    WriteSpectrumLine(channel, p.band, p.freq, p.gain);
    if (p.band == kSpectrumPoints - 1) {
        m_hasSpectrum[channel] = 1;
        ComputeSpectrumCurve(channel);
        HandSpectrumCurves();
    }
}

void CAutoCalWnd::OnStatus(int status, int value) {
    m_status = status;
    if (!m_stop && m_runActive) {
        auto progress = [&] {
            m_progress = value;
            m_progressShared = value;
        };
        switch (status) {
            case 0:
                progress();
                break;
            case kSpkTest:
                SetTips(QStringLiteral("${detect_speaker}"));
                progress();
                break;
            case kLevelTest:
                SetTips(QStringLiteral("${detect_level}"));
                progress();
                break;
            case kDelayTest:
                SetTips(QStringLiteral("${detect_location}"));
                progress();
                break;
            case kTrimTest:
                SetTips(QStringLiteral("${irc_adjust_ch_volume}"));
                progress();
                break;
            case kEqTest:
                SetTips(QStringLiteral("${compensate_eq}"));
                progress();
                break;
            case kRtaTest:
                SetTips(QStringLiteral("${test_freq_response}"));
                progress();
                break;
            case kSpectrumReady:
            case kEqReady:
                m_channel = value;
                break;
            case kDataUpdate:
                SetTips(QStringLiteral("${test_freq_response}"));
                m_skipProgress = true;
                break;
            case kDone:
                progress();
                if (m_progressBar) m_progressBar->SetValue(value);
                EndRun(QStringLiteral("${irc_completed}"), true);
                break;
            case kFailed:
                EndRun(QString::fromLatin1(kFailTips[std::clamp(value, 0, 5)]), false);
                break;
            case kExit:
                // The unit gave the run up: there is no result to apply.
                progress();
                EndRun(QStringLiteral("${irc_stoped}"), false);
                break;
            default:
                break;
        }
    }
    WakeWorker(true);
}

void CAutoCalWnd::EndRun(const QString& tips, bool completed) {
    m_runActive = false;
    m_completed = completed;
    SetTips(tips);
    m_btnStart->SetText(QStringLiteral("${start_irc}"));
    m_btnStart->SetEnabled(true);
    m_btnClose->SetEnabled(true);
    FinishSpeakerLog(completed);
}

// ---- curves
// --------------------------------------------------------------------------------------

void CAutoCalWnd::ComputeEqCurve(int channel) {
    const auto& grid = Grid();
    double* freqs = m_eqFreq.data() + channel * kCurvePoints;
    double* levels = m_eqLevel.data() + channel * kCurvePoints;
    std::copy(grid.begin(), grid.end(), freqs);
    std::fill(levels, levels + kCurvePoints, 0.0);
    std::array<double, kCurvePoints> band{};
    for (int b = 0; b < dv::BandCapacity(channel); ++b) {
        const dv::EqBand& eq = m_bands[channel][b];
        if (eq.eqGain == 0.0f) continue;  // a flat band adds nothing
        dv::peakingResponse(kSampleRate, eq.freq, eq.eqGain, eq.eqFactor, grid.data(), band.data(),
                            kCurvePoints);
        for (int i = 0; i < kCurvePoints; ++i) levels[i] += band[i];
    }
}

void CAutoCalWnd::ComputeSpectrumCurve(int channel) {
    for (int k = 0; k < kSpectrumPoints; ++k) {
        m_spkFreq[channel * kSpectrumPoints + k] = m_points[channel][k].freq;
        m_spkLevel[channel * kSpectrumPoints + k] = m_points[channel][k].eqGain;
    }
}

// An output shows what the unit has reported for it; one not measured has no trace to show.
void CAutoCalWnd::HandEqCurves() {
    if (!m_plot) return;
    std::array<uint8_t, kChannels> flags = m_showEq ? m_shown : m_allOff;
    for (int c = 0; c < kChannels; ++c) flags[c] &= m_hasEq[c];
    m_plot->setCurves(m_eqFreq.data(), m_eqLevel.data(), kChannels, flags.data());
}

void CAutoCalWnd::HandSpectrumCurves() {
    if (!m_plot) return;
    std::array<uint8_t, kChannels> flags = m_showSpectrum ? m_shown : m_allOff;
    for (int c = 0; c < kChannels; ++c) flags[c] &= m_hasSpectrum[c];
    m_plot->setMeasuredCurves(m_spkFreq.data(), m_spkLevel.data(), kChannels, flags.data());
}

void CAutoCalWnd::SetTips(const QString& text) {
    if (m_tips) m_tips->SetText(text);
}

// ---- speaker log
// -----------------------------------------------------------------------------------

void CAutoCalWnd::WriteSpectrumLine(int channel, int band, float freq, float gain) {
    if (!m_speakerFile && m_logThisRun) {
        const QString temporary = m_options.speakerLog + QStringLiteral(".tmp");
        m_speakerFile = std::fopen(temporary.toLocal8Bit().constData(), "w+");
        // Without a file the run goes on; only the log is missing.
        if (!m_speakerFile) m_logThisRun = false;
    }
    if (!m_speakerFile) return;
    if (band == 0) std::fprintf(m_speakerFile, "channel %d\n", channel + 1);
    std::fprintf(m_speakerFile, "band(%d)\tfreq(%5.2f)\tgain(      %2.2f       )\n", band,
                 static_cast<double>(freq), static_cast<double>(gain));
    // No flush: the file is only renamed into place, closed, when the run ends, and a write per
    // point would stand between the last point and the curve on screen.
}

void CAutoCalWnd::FinishSpeakerLog(bool keep) {
    m_logThisRun = false;
    if (!m_speakerFile) return;
    std::fclose(m_speakerFile);
    m_speakerFile = nullptr;
    const QByteArray temporary = (m_options.speakerLog + QStringLiteral(".tmp")).toLocal8Bit();
    if (keep)
        std::rename(temporary.constData(), m_options.speakerLog.toLocal8Bit().constData());
    else
        std::remove(temporary.constData());
}

// ---- the main window's flow
// ----------------------------------------------------------------------

int RunAutoCalibration(CWindowWnd& mainWindow, EqualizerManager& manager) {
    auto* wnd = new CAutoCalWnd(manager.Profile(), manager.Device());
    mainWindow.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
    manager.SetAutoCalWnd(wnd);
    // A window of its own (still modal): window managers hide the windows a minimised window
    // owns, and this one must stay on screen while its owner is down.
    const int result = static_cast<int>(wnd->Run(nullptr));
    manager.SetAutoCalWnd(nullptr);
    mainWindow.SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    if (result == 1) {
        LogPrintA("Auto cal finished, need to sync data from dsp again!\n");
        manager.Disconnect();
        manager.Connect(false);
    }
    return result;
}
