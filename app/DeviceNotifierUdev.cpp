// Device events of the system: a udev monitor on the hidraw subsystem, read on the UI thread
// through a socket notifier. Only nodes of the DV80MAX's USB ids are reported; a removed node no
// longer says whose it was, so the nodes seen are remembered.
#include <libudev.h>

#include <QSocketNotifier>
#include <cstring>
#include <set>

#include "base/DeviceNotifier.h"

namespace {

// "bus:vendor:product" as the parent HID device reports it.
constexpr const char* kUnitHidId = "0003:00000483:00005750";

bool IsUnitNode(udev_device* device) {
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
    const char* id = hid ? udev_device_get_property_value(hid, "HID_ID") : nullptr;
    return id && strcasecmp(id, kUnitHidId) == 0;
}

class UdevDeviceNotifier : public DeviceNotifier {
public:
    ~UdevDeviceNotifier() override {
        m_notifier.reset();
        if (m_monitor) udev_monitor_unref(m_monitor);
        if (m_udev) udev_unref(m_udev);
    }

    bool Start(dv::WindowHandle window) override {
        m_window = std::move(window);
        m_udev = udev_new();
        if (!m_udev) return false;
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (!m_monitor ||
            udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(m_monitor) < 0)
            return false;
        RememberPresentNodes();
        m_notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(m_monitor),
                                                       QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { ReadEvent(); });
        return true;
    }

private:
    void RememberPresentNodes() {
        udev_enumerate* e = udev_enumerate_new(m_udev);
        if (!e) return;
        udev_enumerate_add_match_subsystem(e, "hidraw");
        udev_enumerate_scan_devices(e);
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
            udev_device* d = udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(entry));
            if (!d) continue;
            const char* node = udev_device_get_devnode(d);
            if (node && IsUnitNode(d)) m_unitNodes.insert(node);
            udev_device_unref(d);
        }
        udev_enumerate_unref(e);
    }

    void ReadEvent() {
        udev_device* d = udev_monitor_receive_device(m_monitor);
        if (!d) return;
        const char* action = udev_device_get_action(d);
        const char* node = udev_device_get_devnode(d);
        const std::string path = node ? node : "";
        if (action && std::strcmp(action, "add") == 0 && IsUnitNode(d)) {
            m_unitNodes.insert(path);
            PostDeviceChange(m_window, kDbtDeviceArrival, path);
        } else if (action && std::strcmp(action, "remove") == 0 && m_unitNodes.erase(path) > 0) {
            PostDeviceChange(m_window, kDbtDeviceRemoveComplete, path);
        }
        udev_device_unref(d);
    }

    dv::WindowHandle m_window;
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::set<std::string> m_unitNodes;
};

}  // namespace

std::unique_ptr<DeviceNotifier> CreateUdevDeviceNotifier() {
    return std::make_unique<UdevDeviceNotifier>();
}
