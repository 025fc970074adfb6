#pragma once

// Rows written into and read from the library tables, for the exchange tests with and without windows.
#include "core/Table.h"

#include <QStringList>

namespace test {

inline void addReader(lesaro::Table& t, const QStringList& values) {
    static const char* fields[] = {"Nummer", "Vorname", "Nachname", "Strae",      "PLZ",
                                   "Ort",    "Telefon", "eMail",    "Sonstiges1", "Bemerkung"};
    t.Append();
    for (qsizetype i = 0; i < values.size() && i < 10; ++i)
        t.FieldByName(QString::fromLatin1(fields[i])).setAsString(values[i]);
    t.Post();
}

inline QString text(lesaro::Table& t, int position, const char* field) {
    return t.stringAt(position, t.fieldIndex(QString::fromLatin1(field)));
}

} // namespace test
