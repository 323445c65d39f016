#include "sim/SimBus.h"

#include <sys/prctl.h>

#include <algorithm>
#include <cerrno>
#include <thread>

struct hid_device_ {
    struct Pending {
        std::chrono::steady_clock::time_point due;
        std::vector<uint8_t> bytes;
    };
    uint64_t generation = 0;
    bool nonblocking = false;
    std::deque<Pending> input;
};

namespace dv::sim {

namespace {

constexpr unsigned short kSimVendor = 0x0483;
constexpr unsigned short kSimProduct = 0x5750;
constexpr size_t kInputReport = 64;
// The last stretch of a reply's latency is waited actively, because a timed wake-up comes a
// few tens of microseconds late (nine in ten within 55 us on the 2-core build machine). Kept that
// short on purpose: a wake-up later than this spins not at all, so on a machine whose cores are
// taken the reader does not burn a core it shares with the window thread (a 300 us window cost
// 30% of a core per round trip and stretched 1 ms round trips to 1.5-1.8 ms under load).
constexpr std::chrono::microseconds kSpinWindow{75};

// hidapi keeps one error text per device; per thread is enough for callers that serialise use.
thread_local std::wstring lastError;

}  // namespace

SimBus& SimBus::Instance() {
    static SimBus bus;
    return bus;
}

SimBus::SimBus() : timer_(&SimBus::TimerLoop, this) {}

SimBus::~SimBus() {
    {
        std::lock_guard<std::mutex> lock(timerMutex_);
        stopping_ = true;
    }
    timerWake_.notify_all();
    timer_.join();
    for (hid_device_* dev : handles_) delete dev;
}

void SimBus::Plug(std::shared_ptr<ProcessorSimulator> unit) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        unit_ = std::move(unit);
        ++generation_;
    }
    Notify(BusEvent::Arrival);
}

void SimBus::Unplug() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!unit_) return;
        unit_.reset();
    }
    arrived_.notify_all();
    Notify(BusEvent::Removal);
}

bool SimBus::IsPlugged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unit_ != nullptr;
}

std::shared_ptr<ProcessorSimulator> SimBus::Unit() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unit_;
}

void SimBus::Reset() {
    {
        std::lock_guard<std::mutex> lock(timerMutex_);
        tasks_.clear();
    }
    Unplug();
    std::lock_guard<std::mutex> lock(mutex_);
    transcript_.clear();
    transcriptLimit_ = kDefaultTranscriptLimit;
    dropReplies_ = 0;
    corruptReplies_ = 0;
    splitReplies_ = false;
    unplugCountdown_ = 0;
    refuseOpen_ = 0;
    for (hid_device_* dev : handles_) dev->input.clear();
}

int SimBus::AddListener(std::function<void(BusEvent)> listener) {
    std::lock_guard<std::mutex> lock(listenersMutex_);
    listeners_[nextListener_] = std::move(listener);
    return nextListener_++;
}

void SimBus::RemoveListener(int id) {
    std::lock_guard<std::mutex> lock(listenersMutex_);
    listeners_.erase(id);
}

// Held across the calls, so a listener that has been removed is never called afterwards.
void SimBus::Notify(BusEvent event) {
    std::lock_guard<std::mutex> lock(listenersMutex_);
    for (auto& [id, listener] : listeners_) listener(event);
}

void SimBus::DropReplies(int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    dropReplies_ = count;
}

void SimBus::CorruptReplies(int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    corruptReplies_ = count;
}

void SimBus::SetSplitReplies(bool split) {
    std::lock_guard<std::mutex> lock(mutex_);
    splitReplies_ = split;
}

void SimBus::UnplugAtFrame(int n) {
    std::lock_guard<std::mutex> lock(mutex_);
    unplugCountdown_ = n;
}

void SimBus::InjectReport(std::span<const uint8_t> bytes, std::chrono::microseconds delay) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto due = Clock::now() + delay;
        const size_t n = std::min(bytes.size(), kInputReport);
        for (hid_device_* dev : handles_)
            Queue(dev, due, std::vector<uint8_t>(bytes.begin(), bytes.begin() + n));
    }
    arrived_.notify_all();
}

void SimBus::ClearInput() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (hid_device_* dev : handles_) dev->input.clear();
}

// Caller holds mutex_.
void SimBus::Queue(hid_device_* dev, Clock::time_point due, std::vector<uint8_t> bytes) {
    if (dev->input.size() >= kInputQueueLimit) {
        ++reportsDropped_;
        return;
    }
    dev->input.push_back({due, std::move(bytes)});
}

