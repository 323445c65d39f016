// stormedge-dsp-demo: the control panel with a simulated DV80MAX plugged in, holding a tuned car.
#include <memory>

#include "app/PanelMain.h"
#include "base/DeviceNotifier.h"
#include "sim/SimBus.h"

int main(int /*argc*/, char* argv[]) {
    dv::sim::SimBus::Instance().Plug(std::make_shared<dv::sim::ProcessorSimulator>(
        dv::sim::SimOptions{}, dv::sim::TunedCarState()));
    const int code = RunPanel(argv[0], CreateSimBusDeviceNotifier);
    dv::sim::SimBus::Instance().Reset();
    return code;
}
