// The program's top-level window until the full main window takes its place: it loads the
// language tables, applies the DPI rule, sizes itself from its markup, guards against a second
// instance and ends the message loop when it closes.
#pragma once

#include <memory>

#include "app/SingleInstanceLock.h"
#include "ui/UILib.h"

class CShellWnd : public DuiLib::WindowImplBase {
public:
    CShellWnd();
    ~CShellWnd() override;

    QString GetSkinFile() override { return "XML_SHELL"; }
    QString GetWindowClassName() const override { return "MainWnd"; }
    DuiLib::UINT GetClassStyle() const override { return DuiLib::UI_CLASSSTYLE_DBLCLKS; }
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam,
                                        DuiLib::LPARAM lParam, bool& bHandled) override;
    DuiLib::LRESULT OnDestroy(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                              bool& bHandled) override;

    // Whether this instance is the only one (the lock was taken).
    bool OwnsInstanceLock() const { return m_pInstanceLock && m_pInstanceLock->Held(); }

private:
    std::unique_ptr<SingleInstanceLock> m_pInstanceLock;
};
