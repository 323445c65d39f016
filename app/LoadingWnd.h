// The busy window ("XML_LOADING") shown while a long operation runs, and ShowLoadingWnd.
#pragma once

#include "app/MsgWndBase.h"

class CLoadingWnd : public CMsgWndBase {
public:
    CLoadingWnd();
    DuiLib::CControlUI* CreateControl(const QString& pstrClass) override;
};

// Runs a busy window modally over `parent` until its owner closes it (with 1) or the user does
// (closebtn, 0). While it runs `busyWindow` names it; afterwards it is given back the value it
// had before, so the owner never holds a window that is gone, even with busy windows nested.
int ShowLoadingWnd(DuiLib::HWND parent, CLoadingWnd*& busyWindow);
