#include "ui/UIEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "ui/UIControlWidget.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"

namespace DuiLib {

namespace {

class CLineEditWidget : public QLineEdit, public CControlLink {
public:
    CLineEditWidget(CEditUI* pOwner, QWidget* pClient) : QLineEdit(pClient), CControlLink(pOwner) {
        connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
            if (CEditUI* owner = Owner()) owner->OnUserEdited(text);
        });
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!m_pOwner) return;
        // The arrow keys step or walk; they never move the caret.
        switch (event->key()) {
            case Qt::Key_Up:
                m_pOwner->SendNotify(DUI_MSGTYPE_VALUECHANGED_UP);
                return;
            case Qt::Key_Down:
                m_pOwner->SendNotify(DUI_MSGTYPE_VALUECHANGED_DOWN);
                return;
            case Qt::Key_Left:
                m_pOwner->SendNotify(DUI_MSGTYPE_VALUECHANGED_LEFT);
                return;
            case Qt::Key_Right:
                m_pOwner->SendNotify(DUI_MSGTYPE_VALUECHANGED_RIGHT);
                return;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                m_pOwner->SendNotify(DUI_MSGTYPE_RETURN);
                return;
            default:
                break;
        }
        QLineEdit::keyPressEvent(event);
    }
    void wheelEvent(QWheelEvent* event) override {
        if (!m_pOwner || !m_pOwner->IsEnabled() || event->angleDelta().y() == 0) {
            event->ignore();
            return;
        }
        m_pOwner->SendNotify(event->angleDelta().y() > 0 ? DUI_MSGTYPE_VALUECHANGED_UP
                                                         : DUI_MSGTYPE_VALUECHANGED_DOWN);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (m_pOwner && m_pOwner->GetManager()) m_pOwner->GetManager()->SetFocus(m_pOwner);
        QLineEdit::mousePressEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        ControlWidgetHelper::FocusIn(m_pOwner, event);
    }
    bool focusNextPrevChild(bool next) override {
        return ControlWidgetHelper::TabFrom(m_pOwner, next) || QLineEdit::focusNextPrevChild(next);
    }

private:
    CEditUI* Owner() const { return static_cast<CEditUI*>(m_pOwner); }
};

}  // namespace

CEditUI::CEditUI() {
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER;
    m_cursor = Qt::IBeamCursor;
}

QString CEditUI::GetClass() const {
    return QStringLiteral("EditUI");
}