// Caller holds mutex_.
void SimBus::Record(Direction direction, std::vector<uint8_t> bytes) {
    if (transcriptLimit_ == 0) return;
    if (transcript_.size() >= transcriptLimit_) transcript_.pop_front();
    transcript_.push_back({direction, std::move(bytes), Clock::now()});
}

void SimBus::SetTranscriptLimit(size_t limit) {
    std::lock_guard<std::mutex> lock(mutex_);
    transcriptLimit_ = limit;
    while (transcript_.size() > limit) transcript_.pop_front();
}

std::vector<TranscriptEntry> SimBus::Transcript() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return {transcript_.begin(), transcript_.end()};
}

std::vector<std::vector<uint8_t>> SimBus::WrittenReports() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::vector<uint8_t>> written;
    for (const TranscriptEntry& entry : transcript_)
        if (entry.direction == Direction::ToUnit) written.push_back(entry.bytes);
    return written;
}

void SimBus::ClearTranscript() {
    std::lock_guard<std::mutex> lock(mutex_);
    transcript_.clear();
}

void SimBus::RefuseOpen(int error) {
    std::lock_guard<std::mutex> lock(mutex_);
    refuseOpen_ = error;
}

bool SimBus::Lists(unsigned short vendor, unsigned short product) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unit_ && vendor == kSimVendor && product == kSimProduct;
}

int SimBus::OpenHandleCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(handles_.size());
}

bool SimBus::Alive(const hid_device_* dev) const {
    return unit_ && dev->generation == generation_;
}

hid_device_* SimBus::Open(unsigned short vendor, unsigned short product) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!unit_ || vendor != kSimVendor || product != kSimProduct) {
        lastError = L"no such device";
        return nullptr;
    }
    if (refuseOpen_ != 0) {
        lastError = L"open refused";
        errno = refuseOpen_;
        return nullptr;
    }
    auto* dev = new hid_device_;
    dev->generation = generation_;
    handles_.insert(dev);
    return dev;
}

void SimBus::Close(hid_device_* dev) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (handles_.erase(dev)) delete dev;
}

const wchar_t* SimBus::Error(hid_device_*) {
    return lastError.c_str();
}

int SimBus::SetNonblocking(hid_device_* dev, int nonblock) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!handles_.count(dev)) return -1;
    dev->nonblocking = nonblock != 0;
    return 0;
}

bool SimBus::IsNonblocking(hid_device_* dev) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return handles_.count(dev) && dev->nonblocking;
}

// Like hidraw, every open handle on the unit gets its own copy of each input report.
void SimBus::EnqueueReply(const std::vector<uint8_t>& frame, Clock::time_point due) {
    if (dropReplies_ > 0) {
        --dropReplies_;
        return;
    }
    std::vector<uint8_t> bytes = frame;
    if (corruptReplies_ > 0) {
        --corruptReplies_;
        bytes.back() = static_cast<uint8_t>(bytes.back() ^ 0x5A);
    }
    // Reports are always 64 bytes; a split frame ends one report and starts the next.
    if (splitReplies_ && bytes.size() >= 2) {
        const size_t head = bytes.size() / 2;
        std::vector<uint8_t> first(kInputReport, 0);
        std::copy(bytes.begin(), bytes.begin() + static_cast<long>(head),
                  first.end() - static_cast<long>(head));
        std::vector<uint8_t> second(kInputReport, 0);
        std::copy(bytes.begin() + static_cast<long>(head), bytes.end(), second.begin());
        for (hid_device_* dev : handles_) {
            if (!Alive(dev)) continue;
            Queue(dev, due, first);
            Queue(dev, due, second);
        }
        return;
    }
    bytes.resize(kInputReport, 0);
    for (hid_device_* dev : handles_)
        if (Alive(dev)) Queue(dev, due, bytes);
}

int SimBus::Write(hid_device_* dev, const unsigned char* data, size_t length) {
    // The unit's reply latency runs from the report's arrival, its own work included.
    const auto arrived = Clock::now();
    std::shared_ptr<ProcessorSimulator> unit;
    bool pulled = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!handles_.count(dev)) {
            lastError = L"invalid handle";
            return -1;
        }
        Record(Direction::ToUnit, std::vector<uint8_t>(data, data + length));
        if (!Alive(dev)) {
            lastError = L"device disconnected";
            return -1;
        }
        if (unplugCountdown_ > 0 && --unplugCountdown_ == 0) {
            unit_.reset();
            pulled = true;
        }
        unit = unit_;
    }
    if (pulled) {
        arrived_.notify_all();
        Notify(BusEvent::Removal);
        lastError = L"device disconnected";
        return -1;
    }
    const SimResponse response = unit->HandleReport(std::span<const uint8_t>(data, length));
    if (response.unplug) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (unit_ == unit) unit_.reset();
        }
        arrived_.notify_all();
        Notify(BusEvent::Removal);
        lastError = L"device disconnected";
        return -1;
    }
    ++reportsWritten_;
    const auto due = arrived + unit->Options().latency + response.serviceTime;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (handles_.count(dev)) {
            for (const auto& frame : response.frames) EnqueueReply(frame, due);
            for (const auto& [delay, frame] : response.laterFrames)
                EnqueueReply(frame, due + delay);
        }
    }
    arrived_.notify_all();
    if (response.restart != SimRestart::None) RestartLater(unit, response, due);
    return static_cast<int>(length);
}

