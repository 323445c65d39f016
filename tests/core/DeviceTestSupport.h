// Shared pieces of the device-link tests: a window that records what it is posted, a fixture
// with a simulated unit on the bus, and byte helpers.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/Log.h"
#include "base/WindowMessage.h"
#include "device/DspDevice.h"
#include "sim/SimBus.h"

namespace dvtest {

struct Posted {
    unsigned message;
    intptr_t param;
    std::shared_ptr<dv::MessageRecord> record;
};

class RecordingWindow : public dv::MessageSink {
public:
    RecordingWindow() : handle_(std::make_shared<dv::WindowTarget>(this)) {}
    ~RecordingWindow() override { handle_->Detach(); }

    void Deliver(unsigned message, intptr_t param,
                 std::unique_ptr<dv::MessageRecord> record) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            posted_.push_back({message, param, std::move(record)});
        }
        changed_.notify_all();
    }
    // Waits until at least `count` messages have arrived or the deadline passes.
    bool WaitFor(size_t count, std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return posted_.size() >= count; });
    }
    std::vector<Posted> Messages() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return posted_;
    }
    size_t Count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return posted_.size();
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        posted_.clear();
    }
    const dv::WindowHandle& Handle() const { return handle_; }

    template <typename R>
    const R& Record(size_t i) const {
        std::lock_guard<std::mutex> lock(mutex_);
        auto* record = dynamic_cast<const R*>(posted_.at(i).record.get());
        if (!record) throw std::runtime_error("message carries another record type");
        return *record;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Posted> posted_;
    dv::WindowHandle handle_;
};

// Polls `condition` until it holds or the deadline passes.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

// "03 e8 04" -> bytes.
inline std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> out;
    std::istringstream in(hex);
    std::string item;
    while (in >> item) out.push_back(static_cast<uint8_t>(std::stoul(item, nullptr, 16)));
    return out;
}

inline std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char item[4];
    for (uint8_t b : bytes) {
        snprintf(item, sizeof item, "%02x ", b);
        out += item;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

// A reply frame as the unit sends it, with its checksum worked out here.
inline std::vector<uint8_t> UnitFrame(uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                                      const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> frame;
    frame.reserve(payload.size() + 7);  // also keeps GCC 12 from a false array-bounds warning
    for (uint8_t b : {uint8_t{0xAA}, uint8_t{0x55}, static_cast<uint8_t>(payload.size() + 3), mcmd,
                      subcmd, optype})
        frame.push_back(b);
    frame.insert(frame.end(), payload.begin(), payload.end());
    int sum = 0;
    for (size_t i = 2; i < frame.size(); ++i) sum += frame[i];
    frame.push_back(static_cast<uint8_t>((256 - sum % 256) % 256));
    return frame;
}

// Sends the debug log to a file of its own for as long as it lives, then hands back the text.
class LogCapture {
public:
    LogCapture()
        : path_(std::filesystem::temp_directory_path() /
                ("dvlink-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log")) {
        InitConsoleWindow(path_.string());
    }
    ~LogCapture() {
        LogClose();
        std::filesystem::remove(path_);
    }
    std::string Stop() {
        LogClose();
        std::ifstream in(path_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::filesystem::path path_;
};

inline size_t Occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A simulated unit plugged into a clean bus, and a device with its main window attached.
class SimulatedUnitTest : public ::testing::Test {
protected:
    void SetUp() override {
        dv::sim::SimBus::Instance().Reset();
        dv::sim::SimOptions options;
        options.latency = std::chrono::microseconds(0);
        options.sceneLoadDelay = std::chrono::milliseconds(50);
        options.restartDelay = std::chrono::milliseconds(50);
        unit_ = std::make_shared<dv::sim::ProcessorSimulator>(options);
        dv::sim::SimBus::Instance().Plug(unit_);
        device_ = std::make_unique<dv::DspDevice>();
        device_->SetMainWindow(main_.Handle());
    }
    void TearDown() override {
        device_.reset();
        dv::sim::SimBus::Instance().Reset();
    }
    void Open() {
        device_->OpenHIDDevice();
        ASSERT_TRUE(device_->IsDeviceOpen());
        dv::sim::SimBus::Instance().ClearTranscript();
    }
    // The unit answers the upgrade entries with NOT_READY instead of restarting into its loader,
    // so a table of every command keeps one unit on the bus however slowly it runs.
    void StayOutOfTheLoader() {
        unit_->WithLoader([](dv::sim::SimLoader& loader) {
            dv::sim::SimUpgradeFaults faults;
            faults.refuseEnter = true;
            loader.SetFaults(faults);
        });
    }
    // Reports the panel wrote since the transcript was last cleared, as hex.
    std::vector<std::string> Written() const {
        std::vector<std::string> out;
        for (const auto& report : dv::sim::SimBus::Instance().WrittenReports())
            out.push_back(Hex(report));
        return out;
    }
    // Feeds raw input bytes and lets the device read them once.
    bool Feed(const std::vector<uint8_t>& bytes) {
        dv::sim::SimBus::Instance().InjectReport(bytes);
        uint8_t buffer[65] = {};
        return device_->ReadHIDData(buffer, 200);
    }

    std::shared_ptr<dv::sim::ProcessorSimulator> unit_;
    RecordingWindow main_;
    std::unique_ptr<dv::DspDevice> device_;
};

}  // namespace dvtest
