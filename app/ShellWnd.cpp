#include "app/ShellWnd.h"

#include "app/Log.h"
#include "app/ScreenInfo.h"
#include "app/SystemMessageBox.h"

using namespace DuiLib;

namespace {
constexpr const char* kModelName = "DV80MAX";
}

CShellWnd::CShellWnd() = default;

CShellWnd::~CShellWnd() {
    // The resource manager outlives this window; it must not keep asking a deleted one.
    CResourceManager::GetInstance()->SetTextQueryInterface(nullptr);
}

void CShellWnd::InitWindow() {
    // Not resizable, not maximisable.
    SetStyle(GetStyle() & ~(WS_MAXIMIZEBOX | WS_THICKFRAME));

    CResourceManager* resources = CResourceManager::GetInstance();
    resources->SetTextQueryInterface(this);  // answers nothing: the tables alone decide
    resources->LoadLanguage("lan/lan_cn.xml", "cn_zh");
    resources->LoadLanguage("lan/lan_en.xml", "en");
    resources->SelectLanguage("cn_zh");

    const ScreenInfo screens;
    ApplyScreenDpi(&m_pm, screens);
    const ScreenRect widest = screens.GetWidestMonitorRect();
    const QSize initial = m_pm.GetInitSize();
    const int scale = m_pm.GetScale();
    if (GetHWND()) GetHWND()->move(widest.left, widest.top);
    ResizeClient(initial.width() * scale / 100, initial.height() * scale / 100);

    m_pInstanceLock = std::make_unique<SingleInstanceLock>(
        QString("TONVOX4TO8_%1").arg(kModelName).toStdString());
    if (m_pInstanceLock->AlreadyExists()) {
        ShowSystemMessageBox(GetHWND(), resources->GetText("${mutex_tips}"),
                             resources->GetText("${tips}"));
        PostMessage(WM_SYSCOMMAND, SC_CLOSE);
    }
}

void CShellWnd::OnClick(TNotifyUI& msg) {
    if (msg.pSender && msg.pSender->GetName().compare("minbtn", Qt::CaseInsensitive) == 0) {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
        return;
    }
    WindowImplBase::OnClick(msg);
}

LRESULT CShellWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    if (uMsg == WM_CLOSE) {
        CloseSystemMessageBoxByTitle(CResourceManager::GetInstance()->GetText("${tips}"));
        CPaintManagerUI::PostQuitMessage(0);
    }
    return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

LRESULT CShellWnd::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
    if (m_pInstanceLock) m_pInstanceLock->Release();
    bHandled = true;
    return 0;
}
