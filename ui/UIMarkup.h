// Markup read once: a skin file is parsed into this tree the first time a window asks for it,
// and every later window of that file is built from the tree (no archive read, no XML parse).
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

namespace DuiLib {

using MarkupAttributes = std::vector<std::pair<QString, QString>>;

struct CMarkupNode {
    QString name;            // as written
    QString lname;           // lower case, for the case-insensitive look-ups
    MarkupAttributes attrs;  // in document order
    std::vector<CMarkupNode> children;
};

using CMarkupPtr = std::shared_ptr<const CMarkupNode>;

// The root element of markup text and everything inside it; nullptr when malformed, with
// `error` saying why.
CMarkupPtr ParseMarkup(const QByteArray& text, QString& error);

// `name="value" name2="value2"` (a <Default> value) as pairs.
MarkupAttributes ParseAttributeList(const QString& list);

}  // namespace DuiLib