void* CEditUI::GetInterface(const QString& pstrName) {
    if (pstrName.compare(QStringLiteral("Edit"), Qt::CaseInsensitive) == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

UINT CEditUI::GetControlFlags() const {
    return IsEnabled() ? (UIFLAG_SETCURSOR | UIFLAG_TABSTOP) : 0;
}

QLineEdit* CEditUI::GetLineEdit() const {
    return static_cast<QLineEdit*>(m_pWidget.data());
}

QWidget* CEditUI::MakeWidget(QWidget* pClient) {
    return new CLineEditWidget(this, pClient);
}

void CEditUI::SetText(const QString& text) {
    m_sText = text;
    if (QLineEdit* edit = GetLineEdit()) {
        edit->setText(GetText());
        // The stored text is what the field kept (cut to the maximum length).
        if (!m_sText.startsWith(QStringLiteral("${"))) m_sText = edit->text();
    } else if (m_sText.size() > m_iMaxChar && !m_sText.startsWith(QStringLiteral("${"))) {
        m_sText.truncate(m_iMaxChar);
    }
}

void CEditUI::OnUserEdited(const QString& text) {
    m_sText = text;
    SendNotify(DUI_MSGTYPE_TEXTCHANGED);
}

void CEditUI::SetMaxChar(int uMax) {
    m_iMaxChar = qMax(0, uMax);
    if (QLineEdit* edit = GetLineEdit()) edit->setMaxLength(m_iMaxChar);
}

void CEditUI::SetReadOnly(bool bReadOnly) {
    m_bReadOnly = bReadOnly;
    if (QLineEdit* edit = GetLineEdit()) edit->setReadOnly(bReadOnly);
}

void CEditUI::SetPasswordMode(bool bPasswordMode) {
    m_bPasswordMode = bPasswordMode;
    if (QLineEdit* edit = GetLineEdit()) {
        edit->setEchoMode(bPasswordMode ? QLineEdit::Password : QLineEdit::Normal);
    }
}

void CEditUI::SetNumberOnly(bool bNumberOnly) {
    m_bNumberOnly = bNumberOnly;
    ApplyLook();
}

void CEditUI::SetSel(int nStartChar, int nEndChar) {
    QLineEdit* edit = GetLineEdit();
    if (!edit) return;
    const int len = edit->text().size();
    const int start = qBound(0, nStartChar, len);
    const int end = nEndChar < 0 ? len : qBound(start, nEndChar, len);
    edit->setSelection(start, end - start);
}

void CEditUI::SetSelAll() {
    SetSel(0, -1);
}

void CEditUI::SetReplaceSel(const QString& text) {
    if (QLineEdit* edit = GetLineEdit()) {
        edit->insert(text);
        m_sText = edit->text();
    }
}

void CEditUI::SetAttribute(const QString& pstrName, const QString& v) {
    const QString n = pstrName.toLower();
    if (n == QLatin1String("readonly")) {
        SetReadOnly(ParseBool(v));
    } else if (n == QLatin1String("password")) {
        SetPasswordMode(ParseBool(v));
    } else if (n == QLatin1String("numberonly")) {
        SetNumberOnly(ParseBool(v));
    } else if (n == QLatin1String("maxchar")) {
        SetMaxChar(v.toInt());
    } else {
        if (n == QLatin1String("textpadding")) m_bTextPaddingSet = true;
        CLabelUI::SetAttribute(pstrName, v);
        ApplyLook();
    }
}

void CEditUI::ApplyLook() {
    QLineEdit* edit = GetLineEdit();
    if (!edit) return;
    if (m_pManager) {
        const QFont font = m_pManager->GetFont(m_iFont);
        if (edit->font() != font) edit->setFont(font);
    }
    edit->setAlignment(static_cast<Qt::Alignment>(CRenderEngine::ToQtTextFlags(m_uTextStyle) &
                                                  (Qt::AlignHorizontal_Mask | Qt::AlignVCenter)));
    if (m_bNumberOnly) {
        if (!edit->validator()) {
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
    } else if (edit->validator()) {
        delete edit->validator();
        edit->setValidator(nullptr);
    }
    QString sheet;
    if (m_dwTextColor)
        sheet += QStringLiteral("color: %1;").arg(ToQColor(m_dwTextColor).name(QColor::HexArgb));
    if (m_dwBackColor)
        sheet +=
            QStringLiteral("background: %1;").arg(ToQColor(m_dwBackColor).name(QColor::HexArgb));
    // A markup text padding replaces the style's, so narrow edits can use their whole width;
    // also where it scales down to nothing.
    const CDuiRect pad = GetTextPadding();
    if (m_bTextPaddingSet)
        sheet += QStringLiteral("padding: %1px %2px %3px %4px;")
                     .arg(pad.top)
                     .arg(pad.right)
                     .arg(pad.bottom)
                     .arg(pad.left);
    // Setting a sheet re-polishes the widget even when it is the same; texts refresh often.
    const QString full = sheet.isEmpty() ? QString() : QStringLiteral("QLineEdit{%1}").arg(sheet);
    if (edit->styleSheet() != full) edit->setStyleSheet(full);
}

void CEditUI::RefreshText() {
    CLabelUI::RefreshText();
    if (QLineEdit* edit = GetLineEdit()) {
        ApplyLook();
        const QString shown = GetText();
        if (edit->text() != shown) edit->setText(shown);
    }
}

void CEditUI::OnWidgetCreated() {
    QLineEdit* edit = GetLineEdit();
    edit->setMaxLength(m_iMaxChar);
    edit->setReadOnly(m_bReadOnly);
    edit->setEchoMode(m_bPasswordMode ? QLineEdit::Password : QLineEdit::Normal);
    edit->setText(GetText());
    ApplyLook();
}

}  // namespace DuiLib
