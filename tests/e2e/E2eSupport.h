// The product program against an emulated USB unit: a umockdev testbed whose hidraw node is a
// pty answered by the simulated unit, and the unmodified `stormedge-dsp` run beside it with the
// umockdev preload, its debug log read as it is written.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/ProcessorSimulator.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace e2e {

using namespace std::chrono_literals;

// One hidraw node and the USB device above it.
struct NodeInfo {
    std::string name = "hidraw0";  // also the USB port ("1-<n>") it hangs on
    unsigned short vendor = 0x0483;
    unsigned short product = 0x5750;
    int port = 1;
};

// A testbed with hidraw nodes; each node is served by a simulated unit (or only counts what it
// is sent). All events reach the panel through the testbed's netlink emulation.
class Testbed {
public:
    Testbed();
    ~Testbed();
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    bool Ok() const { return bed_ != nullptr; }
    std::string Root() const { return root_; }

    // Adds the node (the USB parents on first use) and answers it with `unit` when given. The
    // testbed announces the node with an "add" event; `frozen` is stopped meanwhile so that it
    // sees the event only once the node can be opened.
    bool Add(const NodeInfo& info, std::shared_ptr<dv::sim::ProcessorSimulator> unit,
             pid_t frozen = 0);
    // "remove" event, then the node goes away; an open handle on it fails from now on.
    void Remove(const std::string& name);
    // Only the owner may open the node; as root, only root may.
    void RefuseOthers(const std::string& name);
    // Output reports the node received.
    int ReportsReceived(const std::string& name) const;

private:
    struct Node;
    Node* Find(const std::string& name) const;
    void Serve(Node& node);

    UMockdevTestbed* bed_ = nullptr;
    UMockdevIoctlBase* ioctl_ = nullptr;
    std::string root_;
    std::vector<std::unique_ptr<Node>> nodes_;
    std::vector<int> usbPorts_;
};

// The product program in a directory of its own with the debug log switched on.
class PanelProcess {
public:
    explicit PanelProcess(std::string program);
    ~PanelProcess();

    // `asUser`: run as that uid/gid (needs root), for a node only root may open.
    bool Start(uid_t asUser = 0, gid_t asGroup = 0);
    pid_t Pid() const { return pid_; }
    // Waits until the log holds `text` at least `times` times.
    bool WaitFor(const std::string& text, int times = 1, std::chrono::milliseconds limit = 30s);
    int Count(const std::string& text) const;
    std::string Log() const;
    bool Running();
    void Stop();

private:
    void ReadOutput();

    std::string program_;
    std::string dir_;
    pid_t pid_ = -1;
    int master_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable grew_;
    std::string log_;
};

// The product under test, and where the umockdev preload library lives.
std::string ProductPath();
std::string PreloadLibrary();
// Reason the emulation cannot run here, empty when it can.
std::string Unavailable();

}  // namespace e2e
