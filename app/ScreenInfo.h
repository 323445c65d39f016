// Screen geometry as the DPI rule sees it, and the rule itself. Rectangles are in Qt's logical
// pixels (what widgets are sized and moved in), with the primary monitor's top-left corner at
// (0, 0), as on the platform the rule was made for. The desktop scaling is Qt's to apply: the
// rule on top of it is the only other scaling, never a second copy of the desktop's.
#pragma once

#include <optional>
#include <vector>

namespace DuiLib {
class CPaintManagerUI;
class CWindowWnd;
}  // namespace DuiLib

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const ScreenRect&) const = default;
};

class ScreenInfo {
public:
    // Reads the monitors from the running application (QScreen, logical pixels).
    ScreenInfo();
    // Builds from given monitors in desktop coordinates (any origin); the first is the primary.
    explicit ScreenInfo(const std::vector<ScreenRect>& monitors);

    // The widest monitor; ties keep the earlier one, the primary first.
    ScreenRect GetWidestMonitorRect() const;
    // A rectangle of this object back in desktop coordinates, where windows are moved: the
    // desktop's origin need not be the primary's corner.
    ScreenRect ToDesktop(const ScreenRect& rect) const;

    int monitorCount = 0;
    ScreenRect m_MainScreen;
    ScreenRect m_VirtualScreen;
    // Every monitor whose top-left corner is not (0, 0), sorted by left edge, then top edge.
    std::vector<ScreenRect> monitors;

private:
    void Fill(const std::vector<ScreenRect>& all);

    int m_originX = 0;  // the primary's top-left corner on the desktop
    int m_originY = 0;
};

// The framework DPI the rule picks for a monitor rectangle; empty means "leave it at 96".
std::optional<int> ScreenDpiForRect(const ScreenRect& rect);

// The DPI at which a window of width x height at 100 % fits `rect`: `dpi` when it does, else the
// largest of the skin's scales that does, else the exact fit below them.
int FitWindowDpi(int dpi, int width, int height, const ScreenRect& rect);

// Every window calls this at initialisation: logs the chosen monitor's size and sets the DPI
// by the rule, lowered where the window's markup size would not fit the monitor.
void ApplyScreenDpi(DuiLib::CPaintManagerUI* paintManager);
void ApplyScreenDpi(DuiLib::CPaintManagerUI* paintManager, const ScreenInfo& screens);
// A tool window's client area: its markup size at the scale the DPI rule chose.
void ResizeToScaledInitSize(DuiLib::CWindowWnd* window, DuiLib::CPaintManagerUI* paintManager);
