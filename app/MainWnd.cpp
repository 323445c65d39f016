// CMainWnd: initialisation, window messages, menus and device events.
#include "app/MainWnd.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "app/AboutWnd.h"
#include "app/LoadingWnd.h"
#include "app/ProcessRestart.h"
#include "app/ScreenInfo.h"
#include "app/WindowQuestionAsker.h"
#include "app/dialogs/AutoCalWnd.h"
#include "app/dialogs/MixerWnd.h"
#include "app/dialogs/NoiseThresholdWnd.h"
#include "app/dialogs/UpdateFwWnd.h"
#include "base/Log.h"
#include "controls/UICurveFactory.h"
#include "model/SpeakerRoles.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;

namespace {

constexpr const char* kModelName = "DV80MAX";

bool StartsWith(const QString& text, const char* prefix) {
    return text.startsWith(QLatin1String(prefix));
}

}  // namespace

CMainWnd::CMainWnd(NotifierFactory makeNotifier) : m_makeNotifier(std::move(makeNotifier)) {}

CMainWnd::~CMainWnd() {
    m_pNotifier.reset();
    m_pMenu.reset();
    // Also when the window object goes without its window having been destroyed.
    CResourceManager::GetInstance()->SetTextQueryInterface(nullptr);
}

CControlUI* CMainWnd::CreateControl(const QString& pstrClass) {
    return CreateCurveControl(pstrClass);
}

QString CMainWnd::QueryControlText(const QString&, const QString&) {
    return QString();  // every text comes from the language tables
}

void CMainWnd::InitWindow() {
    if (CControlUI* settings = m_pm.FindControl(QStringLiteral("channel_settings"))) {
        CDialogBuilder builder;
        if (!builder.Create(QStringLiteral("xml/channel_settings_mixer.xml"), QString(), this,
                            &m_pm, settings))
            LogPrintA("channel settings markup: %s\n",
                      builder.GetLastErrorMessage().toUtf8().constData());
    }
    // Neither resizable nor maximisable.
    SetStyle(GetStyle() & ~(WS_MAXIMIZEBOX | WS_THICKFRAME));

    CResourceManager* resources = CResourceManager::GetInstance();
    resources->SetTextQueryInterface(this);
    resources->LoadLanguage(QStringLiteral("lan/lan_cn.xml"), QStringLiteral("cn_zh"));
    resources->LoadLanguage(QStringLiteral("lan/lan_en.xml"), QStringLiteral("en"));
    resources->SelectLanguage(QStringLiteral("cn_zh"));

    m_pDpiEdit = m_pm.FindControl(QStringLiteral("edt_dpi"));

    const ScreenInfo screens;
    ApplyScreenDpi(&m_pm, screens);
    const ScreenRect widest = screens.ToDesktop(screens.GetWidestMonitorRect());
    const QSize initial = m_pm.GetInitSize();
    const int scale = m_pm.GetScale();
    if (GetHWND()) GetHWND()->move(widest.left, widest.top);
    ResizeClient(initial.width() * scale / 100, initial.height() * scale / 100);

    m_manager.Init(&m_pm, this, MakeWindowQuestionAsker());
    m_manager.SetMixerOpener([this] { return ShowMixerWnd(GetHWND(), m_manager); });
    BindManagerWindows();
    BindHistory();  // undo, redo and A/B buttons and keys
    BindFirmwareWindow();

    m_pInstanceLock = std::make_unique<SingleInstanceLock>(
        QString::asprintf("TONVOX4TO8_%s", kModelName).toStdString());
    if (m_pInstanceLock->AlreadyExists()) {
        ShowSystemMessageBox(GetHWND(), Tr("${mutex_tips}"), Tr("${tips}"));
        PostMessage(WM_SYSCOMMAND, SC_CLOSE);
        return;
    }
    // Listening starts before the first attempt so that a removal during its read is not missed;
    // events are posted, so none is handled before the attempt.
    m_pNotifier = m_makeNotifier ? m_makeNotifier() : nullptr;
    if (!m_pNotifier || !m_pNotifier->Start(GetWindowHandle())) {
        LogPrintA("RegisterDeviceNotification");
        m_pNotifier.reset();
    }
    m_manager.Connect(false);
}

LRESULT CMainWnd::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
    m_pNotifier.reset();
    if (m_pInstanceLock) m_pInstanceLock->Release();
    CResourceManager::GetInstance()->SetTextQueryInterface(nullptr);
    bHandled = true;
    return 0;
}

