// The scene manager window ("XML_SENCE_PROFILE"): the unit's ten stored scenes, to load, to save
// the current settings into under a name, or to delete. The manager's scene workers do the work;
// this window asks, checks the name, shows the busy window and the outcome.
#pragma once

#include "app/MsgWndBase.h"
#include "manager/EqualizerManager.h"

class CLoadingWnd;

class CSceneWnd : public CMsgWndBase {
public:
    CSceneWnd(EqualizerManager* manager, SceneWndMode mode);

    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam,
                                        DuiLib::LPARAM lParam, bool& bHandled) override;

    // The busy window now shown, or nullptr.
    CLoadingWnd* BusyWindow() const { return m_pLoading; }
    // True once an operation ended here and everything it shows has been shown.
    bool Settled() const { return m_outcomes > 0 && !m_pLoading && !m_tellPending; }

protected:
    void OnButton(const QString& name) override;

private:
    void FillList();
    void OnConfirm();
    void Load(int scene);
    void Save(int scene);
    void Delete(int scene);
    void OnOutcome(bool ok);
    void Tell(const QString& key);

    EqualizerManager* m_manager;
    SceneWndMode m_mode;
    DuiLib::CListUI* m_pList = nullptr;
    CLoadingWnd* m_pLoading = nullptr;
    int m_earlyCloses = 0;  // busy closes that came before their open
    int m_outcomes = 0;
    bool m_tellPending = false;
    // The operation under way: its scene and the name the table shows until the unit answers.
    int m_pendingScene = 0;
    dv::SceneName m_pendingName{};
    dv::SceneName m_previousName{};
};

// Opens the window over `parent` in `mode` and runs it modally.
void ShowSceneWnd(DuiLib::HWND parent, EqualizerManager* manager, SceneWndMode mode);
