// EqualizerManager: the one worker thread at a time (start-up read, scene and file transfers,
// factory default), its cancellation, its waits and its checked sends.
#include "base/Log.h"
#include "manager/EqualizerManager.h"
#include "ui/SystemMessageBox.h"

bool EqualizerManager::StartWorker(std::function<void()> body) {
    if (IsWorkerRunning()) {
        LogPrintA("worker busy, operation refused\n");
        return false;
    }
    if (m_worker.joinable()) m_worker.join();
    m_workerCancel = false;
    m_workerDone = false;
    m_workerLink = m_device.LinkId();
    m_worker = std::thread([this, body = std::move(body)] {
        body();
        m_workerDone = true;
    });
    return true;
}

void EqualizerManager::StopWorker() {
    {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        m_workerCancel = true;
    }
    m_waitWake.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

bool EqualizerManager::WorkerAlive() const {
    return !m_workerCancel.load() && m_device.LinkId() == m_workerLink && m_workerLink != 0;
}

bool EqualizerManager::WorkerWait(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(m_waitMutex);
    m_waitWake.wait_for(lock, time, [this] { return m_workerCancel.load(); });
    return WorkerAlive();
}

bool EqualizerManager::DrainCommandQueue() {
    // Edits queued just before the operation reach the unit first and never cross its reads.
    const auto step = std::chrono::milliseconds(2);
    while (WorkerAlive()) {
        if (m_device.QueuedCommandCount() == 0 && m_device.IsCommandThreadIdle()) return true;
        WorkerWait(step);
    }
    return false;
}

bool EqualizerManager::SendChecked(const std::function<bool()>& command) {
    for (int attempt = 0; attempt <= m_timings.notReadyRetries; ++attempt) {
        if (!WorkerAlive()) return false;
        if (command()) return true;
        const dv::AckReply ack = dv::DspDevice::LastAck();
        if (ack.result != dv::AckResult::NotReady) {
            LogPrintA("transfer stopped: %s\n",
                      ack.result == dv::AckResult::WriteFailed ? "write failed" : "no answer");
            return false;
        }
        LogPrintA("NOT_READY, again (%d)\n", attempt + 1);
    }
    LogPrintA("transfer stopped: NOT_READY\n");
    return false;
}

void EqualizerManager::SetTransferTimings(const TransferTimings& timings) {
    m_timings = timings;
    m_device.SetReplyTimeoutCap(static_cast<int>(timings.replyCap.count()));
}

void EqualizerManager::FinishTransfer(const char* message) {
    PostToWindow(dv::WM_HIDE_LOADING);
    if (!message) return;
    // Behind the busy window's close, so the box never opens under it.
    const QString key = QString::fromLatin1(message);
    PostTask([this, key] {
        ShowSystemMessageBox(
            QuestionParent(), DuiLib::CResourceManager::GetInstance()->GetText(key),
            DuiLib::CResourceManager::GetInstance()->GetText(QStringLiteral("${tips}")));
    });
}