LRESULT CMainWnd::OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    LogPrintA("on CMainWnd DUI_MSGTYPE_KILLFOCUS\n");
    return WindowImplBase::OnKillFocus(uMsg, wParam, lParam, bHandled);
}

void CMainWnd::CloseTipsBoxes() {
    CloseSystemMessageBoxByTitle(Tr("${tips}"));
}

LRESULT CMainWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    switch (uMsg) {
        case WM_MENUCLICK:
            OnMenuClick();
            bHandled = true;
            return 0;
        case dv::WM_DSP_VALUE:
            m_manager.ReadDspValueCallback(static_cast<unsigned>(wParam), GetCurrentRecord());
            bHandled = true;
            return 0;
        case dv::WM_MCU_VALUE:
            m_manager.ReadMcuValueCallback(static_cast<unsigned>(wParam), GetCurrentRecord());
            bHandled = true;
            return 0;
        case dv::WM_SCENE_VALUE:
            m_manager.ReadSenceValueCallback(static_cast<unsigned>(wParam), GetCurrentRecord());
            bHandled = true;
            return 0;
        case WM_MANAGER_TASK:
            m_manager.RunPostedTask(GetCurrentRecord());
            bHandled = true;
            return 0;
        case dv::WM_HANDSHAKE_ABNORMAL:
            bHandled = true;
            OnHandshakeAbnormal();
            return 0;
        case dv::WM_FACTORY_DEFAULT_DONE:
            if (m_pLoading) {
                m_pLoading->Close(IDOK);
                m_pLoading = nullptr;
            }
            ShowSystemMessageBox(GetHWND(), Tr("${device_reboot}"), Tr("${tips}"));
            bHandled = true;
            return 0;
        case dv::WM_CONNECT_FAILED:
            ShowSystemMessageBox(GetHWND(), Tr("${device_connect_fail}"), QString());
            bHandled = true;
            return 0;
        case dv::WM_SHOW_LOADING:
            ShowLoadingWnd(GetHWND(), m_pLoading);
            bHandled = true;
            return 0;
        case dv::WM_HIDE_LOADING:
            // Closed at once rather than by a posted close: the busy window would otherwise stay
            // up while the updated controls repaint.
            if (m_pLoading) {
                m_pLoading->SendMessage(WM_CLOSE, IDOK);
                m_pLoading = nullptr;
            }
            bHandled = true;
            return 0;
        case WM_CLOSE:
            // The firmware window closes first (it may ask, and waits for its worker); this
            // close comes again after it.
            if (m_pUpdateFw) {
                m_bCloseDeferred = true;
                m_pUpdateFw->Close(0);
                bHandled = true;
                return 0;
            }
            m_manager.Disconnect();
            CloseTipsBoxes();
            CPaintManagerUI::PostQuitMessage(0);
            break;
        case WM_SHOWWINDOW:
            m_pm.Invalidate();
            break;
        case WM_DISPLAYCHANGE:
            if (m_pUpdateFw && m_manager.IsUpgradeHeld()) {
                m_bRestartDeferred = true;  // never restart under an upgrade
                bHandled = true;
                return 0;
            }
            PostMessage(WM_SYSCOMMAND, SC_CLOSE);
            RestartOwnExecutable();
            bHandled = true;
            return 0;
        case WM_DEVICECHANGE:
            OnDeviceChange(static_cast<unsigned>(wParam));
            bHandled = true;
            return 0;
        default:
            break;
    }
    return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

void CMainWnd::OnDeviceChange(unsigned event) {
    const auto* broadcast = dynamic_cast<const DeviceBroadcastRecord*>(GetCurrentRecord());
    const bool deviceInterface = broadcast && broadcast->deviceType == kDbtDevtypDeviceInterface;
    switch (event) {
        case kDbtDevNodesChanged:
            LogPrintA("Message DBT_DEVNODES_CHANGED\n");
            return;
        case kDbtDeviceArrival:
            LogPrintA("Message DBT_DEVICEARRIVAL\n");
            if (!deviceInterface) return;
            CloseTipsBoxes();
            m_manager.DevicePlugin();
            return;
        case kDbtDeviceRemoveComplete:
            LogPrintA("Message DBT_DEVICEREMOVECOMPLETE\n");
            if (!deviceInterface) return;
            CloseTipsBoxes();
            m_manager.DevicePlugOut(QString::fromStdString(broadcast->devicePath));
            return;
        default:
            LogPrintA("Message %d\n", static_cast<int>(event));
            return;
    }
}

