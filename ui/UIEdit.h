// Single-line edit over a QLineEdit. Notifications: "setfocus", "killfocus" (before the focus
// moves on), "return", "textchanged", "valuechangedup"/"valuechangeddown" (Up/Down keys and the
// wheel), "valuechangedleft"/"valuechangedright" (Left/Right keys). The arrow keys never reach
// the text; Tab moves the focus to the next control.
#pragma once

#include "ui/UILabel.h"

class QLineEdit;

namespace DuiLib {

class CEditUI : public CLabelUI {
public:
    CEditUI();
    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    UINT GetControlFlags() const override;

    void SetText(const QString& text) override;
    void SetMaxChar(int uMax);
    int GetMaxChar() const { return m_iMaxChar; }
    void SetReadOnly(bool bReadOnly);
    bool IsReadOnly() const { return m_bReadOnly; }
    void SetPasswordMode(bool bPasswordMode);
    bool IsPasswordMode() const { return m_bPasswordMode; }
    void SetNumberOnly(bool bNumberOnly);
    bool IsNumberOnly() const { return m_bNumberOnly; }
    // Selection in characters; end -1 means to the end.
    void SetSel(int nStartChar, int nEndChar);
    void SetSelAll();
    void SetReplaceSel(const QString& text);
    QLineEdit* GetLineEdit() const;

    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void RefreshText() override;

    // Called by the wrapped widget.
    void OnUserEdited(const QString& text);

protected:
    QWidget* MakeWidget(QWidget* pClient) override;
    void OnWidgetCreated() override;
    void ApplyLook();

    int m_iMaxChar = 255;
    bool m_bReadOnly = false;
    bool m_bPasswordMode = false;
    bool m_bTextPaddingSet = false;  // the markup chose the padding, zero included
    bool m_bNumberOnly = false;
};

}  // namespace DuiLib
