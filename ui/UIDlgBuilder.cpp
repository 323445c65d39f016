#include "ui/UIDlgBuilder.h"

#include "ui/UIButton.h"
#include "ui/UICombo.h"
#include "ui/UIEdit.h"
#include "ui/UIList.h"
#include "ui/UIManager.h"
#include "ui/UIMenu.h"
#include "ui/UIProgress.h"
#include "ui/UIResourceManager.h"

namespace DuiLib {

CControlUI* CDialogBuilder::CreateBuiltinControl(const QString& name) {
    const QString n = name.toLower();
    if (n == QLatin1String("control")) return new CControlUI;
    if (n == QLatin1String("label")) return new CLabelUI;
    if (n == QLatin1String("text")) return new CTextUI;
    if (n == QLatin1String("button")) return new CButtonUI;
    if (n == QLatin1String("option")) return new COptionUI;
    if (n == QLatin1String("checkbox")) return new CCheckBoxUI;
    if (n == QLatin1String("progress")) return new CProgressUI;
    if (n == QLatin1String("slider")) return new CSliderUI;
    if (n == QLatin1String("edit")) return new CEditUI;
    if (n == QLatin1String("combo")) return new CComboUI;
    if (n == QLatin1String("list")) return new CListUI;
    if (n == QLatin1String("listheader")) return new CListHeaderUI;
    if (n == QLatin1String("listheaderitem")) return new CListHeaderItemUI;
    if (n == QLatin1String("listlabelelement")) return new CListLabelElementUI;
    if (n == QLatin1String("listcontainerelement")) return new CListContainerElementUI;
    if (n == QLatin1String("container")) return new CContainerUI;
    if (n == QLatin1String("verticallayout") || n == QLatin1String("menu"))
        return new CVerticalLayoutUI;
    if (n == QLatin1String("horizontallayout")) return new CHorizontalLayoutUI;
    if (n == QLatin1String("tablayout")) return new CTabLayoutUI;
    if (n == QLatin1String("menuelement")) return new CMenuElementUI;
    return nullptr;
}

CControlUI* CDialogBuilder::Create(const QString& xml, const QString&,
                                   IDialogBuilderCallback* pCallback, CPaintManagerUI* pManager,
                                   CControlUI* pParent) {
    m_pCallback = pCallback;
    m_pManager = pManager;
    m_sError.clear();
    CMarkupPtr markup;
    if (xml.startsWith(QLatin1Char('<'))) {
        markup = ParseMarkup(xml.toUtf8(), m_sError);
    } else {
        CResourceManager* rm = CResourceManager::GetInstance();
        markup = rm->GetMarkup(rm->GetXmlPath(xml), m_sError);
        if (!markup && m_sError.isEmpty())
            m_sError = QStringLiteral("markup not found: %1").arg(xml);
    }
    if (!markup) return nullptr;
    std::vector<CControlUI*> built;
    if (markup->lname == QLatin1String("window")) {
        if (m_pManager) {
            for (const auto& [name, v] : markup->attrs) {
                const QString n = name.toLower();
                const auto parts = v.split(QLatin1Char(','));
                if (n == QLatin1String("size") && parts.size() == 2) {
                    m_pManager->SetInitSize(parts[0].toInt(), parts[1].toInt());
                } else if (n == QLatin1String("caption") && parts.size() == 4) {
                    m_pManager->SetCaptionRect(CDuiRect(parts[0].toInt(), parts[1].toInt(),
                                                        parts[2].toInt(), parts[3].toInt()));
                } else if (n == QLatin1String("mininfo") && parts.size() == 2) {
                    m_pManager->SetMinInfo(parts[0].toInt(), parts[1].toInt());
                }
            }
        }
        for (const CMarkupNode& child : markup->children) {
            if (child.lname == QLatin1String("font") || child.lname == QLatin1String("default") ||
                child.lname == QLatin1String("image")) {
                ApplyWindowChild(child);
            } else if (CControlUI* c = BuildControl(child)) {
                built.push_back(c);
            }
        }
    } else if (CControlUI* c = BuildControl(*markup)) {
        built.push_back(c);
    }
    if (built.empty()) {
        m_sError = QStringLiteral("no control in markup");
        return nullptr;
    }
    if (pParent) {
        if (auto* container =
                static_cast<CContainerUI*>(pParent->GetInterface(QStringLiteral("Container")))) {
            for (CControlUI* c : built) container->Add(c);
        }
    } else {
        // Only the first top-level control is returned; extra ones would leak.
        for (size_t i = 1; i < built.size(); ++i) delete built[i];
    }
    return built.front();
}

void CDialogBuilder::ApplyWindowChild(const CMarkupNode& node) {
    if (!m_pManager) return;
    const auto value = [&](const char* name, bool* present = nullptr) {
        for (const auto& [n, v] : node.attrs) {
            if (n == QLatin1String(name)) {
                if (present) *present = true;
                return v;
            }
        }
        if (present) *present = false;
        return QString();
    };
    if (node.lname == QLatin1String("font")) {
        TFontInfo info;
        info.sFontName = value("name");
        if (info.sFontName.isEmpty()) info.sFontName = QStringLiteral("WenQuanYi Micro Hei");
        bool hasSize = false;
        const QString size = value("size", &hasSize);
        info.iSize = hasSize ? size.toInt() : 12;
        auto flag = [&](const char* name) {
            return value(name).compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0;
        };
        info.bBold = flag("bold");
        info.bUnderline = flag("underline");
        info.bItalic = flag("italic");
        bool hasId = false;
        const QString idText = value("id", &hasId);
        const int id = hasId ? idText.toInt() : -1;
        if (id >= 0) m_pManager->AddFont(id, info, flag("default"));
        if (id < 0 || flag("default")) m_pManager->SetDefaultFont(info);
    } else if (node.lname == QLatin1String("default")) {
        m_pManager->AddDefaultAttributeList(value("name"), value("value"));
    }
}

CControlUI* CDialogBuilder::BuildControl(const CMarkupNode& node) {
    CControlUI* control = m_pCallback ? m_pCallback->CreateControl(node.name) : nullptr;
    if (!control) control = CreateBuiltinControl(node.lname);
    if (!control) return nullptr;
    if (m_pManager) {
        if (const MarkupAttributes* defaults = m_pManager->GetDefaultAttributes(node.lname))
            for (const auto& [n, v] : *defaults) control->SetAttribute(n, v);
    }
    for (const auto& [n, v] : node.attrs) control->SetAttribute(n, v);
    auto* container =
        static_cast<CContainerUI*>(control->GetInterface(QStringLiteral("Container")));
    if (!container) return control;
    for (const CMarkupNode& child : node.children) {
        if (CControlUI* c = BuildControl(child)) container->Add(c);
    }
    return control;
}

}  // namespace DuiLib
