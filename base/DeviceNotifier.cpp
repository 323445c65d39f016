#include "base/DeviceNotifier.h"

void PostDeviceChange(const dv::WindowHandle& window, unsigned event, const std::string& path) {
    auto record = std::make_unique<DeviceBroadcastRecord>();
    record->devicePath = path;
    dv::PostToWindow(window, dv::WM_DEVICE_CHANGE, static_cast<intptr_t>(event), std::move(record));
}
