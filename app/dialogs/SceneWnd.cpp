#include "app/dialogs/SceneWnd.h"

#include <array>

#include "app/LoadingWnd.h"
#include "app/MsgWnd.h"
#include "app/NameMsgWnd.h"
#include "base/Log.h"
#include "profiles/SceneNameGbk.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;

namespace {

// Posted to itself so that a message box opens after the busy window's loop has ended.
constexpr UINT WM_SCENE_TELL = WM_USER + 291;

struct ModeTexts {
    const char* title;
    const char* confirm;
};

constexpr ModeTexts kModes[] = {{"${load_scene}", "${load}"},
                                {"${save_as_scene}", "${save}"},
                                {"${delete_scene}", "${delete}"}};

// Fills "%d" and "%s" of a language text in order with `args`; never printf on a table text.
QString Format(const QString& text, std::initializer_list<QString> args) {
    QString out;
    auto next = args.begin();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() &&
            (text[i + 1] == u'd' || text[i + 1] == u's') && next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString NameText(const dv::SceneName& name) {
    qsizetype length = 0;
    while (length < static_cast<qsizetype>(name.size()) && name[length] != 0) ++length;
    return QString::fromUtf16(name.data(), length);
}

}  // namespace

CSceneWnd::CSceneWnd(EqualizerManager* manager, SceneWndMode mode)
    : CMsgWndBase("XML_SENCE_PROFILE", "MsgWnd", "scenewnd",
                  QString::fromLatin1(kModes[static_cast<int>(mode)].title), QString(),
                  {{"cancel_btn", 0}}),
      m_manager(manager),
      m_mode(mode) {}

void CSceneWnd::InitWindow() {
    CMsgWndBase::InitWindow();
    m_pList = dynamic_cast<CListUI*>(m_pm.FindControl(QStringLiteral("listview")));
    if (CControlUI* header = m_pm.FindControl(QStringLiteral("list_header")))
        header->SetFixedHeight(25);  // at 100 %; the layer scales it
    if (CControlUI* confirm = m_pm.FindControl(QStringLiteral("confirm_btn")))
        confirm->SetText(QString::fromLatin1(kModes[static_cast<int>(m_mode)].confirm));
    if (CControlUI* cancel = m_pm.FindControl(QStringLiteral("cancel_btn")))
        cancel->SetText(QStringLiteral("${exit}"));
    FillList();
}

void CSceneWnd::FillList() {
    if (!m_pList || !m_manager) return;
    for (int i = 0; i < m_pList->GetCount() && i < dv::kSceneCount; ++i) {
        auto* row = dynamic_cast<CContainerUI*>(m_pList->GetItemAt(i));
        CControlUI* value = row ? m_pm.FindSubControlByName(row, QStringLiteral("value")) : nullptr;
        // Names are shown as typed, never looked up as language keys.
        if (value) value->SetText(NameText(m_manager->SceneNameAt(i)).replace(u'$', u'\uFF04'));
    }
}

void CSceneWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_ITEMACTIVATE && msg.pSender &&
        msg.pSender->GetName().startsWith(QLatin1String("listitem"))) {
        OnConfirm();
        return;
    }
    CMsgWndBase::Notify(msg);
}

void CSceneWnd::OnButton(const QString& name) {
    if (name == QLatin1String("confirm_btn")) {
        LogPrintA("Click confirm_btn\n");
        OnConfirm();
        return;
    }
    if (name == QLatin1String("cancel_btn")) LogPrintA("Click cancel_btn\n");
    CMsgWndBase::OnButton(name);
}

void CSceneWnd::OnConfirm() {
    const int k = m_pList ? m_pList->GetCurSel() : -1;
    if (k < 0 || k >= dv::kSceneCount || !m_manager) return;
    switch (m_mode) {
        case SceneWndMode::Load:
            LogPrintA("SENCE_LOAD id = %d\n", k);
            Load(k + 1);
            break;
        case SceneWndMode::SaveAs:
            LogPrintA("SENCE_SAVE id = %d\n", k);
            Save(k + 1);
            break;
        case SceneWndMode::Delete:
            LogPrintA("SENCE_DELETE id = %d\n", k);
            Delete(k + 1);
            break;
    }
}

void CSceneWnd::Load(int scene) {
    LogPrintA("LoadSence\n");
    const QString name = NameText(m_manager->SceneNameAt(scene - 1));
    const QString question =
        name.isEmpty() ? Format(Tr("${load_scene_tips2}"), {QString::number(scene)})
                       : Format(Tr("${load_scene_tips1}"), {QString::number(scene), name});
    if (ShowMsgWnd(GetHWND(), QStringLiteral("${tips}"), question) != 1) return;
    m_pendingScene = scene;
    PostMessage(dv::WM_SHOW_LOADING);
    if (!m_manager->StartLoadScene(scene, GetWindowHandle())) OnOutcome(false);
}

