// Device events of the simulated bus: its listeners run on the thread that plugs or unplugs, so
// they only post.
#include "base/DeviceNotifier.h"
#include "sim/SimBus.h"

namespace {

constexpr const char* kSimDevicePath = "sim:dv80max";

class SimBusDeviceNotifier : public DeviceNotifier {
public:
    ~SimBusDeviceNotifier() override {
        if (m_listener) dv::sim::SimBus::Instance().RemoveListener(m_listener);
    }

    bool Start(dv::WindowHandle window) override {
        m_listener = dv::sim::SimBus::Instance().AddListener([window](dv::sim::BusEvent event) {
            PostDeviceChange(
                window,
                event == dv::sim::BusEvent::Arrival ? kDbtDeviceArrival : kDbtDeviceRemoveComplete,
                kSimDevicePath);
        });
        return m_listener != 0;
    }

private:
    int m_listener = 0;
};

}  // namespace

std::unique_ptr<DeviceNotifier> CreateSimBusDeviceNotifier() {
    return std::make_unique<SimBusDeviceNotifier>();
}
