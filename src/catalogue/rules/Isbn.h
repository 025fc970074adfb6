#pragma once

#include <QString>

namespace lesaro::Isbn {

// What the ISBN box holds. The field stays free text: a verdict only decides the hint beside the box.
enum class Verdict {
    Empty,           // nothing typed
    Valid10,         // ten characters with a right check digit (X for ten)
    Valid13,         // thirteen digits, 978 or 979, with a right check digit (also a scanned EAN-13)
    WrongCheckDigit, // the length of an ISBN, but the check digit does not fit the other digits
    WrongLength,     // digits, but neither ten nor thirteen of them
    NotBookland,     // thirteen digits with a right EAN check digit that do not begin with 978 or 979
    NotAnIsbn,       // letters or signs an ISBN never has
};

// The characters of an ISBN as they count: digits and a final X, without hyphens, blanks and a leading
// "ISBN", "ISBN-10:" or "ISBN-13:" as printed on the book. Empty when anything else stands in the text.
QString compact(const QString& text);

Verdict check(const QString& text);
bool isValid(Verdict verdict);

// The hint beside the box for a verdict that is not valid; empty for a valid or empty box.
QString warningText(Verdict verdict);

// A valid ISBN-10 as ISBN-13: "978" in front and a new check digit. Hyphens or blanks between the groups are
// kept, so "3-16-148410-X" becomes "978-3-16-148410-0". Empty when the text is no valid ISBN-10.
QString toIsbn13(const QString& text);

// The same book's ISBN, whichever form was typed: a valid ISBN as its thirteen digits, otherwise the compact
// characters. Empty when the text holds no ISBN-like characters.
QString key(const QString& text);

} // namespace lesaro::Isbn
