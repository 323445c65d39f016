// stormedge-dsp-demo: the control panel with a simulated DV80MAX plugged in, holding a tuned car.
#include <QApplication>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/Log.h"
#include "app/MainWnd.h"
#include "app/SkinResources.h"
#include "sim/SimBus.h"
#include "ui/UILib.h"

using namespace DuiLib;

int main(int /*argc*/, char* argv[]) {
    std::error_code error;
    const std::filesystem::path workingDir = std::filesystem::current_path(error);
    if (!error) LogStartFromWorkingDirectory(workingDir.string());

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationDisplayName("Stormedge DSP Audio");
    CPaintManagerUI::SetInstance(&app);
    PrepareSkinResources();

    dv::sim::SimBus::Instance().Plug(std::make_shared<dv::sim::ProcessorSimulator>(
        dv::sim::SimOptions{}, dv::sim::TunedCarState()));

    auto* frame = new CMainWnd(CreateSimBusDeviceNotifier);
    if (!frame->Create(nullptr, "Stormedge DSP Audio", UI_WNDSTYLE_FRAME, 0, 0, 0, 1230, 650)) {
        delete frame;
        CPaintManagerUI::Term();
        return 0;
    }
    CPaintManagerUI::MessageLoop();

    delete frame;
    dv::sim::SimBus::Instance().Reset();
    CPaintManagerUI::Term();
    return 0;
}
