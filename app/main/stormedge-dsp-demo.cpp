// stormedge-dsp-demo: the control panel with a simulated DV80MAX plugged in, holding a tuned car.
// For showing the firmware window: DV_DEMO_FW_FILES=<dir> writes a firmware file of each kind
// (256 KiB images) there; DV_DEMO_FW_FAULT=<fault> makes the simulated unit fail its upgrades:
// refuse-enter, refuse-start, refuse-finish, never-back, back-late, drop:<block>, lose:<block>,
// unplug:<block>.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/PanelMain.h"
#include "base/DeviceNotifier.h"
#include "device/FirmwareFile.h"
#include "sim/SimBus.h"
#include "sim/SimLoader.h"

namespace {

void WriteDemoFirmwareFiles(const std::filesystem::path& dir) {
    std::vector<uint8_t> image(256 * 1024);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);
    const auto header = dv::sim::SimUpgradeHeader(9, static_cast<uint32_t>(image.size()));
    for (const char* name :
         {"DV80MAX_MCU_UPG.BIN", "DV80MAX_FLASH_UPG.BIN", "DV80MAX_BL_UPG.BIN"}) {
        const auto file = dv::MakeFirmwareFile(image, header);
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), static_cast<long>(file.size()));
    }
}

dv::sim::SimUpgradeFaults DemoFaults(const std::string& fault) {
    dv::sim::SimUpgradeFaults faults;
    const size_t colon = fault.find(':');
    const std::string kind = fault.substr(0, colon);
    const int block = colon == std::string::npos ? 0 : std::atoi(fault.c_str() + colon + 1);
    if (kind == "refuse-enter") faults.refuseEnter = true;
    if (kind == "refuse-start") faults.refuseStart = true;
    if (kind == "refuse-finish") faults.refuseFinish = true;
    if (kind == "never-back") faults.neverReturn = true;
    if (kind == "back-late") faults.returnDelay = std::chrono::seconds(20);
    if (kind == "drop") faults.notReadyDropAt = block;
    if (kind == "lose") faults.loseAckAt = block;
    if (kind == "unplug") faults.unplugAtBlock = block;
    return faults;
}

}  // namespace

int main(int /*argc*/, char* argv[]) {
    auto unit = std::make_shared<dv::sim::ProcessorSimulator>(dv::sim::SimOptions{},
                                                              dv::sim::TunedCarState());
    if (const char* dir = std::getenv("DV_DEMO_FW_FILES")) WriteDemoFirmwareFiles(dir);
    if (const char* fault = std::getenv("DV_DEMO_FW_FAULT")) {
        const auto faults = DemoFaults(fault);
        unit->WithLoader([&](dv::sim::SimLoader& loader) { loader.SetFaults(faults); });
    }
    dv::sim::SimBus::Instance().Plug(unit);
    const int code = RunPanel(argv[0], CreateSimBusDeviceNotifier);
    dv::sim::SimBus::Instance().Reset();
    return code;
}
