#include "ui/UIDlgBuilder.h"

#include <QXmlStreamReader>

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
    QByteArray text;
    if (xml.startsWith(QLatin1Char('<'))) {
        text = xml.toUtf8();
    } else {
        CResourceManager* rm = CResourceManager::GetInstance();
        if (!rm->ReadFile(rm->GetXmlPath(xml), text)) {
            m_sError = QStringLiteral("markup not found: %1").arg(xml);
            return nullptr;
        }
    }
    QXmlStreamReader reader(text);
    if (!reader.readNextStartElement()) {
        m_sError = reader.hasError() ? reader.errorString() : QStringLiteral("empty markup");
        return nullptr;
    }
    std::vector<CControlUI*> built;
    if (reader.name().compare(QStringLiteral("Window"), Qt::CaseInsensitive) == 0) {
        if (m_pManager) {
            const auto attrs = reader.attributes();
            for (const auto& attr : attrs) {
                const QString n = attr.name().toString().toLower();
                const QString v = attr.value().toString();
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
        while (reader.readNextStartElement()) {
            const QString n = reader.name().toString();
            if (n.compare(QStringLiteral("Font"), Qt::CaseInsensitive) == 0 ||
                n.compare(QStringLiteral("Default"), Qt::CaseInsensitive) == 0 ||
                n.compare(QStringLiteral("Image"), Qt::CaseInsensitive) == 0) {
                ParseWindowChild(reader);
            } else if (CControlUI* c = ParseControl(reader)) {
                built.push_back(c);
            }
        }
    } else if (CControlUI* c = ParseControl(reader)) {
        built.push_back(c);
    }
    if (reader.hasError()) {
        m_sError =
            QStringLiteral("%1 (line %2)").arg(reader.errorString()).arg(reader.lineNumber());
        for (CControlUI* c : built) delete c;
        return nullptr;
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

void CDialogBuilder::ParseWindowChild(QXmlStreamReader& xml) {
    const QString n = xml.name().toString();
    const auto attrs = xml.attributes();
    if (m_pManager && n.compare(QStringLiteral("Font"), Qt::CaseInsensitive) == 0) {
        TFontInfo info;
        info.sFontName = attrs.value(QStringLiteral("name")).toString();
        if (info.sFontName.isEmpty()) info.sFontName = QStringLiteral("WenQuanYi Micro Hei");
        info.iSize = attrs.hasAttribute(QStringLiteral("size"))
                         ? attrs.value(QStringLiteral("size")).toInt()
                         : 12;
        auto flag = [&](const char* name) {
            return attrs.value(QLatin1String(name))
                       .compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0;
        };
        info.bBold = flag("bold");
        info.bUnderline = flag("underline");
        info.bItalic = flag("italic");
        const int id = attrs.hasAttribute(QStringLiteral("id"))
                           ? attrs.value(QStringLiteral("id")).toInt()
                           : -1;
        if (id >= 0) m_pManager->AddFont(id, info, flag("default"));
        if (id < 0 || flag("default")) m_pManager->SetDefaultFont(info);
    } else if (m_pManager && n.compare(QStringLiteral("Default"), Qt::CaseInsensitive) == 0) {
        m_pManager->AddDefaultAttributeList(attrs.value(QStringLiteral("name")).toString(),
                                            attrs.value(QStringLiteral("value")).toString());
    }
    xml.skipCurrentElement();
}

CControlUI* CDialogBuilder::ParseControl(QXmlStreamReader& xml) {
    const QString name = xml.name().toString();
    CControlUI* control = m_pCallback ? m_pCallback->CreateControl(name) : nullptr;
    if (!control) control = CreateBuiltinControl(name);
    if (!control) {
        xml.skipCurrentElement();
        return nullptr;
    }
    if (m_pManager) {
        const QString defaults = m_pManager->GetDefaultAttributeList(name);
        if (!defaults.isEmpty()) control->ApplyAttributeList(defaults);
    }
    for (const auto& attr : xml.attributes()) {
        control->SetAttribute(attr.name().toString(), attr.value().toString());
    }
    auto* container =
        static_cast<CContainerUI*>(control->GetInterface(QStringLiteral("Container")));
    while (xml.readNextStartElement()) {
        if (!container) {
            xml.skipCurrentElement();
            continue;
        }
        if (CControlUI* child = ParseControl(xml)) container->Add(child);
    }
    return control;
}

}  // namespace DuiLib
