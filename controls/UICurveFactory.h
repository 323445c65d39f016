// The custom controls of the curve display, by markup name, for the windows' control factories.
#pragma once

#include <QString>

namespace DuiLib {
class CControlUI;
}

// "Curve", "CurveAc", "SButton" or "CircleProgress" (any case) gives a new control owned by the
// caller; any other name gives nullptr so the framework builds its own kinds.
DuiLib::CControlUI* CreateCurveControl(const QString& pstrClass);
