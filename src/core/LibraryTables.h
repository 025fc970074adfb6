#pragma once

#include "core/RowStore.h"

#include <QList>
#include <QString>

namespace lesaro {

class Table;

// The schemas of the library's four tables, in the field order the files carry.
namespace LibraryTables {

inline constexpr const char* kBookFile = "buecher30.b04";
inline constexpr const char* kReaderFile = "leser30.b04";
inline constexpr const char* kLoanFile = "ausleihe30.b04";
inline constexpr const char* kPostcodeFile = "plz.xml";

QList<ColumnDef> bookColumns();     // ClientBuecher
QList<ColumnDef> readerColumns();   // ClientLeser
QList<ColumnDef> loanColumns();     // ClientAusleihe, stored fields
QList<ColumnDef> postcodeColumns(); // ClientDataSet4

// The six lookup fields of the loan table, placed after Bemerkung and before DatumBisSoll.
void addLoanLookupFields(Table& loans, Table& books, Table& readers);

} // namespace LibraryTables

} // namespace lesaro
