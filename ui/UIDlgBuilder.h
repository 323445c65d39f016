// Builds a control tree from DuiLib-style markup:
//   <Window size="400,200" caption="0,0,0,32" mininfo="..">
//     <Font id="0" name="WenQuanYi Micro Hei" size="12" bold="false" default="true"/>
//     <Default name="Button" value="textcolor=&quot;#FFE2E7EE&quot;"/>
//     <VerticalLayout bkcolor="#FF14171C"> <Button name="ok" text="${ok}" userdata="1"/> ...
// Sizes are at 100 % (the window's DPI scales them), colours 0xAARRGGBB or #AARRGGBB, texts
// starting with "${" are language keys. The callback is asked first for every element name.
#pragma once

#include <QString>

#include "ui/UIDefs.h"
#include "ui/UIMarkup.h"

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

class CDialogBuilder {
public:
    // `xml` is a skin id or archive file name, or markup text starting with "<". With a manager,
    // the <Window> element's attributes, fonts and defaults go to it. With a parent container,
    // the built top-level controls are also added into it. Returns the (first) top-level control,
    // or nullptr when the markup is missing or malformed (GetLastErrorMessage says why).
    CControlUI* Create(const QString& xml, const QString& type = QString(),
                       IDialogBuilderCallback* pCallback = nullptr,
                       CPaintManagerUI* pManager = nullptr, CControlUI* pParent = nullptr);
    QString GetLastErrorMessage() const { return m_sError; }

    // The framework's control for a markup name (case-insensitive), or nullptr.
    static CControlUI* CreateBuiltinControl(const QString& name);

private:
    CControlUI* BuildControl(const CMarkupNode& node);
    void ApplyWindowChild(const CMarkupNode& node);

    IDialogBuilderCallback* m_pCallback = nullptr;
    CPaintManagerUI* m_pManager = nullptr;
    QString m_sError;
};

}  // namespace DuiLib
