// stormedge-dsp: the control panel for the real unit (system hidapi).
#include <QApplication>
#include <filesystem>
#include <system_error>

#include "app/DeviceNotifier.h"
#include "app/Log.h"
#include "app/MainWnd.h"
#include "app/SkinResources.h"
#include "ui/UILib.h"

using namespace DuiLib;

int main(int /*argc*/, char* argv[]) {
    // The log switch is looked for in the working directory, not beside the program.
    std::error_code error;
    const std::filesystem::path workingDir = std::filesystem::current_path(error);
    if (!error) LogStartFromWorkingDirectory(workingDir.string());

    // The program reads no command line: Qt sees only the program name.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationDisplayName("Stormedge DSP Audio");
    CPaintManagerUI::SetInstance(&app);

    PrepareSkinResources();

    auto* frame = new CMainWnd(CreateUdevDeviceNotifier);
    if (!frame->Create(nullptr, "Stormedge DSP Audio", UI_WNDSTYLE_FRAME, 0, 0, 0, 1230, 650)) {
        delete frame;
        CPaintManagerUI::Term();
        return 0;
    }
    frame->CenterWindow();
    CPaintManagerUI::MessageLoop();

    delete frame;
    CPaintManagerUI::Term();
    return 0;
}
