#include "device/DspDevice.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "base/Log.h"
#include "device/DspReplyRecords.h"

namespace dv {

namespace {

constexpr unsigned kRingMask = 0x3FF;
thread_local AckReply lastAck;
thread_local int awaitOwnReplies = 0;  // AwaitOwnReplies scopes alive on this thread

long TickMs() {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
}

// A small number for the log lines that name the handle.
int HandleNumber(const hid_device* handle) {
    return static_cast<int>(reinterpret_cast<uintptr_t>(handle) & 0x7FFFFFFF);
}

// Formats bytes as "%02x " into one log call, so a dump costs one message.
void LogBytes(const uint8_t* data, size_t count) {
    if (!LogIsOpen()) return;
    std::string text;
    text.reserve(count * 3 + 1);
    char item[4];
    for (size_t i = 0; i < count; ++i) {
        snprintf(item, sizeof item, "%02x ", data[i]);
        text += item;
    }
    LogPrintA("%s", text.c_str());
}

void LogQueuedCommand(const QueuedCommand& command) {
    LogPrintA("get mcmd 0x%02x subcmd 0x%02x optype 0x%02x len 0x%02x ", command.mcmd,
              command.subcmd, command.optype, static_cast<unsigned>(command.payload.size()));
    if (LogIsOpen()) {
        std::string text;
        char item[48];
        for (size_t i = 0; i < command.payload.size(); ++i) {
            snprintf(item, sizeof item, "cmd_data[%zu](0x%02x) ", i, command.payload[i]);
            text += item;
        }
        LogPrintA("%s\n", text.c_str());
    }
}

}  // namespace

DspDevice::DspDevice() {
    cmdThread_ = std::thread(&DspDevice::McuCmdThread, this);
}

DspDevice::~DspDevice() {
    running_ = false;
    queue_.Wake();
    cmdThread_.join();
    std::lock_guard<std::mutex> lock(linkMutex_);
    handle_.reset();
}

void DspDevice::McuCmdThread() {
    LogPrintA("McuCmdThread start\n");
    while (running_) {
        // Instead of polling every 5 ms the thread sleeps until a record arrives or the
        // destructor wakes it: no latency on a fresh record and no CPU while idle.
        auto command = queue_.Pop();
        if (!command) continue;
        cmdBusy_ = true;
        LogQueuedCommand(*command);
        // A drain (before an upgrade) waits for this record; one it overtook is not sent.
        std::lock_guard<std::mutex> inFlight(cmdInFlight_);
        if (cmdDraining_) continue;
        const Link link = CurrentLink();
        const bool written =
            WriteFrame(link, command->mcmd, command->subcmd, command->optype,
                       command->payload.data(), static_cast<uint8_t>(command->payload.size()));
        // A frame that never left cannot be answered; waiting for a reply would stall the queue.
        if (written) ReadFrames(link, readBuffer_.data(), ReplyTimeout(kDefaultReplyTimeoutMs));
        cmdBusy_ = false;
    }
    while (auto command = queue_.TryPop()) LogQueuedCommand(*command);
    LogPrintA("McuCmdThread end\n");
}

void DspDevice::SetCmdQueueEnabled(bool enabled) {
    if (enabled) cmdDraining_ = false;
    queueEnabled_ = enabled;
}

void DspDevice::DrainCmdQueue() {
    queueEnabled_ = false;
    cmdDraining_ = true;
    std::lock_guard<std::mutex> inFlight(cmdInFlight_);
    while (auto command = queue_.TryPop()) LogQueuedCommand(*command);
}

DspDevice::HidHandle DspDevice::Handle() const {
    std::lock_guard<std::mutex> lock(linkMutex_);
    return handle_;
}

DspDevice::Link DspDevice::CurrentLink() const {
    std::lock_guard<std::mutex> lock(linkMutex_);
    return {handle_, linkId_};
}

bool DspDevice::IsCurrent(const Link& link) const {
    std::lock_guard<std::mutex> lock(linkMutex_);
    return link.handle && handle_ == link.handle;
}

uint64_t DspDevice::LinkId() const {
    std::lock_guard<std::mutex> lock(linkMutex_);
    return handle_ ? linkId_ : 0;
}

AckReply DspDevice::LastAck() {
    return lastAck;
}

int DspDevice::ReplyTimeout(int tableMs) const {
    const int cap = replyTimeoutCap_.load();
    return cap > 0 && cap < tableMs ? cap : tableMs;
}

bool DspDevice::IsDeviceOpen() const {
    return Handle() != nullptr;
}

void DspDevice::OpenHIDDevice() {
    if (IsDeviceOpen()) return;
    if (hid_init() != 0) return;
    hid_device* raw = hid_open(kVendorId, kProductId, nullptr);
    if (!raw) {
        const int openError = errno;
        LogPrintA("unable to open device\n");
        openFailure_ = DiagnoseOpenFailure(openError);
        return;
    }
    openFailure_ = OpenFailure::None;
    constexpr size_t kMaxStr = 255;
    wchar_t text[kMaxStr];
    text[0] = L'\0';
    if (hid_get_manufacturer_string(raw, text, kMaxStr) < 0)
        LogPrintA("Unable to read manufacturer string\n");
    LogPrint(L"Manufacturer String: %ls\n", text);
    text[0] = L'\0';
    if (hid_get_product_string(raw, text, kMaxStr) < 0)
        LogPrintA("Unable to read product string\n");
    LogPrint(L"Product String: %ls\n", text);
    text[0] = L'\0';
    if (hid_get_serial_number_string(raw, text, kMaxStr) < 0)
        LogPrintA("Unable to read serial number string\n");
    LogPrint(L"Serial Number String: (%d) %ls", static_cast<int>(text[0]), text);
    LogPrintA("\n");
    text[0] = L'\0';
    if (hid_get_indexed_string(raw, 1, text, kMaxStr) < 0)
        LogPrintA("Unable to read indexed string 1\n");
    LogPrint(L"Indexed String 1: %ls\n", text);
    hid_set_nonblocking(raw, 1);
    // The handle is closed when the last user lets go, so a close never pulls it from under
    // a write or read that is still running on another thread.
    std::lock_guard<std::mutex> lock(linkMutex_);
    handle_ = HidHandle(raw, [](hid_device* h) { hid_close(h); });
    ++linkId_;
}

void DspDevice::CloseHIDDevice(bool sayGoodbye) {
    if (!IsDeviceOpen()) return;
    if (sayGoodbye) PC_Connect(0);
    {
        std::lock_guard<std::mutex> lock(linkMutex_);
        handle_.reset();
    }
    // What the unit said about itself holds for its link only; the next one greets afresh.
    handshakeNormal_ = false;
    LogPrintA("CloseHIDDevice!\n");
}

void DspDevice::SetMainWindow(WindowHandle target) {
    std::lock_guard<std::mutex> lock(targetsMutex_);
    mainWindow_ = std::move(target);
}

void DspDevice::SetSceneWindow(WindowHandle target) {
    std::lock_guard<std::mutex> lock(targetsMutex_);
    sceneWindow_ = std::move(target);
}

void DspDevice::SetAutoCalWindow(WindowHandle target) {
    std::lock_guard<std::mutex> lock(targetsMutex_);
    autoCalWindow_ = std::move(target);
}

void DspDevice::SetNoiseWindow(WindowHandle target) {
    std::lock_guard<std::mutex> lock(targetsMutex_);
    noiseWindow_ = std::move(target);
}

WindowHandle DspDevice::TargetHandle(Target target) const {
    std::lock_guard<std::mutex> lock(targetsMutex_);
    switch (target) {
        case Target::Main:
            return mainWindow_;
        case Target::Scene:
            return sceneWindow_;
        case Target::AutoCal:
            return autoCalWindow_;
        case Target::Noise:
            return noiseWindow_;
    }
    return nullptr;
}

void DspDevice::Post(Target target, unsigned message, intptr_t param,
                     std::unique_ptr<MessageRecord> record) {
    PostToWindow(TargetHandle(target), message, param, std::move(record));
}

bool DspDevice::SendCtrlCommand(uint8_t mcmd, uint8_t subcmd, uint8_t optype, const uint8_t* data,
                                uint8_t len) {
    return WriteFrame(CurrentLink(), mcmd, subcmd, optype, data, len);
}

bool DspDevice::WriteFrame(const Link& link, uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                           const uint8_t* data, uint8_t len) {
    const HidHandle& handle = link.handle;
    if (!handle) {
        writeRoprt_ = false;
        return false;
    }
    std::lock_guard<std::mutex> lock(writeMutex_);
    LogTimeStamp();
    LogPrintA("SendCtrlCommand\n");
    Report report;
    if (!BuildReport(mcmd, subcmd, optype, std::span<const uint8_t>(data, data ? len : 0),
                     report)) {
        LogPrintA("payload of %d bytes does not fit a frame, not sent\n", len);
        return false;
    }
    LogPrintA("begain to write data to devices:\n");
    LogBytes(report.data(), report.size());
    LogPrintA("\n");
    writeRoprt_ = true;
    LogPrintA("set WRITE_ROPRT = TRUE\n");
    if (!IsCurrent(link)) {
        LogPrintA("mHidHandle is NULL, can't send cmd\n");
        writeRoprt_ = false;
        return false;
    }
    const int written = hid_write(handle.get(), report.data(), report.size());
    if (written < 0) {
        const wchar_t* error = hid_error(handle.get());
        LogPrint(L"Write HidDeviceObject = %d errot = %ls\n", HandleNumber(handle.get()),
                 error ? error : L"");
        writeRoprt_ = false;
        return false;
    }
    LogPrintA("write data ok! HidDeviceObject = %d\n", HandleNumber(handle.get()));
    LogTimeStamp();
    writeRoprt_ = false;
    return true;
}

bool DspDevice::ReadHIDData(uint8_t* buffer, int timeoutMs) {
    return ReadFrames(CurrentLink(), buffer, timeoutMs);
}

bool DspDevice::ReadFrames(const Link& link, uint8_t* buffer, int timeoutMs, bool* failed) {
    const long start = TickMs();
    LogPrintA("ReadHIDData timestart = %ld\n", start);
    // Waiting for the lock can outlast the link; a closed link reads nothing more.
    auto gone = [&] {
        lastReadFailed_ = true;
        LogPrintA("mHidHandle is NULL\n");
        writeRoprt_ = false;
        return false;
    };
    if (!link.handle) return gone();
    std::lock_guard<std::mutex> lock(readMutex_);
    if (!IsCurrent(link)) return gone();
    if (ringLink_ != link.id) {
        // Half a frame left by an earlier link would swallow the first reply of this one.
        ringWrite_ = ringRead_ = 0;
        assembler_ = FrameAssembler();
        pendingSpectrum_.reset();
        ringLink_ = link.id;
    }
    int count = 0;
    for (long left = timeoutMs;;) {
        const int sliceMs = readSliceMs_.load();
        const int slice = static_cast<int>(sliceMs > 0 ? std::min<long>(left, sliceMs) : left);
        const long sliceStart = TickMs();
        count = hid_read_timeout(link.handle.get(), buffer, kInputReportSize, slice);
        left -= std::max<long>(TickMs() - sliceStart, slice);
        if (count != 0 || left <= 0 || !IsCurrent(link)) break;
    }
    LogPrintA("ReadHIDData done timeend-timestart = %ld\n", TickMs() - start);
    LogPrintA("ReadHIDData NumberOfBytesRead = %d\n", count);
    if (failed) *failed = count < 0;
    lastReadFailed_ = count < 0;
    if (count <= 0) return false;
    LogPrintA("read data: ");
    for (int i = 0; i < count; ++i) {
        // The link closed while this read waited: what arrived is not this caller's to parse,
        // even when a newer link's unit sent it to every open handle.
        if (!IsCurrent(link)) return gone();
        ring_[ringWrite_] = buffer[i];
        ringWrite_ = (ringWrite_ + 1) & kRingMask;
    }
    LogBytes(buffer, static_cast<size_t>(count));
    LogPrintA("\n");
    while (ringRead_ != ringWrite_ && IsCurrent(link)) {
        const uint8_t b = ring_[ringRead_];
        ringRead_ = (ringRead_ + 1) & kRingMask;
        if (assembler_.Step(b)) DispatchFrame(assembler_.Frame());
    }
    return true;
}

void DspDevice::ResetReceiveRing() {
    std::lock_guard<std::mutex> lock(readMutex_);
    ringWrite_ = 0;
    ringRead_ = 0;
}

int DspDevice::FrameAssemblerState() const {
    std::lock_guard<std::mutex> lock(readMutex_);
    return assembler_.State();
}

DspDevice::AwaitOwnReplies::AwaitOwnReplies() {
    ++awaitOwnReplies;
}

DspDevice::AwaitOwnReplies::~AwaitOwnReplies() {
    --awaitOwnReplies;
}

bool DspDevice::ReadUntilHeard(const CommandRow& row, const Link& link,
                               const std::function<bool()>& heard) {
    std::array<uint8_t, kReportSize> buffer{};
    const long deadline = TickMs() + ReplyTimeout(row.timeoutMs);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(readMutex_);
            if (heard()) return true;
        }
        const long left = deadline - TickMs();
        if (left <= 0 || !IsCurrent(link)) return false;
        bool failed = false;
        ReadFrames(link, buffer.data(), static_cast<int>(left), &failed);
        if (failed) return false;
    }
}

