#include "controls/UICurveFactory.h"

#include "controls/CCircleProgressUI.h"
#include "controls/CSButtonUI.h"
#include "controls/UIEqualizer.h"
#include "controls/UIEqualizerAc.h"

DuiLib::CControlUI* CreateCurveControl(const QString& pstrClass) {
    auto is = [&](const char* name) {
        return pstrClass.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("Curve")) return new UIEqualizer();
    if (is("CurveAc")) return new UIEqualizerAc();
    if (is("SButton")) return new CSButtonUI();
    if (is("CircleProgress")) return new CCircleProgressUI();
    return nullptr;
}
