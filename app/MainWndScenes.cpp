// CMainWnd: the scene menu, factory default, and the windows the manager's scene and file
// operations open.
#include <utility>

#include "app/FileDialogs.h"
#include "app/MainWnd.h"
#include "app/MsgWnd.h"
#include "app/dialogs/SceneWnd.h"

using namespace DuiLib;

void CMainWnd::BindManagerWindows() {
    ManagerWindows windows;
    windows.ask = [this](const QString& message) {
        return ShowMsgWnd(GetHWND(), QStringLiteral("${tips}"), message);
    };
    auto filters = [](bool whole) {
        return std::vector<FileDialogFilter>{
            {whole ? QStringLiteral("整机配置文件(*.wpf)") : QStringLiteral("场景配置文件(*.spf)"),
             whole ? QStringLiteral("*.wpf") : QStringLiteral("*.spf")},
            {QStringLiteral("所有文件(*.*)"), QStringLiteral("*.*")}};
    };
    windows.openFile = [this, filters](bool whole) {
        return OpenFileDialog(GetHWND(), filters(whole));
    };
    windows.saveFile = [this, filters](bool whole) {
        return SaveFileDialog(GetHWND(), filters(whole),
                              whole ? QStringLiteral("wpf") : QStringLiteral("spf"));
    };
    windows.sceneWindow = [this](SceneWndMode mode) { ShowSceneWnd(GetHWND(), &m_manager, mode); };
    m_manager.SetWindows(std::move(windows));
}

bool CMainWnd::OnSceneMenu(const QString& name) {
    using Operation = void (EqualizerManager::*)();
    const std::pair<const char*, Operation> rows[] = {
        {"scene_item_load_scene", &EqualizerManager::LoadSenceConfigFromDSP},
        {"scene_item_saveas_scene", &EqualizerManager::SaveSenceConfigToDSP},
        {"scene_item_delete_scene", &EqualizerManager::DeleteDSPSenceConfig},
        {"scene_item_load_file", &EqualizerManager::LoadSenceConfigFromFile},
        {"scene_item_save_file", &EqualizerManager::SaveSenceConfigToFile},
        {"scene_item_load_whole", &EqualizerManager::LoadWholeConfigFromFile},
        {"scene_item_save_whole", &EqualizerManager::SaveWholeConfigToFile}};
    if (name.startsWith(QLatin1String("option_item_reset_default"))) {
        m_manager.ResetMcuFactoryDefault();
        return true;
    }
    for (const auto& [item, operation] : rows) {
        if (name != QLatin1String(item)) continue;
        // Each operation checks the link again: the menu may have opened before an unplug.
        (m_manager.*operation)();
        return true;
    }
    return false;
}