bool DspDevice::IssueAwaited(const CommandRow& row, const Link& link,
                             std::span<const uint8_t> payload) {
    {
        std::lock_guard<std::mutex> lock(readMutex_);
        replyWait_ = ReplyWait{true, false, false, row.mcmd, row.subcmd};
    }
    const bool ended =
        WriteFrame(link, row.mcmd, row.subcmd, row.optype, payload.data(),
                   static_cast<uint8_t>(payload.size())) &&
        ReadUntilHeard(row, link, [this] { return replyWait_.heard || replyWait_.refused; });
    std::lock_guard<std::mutex> lock(readMutex_);
    replyWait_.armed = false;
    return ended && replyWait_.heard;
}

void DspDevice::DispatchFrame(const ReceivedFrame& frame) {
    if (replyWait_.armed && !replyWait_.heard && !replyWait_.refused &&
        frame.mcmd == replyWait_.mcmd && frame.subcmd == replyWait_.subcmd) {
        replyWait_.heard = frame.optype == OP_DATA;
        replyWait_.refused = frame.optype == OP_ACK;
    }
    if (ackWait_.armed && !ackWait_.heard && frame.optype == OP_ACK &&
        frame.mcmd == ackWait_.mcmd && frame.subcmd == ackWait_.subcmd) {
        ackWait_.heard = true;
        ackWait_.reply.result =
            !frame.payload.empty() && frame.payload[0] == ACK_READY       ? AckResult::Ready
            : !frame.payload.empty() && frame.payload[0] == ACK_NOT_READY ? AckResult::NotReady
                                                                          : AckResult::None;
        ackWait_.reply.extra = frame.payload.size() > 1 ? frame.payload[1] : -1;
    }
    switch (frame.mcmd) {
        case MCMD_DSP:
            ParseDspReply(frame);
            break;
        case MCMD_SCENE:
            ParseSceneReply(frame);
            break;
        case MCMD_MCU:
            ParseMcuReply(frame);
            break;
        default:
            break;
    }
}

