// Process-wide resources: the skin archive (a password-protected zip held in memory), the
// resource index that maps skin ids to markup files, images, and the language tables.
// UI thread only.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

#include "ui/UIDefs.h"
#include "ui/UIMarkup.h"

namespace DuiLib {

class CSkinArchive;

class CResourceManager {
public:
    static CResourceManager* GetInstance();

    // ---- skin archive ----
    // Opens a zip archive from memory (the bytes are copied). Every entry must open with the
    // password; a wrong password refuses the archive and leaves no archive registered.
    bool SetResourceZip(const void* data, std::size_t size, const QString& password);
    bool HasResourceZip() const;
    void ResetResourceZip();
    // Reads a file of the archive; "\" and "/" are both accepted as separators.
    bool ReadFile(const QString& path, QByteArray& out) const;
    bool HasFile(const QString& path) const;

    // ---- resource index ("xml\res.xml"): <Res><xml id="XML_MAIN" path="xml/main.xml"/>...</Res>
    // `xml` is an archive file name or markup text starting with "<".
    bool LoadResource(const QString& xml);
    void ResetResourceMap();
    // Markup file of a skin id; an unknown id yields the id itself (so a file name works too).
    QString GetXmlPath(const QString& id) const;
    // The parsed markup of an archive file, read and parsed on first use and kept with the
    // archive. nullptr when the file is missing (`error` left empty) or malformed (`error` set).
    CMarkupPtr GetMarkup(const QString& path, QString& error);

    // ---- images ----
    // Name of the variant read at a scale: "btn.png" at 150 % is "btn@150.png"; 100 % is unchanged.
    static QString GetScaledImageName(const QString& name, int scalePercent);
    // The image at a scale: the "@scale" variant when the archive has it, else the plain file.
    // Returns a null image when neither exists.
    QImage GetImage(const QString& name, int scalePercent);

    // ---- language tables ----
    // Loads a table (archive file, or XML text starting with "<") under a language name. Fails
    // when the file cannot be parsed or two languages are loaded already. The new slot becomes
    // current; a later duplicate id replaces the earlier value.
    bool LoadLanguage(const QString& file, const QString& name);
    // Makes the slot whose name matches (case-insensitive) current; an unknown name changes
    // nothing.
    void SelectLanguage(const QString& name);
    QString GetLanguage() const;
    // Text without "${" is returned unchanged; a key is looked up in the current table, then
    // through the text-query callback; a missing key returns itself. "{\n}" becomes a line break.
    QString GetText(const QString& text, const QString& type = QString()) const;
    void SetTextQueryInterface(IQueryControlText* query) { m_pQuerypInterface = query; }
    // A key's text in each loaded language that has it (typed text may be in either).
    QStringList GetTextInEveryLanguage(const QString& key) const;
    // Drops every language slot (tests and shutdown).
    void ResetLanguages();

    ~CResourceManager();

private:
    CResourceManager();
    // After the current language changed.
    static void RefreshShownTexts();

    struct LanguageSlot {
        QString name;
        QHash<QString, QString> texts;
    };

    std::unique_ptr<CSkinArchive> m_pArchive;
    QHash<QString, QString> m_mapXml;
    QHash<QString, QImage> m_mapImages;      // key "name|scale"
    QHash<QString, CMarkupPtr> m_mapMarkup;  // key: archive path
    LanguageSlot m_languages[2];
    int m_nLanguages = 0;
    int m_nCurrent = -1;
    IQueryControlText* m_pQuerypInterface = nullptr;
};

// The text of a language key ("${...}") in the selected language.
inline QString Tr(const QString& key) {
    return CResourceManager::GetInstance()->GetText(key);
}

}  // namespace DuiLib
