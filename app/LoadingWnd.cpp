#include "app/LoadingWnd.h"

#include "app/BusyRingUI.h"

using namespace DuiLib;

CLoadingWnd::CLoadingWnd()
    : CMsgWndBase("XML_LOADING", "LoadingWnd", "loadingwnd", QString(), QString(),
                  {{"confirm_btn", 1}, {"cancel_btn", 0}}) {}

CControlUI* CLoadingWnd::CreateControl(const QString& pstrClass) {
    if (pstrClass.compare(QLatin1String("BusyRing"), Qt::CaseInsensitive) == 0)
        return new CBusyRingUI;
    return nullptr;
}

int ShowLoadingWnd(HWND parent, CLoadingWnd*& busyWindow) {
    CLoadingWnd* const previous = busyWindow;
    busyWindow = new CLoadingWnd;
    const int result = static_cast<int>(busyWindow->Run(parent));
    busyWindow = previous;
    return result;
}
