#pragma once

#include "exchange/rules/ExportWriter.h"

#include <QDate>

namespace lesaro {

class Table;

// "Mahnliste exportieren": every overdue loan (library/OverdueLoans) with the reader's contact data, one
// row per loan, as a CSV file for a mail merge: semicolons between the values (the German spreadsheets'
// and word processors' choice), double quotes around them, a title row, and the export's Windows-1252
// and CR LF rules. Rows by reader (last name, first name), then by due date. All loans count, whatever the
// main window's lists are filtered by.
struct MahnlisteResult {
    ExportResult file;
    int rows = 0;
};
MahnlisteResult mahnliste(Table& loans, Table& books, Table& readers, QDate today);

// The column titles of the list, in their order.
QStringList mahnlisteHeaders();

} // namespace lesaro
