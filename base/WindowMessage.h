// The seam between worker threads and windows: a thread posts (message number, first parameter,
// record) to a window target; the window receives it later on the UI thread. A target whose
// window has closed drops the record, so nothing leaks and nothing dangles.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

namespace dv {

// Window message numbers (WM_USER is 1024).
enum WindowMessageId : unsigned {
    WM_DEVICE_CHANGE = 0x0219,     // device arrival or removal (DeviceBroadcastRecord)
    WM_MENU_CLICK = 1145,          // popup menu item clicked (MenuCmd record)
    WM_DSP_VALUE = 1234,           // DSP value reply; first parameter the reply code
    WM_MCU_VALUE = 1235,           // handshake and flash version
    WM_SCENE_VALUE = 1237,         // scene name (main window) / scene stored (scene window)
    WM_SCENE_DELETED = 1238,       // scene deleted
    WM_HANDSHAKE_ABNORMAL = 1239,  // unit answered the handshake as not normal
    WM_FACTORY_DEFAULT_DONE = 1240,
    WM_IRC_VALUE = 1241,  // calibration status or data
    WM_CONNECT_FAILED = 1242,
    WM_SHOW_LOADING = 1244,  // busy window up
    WM_HIDE_LOADING = 1245,  // busy window down
    WM_UPGRADE_PROGRESS = 1255,
    WM_UPGRADE_SUCCESS = 1256,
    WM_UPGRADE_FAIL = 1257,
    WM_UPGRADE_FILE_REJECTED = 1258,
    WM_IRC_PROGRESS = 1268,
};

// Base of every record carried by a window message; the receiver downcasts by message number.
struct MessageRecord {
    virtual ~MessageRecord() = default;
};

// Implemented by a window (on the Qt side: it turns the post into an event on the UI thread).
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Called from any thread; must not block on the UI thread.
    virtual void Deliver(unsigned message, intptr_t param,
                         std::unique_ptr<MessageRecord> record) = 0;
};

// A thread-safe handle to a window. Threads keep a std::shared_ptr<WindowTarget>; the window
// detaches it when it closes, after which posts are dropped.
class WindowTarget {
public:
    explicit WindowTarget(MessageSink* sink) : sink_(sink) {}

    // Returns false (and frees the record) when the window is gone.
    bool Post(unsigned message, intptr_t param, std::unique_ptr<MessageRecord> record = nullptr) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!sink_) return false;
        sink_->Deliver(message, param, std::move(record));
        return true;
    }

    void Detach() {
        std::lock_guard<std::mutex> lock(mutex_);
        sink_ = nullptr;
    }

    bool IsAttached() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return sink_ != nullptr;
    }

private:
    mutable std::mutex mutex_;
    MessageSink* sink_;
};

using WindowHandle = std::shared_ptr<WindowTarget>;

// Posts through a handle that may be empty; an empty handle builds nothing and drops the record.
inline bool PostToWindow(const WindowHandle& target, unsigned message, intptr_t param,
                         std::unique_ptr<MessageRecord> record = nullptr) {
    return target ? target->Post(message, param, std::move(record)) : false;
}

}  // namespace dv
