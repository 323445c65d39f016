// The simulated USB bus behind this folder's hidapi functions: at most one simulated unit is
// plugged in; tests plug, unplug and inspect it, inject faults and read the transcript.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sim/ProcessorSimulator.h"

struct hid_device_;

namespace dv::sim {

enum class BusEvent { Arrival, Removal };

enum class Direction { ToUnit, FromUnit };

struct TranscriptEntry {
    Direction direction;
    std::vector<uint8_t> bytes;                  // 65-byte output report or 64-byte input report
    std::chrono::steady_clock::time_point at{};  // when it was written or read
};

class SimBus {
public:
    static SimBus& Instance();

    SimBus();
    ~SimBus();
    SimBus(const SimBus&) = delete;
    SimBus& operator=(const SimBus&) = delete;

    // Plugging and unplugging notify the listeners with Arrival and Removal.
    void Plug(std::shared_ptr<ProcessorSimulator> unit);
    void Unplug();
    bool IsPlugged() const;
    std::shared_ptr<ProcessorSimulator> Unit() const;
    // Unplugs, forgets faults, pending restarts, queued input and the transcript, and restores
    // the transcript's default limit: a clean bus for the next test.
    void Reset();

    // Listeners run on the thread that plugs or unplugs (a test, or the bus's own timer for a
    // restarting unit). Do not add or remove listeners from inside one.
    int AddListener(std::function<void(BusEvent)> listener);
    void RemoveListener(int id);

    // Faults on demand.
    void DropReplies(int count);       // the next `count` replies never arrive
    void CorruptReplies(int count);    // the next `count` replies carry a wrong checksum
    void SetSplitReplies(bool split);  // each reply frame arrives in two reports
    void UnplugAtFrame(int n);         // the n-th report written from now on pulls the plug
    // Access: while not 0, opening the plugged unit fails with this errno (a node without the
    // udev rule); the unit stays listed on the bus.
    void RefuseOpen(int error);
    bool Lists(unsigned short vendor, unsigned short product) const;
    // Queues a raw input report (up to 64 bytes) on every open handle, due after `delay`.
    void InjectReport(std::span<const uint8_t> bytes,
                      std::chrono::microseconds delay = std::chrono::microseconds(0));
    // Drops every input report not yet read, on every handle.
    void ClearInput();

    // Like a hidraw node, each handle buffers at most this many unread input reports; reports
    // arriving at a full buffer are dropped.
    static constexpr size_t kInputQueueLimit = 64;
    uint64_t ReportsDropped() const { return reportsDropped_.load(); }

    // The transcript keeps the newest `limit` reports (0: none), so a long run stays bounded.
    static constexpr size_t kDefaultTranscriptLimit = 1 << 16;
    void SetTranscriptLimit(size_t limit);
    std::vector<TranscriptEntry> Transcript() const;
    std::vector<std::vector<uint8_t>> WrittenReports() const;
    void ClearTranscript();
    int OpenHandleCount() const;
    // Running counts of reports, cheap enough to poll in benchmarks.
    uint64_t ReportsWritten() const { return reportsWritten_.load(); }
    uint64_t ReportsRead() const { return reportsRead_.load(); }
    // How much later than due, in all, replies were taken off the bus: what this machine's
    // wake-ups add to the unit's latency, for benchmarks to keep apart from the panel's time.
    std::chrono::nanoseconds ReplyLateness() const {
        return std::chrono::nanoseconds(replyLatenessNs_.load());
    }

    // The hidapi entry points of this provider.
    hid_device_* Open(unsigned short vendor, unsigned short product);
    int Write(hid_device_* dev, const unsigned char* data, size_t length);
    int Read(hid_device_* dev, unsigned char* data, size_t length, int milliseconds);
    void Close(hid_device_* dev);
    const wchar_t* Error(hid_device_* dev);
    int SetNonblocking(hid_device_* dev, int nonblock);
    bool IsNonblocking(hid_device_* dev) const;

private:
    using Clock = std::chrono::steady_clock;

    void Notify(BusEvent event);
    void Schedule(Clock::duration delay, std::function<void()> task);
    void TimerLoop();
    void EnqueueReply(const std::vector<uint8_t>& frame, Clock::time_point due);
    void RestartLater(std::shared_ptr<ProcessorSimulator> unit, const SimResponse& response,
                      Clock::time_point replyDue);
    bool Alive(const hid_device_* dev) const;
    void Queue(hid_device_* dev, Clock::time_point due, std::vector<uint8_t> bytes);
    void Record(Direction direction, std::vector<uint8_t> bytes);

    mutable std::mutex mutex_;
    std::condition_variable arrived_;  // input queued, or the unit left
    std::shared_ptr<ProcessorSimulator> unit_;
    uint64_t generation_ = 0;  // grows on every plug; handles of older ones are dead
    std::set<hid_device_*> handles_;
    std::deque<TranscriptEntry> transcript_;
    size_t transcriptLimit_ = kDefaultTranscriptLimit;
    int dropReplies_ = 0;
    int corruptReplies_ = 0;
    bool splitReplies_ = false;
    int unplugCountdown_ = 0;
    int refuseOpen_ = 0;
    std::atomic<uint64_t> reportsWritten_{0};
    std::atomic<uint64_t> reportsRead_{0};
    std::atomic<int64_t> replyLatenessNs_{0};
    std::atomic<uint64_t> reportsDropped_{0};

    std::mutex listenersMutex_;
    std::map<int, std::function<void(BusEvent)>> listeners_;
    int nextListener_ = 1;

    std::mutex timerMutex_;
    std::condition_variable timerWake_;
    std::multimap<Clock::time_point, std::function<void()>> tasks_;
    bool stopping_ = false;
    std::thread timer_;
};

}  // namespace dv::sim
