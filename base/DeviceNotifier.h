// Device arrival and removal, delivered to the main window as WM_DEVICECHANGE with the events
// the window's device-change handling expects. Two sources: the system's hidraw monitor (the
// product) and the simulated bus (the demo and the tests).
#pragma once

#include <memory>
#include <string>

#include "base/WindowMessage.h"

// Device-change events (WM_DEVICECHANGE first parameter).
inline constexpr unsigned kDbtDevNodesChanged = 0x0007;
inline constexpr unsigned kDbtDeviceArrival = 0x8000;
inline constexpr unsigned kDbtDeviceRemoveComplete = 0x8004;
// Broadcast device type of a device interface.
inline constexpr int kDbtDevtypDeviceInterface = 5;

// The record of a WM_DEVICECHANGE post.
struct DeviceBroadcastRecord : dv::MessageRecord {
    int deviceType = kDbtDevtypDeviceInterface;
    std::string devicePath;
};

class DeviceNotifier {
public:
    virtual ~DeviceNotifier() = default;
    // Starts posting events to `window`; false when the system refused the registration.
    virtual bool Start(dv::WindowHandle window) = 0;
};

// Posts one device-change event (any thread).
void PostDeviceChange(const dv::WindowHandle& window, unsigned event, const std::string& path);

// The hidraw monitor of the system, limited to the DV80MAX's USB ids.
std::unique_ptr<DeviceNotifier> CreateUdevDeviceNotifier();
// The simulated bus's plug and unplug events.
std::unique_ptr<DeviceNotifier> CreateSimBusDeviceNotifier();
