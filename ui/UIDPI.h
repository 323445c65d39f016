// The DPI of one window: markup sizes are at 96 dpi (100 %) and scale by DPI / 96.
#pragma once

#include "ui/UIDefs.h"

namespace DuiLib {

class CDPI {
public:
    int GetDPI() const { return m_nDPI; }
    // Scale in percent: DPI x 100 / 96.
    int GetScale() const { return m_nDPI * 100 / 96; }
    void SetDPI(int dpi) { m_nDPI = dpi > 0 ? dpi : 96; }
    void SetScale(int percent) { SetDPI(percent * 96 / 100); }

    int Scale(int value) const { return value * GetScale() / 100; }
    CDuiRect Scale(const CDuiRect& rc) const {
        return CDuiRect(Scale(rc.left), Scale(rc.top), Scale(rc.right), Scale(rc.bottom));
    }
    QSize Scale(const QSize& size) const {
        return QSize(Scale(size.width()), Scale(size.height()));
    }
    QPoint Scale(const QPoint& pt) const { return QPoint(Scale(pt.x()), Scale(pt.y())); }

private:
    int m_nDPI = 96;
};

}  // namespace DuiLib
