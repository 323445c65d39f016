#include "tests/e2e/E2eSupport.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace e2e {

namespace {

constexpr size_t kOutputReport = 65;
constexpr size_t kInputReport = 64;

// A vendor page with one 64-byte input and one 64-byte output report, as the unit has.
constexpr unsigned char kReportDescriptor[] = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x95, 0x40, 0x09, 0x01, 0x91, 0x02, 0xC0};

std::string Format(const char* format, auto... args) {
    char text[512];
    snprintf(text, sizeof text, format, args...);
    return text;
}

bool WriteAll(int fd, const unsigned char* data, size_t length) {
    while (length > 0) {
        const ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        // Nobody reads: like a full hidraw queue, the report is dropped rather than waited on.
        if (n < 0 && errno == EAGAIN) return true;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// hidapi opens a node only when it answers the hidraw descriptor ioctls.
gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer) {
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    if (request == HIDIOCGRDESCSIZE) {
        UMockdevIoctlData* size = umockdev_ioctl_data_resolve(arg, 0, sizeof(int), nullptr);
        if (!size) return FALSE;
        const int value = sizeof kReportDescriptor;
        memcpy(size->data, &value, sizeof value);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    if (request == HIDIOCGRDESC) {
        UMockdevIoctlData* desc =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_report_descriptor), nullptr);
        if (!desc) return FALSE;
        auto* out = reinterpret_cast<hidraw_report_descriptor*>(desc->data);
        out->size = sizeof kReportDescriptor;
        memcpy(out->value, kReportDescriptor, sizeof kReportDescriptor);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

struct Testbed::Node {
    NodeInfo info;
    std::string sysPath;
    int master = -1;  // the testbed's end of the pty; the testbed owns it
    int peer = -1;    // our handle on the panel's end, which the /dev link names
    int stop[2] = {-1, -1};
    std::thread server;
    std::shared_ptr<dv::sim::ProcessorSimulator> unit;
    std::atomic<int> received{0};
    bool attached = false;
};

Testbed::Testbed() {
    bed_ = umockdev_testbed_new();
    if (!bed_) return;
    gchar* root = umockdev_testbed_get_root_dir(bed_);
    root_ = root;
    g_free(root);
    ioctl_ = umockdev_ioctl_base_new();
    g_signal_connect(ioctl_, "handle-ioctl", G_CALLBACK(OnIoctl), nullptr);
}

Testbed::~Testbed() {
    for (auto& node : nodes_)
        if (node->master >= 0) Remove(node->info.name);
    if (ioctl_) g_object_unref(ioctl_);
    if (bed_) g_object_unref(bed_);
}

Testbed::Node* Testbed::Find(const std::string& name) const {
    for (const auto& node : nodes_)
        if (node->info.name == name) return node.get();
    return nullptr;
}

bool Testbed::Add(const NodeInfo& info, std::shared_ptr<dv::sim::ProcessorSimulator> unit,
                  pid_t frozen) {
    Node* node = Find(info.name);
    if (!node) {
        nodes_.push_back(std::make_unique<Node>());
        node = nodes_.back().get();
        node->info = info;
    }
    if (node->master >= 0) return false;  // already there
    const std::string usb = Format("/devices/pci0000:00/usb1/1-%d", info.port);
    const std::string hid = Format("%s/1-%d:1.0/0003:%04X:%04X.%04d", usb.c_str(), info.port,
                                   info.vendor, info.product, info.port);
    std::string description;
    if (std::find(usbPorts_.begin(), usbPorts_.end(), info.port) == usbPorts_.end()) {
        usbPorts_.push_back(info.port);
        description += Format(
            "P: %s\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=%04x\nA: idProduct=%04x\n"
            "A: manufacturer=Emulated\nA: product=Emulated %04x\nA: serial=E2E%d\n"
            "A: bcdDevice=0100\n\n",
            usb.c_str(), info.vendor, info.product, info.product, info.port);
        description += Format(
            "P: %s/1-%d:1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: "
            "bInterfaceNumber=00\n\n",
            usb.c_str(), info.port);
        description += Format(
            "P: %s\nE: SUBSYSTEM=hid\nE: HID_ID=0003:%08X:%08X\nE: HID_NAME=Emulated %04x\n"
            "E: HID_UNIQ=E2E%d\n\n",
            hid.c_str(), info.vendor, info.product, info.product, info.port);
    }
    node->sysPath = Format("/sys%s/hidraw/%s", hid.c_str(), info.name.c_str());
    description += Format("P: %s/hidraw/%s\nN: %s\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/%s\n",
                          hid.c_str(), info.name.c_str(), info.name.c_str(), info.name.c_str());

    // The panel must not act on the "add" event before the node below can be opened.
    if (frozen > 0) kill(frozen, SIGSTOP);
    GError* error = nullptr;
    const bool added = umockdev_testbed_add_from_string(bed_, description.c_str(), &error);
    if (error) {
        fprintf(stderr, "testbed: %s\n", error->message);
        g_error_free(error);
    }
    const std::string devNode = "/dev/" + info.name;
    node->master = added ? umockdev_testbed_get_dev_fd(bed_, devNode.c_str()) : -1;
    if (node->master >= 0) {
        fcntl(node->master, F_SETFD, FD_CLOEXEC);
        fcntl(node->master, F_SETFL, fcntl(node->master, F_GETFL) | O_NONBLOCK);
        termios mode{};
        tcgetattr(node->master, &mode);
        cfmakeraw(&mode);
        tcsetattr(node->master, TCSANOW, &mode);
        // The pty's /dev/pts name is not reachable where devpts is mounted privately (containers);
        // our own handle on its far end always is.
        node->peer = ioctl(node->master, TIOCGPTPEER, O_RDWR | O_NOCTTY | O_CLOEXEC);
        const std::string link = root_ + devNode;
        unlink(link.c_str());
        symlink(Format("/proc/%d/fd/%d", getpid(), node->peer).c_str(), link.c_str());
        // hidapi finds a node's ids through its "device" link, as sysfs has it.
        symlink("../..", (root_ + node->sysPath + "/device").c_str());
        if (!node->attached)
            node->attached = umockdev_testbed_attach_ioctl(bed_, devNode.c_str(), ioctl_, nullptr);
        node->unit = std::move(unit);
        if (pipe2(node->stop, O_CLOEXEC) == 0)
            node->server = std::thread([this, node] { Serve(*node); });
    }
    if (frozen > 0) kill(frozen, SIGCONT);
    return node->master >= 0 && node->peer >= 0 && node->attached;
}

// Reads the panel's 65-byte output reports and answers each with the unit's 64-byte reports.
void Testbed::Serve(Node& node) {
    std::vector<unsigned char> pending;
    unsigned char chunk[1024];
    for (;;) {
        pollfd fds[2] = {{node.master, POLLIN, 0}, {node.stop[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) {
            // Nobody holds the panel's end yet (or any more): wait for the next open.
            if (fds[0].revents & (POLLHUP | POLLERR)) usleep(1000);
            continue;
        }
        const ssize_t n = read(node.master, chunk, sizeof chunk);
        if (n <= 0) continue;
        pending.insert(pending.end(), chunk, chunk + n);
        while (pending.size() >= kOutputReport) {
            std::vector<unsigned char> report(pending.begin(), pending.begin() + kOutputReport);
            pending.erase(pending.begin(), pending.begin() + kOutputReport);
            ++node.received;
            if (!node.unit) continue;
            const dv::sim::SimResponse response = node.unit->HandleReport(report);
            for (std::vector<uint8_t> frame : response.frames) {
                frame.resize(kInputReport, 0);
                if (!WriteAll(node.master, frame.data(), frame.size())) return;
            }
        }
    }
}

void Testbed::Remove(const std::string& name) {
    Node* node = Find(name);
    if (!node || node->master < 0) return;
    if (node->server.joinable()) {
        (void)!write(node->stop[1], "x", 1);
        node->server.join();
    }
    close(node->stop[0]);
    close(node->stop[1]);
    umockdev_testbed_uevent(bed_, node->sysPath.c_str(), "remove");
    unlink((root_ + node->sysPath + "/device").c_str());
    umockdev_testbed_remove_device(bed_, node->sysPath.c_str());
    unlink((root_ + "/dev/" + name).c_str());  // our link, which the testbed does not know
    // Gone from the bus: the panel's open handle hangs up.
    close(node->peer);
    node->peer = -1;
    node->master = -1;
    node->unit.reset();
}

void Testbed::RefuseOthers(const std::string& name) {
    Node* node = Find(name);
    if (!node || node->peer < 0) return;
    fchmod(node->peer, 0);
    // Others still see the tree and the node; only opening it is refused.
    chmod(root_.c_str(), 0755);
}

int Testbed::ReportsReceived(const std::string& name) const {
    Node* node = Find(name);
    return node ? node->received.load() : 0;
}

PanelProcess::PanelProcess(std::string program) : program_(std::move(program)) {}

PanelProcess::~PanelProcess() {
    Stop();
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

bool PanelProcess::Start(uid_t asUser, gid_t asGroup) {
    char dirTemplate[] = "/tmp/dv-e2e-XXXXXX";
    if (!mkdtemp(dirTemplate)) return false;
    dir_ = dirTemplate;
    const std::string runtime = dir_ + "/runtime";
    mkdir(runtime.c_str(), 0700);
    std::ofstream(dir_ + "/savelog.ini") << "\n";
    if (asUser != 0) {
        chmod(dir_.c_str(), 0755);
        (void)!chown(dir_.c_str(), asUser, asGroup);
        (void)!chown(runtime.c_str(), asUser, asGroup);
    }
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) return false;
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
        // The log echoes to standard output; on a terminal it arrives line by line.
        setsid();
        dup2(slave, STDOUT_FILENO);
        dup2(slave, STDERR_FILENO);
        if (slave > STDERR_FILENO) close(slave);
        if (chdir(dir_.c_str()) != 0) _exit(126);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("HOME", dir_.c_str(), 1);
        if (asUser != 0 &&
            (setgroups(0, nullptr) != 0 || setgid(asGroup) != 0 || setuid(asUser) != 0))
            _exit(126);
        execl(program_.c_str(), program_.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(slave);
    reader_ = std::thread([this] { ReadOutput(); });
    return true;
}

void PanelProcess::ReadOutput() {
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(master_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // EIO once the program and its children have gone
        std::lock_guard<std::mutex> lock(mutex_);
        for (ssize_t i = 0; i < n; ++i)
            if (chunk[i] != '\r') log_.push_back(chunk[i]);
        grew_.notify_all();
    }
}

int PanelProcess::Count(const std::string& text) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int count = 0;
    for (size_t at = log_.find(text); at != std::string::npos; at = log_.find(text, at + 1))
        ++count;
    return count;
}

bool PanelProcess::WaitFor(const std::string& text, int times, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (Count(text) >= times) return true;
        std::unique_lock<std::mutex> lock(mutex_);
        if (grew_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + 100ms)) ==
                std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline)
            return false;
    }
}

std::string PanelProcess::Log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

bool PanelProcess::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void PanelProcess::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (Running() && std::chrono::steady_clock::now() < deadline) usleep(10000);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    if (reader_.joinable()) reader_.join();
    if (master_ >= 0) close(master_);
    master_ = -1;
}

std::string ProductPath() {
    return DV_PRODUCT_PATH;
}

std::string PreloadLibrary() {
    return DV_UMOCKDEV_PRELOAD;
}

std::string Unavailable() {
    if (access(PreloadLibrary().c_str(), R_OK) != 0)
        return "umockdev's preload library " + PreloadLibrary() + " is not installed";
    const char* preload = getenv("LD_PRELOAD");
    if (!preload || !strstr(preload, "libumockdev-preload"))
        return "not running under the umockdev preload";
    if (access(ProductPath().c_str(), X_OK) != 0) return ProductPath() + " is not built";
    return {};
}

}  // namespace e2e
