// CMainWnd: the REW items of the advanced menu, with their file dialogs.
#include <vector>

#include "app/FileDialogs.h"
#include "app/MainWnd.h"

using namespace DuiLib;

bool CMainWnd::OnRewMenu(const QString& name) {
    const bool import = name == QLatin1String("advance_item_rew_import");
    const bool filters = name == QLatin1String("advance_item_rew_export");
    const bool response = name == QLatin1String("advance_item_rew_response");
    if (!import && !filters && !response) return false;
    CResourceManager* texts = CResourceManager::GetInstance();
    const std::vector<FileDialogFilter> kinds{
        {texts->GetText(QStringLiteral("${rew_text_files}")), QStringLiteral("*.txt")},
        {texts->GetText(QStringLiteral("${rew_all_files}")), QStringLiteral("*.*")}};
    if (import) {
        const QString path = OpenFileDialog(GetHWND(), kinds);
        if (!path.isEmpty()) m_manager.ImportRewFilters(path);
        return true;
    }
    const QString path = SaveFileDialog(GetHWND(), kinds, QStringLiteral("txt"));
    if (path.isEmpty()) return true;
    if (filters) {
        m_manager.ExportRewFilters(path);
    } else {
        m_manager.ExportRewResponse(path);
    }
    return true;
}
