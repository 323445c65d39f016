// The busy window's animation: an accent arc turning on a dim ring.
#pragma once

#include "ui/UIControl.h"

class CBusyRingUI : public DuiLib::CControlUI {
public:
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    void DoInit() override;
    void DoEvent(DuiLib::TEventUI& event) override;
    void DoPaint(QPainter& painter, const DuiLib::CDuiRect& rcPaint) override;

    int GetAngle() const { return m_angle; }

private:
    int m_angle = 0;  // degrees, clockwise from the top
};
