// A DspDevice with its queue enabled, linked to a freshly plugged simulated unit that answers
// after `latency`; the bus is reset when the link goes.
#pragma once

#include <chrono>
#include <memory>

#include "device/DspDevice.h"
#include "sim/SimBus.h"

struct SimulatedLink {
    explicit SimulatedLink(std::chrono::microseconds latency) {
        dv::sim::SimBus::Instance().Reset();
        dv::sim::SimOptions options;
        options.latency = latency;
        unit = std::make_shared<dv::sim::ProcessorSimulator>(options);
        dv::sim::SimBus::Instance().Plug(unit);
        device = std::make_unique<dv::DspDevice>();
        device->OpenHIDDevice();
        device->SetCmdQueueEnabled(true);
    }
    ~SimulatedLink() {
        device.reset();
        dv::sim::SimBus::Instance().Reset();
    }
    SimulatedLink(const SimulatedLink&) = delete;
    SimulatedLink& operator=(const SimulatedLink&) = delete;

    std::shared_ptr<dv::sim::ProcessorSimulator> unit;
    std::unique_ptr<dv::DspDevice> device;
};
