#include "app/AboutWnd.h"

using namespace DuiLib;

namespace {
constexpr const char* kModelName = "DV80MAX";
}

CAboutWnd::CAboutWnd(const dv::DspProfile& profile)
    : CMsgWndBase("XML_ABOUT", "AboutWnd", "msgwnd", QString(), QString(),
                  {{"confirm_btn", 1}, {"cancel_btn", 0}, {"third_btn", 2}}),
      m_modelCode(profile.modelCode),
      m_majorVersion(profile.masterVersion),
      m_minorVersion(profile.slaveVersion) {}

QString CAboutWnd::FirmwareText(int modelCode, int majorVersion, int minorVersion) {
    CResourceManager* resources = CResourceManager::GetInstance();
    if (modelCode == -1) {
        return QString("%1 %2").arg(kModelName, resources->GetText("${dsp_disconnect}"));
    }
    return QString("%1 %2 v%3.%4")
        .arg(kModelName, resources->GetText("${version}"))
        .arg(majorVersion)
        .arg(minorVersion);
}

QString CAboutWnd::SoftwareText() {
    return QString("%1 %2").arg(CResourceManager::GetInstance()->GetText("${soft_version}"),
                                kSoftwareVersion);
}

void CAboutWnd::InitWindow() {
    CMsgWndBase::InitWindow();
    // Composed once: the about box shows the language current when it opened.
    if (CControlUI* label = m_pm.FindControl("fw_version")) {
        label->SetText(FirmwareText(m_modelCode, m_majorVersion, m_minorVersion));
    }
    if (CControlUI* label = m_pm.FindControl("soft_version")) label->SetText(SoftwareText());
}

int ShowAboutWnd(HWND parent, const dv::DspProfile& profile) {
    auto* wnd = new CAboutWnd(profile);
    return static_cast<int>(wnd->Run(parent));
}