void CMainWnd::ShowMenu(const QString& xml, CControlUI* button) {
    m_pMenu.reset();
    if (!button) return;
    const CDuiRect rc = button->GetPos();
    QWidget* client = m_pm.GetPaintWindow();
    const QPoint point =
        client ? client->mapToGlobal(QPoint(rc.left, rc.bottom)) : QPoint(rc.left, rc.bottom);
    m_pMenu = CMenuWnd::CreateMenu(xml, point, this);
    if (!m_pMenu) return;
    if (!m_manager.IsConnected()) {
        static const char* const kNeedUnit[] = {
            "option_item_reset_default", "scene_item_load_scene", "scene_item_saveas_scene",
            "scene_item_delete_scene",   "scene_item_load_whole", "scene_item_save_whole",
            "advance_item_autocal"};
        for (const char* item : kNeedUnit)
            m_pMenu->EnableMenuItem(QString::fromLatin1(item), false);
    }
    m_pMenu->Show();
    // A menu taller than the room below its button opens above it.
    QWidget* popup = m_pMenu->GetWidget();
    const QScreen* screen = popup ? popup->screen() : nullptr;
    if (popup && screen && point.y() + popup->height() > screen->availableGeometry().bottom()) {
        const QPoint top =
            client ? client->mapToGlobal(QPoint(rc.left, rc.top)) : QPoint(rc.left, rc.top);
        popup->move(top.x(),
                    std::max(screen->availableGeometry().top(), top.y() - popup->height()));
    }
}

void CMainWnd::ShowOutputMenu(int output) {
    if (output < 0 || output >= dv::kOutputCount) return;
    ShowMenu(QStringLiteral("xml/output_menu.xml"),
             m_pm.FindControl(QString::asprintf("ch_output_btn_%d", output)));
    if (!m_pMenu) return;
    for (CMenuElementUI* item : m_pMenu->GetItems())
        if (dv::RoleByItemName(item->GetName().toStdString()) > 0)
            m_manager.SetSubMenu(item, item->GetName(), output);
}

void CMainWnd::OnMenuClick() {
    const auto* cmd = dynamic_cast<const MenuCmd*>(GetCurrentRecord());
    if (!cmd) return;
    const QString name = QString::fromWCharArray(cmd->szName);
    m_pm.DeletePtr(cmd);
    LogPrint(L"on menu click %ls\n", name.toStdWString().c_str());
    if (OnSceneMenu(name)) return;
    if (OnRewMenu(name)) return;  // REW files
    if (StartsWith(name, "output_menu") || StartsWith(name, "output_item")) {
        const EqualizerManager::EditStep step(m_manager);  // a role change is one undo step
        m_manager.SetOutputValue(m_nOutputMenuChannel, name);
    } else if (StartsWith(name, "option_item_firmware_upgrade")) {
        OpenFirmwareWindow();
    } else if (StartsWith(name, "option_item_about")) {
        ShowAboutWnd(GetHWND(), m_manager.Profile());
    } else if (name.compare(QLatin1String("option_item_language"), Qt::CaseInsensitive) == 0) {
        ToggleLanguage();
    } else if (name == QLatin1String("advance_item_mixer")) {  // tool windows
        const EqualizerManager::EditStep step(m_manager);      // a mixer session is one undo step
        m_manager.ShowMixer();
    } else if (name == QLatin1String("advance_item_noise_threshold")) {
        const EqualizerManager::EditStep step(m_manager);
        ShowNoiseThresholdWnd(GetHWND(), m_manager);
    } else if (name == QLatin1String("advance_item_autocal")) {  // calibration
        RunAutoCalibration(*this, m_manager);
    }
}

void CMainWnd::ToggleLanguage() {
    CResourceManager* resources = CResourceManager::GetInstance();
    if (resources->GetLanguage().compare(QLatin1String("cn_zh"), Qt::CaseInsensitive) == 0) {
        LogPrintA("change language to en\n");
        resources->SelectLanguage(QStringLiteral("en"));
    } else {
        LogPrintA("change language to cn\n");
        resources->SelectLanguage(QStringLiteral("cn_zh"));
    }
    m_pm.Invalidate();
    m_pm.NeedUpdate();
    LogPrintA("change language finish\n");
    m_manager.UpdateAllVolumeEdit();
}