void CSceneWnd::Save(int scene) {
    LogPrintA("SaveSence\n");
    const int k = scene - 1;
    std::array<char16_t, dv::kSceneNameChars> buffer = m_manager->SceneNameAt(k);
    if (buffer[0] != 0 &&
        ShowMsgWnd(GetHWND(), QStringLiteral("${tips}"),
                   Format(Tr("${save_scene_overwrite}"), {QString::number(scene)})) != 1)
        return;
    if (ShowNameMsgWnd(GetHWND(), buffer) != 1) return;
    dv::SceneName entered{};
    std::copy(buffer.begin(), buffer.end(), entered.begin());
    const QString text = NameText(entered);
    // Every refusal leaves the scene's name as it was and sends nothing.
    if (text.isEmpty()) return;
    for (int i = 1; i <= dv::kSceneCount; ++i) {
        if (i == scene) continue;
        const QString other = NameText(m_manager->SceneNameAt(i - 1));
        if (other == text) {
            ShowSystemMessageBox(GetHWND(),
                                 Format(Tr("${same_name_tips}"), {text, QString::number(i), other}),
                                 Tr(QStringLiteral("${tips}")));
            return;
        }
    }
    dv::NarrowSceneName narrow = dv::EncodeSceneNameGbk(entered);
    if (!narrow.encodable) {
        ShowSystemMessageBox(GetHWND(), Tr(QStringLiteral("${scene_name_unencodable}")),
                             Tr(QStringLiteral("${tips}")));
        return;
    }
    m_pendingScene = scene;
    m_pendingName = entered;
    if (auto* row = m_pList ? dynamic_cast<CContainerUI*>(m_pList->GetItemAt(k)) : nullptr)
        if (CControlUI* value = m_pm.FindSubControlByName(row, QStringLiteral("value")))
            value->SetText(QString(text).replace(u'$', u'\uFF04'));
    PostMessage(dv::WM_SHOW_LOADING);
    if (!m_manager->StartSaveScene(scene, std::move(narrow.bytes), GetWindowHandle()))
        OnOutcome(false);
}

void CSceneWnd::Delete(int scene) {
    LogPrintA("DeleteSence\n");
    m_pendingScene = scene;
    // The row empties at once; the name table follows only when the unit confirms.
    if (auto* row = m_pList ? dynamic_cast<CContainerUI*>(m_pList->GetItemAt(scene - 1)) : nullptr)
        if (CControlUI* value = m_pm.FindSubControlByName(row, QStringLiteral("value")))
            value->SetText(QString());
    PostMessage(dv::WM_SHOW_LOADING);
    if (!m_manager->StartDeleteScene(scene, GetWindowHandle())) OnOutcome(false);
}

void CSceneWnd::OnOutcome(bool ok) {
    // The busy window's close takes the same path as its open, so it never overtakes it.
    PostMessage(dv::WM_HIDE_LOADING);
    const int k = m_pendingScene - 1;
    const char* key = nullptr;
    switch (m_mode) {
        case SceneWndMode::Load:
            key = ok ? nullptr : "${scene_load_fail}";
            break;
        case SceneWndMode::SaveAs:
            if (ok) m_manager->SetSceneNameAt(k, m_pendingName);
            key = ok ? "${save_scene_ok}" : "${scene_save_fail}";
            break;
        case SceneWndMode::Delete:
            if (ok) m_manager->SetSceneNameAt(k, dv::SceneName{});
            key = ok ? nullptr : "${scene_delete_fail}";
            break;
    }
    FillList();
    ++m_outcomes;
    m_tellPending = key != nullptr;
    if (key)
        PostMessage(WM_SCENE_TELL, static_cast<WPARAM>(m_mode == SceneWndMode::Load ? 0 : 1),
                    reinterpret_cast<LPARAM>(key));
}

void CSceneWnd::Tell(const QString& key) {
    ShowSystemMessageBox(GetHWND(), Tr(key), Tr(QStringLiteral("${tips}")));
}

LRESULT CSceneWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    switch (uMsg) {
        case dv::WM_SHOW_LOADING:
            bHandled = true;
            if (m_earlyCloses > 0) {
                --m_earlyCloses;
                return 0;
            }
            ShowLoadingWnd(GetHWND(), m_pLoading);
            return 0;
        case dv::WM_HIDE_LOADING:
            bHandled = true;
            if (m_pLoading) {
                m_pLoading->SendMessage(WM_CLOSE, IDOK);
                m_pLoading = nullptr;
            } else {
                ++m_earlyCloses;
            }
            return 0;
        case WM_SCENE_OUTCOME:
            bHandled = true;
            OnOutcome(wParam == 1);
            return 0;
        case WM_SCENE_TELL:
            bHandled = true;
            Tell(QString::fromLatin1(reinterpret_cast<const char*>(lParam)));
            m_tellPending = false;
            return 0;
        case dv::WM_SCENE_VALUE:
        case dv::WM_SCENE_DELETED:
            // The worker reports the outcome itself, checked against the scene it sent.
            bHandled = true;
            return 0;
        default:
            break;
    }
    return CMsgWndBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

void ShowSceneWnd(HWND parent, EqualizerManager* manager, SceneWndMode mode) {
    auto* window = new CSceneWnd(manager, mode);
    window->Run(parent);
}
