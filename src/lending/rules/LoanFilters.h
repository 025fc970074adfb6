#pragma once

#include <QDate>
#include <QString>

namespace lesaro {
class Table;
}

namespace lesaro::LoanFilters {

// The filter texts the lending windows narrow their lists with. Typed text always ends inside a quoted
// constant, so a quote in it is doubled: "O'Brien" must find O'Brien, not end the constant early and leave
// the librarian with a filter error.

// "ausgeliehen = 'false'" for the books that can be lent, "ausgeliehen = 'true'" for those to be returned.
QString lentFilter(bool lent);

// Readers whose field (Vorname, Nachname) begins with the typed text; empty text: no narrowing (empty result).
QString readerFilter(const QString& field, const QString& text);

// The books of lentFilter(lent) whose field (Verfasser, Titel) begins with the typed text; empty text gives
// lentFilter(lent) alone.
QString bookFilter(bool lent, const QString& field, const QString& text);

// Puts a narrowing on a table, case-insensitive; an empty filter text switches the filter off. Each
// keystroke re-narrows a whole list, so the table is filtered once, not once for the text and again for
// the options.
void applyNarrowing(Table& table, const QString& filter);

// The proposed due date: the lending date plus the standard loan period in days.
QDate dueDate(QDate lendingDate, int days);

} // namespace lesaro::LoanFilters
