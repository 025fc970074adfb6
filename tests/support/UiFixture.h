#pragma once

// Small library tables for the tests of the windows and the window kit.

#include "core/LibraryTables.h"
#include "core/Table.h"

#include <QStringList>

namespace lesaro::testing {

inline void addBook(Table& t, int id, int nummer, const QString& verfasser, const QString& titel,
                    const QString& preis = {}) {
    t.Append();
    t.FieldByName(QStringLiteral("ID")).setAsInteger(id);
    t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
    t.FieldByName(QStringLiteral("Verfasser")).setAsString(verfasser);
    t.FieldByName(QStringLiteral("Titel")).setAsString(titel);
    if (!preis.isEmpty())
        t.FieldByName(QStringLiteral("Preis")).setAsString(preis);
    t.Post();
}

// Books numbered 1..count, authors running backwards so that ordering by author reverses the list.
inline void fillBooks(Table& t, int count) {
    t.Close();
    t.setFiltered(false);
    t.setFilter({});
    t.setIndexFieldNames({});
    t.setColumns(LibraryTables::bookColumns());
    t.CreateDataSet();
    for (int i = 1; i <= count; ++i)
        addBook(t, i, i, QStringLiteral("Autor %1").arg(count - i + 1, 3, 10, QLatin1Char('0')),
                QStringLiteral("Titel %1").arg(i));
    t.First();
}

inline QStringList columnTexts(const Table& t, const QString& field) {
    QStringList out;
    const int f = t.fieldIndex(field);
    for (int i = 0; i < t.viewCount(); ++i)
        out << t.displayTextAt(i, f);
    return out;
}

} // namespace lesaro::testing
