#include "controls/UIEqualizer.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QStringList>
#include <QWidget>
#include <array>

#include "ui/UIManager.h"
#include "ui/UIResourceManager.h"

using namespace DuiLib;

// The control's traces go to the debug output, off unless "dv.curves.debug=true" is set in
// QT_LOGGING_RULES, like a debugger output nobody listens to.
Q_LOGGING_CATEGORY(lcCurves, "dv.curves", QtInfoMsg)

namespace {

Qt::CursorShape ToShape(dv::CurveCursor cursor) {
    switch (cursor) {
        case dv::CurveCursor::Hand:
            return Qt::PointingHandCursor;
        case dv::CurveCursor::SizeAll:
            return Qt::SizeAllCursor;
        case dv::CurveCursor::SizeNS:
            return Qt::SizeVerCursor;
        case dv::CurveCursor::SizeWE:
            return Qt::SizeHorCursor;
        case dv::CurveCursor::Arrow:
            break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

bool CurveTextSettings::Apply(const QString& name, const QString& value) {
    const bool on = value == QStringLiteral("true");
    if (name == QStringLiteral("align")) {
        if (value.contains(QStringLiteral("left"))) {
            textStyle = (textStyle & ~(DT_CENTER | DT_RIGHT)) | DT_LEFT;
        }
        if (value.contains(QStringLiteral("center"))) {
            textStyle = (textStyle & ~(DT_LEFT | DT_RIGHT)) | DT_CENTER;
        }
        if (value.contains(QStringLiteral("right"))) {
            textStyle = (textStyle & ~(DT_LEFT | DT_CENTER)) | DT_RIGHT;
        }
    } else if (name == QStringLiteral("valign")) {
        if (value.contains(QStringLiteral("top"))) {
            textStyle = (textStyle & ~(DT_BOTTOM | DT_VCENTER)) | DT_SINGLELINE;
        }
        if (value.contains(QStringLiteral("vcenter"))) {
            textStyle = (textStyle & ~DT_BOTTOM) | DT_VCENTER | DT_SINGLELINE;
        }
        if (value.contains(QStringLiteral("bottom"))) {
            textStyle = (textStyle & ~DT_VCENTER) | DT_BOTTOM | DT_SINGLELINE;
        }
    } else if (name == QStringLiteral("endellipsis")) {
        textStyle = on ? (textStyle | DT_END_ELLIPSIS) : (textStyle & ~DT_END_ELLIPSIS);
    } else if (name == QStringLiteral("wordbreak")) {
        textStyle = on ? ((textStyle & ~DT_SINGLELINE) | DT_WORDBREAK | DT_EDITCONTROL)
                       : ((textStyle & ~(DT_WORDBREAK | DT_EDITCONTROL)) | DT_SINGLELINE);
    } else if (name == QStringLiteral("noprefix")) {
        textStyle = on ? (textStyle | DT_NOPREFIX) : (textStyle & ~DT_NOPREFIX);
    } else if (name == QStringLiteral("font")) {
        font = value.toInt();
    } else if (name == QStringLiteral("textcolor")) {
        textColor = CControlUI::ParseColor(value);
    } else if (name == QStringLiteral("disabledtextcolor")) {
        disabledTextColor = CControlUI::ParseColor(value);
    } else if (name == QStringLiteral("textpadding")) {
        textPadding = CControlUI::ParseRect(value);
    } else if (name == QStringLiteral("autocalcwidth")) {
        autoCalcWidth = on;
    } else {
        return false;
    }
    return true;
}

UIEqualizer::UIEqualizer() {
    if (lcCurves().isDebugEnabled()) {
        m_editor.setTraceSink([](const char* line) {
            QByteArray text(line);
            while (text.endsWith('\n')) text.chop(1);
            qCDebug(lcCurves, "%s", text.constData());
        });
    }
}

QString UIEqualizer::GetClass() const {
    return QStringLiteral("UIEqualizer");
}

void* UIEqualizer::GetInterface(const QString& pstrName) {
    if (pstrName == QStringLiteral("Curve")) return this;
    return CControlUI::GetInterface(pstrName);
}

UINT UIEqualizer::GetControlFlags() const {
    return IsEnabled() ? static_cast<UINT>(UIFLAG_SETCURSOR) : 0u;
}

void UIEqualizer::SetText(const QString& text) {
    CControlUI::SetText(text);
    if (m_text.autoCalcWidth) NeedParentUpdate();
}

dv::CurveRect UIEqualizer::Plot() const {
    const CDuiRect pos = GetPos();
    return {pos.left, pos.top, pos.right, pos.bottom};
}

int UIEqualizer::Scale() const {
    return m_pManager ? m_pManager->GetScale() : 100;
}

void UIEqualizer::setCurEqBands(const dv::EqBand* bands, int count, int selected) {
    m_editor.setCurEqBands(bands, count, selected, Plot(), Scale());
    Damage();
}

void UIEqualizer::setCurEqHpLp(int hpFreq, int lpFreq) {
    m_editor.setCurEqHpLp(hpFreq, lpFreq, Plot(), Scale());
    Damage();
}

void UIEqualizer::setCurves(const double* freqs, const double* levels, int count, int current,
                            const int32_t* visible) {
    if (m_editor.setCurves(freqs, levels, count, current, visible)) Damage();
}

void UIEqualizer::setDragAllDirection(bool parametric) {
    m_editor.setDragAllDirection(parametric);
}

dv::EqBand UIEqualizer::GetBand(int index) const {
    if (index < 0 || index >= dv::EqualizerEditor::kMaxBands) return dv::EqBand{};
    return m_editor.bands()[index];
}

QFont UIEqualizer::LabelFont() const {
    return m_pManager ? m_pManager->GetFont(m_text.font) : QFont();
}

std::vector<dv::AxisLabel> UIEqualizer::GetAxisLabels() const {
    return dv::LayOutAxisLabels(Plot(), Scale(), LabelFont());
}

std::vector<dv::AxisLabel> UIEqualizer::GetShownAxisLabels() const {
    return dv::ShownAxisLabels(m_editor, Plot(), Scale(), LabelFont());
}

void UIEqualizer::Apply(const dv::CurveMouseResult& result) {
    if (result.setCursor) SetCursor(ToShape(result.cursor));
    if (result.userData >= 0) SetUserData(QString::number(result.userData));
    if (result.invalidate) Damage();
    switch (result.notify) {
        case dv::CurveNotify::Eq:
            SendNotify(DUI_MSGTYPE_EQUALIZER_EQ);
            break;
        case dv::CurveNotify::Hp:
            SendNotify(DUI_MSGTYPE_EQUALIZER_HP);
            break;
        case dv::CurveNotify::Lp:
            SendNotify(DUI_MSGTYPE_EQUALIZER_LP);
            break;
        case dv::CurveNotify::None:
            break;
    }
}

void UIEqualizer::DoEvent(TEventUI& event) {
    const dv::CurvePoint pt{event.ptMouse.x(), event.ptMouse.y()};
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
            Apply(m_editor.mouseDown(pt, Scale()));
            CControlUI::DoEvent(event);
            return;
        case UIEVENT_MOUSEMOVE:
            Apply(m_editor.mouseMove(pt, Scale()));
            return;
        case UIEVENT_BUTTONUP:
            Apply(m_editor.mouseUp(pt, Scale()));
            CControlUI::DoEvent(event);
            return;
        case UIEVENT_SETFOCUS:
            m_bFocused = true;
            return;
        case UIEVENT_KILLFOCUS:
            m_bFocused = false;
            return;
        default:
            CControlUI::DoEvent(event);
            return;
    }
}

dv::EqualizerLook UIEqualizer::Look() const {
    dv::EqualizerLook look;
    look.scalePercent = Scale();
    look.background = GetBkColor();
    look.textStyle = m_text.textStyle;
    if (m_pManager) {
        look.labelFont = LabelFont();
        look.bypassFont = m_pManager->GetFont(11);
    }
    look.bypassText = CResourceManager::GetInstance()->GetText(QStringLiteral("${all_bypass}"));
    return look;
}

void UIEqualizer::Damage() {
    const QRegion damage =
        dv::PaintDamage(m_painted, dv::CapturePaintState(m_editor, Plot(), Look()));
    if (damage.isEmpty()) return;
    m_pendingDamage += damage;
    // Many small changes before a paint: one rectangle around them is as good and stays cheap.
    if (m_pendingDamage.rectCount() > 64) m_pendingDamage = m_pendingDamage.boundingRect();
    if (QWidget* widget = GetWidget()) {
        const CDuiRect pos = GetPos();
        widget->update(damage.translated(-pos.left, -pos.top));
    }
}

void UIEqualizer::DoPaint(QPainter& painter, const CDuiRect& rcPaint) {
    qCDebug(lcCurves, "DoPaint!!");
    const dv::EqualizerLook look = Look();
    // A filled plot hides whatever lies under it: Qt need not paint that first.
    const bool opaque = (look.background >> 24) == 0xFF;
    QWidget* widget = GetWidget();
    if (widget && widget->testAttribute(Qt::WA_OpaquePaintEvent) != opaque)
        widget->setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    dv::EqualizerPaintState now = dv::CapturePaintState(m_editor, Plot(), look);
    // A change nobody reported that lies outside this paint is painted next.
    const QRect area(rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left,
                     rcPaint.bottom - rcPaint.top);
    const QRegion missing = dv::PaintDamage(m_painted, now) - QRegion(area);
    dv::PaintEqualizer(painter, m_editor, Plot(), look, &m_curveLayer);
    m_painted = std::move(now);
    m_pendingDamage = QRegion();
    if (!missing.isEmpty() && widget) {
        const CDuiRect pos = GetPos();
        m_pendingDamage = missing;
        widget->update(missing.translated(-pos.left, -pos.top));
    }
}

void UIEqualizer::SetAttribute(const QString& pstrName, const QString& pstrValue) {
    if (!m_text.Apply(pstrName, pstrValue)) CControlUI::SetAttribute(pstrName, pstrValue);
}
