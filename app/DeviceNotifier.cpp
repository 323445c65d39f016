#include "app/DeviceNotifier.h"

#include "ui/UIDefs.h"

void PostDeviceChange(const dv::WindowHandle& window, unsigned event, const std::string& path) {
    auto record = std::make_unique<DeviceBroadcastRecord>();
    record->devicePath = path;
    dv::PostToWindow(window, DuiLib::WM_DEVICECHANGE, static_cast<intptr_t>(event),
                     std::move(record));
}