int SimBus::Read(hid_device_* dev, unsigned char* data, size_t length, int milliseconds) {
    // The default 50 us timer slack would stretch every simulated 1 ms reply; a real endpoint
    // does not add it, so the reading thread asks for precise wake-ups.
    thread_local const bool precise = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)precise;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!handles_.count(dev)) {
        lastError = L"invalid handle";
        return -1;
    }
    const bool forever = milliseconds < 0;
    const auto entered = Clock::now();
    const auto deadline = entered + std::chrono::milliseconds(forever ? 0 : milliseconds);
    for (;;) {
        const auto now = Clock::now();
        if (!dev->input.empty() && dev->input.front().due <= now) {
            // Late only by what passed while the reader waited here: a reply that was due
            // before the reader came is the reader's delay, not the bus's.
            replyLatenessNs_ += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    now - std::max(dev->input.front().due, entered))
                                    .count();
            std::vector<uint8_t> bytes = std::move(dev->input.front().bytes);
            dev->input.pop_front();
            const size_t n = std::min(bytes.size(), length);
            std::copy_n(bytes.begin(), n, data);
            bytes.resize(n);
            Record(Direction::FromUnit, std::move(bytes));
            ++reportsRead_;
            return static_cast<int>(n);
        }
        // Replies already on their way still arrive; after them a vanished unit reads as an error.
        if (dev->input.empty() && !Alive(dev)) {
            lastError = L"device disconnected";
            return -1;
        }
        if (!forever && now >= deadline) return 0;
        if (!dev->input.empty()) {
            const auto due = dev->input.front().due;
            if (due - now <= kSpinWindow && (forever || due <= deadline)) {
                // A timed wake-up comes late by the scheduler's whim; the last stretch of a
                // reply's latency is waited out actively so the simulated endpoint stays exact.
                lock.unlock();
                // Without a yield: on a busy machine a yield hands the core to another thread
                // for a whole time slice, far longer than the stretch being waited out.
                while (Clock::now() < due) {
                }
                lock.lock();
                continue;
            }
            const auto wake = forever ? due - kSpinWindow : std::min(deadline, due - kSpinWindow);
            arrived_.wait_until(lock, wake);
        } else if (forever) {
            arrived_.wait(lock);
        } else {
            arrived_.wait_until(lock, deadline);
        }
    }
}

void SimBus::Schedule(Clock::duration delay, std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(timerMutex_);
        tasks_.emplace(Clock::now() + delay, std::move(task));
    }
    timerWake_.notify_all();
}

void SimBus::TimerLoop() {
    std::unique_lock<std::mutex> lock(timerMutex_);
    while (!stopping_) {
        if (tasks_.empty()) {
            timerWake_.wait(lock);
            continue;
        }
        const auto next = tasks_.begin()->first;
        if (Clock::now() < next) {
            timerWake_.wait_until(lock, next);
            continue;
        }
        std::function<void()> task = std::move(tasks_.begin()->second);
        tasks_.erase(tasks_.begin());
        lock.unlock();
        task();
        lock.lock();
    }
}

// The unit answers, leaves the bus once its reply is out, and comes back after its restart.
void SimBus::RestartLater(std::shared_ptr<ProcessorSimulator> unit, const SimResponse& response,
                          Clock::time_point replyDue) {
    const auto leaveIn = replyDue - Clock::now() + std::chrono::milliseconds(10);
    const SimRestart kind = response.restart;
    const auto offline =
        response.offline.count() >= 0 ? response.offline : unit->Options().restartDelay;
    const bool stayAway = response.stayAway;
    Schedule(leaveIn, [this, unit, kind, offline, stayAway] {
        if (Unit() != unit) return;
        Unplug();
        if (stayAway) return;
        Schedule(offline, [this, unit, kind] {
            if (kind == SimRestart::FactoryReset) unit->ResetToFactory();
            unit->Restarted();
            if (!IsPlugged()) Plug(unit);
        });
    });
}

}  // namespace dv::sim
