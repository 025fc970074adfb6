#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Texts from the catalogue reach a browser in two ways, and each has its escaping here, so that a title such
// as "<script>" or one with a quote shows as text and never as markup or code.
namespace lesaro::CatalogueText {

// A JavaScript string literal in ASCII, double quotes included. Besides the backslash, < > & and both quote
// characters become \uXXXX, so that the data file can neither end its script element nor an attribute; so
// do control characters, U+2028 and U+2029 (line ends to older script engines) and everything else outside
// ASCII, which no server's idea of the file's character set can then garble.
QByteArray jsString(QStringView text);

// Text for HTML element content and attribute values: & < > " ' and everything outside ASCII as character
// references.
QString html(QStringView text);

// The folding the page's search applies to the texts and to what the reader types: lower case, accents and
// umlaut dots dropped, ß as ss. The tests compute the expected hits with it.
QString folded(QStringView text);

} // namespace lesaro::CatalogueText
