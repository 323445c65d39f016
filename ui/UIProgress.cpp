#include "ui/UIProgress.h"
#include "ui/UITheme.h"

#include <QPainter>

#include "ui/UIManager.h"
#include "ui/UIRender.h"

namespace DuiLib {

namespace {
constexpr DWORD kTrack = theme::kPanelBorder;
constexpr DWORD kThumb = theme::kPrimaryText;
constexpr DWORD kDisabled = theme::kDisabledText;
}  // namespace

CProgressUI::CProgressUI() {
    m_uTextStyle = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
    m_dwBackColor = kTrack;
    m_dwForeColor = theme::kAccent;
}

QString CProgressUI::GetClass() const {
    return QStringLiteral("ProgressUI");
}

void* CProgressUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("Progress"), Qt::CaseInsensitive) == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

void CProgressUI::SetHorizontal(bool bHorizontal) {
    m_bHorizontal = bHorizontal;
    Invalidate();
}
void CProgressUI::SetStretchForeImage(bool bStretch) {
    m_bStretchForeImage = bStretch;
    Invalidate();
}
void CProgressUI::SetMinValue(int nMin) {
    m_nMin = nMin;
    if (m_nValue < m_nMin) m_nValue = m_nMin;
    Invalidate();
}
void CProgressUI::SetMaxValue(int nMax) {
    m_nMax = nMax;
    if (m_nValue > m_nMax) m_nValue = m_nMax;
    Invalidate();
}
void CProgressUI::SetValue(int nValue) {
    const int lo = qMin(m_nMin, m_nMax);
    const int hi = qMax(m_nMin, m_nMax);
    nValue = qBound(lo, nValue, hi);
    if (nValue == m_nValue) return;
    m_nValue = nValue;
    Invalidate();
}
void CProgressUI::SetForeImage(const QString& image) {
    m_sForeImage = image;
    Invalidate();
}

void CProgressUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("hor")) {
        SetHorizontal(ParseBool(v));
    } else if (n == QLatin1String("min")) {
        SetMinValue(v.toInt());
    } else if (n == QLatin1String("max")) {
        SetMaxValue(v.toInt());
    } else if (n == QLatin1String("value")) {
        SetValue(v.toInt());
    } else if (n == QLatin1String("isstretchfore")) {
        SetStretchForeImage(ParseBool(v));
    } else if (n == QLatin1String("foreimage")) {
        SetForeImage(v);
    } else {
        CLabelUI::SetAttribute(pstrName, v);
    }
}

CDuiRect CProgressUI::GetProgressRect() const {
    const int range = m_nMax - m_nMin;
    const double frac = range == 0 ? 0.0 : double(m_nValue - m_nMin) / range;
    CDuiRect rc = m_rcItem;
    if (m_bHorizontal) {
        rc.right = rc.left + static_cast<int>(frac * m_rcItem.GetWidth());
    } else {
        rc.top = rc.bottom - static_cast<int>(frac * m_rcItem.GetHeight());
    }
    return rc;
}

void CProgressUI::PaintStatusImage(QPainter& painter) {
    const CDuiRect rc = GetProgressRect();
    if (!m_sForeImage.isEmpty()) {
        painter.save();
        painter.setClipRect(rc.ToQRect());
        DrawImage(painter, m_sForeImage);
        painter.restore();
        return;
    }
    CRenderEngine::DrawColor(painter, rc, IsEnabled() ? m_dwForeColor : kDisabled);
}

// ---------------------------------------------------------------------------------------------

CSliderUI::CSliderUI() {
    m_dwBackColor = 0;
    m_dwThumbColor = kThumb;
    m_cursor = Qt::PointingHandCursor;
}

QString CSliderUI::GetClass() const {
    return QStringLiteral("SliderUI");
}

void* CSliderUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("Slider"), Qt::CaseInsensitive) == 0) return this;
    return CProgressUI::GetInterface(pstrName);
}

UINT CSliderUI::GetControlFlags() const {
    return IsEnabled() ? UIFLAG_SETCURSOR : 0;
}

QSize CSliderUI::GetThumbSize() const {
    return m_pManager ? m_pManager->GetDPIObj()->Scale(m_szThumb) : m_szThumb;
}

void CSliderUI::SetThumbSize(QSize sz) {
    m_szThumb = sz;
    Invalidate();
}

void CSliderUI::SetThumbImage(const QString& image) {
    m_sThumbImage = image;
    Invalidate();
}

void CSliderUI::SetThumbColor(DWORD color) {
    m_dwThumbColor = color;
    Invalidate();
}

CDuiRect CSliderUI::GetThumbRect() const {
    const QSize t = GetThumbSize();
    const int range = m_nMax - m_nMin;
    const double frac = range == 0 ? 0.0 : double(m_nValue - m_nMin) / range;
    if (m_bHorizontal) {
        const int left = m_rcItem.left + static_cast<int>(frac * (m_rcItem.GetWidth() - t.width()));
        const int top = (m_rcItem.top + m_rcItem.bottom - t.height()) / 2;
        return CDuiRect(left, top, left + t.width(), top + t.height());
    }
    const int top =
        m_rcItem.bottom - t.height() - static_cast<int>(frac * (m_rcItem.GetHeight() - t.height()));
    const int left = (m_rcItem.left + m_rcItem.right - t.width()) / 2;
    return CDuiRect(left, top, left + t.width(), top + t.height());
}

