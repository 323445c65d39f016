#include "app/ScreenInfo.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "base/Log.h"
#include "ui/UIManager.h"
#include "ui/UIWindow.h"

namespace {

// Logical pixels: Qt scales them to the device by the desktop's factor when it draws.
ScreenRect LogicalRect(const QRect& geometry) {
    return {geometry.left(), geometry.top(), geometry.left() + geometry.width(),
            geometry.top() + geometry.height()};
}

std::vector<ScreenRect> SystemMonitors() {
    std::vector<ScreenRect> result;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return result;
    result.push_back(LogicalRect(primary->geometry()));
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) result.push_back(LogicalRect(screen->geometry()));
    }
    return result;
}

}  // namespace

ScreenInfo::ScreenInfo() {
    Fill(SystemMonitors());
}

ScreenInfo::ScreenInfo(const std::vector<ScreenRect>& all) {
    Fill(all);
}

void ScreenInfo::Fill(const std::vector<ScreenRect>& all) {
    monitorCount = static_cast<int>(all.size());
    if (!all.empty()) {
        // Shift everything so the primary monitor starts at (0, 0).
        const int dx = all.front().left;
        const int dy = all.front().top;
        m_originX = dx;
        m_originY = dy;
        ScreenRect virt{all.front().left - dx, all.front().top - dy, all.front().right - dx,
                        all.front().bottom - dy};
        for (const ScreenRect& r : all) {
            const ScreenRect shifted{r.left - dx, r.top - dy, r.right - dx, r.bottom - dy};
            virt.left = std::min(virt.left, shifted.left);
            virt.top = std::min(virt.top, shifted.top);
            virt.right = std::max(virt.right, shifted.right);
            virt.bottom = std::max(virt.bottom, shifted.bottom);
            if (shifted.left != 0 || shifted.top != 0) monitors.push_back(shifted);
        }
        m_MainScreen = {0, 0, all.front().Width(), all.front().Height()};
        m_VirtualScreen = virt;
    }
    std::sort(monitors.begin(), monitors.end(), [](const ScreenRect& a, const ScreenRect& b) {
        return a.left != b.left ? a.left < b.left : a.top < b.top;
    });
    LogPrintA("m_MainScreen (%d,%d,%d,%d)\n", m_MainScreen.left, m_MainScreen.top,
              m_MainScreen.right, m_MainScreen.bottom);
    LogPrintA("m_VirtualScreen (%d,%d,%d,%d)\n", m_VirtualScreen.left, m_VirtualScreen.top,
              m_VirtualScreen.right, m_VirtualScreen.bottom);
}

ScreenRect ScreenInfo::GetWidestMonitorRect() const {
    ScreenRect chosen = m_MainScreen;
    for (int i = 0; i < monitorCount; ++i) {
        ScreenRect candidate = m_MainScreen;
        if (i > 0) {
            // Mirrored monitors share (0, 0) and are missing from the list; they count as empty.
            const size_t index = static_cast<size_t>(i - 1);
            candidate = index < monitors.size() ? monitors[index] : ScreenRect{-1, -1, -1, -1};
        }
        if (candidate.Width() > chosen.Width()) chosen = candidate;
    }
    return chosen;
}

ScreenRect ScreenInfo::ToDesktop(const ScreenRect& rect) const {
    return {rect.left + m_originX, rect.top + m_originY, rect.right + m_originX,
            rect.bottom + m_originY};
}

std::optional<int> ScreenDpiForRect(const ScreenRect& rect) {
    const int w = rect.Width();
    const int h = rect.Height();
    if (w < 1280 || h < 720) return 77;
    if (w >= 1900 && w < 2460) return 144;
    if (w >= 2460 && w < 3690) return 192;
    if (w >= 3690) return 288;
    return std::nullopt;
}

int FitWindowDpi(int dpi, int width, int height, const ScreenRect& rect) {
    if (width <= 0 || height <= 0 || rect.Width() <= 0 || rect.Height() <= 0) return dpi;
    // The same arithmetic as the framework's scaling: whole percent, sizes rounded down.
    const auto fits = [&](int d) {
        const int scale = d * 100 / 96;
        return width * scale / 100 <= rect.Width() && height * scale / 100 <= rect.Height();
    };
    if (fits(dpi)) return dpi;
    // The skin's scales first (80 % to 300 %), whose images have variants.
    for (const int d : {288, 192, 168, 144, 120, 96, 77})
        if (d < dpi && fits(d)) return d;
    return std::max(1, std::min(rect.Width() * 96 / width, rect.Height() * 96 / height));
}

void ApplyScreenDpi(DuiLib::CPaintManagerUI* paintManager, const ScreenInfo& screens) {
    const ScreenRect widest = screens.GetWidestMonitorRect();
    LogPrintA("screen size %d x %d\n", widest.right, widest.bottom);
    if (!paintManager) return;
    if (const std::optional<int> dpi = ScreenDpiForRect(widest)) paintManager->SetDPI(*dpi);
    // A monitor the rule did not foresee (a wide, short one; a small desktop scaled up) would
    // still put the window past its edges, out of reach: the scale comes down until it fits.
    const QSize size = paintManager->GetInitSize();
    const int fitting = FitWindowDpi(paintManager->GetDPI(), size.width(), size.height(), widest);
    if (fitting != paintManager->GetDPI()) paintManager->SetDPI(fitting);
}

void ApplyScreenDpi(DuiLib::CPaintManagerUI* paintManager) {
    ApplyScreenDpi(paintManager, ScreenInfo());
}

void ResizeToScaledInitSize(DuiLib::CWindowWnd* window, DuiLib::CPaintManagerUI* paintManager) {
    if (!window || !paintManager) return;
    const QSize initial = paintManager->GetInitSize();
    const int scale = paintManager->GetScale();
    window->ResizeClient(initial.width() * scale / 100, initial.height() * scale / 100);
}