bool DspDevice::Issue(CommandId id, std::span<const uint8_t> payload, bool immediate) {
    const CommandRow& row = Command(id);
    const auto length = static_cast<uint8_t>(payload.size());
    if (row.mode == DispatchMode::Queued && !immediate) {
        if (!queueEnabled_) return false;
        queue_.Push(QueuedCommand{row.mcmd, row.subcmd, row.optype,
                                  std::vector<uint8_t>(payload.begin(), payload.end()),
                                  row.target});
        return true;
    }
    const Link link = CurrentLink();
    if (WantsAck(row)) return IssueAcked(row, link, payload);
    if (awaitOwnReplies > 0 && row.mode != DispatchMode::Send)
        return IssueAwaited(row, link, payload);
    if (!WriteFrame(link, row.mcmd, row.subcmd, row.optype, payload.data(), length)) return false;
    if (row.mode == DispatchMode::Send) return true;
    std::array<uint8_t, kReportSize> buffer{};
    return ReadFrames(link, buffer.data(), ReplyTimeout(row.timeoutMs));
}

// Group-1 and scene set commands and the factory default answer with an acknowledgement; the
// handshake and the upgrade commands keep their own reply handling.
bool DspDevice::WantsAck(const CommandRow& row) {
    if (row.optype != OP_SET || row.mode == DispatchMode::Send) return false;
    if (row.mcmd == MCMD_DSP) return true;
    if (row.mcmd == MCMD_SCENE) return row.subcmd >= 8 && row.subcmd <= 12;
    return row.id == CommandId::Factory_Default_Ctrl;
}

bool DspDevice::IssueAcked(const CommandRow& row, const Link& link,
                           std::span<const uint8_t> payload) {
    {
        std::lock_guard<std::mutex> lock(readMutex_);
        ackWait_ = AckWait{true, false, row.mcmd, row.subcmd, {}};
    }
    const bool written = WriteFrame(link, row.mcmd, row.subcmd, row.optype, payload.data(),
                                    static_cast<uint8_t>(payload.size()));
    const bool heard = written && ReadUntilHeard(row, link, [this] { return ackWait_.heard; });
    std::lock_guard<std::mutex> lock(readMutex_);
    ackWait_.armed = false;
    lastAck =
        heard ? ackWait_.reply : AckReply{written ? AckResult::None : AckResult::WriteFailed, -1};
    return lastAck.result == AckResult::Ready;
}

bool DspDevice::Refuse(CommandId id, const char* why) {
    LogPrintA("%s refused: %s\n", Command(id).name, why);
    return false;
}

}  // namespace dv