int CSliderUI::ValueFromPoint(const QPoint& pt) const {
    const QSize t = GetThumbSize();
    double frac;
    if (m_bHorizontal) {
        const int span = m_rcItem.GetWidth() - t.width();
        frac = span <= 0 ? 0.0 : double(pt.x() - m_rcItem.left - t.width() / 2) / span;
    } else {
        const int span = m_rcItem.GetHeight() - t.height();
        frac = span <= 0 ? 0.0 : double(m_rcItem.bottom - t.height() / 2 - pt.y()) / span;
    }
    frac = qBound(0.0, frac, 1.0);
    return m_nMin + qRound(frac * (m_nMax - m_nMin));
}

void CSliderUI::SetEnabled(bool bEnable) {
    CProgressUI::SetEnabled(bEnable);
    if (!IsEnabled()) {
        m_uButtonState = 0;
        m_bTrackPressed = false;
    }
}

void CSliderUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if (!IsEnabled()) return;
            if (GetThumbRect().Contains(event.ptMouse)) {
                m_uButtonState |= UISTATE_CAPTURED;
            } else if (m_rcItem.Contains(event.ptMouse)) {
                // The track jumps to the point; only the thumb can be dragged.
                m_bTrackPressed = true;
                SetValue(ValueFromPoint(event.ptMouse));
            }
            Invalidate();
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_uButtonState & UISTATE_CAPTURED) {
                const int value = ValueFromPoint(event.ptMouse);
                if (value != m_nValue) {
                    SetValue(value);
                    SendNotify(DUI_MSGTYPE_VALUECHANGED_MOVE);
                }
            }
            return;
        case UIEVENT_BUTTONUP:
            if (m_uButtonState & UISTATE_CAPTURED) {
                m_uButtonState &= ~UISTATE_CAPTURED;
                SetValue(ValueFromPoint(event.ptMouse));
                Invalidate();
                SendNotify(DUI_MSGTYPE_VALUECHANGED);
            } else if (m_bTrackPressed) {
                m_bTrackPressed = false;
                SendNotify(DUI_MSGTYPE_VALUECHANGED);
            }
            return;
        case UIEVENT_SCROLLWHEEL:
            if (!IsEnabled()) return;
            SetValue(m_nValue + (event.wParam ? m_nStep : -m_nStep));
            SendNotify(DUI_MSGTYPE_VALUECHANGED);
            return;
        case UIEVENT_MOUSEENTER:
            m_uButtonState |= UISTATE_HOT;
            Invalidate();
            return;
        case UIEVENT_MOUSELEAVE:
            m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
            return;
        default:
            break;
    }
    CProgressUI::DoEvent(event);
}

void CSliderUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("step")) {
        SetChangeStep(v.toInt());
    } else if (n == QLatin1String("thumbsize")) {
        const auto parts = v.split(QLatin1Char(','));
        if (parts.size() == 2) SetThumbSize(QSize(parts[0].toInt(), parts[1].toInt()));
    } else if (n == QLatin1String("thumbimage")) {
        SetThumbImage(v);
    } else if (n == QLatin1String("thumbcolor")) {
        SetThumbColor(ParseColor(v));
    } else {
        CProgressUI::SetAttribute(pstrName, v);
    }
}

void CSliderUI::PaintStatusImage(QPainter& painter) {
    const int bar = qMax(2, m_pManager ? m_pManager->GetDPIObj()->Scale(4) : 4);
    const CDuiRect thumb = GetThumbRect();
    CDuiRect track = m_rcItem;
    CDuiRect filled;
    if (m_bHorizontal) {
        track.top = (m_rcItem.top + m_rcItem.bottom - bar) / 2;
        track.bottom = track.top + bar;
        filled = CDuiRect(track.left, track.top, (thumb.left + thumb.right) / 2, track.bottom);
    } else {
        track.left = (m_rcItem.left + m_rcItem.right - bar) / 2;
        track.right = track.left + bar;
        filled = CDuiRect(track.left, (thumb.top + thumb.bottom) / 2, track.right, track.bottom);
    }
    CRenderEngine::DrawColor(painter, track, kTrack);
    if (m_sForeImage.isEmpty()) {
        CRenderEngine::DrawColor(painter, filled, IsEnabled() ? m_dwForeColor : kDisabled);
    }
    if (!m_sThumbImage.isEmpty() &&
        CRenderEngine::DrawImageString(painter, m_pManager, thumb, m_sThumbImage)) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ToQColor(IsEnabled() ? m_dwThumbColor : kDisabled));
    painter.drawEllipse(thumb.ToQRect());
    painter.restore();
}

}  // namespace DuiLib
