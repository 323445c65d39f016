#include "ui/UIResourceManager.h"

#include <QXmlStreamReader>

#include "ui/UIManager.h"
#include "ui/UISkinArchive.h"

namespace DuiLib {

namespace {

// Markup text is parsed directly; anything else names a file of the archive.
bool ReadMarkup(const CSkinArchive* archive, const QString& xml, QByteArray& out) {
    if (xml.startsWith(QLatin1Char('<'))) {
        out = xml.toUtf8();
        return true;
    }
    return archive && archive->Read(xml, out);
}

}  // namespace

CResourceManager::CResourceManager() = default;
CResourceManager::~CResourceManager() = default;

CResourceManager* CResourceManager::GetInstance() {
    static CResourceManager instance;
    return &instance;
}

bool CResourceManager::SetResourceZip(const void* data, std::size_t size, const QString& password) {
    ResetResourceZip();
    m_pArchive = CSkinArchive::Open(data, size, password);
    return m_pArchive != nullptr;
}

bool CResourceManager::HasResourceZip() const {
    return m_pArchive != nullptr;
}

void CResourceManager::ResetResourceZip() {
    m_pArchive.reset();
    m_mapImages.clear();
    m_mapMarkup.clear();
}

bool CResourceManager::ReadFile(const QString& path, QByteArray& out) const {
    out.clear();
    return m_pArchive && m_pArchive->Read(path, out);
}

bool CResourceManager::HasFile(const QString& path) const {
    return m_pArchive && m_pArchive->Contains(path);
}

bool CResourceManager::LoadResource(const QString& xml) {
    QByteArray text;
    if (!ReadMarkup(m_pArchive.get(), xml, text)) return false;
    QXmlStreamReader reader(text);
    QHash<QString, QString> entries;
    if (!reader.readNextStartElement()) return false;
    while (reader.readNextStartElement()) {
        const auto attrs = reader.attributes();
        const QString id = attrs.value(QStringLiteral("id")).toString();
        const QString path = attrs.value(QStringLiteral("path")).toString();
        if (!id.isEmpty() && !path.isEmpty()) entries.insert(id, path);
        reader.skipCurrentElement();
    }
    if (reader.hasError()) return false;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        m_mapXml.insert(it.key(), it.value());
    return true;
}

void CResourceManager::ResetResourceMap() {
    m_mapXml.clear();
}

QString CResourceManager::GetXmlPath(const QString& id) const {
    return m_mapXml.value(id, id);
}

CMarkupPtr CResourceManager::GetMarkup(const QString& path, QString& error) {
    error.clear();
    if (auto it = m_mapMarkup.constFind(path); it != m_mapMarkup.cend()) return it.value();
    QByteArray text;
    if (!ReadFile(path, text)) return nullptr;
    CMarkupPtr markup = ParseMarkup(text, error);
    if (markup) m_mapMarkup.insert(path, markup);
    return markup;
}

QString CResourceManager::GetScaledImageName(const QString& name, int scalePercent) {
    if (scalePercent == 100) return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return name;
    return name.left(dot) + QStringLiteral("@%1.").arg(scalePercent) + name.mid(dot + 1);
}

QImage CResourceManager::GetImage(const QString& name, int scalePercent) {
    if (name.isEmpty() || !m_pArchive) return QImage();
    const QString key = name + QLatin1Char('|') + QString::number(scalePercent);
    auto it = m_mapImages.constFind(key);
    if (it != m_mapImages.cend()) return it.value();
    QByteArray bytes;
    QImage image;
    if (m_pArchive->Read(GetScaledImageName(name, scalePercent), bytes)) {
        image.loadFromData(bytes);
    }
    if (image.isNull() && m_pArchive->Read(name, bytes)) {
        // No variant for this scale: the plain file, drawn scaled by the control.
        image.loadFromData(bytes);
    }
    m_mapImages.insert(key, image);
    return image;
}

bool CResourceManager::LoadLanguage(const QString& file, const QString& name) {
    if (m_nLanguages >= 2) return false;
    QByteArray text;
    if (!ReadMarkup(m_pArchive.get(), file, text)) return false;
    QXmlStreamReader reader(text);
    QHash<QString, QString> table;
    if (!reader.readNextStartElement()) return false;
    while (reader.readNextStartElement()) {
        if (reader.name().compare(QStringLiteral("Text"), Qt::CaseInsensitive) == 0) {
            const auto attrs = reader.attributes();
            if (attrs.hasAttribute(QStringLiteral("id")) &&
                attrs.hasAttribute(QStringLiteral("value"))) {
                table.insert(attrs.value(QStringLiteral("id")).toString(),
                             attrs.value(QStringLiteral("value")).toString());
            }
        }
        reader.skipCurrentElement();
    }
    if (reader.hasError()) return false;
    if (m_pQuerypInterface) {
        for (auto it = table.begin(); it != table.end(); ++it) {
            const QString replacement = m_pQuerypInterface->QueryControlText(it.key(), QString());
            if (!replacement.isEmpty()) it.value() = replacement;
        }
    }
    LanguageSlot& slot = m_languages[m_nLanguages];
    slot.name = name;
    slot.texts = std::move(table);
    m_nCurrent = m_nLanguages++;
    RefreshShownTexts();
    return true;
}

void CResourceManager::SelectLanguage(const QString& name) {
    for (int i = 0; i < m_nLanguages; ++i) {
        if (m_languages[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            if (m_nCurrent != i) {
                m_nCurrent = i;
                RefreshShownTexts();
            }
            return;
        }
    }
}

QString CResourceManager::GetLanguage() const {
    return m_nCurrent >= 0 ? m_languages[m_nCurrent].name : QString();
}

QString CResourceManager::GetText(const QString& text, const QString& type) const {
    if (text.isEmpty()) return QString();
    if (!text.startsWith(QStringLiteral("${"))) return text;
    QString result;
    bool found = false;
    if (m_nCurrent >= 0) {
        auto it = m_languages[m_nCurrent].texts.constFind(text);
        if (it != m_languages[m_nCurrent].texts.cend()) {
            result = it.value();
            found = true;
        }
    }
    if (!found && m_pQuerypInterface) {
        result = m_pQuerypInterface->QueryControlText(text, type);
        found = !result.isEmpty();
    }
    if (!found) result = text;
    result.replace(QStringLiteral("{\\n}"), QStringLiteral("\n"));
    return result;
}

QStringList CResourceManager::GetTextInEveryLanguage(const QString& key) const {
    QStringList texts;
    for (int i = 0; i < m_nLanguages; ++i) {
        auto it = m_languages[i].texts.constFind(key);
        if (it != m_languages[i].texts.cend()) texts.push_back(it.value());
    }
    return texts;
}

void CResourceManager::ResetLanguages() {
    for (LanguageSlot& slot : m_languages) slot = LanguageSlot();
    m_nLanguages = 0;
    m_nCurrent = -1;
    RefreshShownTexts();
}

void CResourceManager::RefreshShownTexts() {
    // Wrapped Qt widgets keep the text they were given: give them the current wording.
    for (CPaintManagerUI* pm : CPaintManagerUI::GetPaintManagers()) pm->NeedUpdate();
}

}  // namespace DuiLib
