#pragma once

#include "core/Value.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace lesaro {
class Table;
}

// The rules of the search window without its widgets: which field a chosen caption stands for, the filter
// text a search puts on the book table, and the search itself.
namespace lesaro::BookSearch {

// The choice that searches the ten keyword fields together.
QString keywordChoice();

// The entries of the field box: the captions of the list columns Nummer through Bemerkung, then the keyword
// choice. The single keyword fields are not offered on their own.
QStringList fieldChoices(const QStringList& bookColumnCaptions);

// The field a chosen caption names, by the captions the settings hold now. When two captions are equal the
// later field wins; a text that is no caption is taken as a field name as typed.
QString fieldForCaption(const QString& chosen);

// "exakt" (a whole value, or a prefix with a trailing asterisk) or "Teil" (the text anywhere) on one field.
QString fieldFilter(const QString& field, const QString& text, bool exact);
// The same on the ten keyword fields, joined by OR.
QString keywordFilter(const QString& text, bool exact);

// "Teil" on a number or price field: the rows whose shown text (as the list shows it) contains the text,
// ignoring case, written as value ranges of the current rows of the table's view, so that the filter
// language, which has no part match on numbers, can select them. An empty text selects every row.
QString shownTextFilter(const Table& table, const QString& field, const QString& text);
// The kind of a stored number or price field of the table; nullopt for any other or unknown field.
std::optional<FieldKind> numberKind(const Table& table, const QString& field);

// Narrows the book table to the hits of a search: text is searched as given (the window trims it). choice is
// the text of the field box. Returns the number of hits. An invalid filter (an unknown field, a text that is
// no number for a number field) throws the engine's error and leaves the table as it was.
int run(Table& books, const QString& choice, const QString& text, bool exact);

} // namespace lesaro::BookSearch
