#include "ui/UIMarkup.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace DuiLib {

namespace {

// The reader stands on `node`'s start element; reads up to its end element.
void ReadElement(QXmlStreamReader& reader, CMarkupNode& node) {
    node.name = reader.name().toString();
    node.lname = node.name.toLower();
    const auto attrs = reader.attributes();
    node.attrs.reserve(static_cast<size_t>(attrs.size()));
    for (const auto& attr : attrs)
        node.attrs.emplace_back(attr.name().toString(), attr.value().toString());
    while (reader.readNextStartElement()) {
        node.children.emplace_back();
        ReadElement(reader, node.children.back());
    }
}

}  // namespace

CMarkupPtr ParseMarkup(const QByteArray& text, QString& error) {
    QXmlStreamReader reader(text);
    if (!reader.readNextStartElement()) {
        error = reader.hasError() ? reader.errorString() : QStringLiteral("empty markup");
        return nullptr;
    }
    auto root = std::make_shared<CMarkupNode>();
    ReadElement(reader, *root);
    if (reader.hasError()) {
        error = QStringLiteral("%1 (line %2)").arg(reader.errorString()).arg(reader.lineNumber());
        return nullptr;
    }
    return root;
}

MarkupAttributes ParseAttributeList(const QString& list) {
    static const QRegularExpression re(
        QStringLiteral("([A-Za-z_][A-Za-z0-9_]*)\\s*=\\s*\"([^\"]*)\""));
    MarkupAttributes out;
    auto it = re.globalMatch(list);
    while (it.hasNext()) {
        const auto m = it.next();
        out.emplace_back(m.captured(1), m.captured(2));
    }
    return out;
}

}  // namespace DuiLib
