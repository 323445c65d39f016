#include "app/PanelMain.h"

#include <QApplication>
#include <filesystem>
#include <system_error>

#include "app/SkinResources.h"
#include "base/Log.h"
#include "ui/UILib.h"

using namespace DuiLib;

int RunPanel(char* argv0, CMainWnd::NotifierFactory makeNotifier) {
    // The log switch is looked for in the working directory, not beside the program.
    std::error_code error;
    const std::filesystem::path workingDir = std::filesystem::current_path(error);
    if (!error) LogStartFromWorkingDirectory(workingDir.string());

    // The program reads no command line: Qt sees only the program name.
    int qtArgc = 1;
    char* qtArgv[] = {argv0, nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationDisplayName("Stormedge DSP Audio");
    CPaintManagerUI::SetInstance(&app);

    PrepareSkinResources();

    auto* frame = new CMainWnd(std::move(makeNotifier));
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
