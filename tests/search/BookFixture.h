#pragma once

// Small book tables for the tests of the search: each book with the fields a search looks at.

#include "core/LibraryTables.h"
#include "core/Table.h"

#include <QList>
#include <QStringList>

namespace lesaro::testing {

struct Book {
    int nummer; // 0: none
    QString verfasser;
    QString titel;
    QString preis; // as typed; empty: none
    QStringList keywords;
};

inline void makeBooks(Table& t, const QList<Book>& books) {
    t.Close();
    t.setFiltered(false);
    t.setFilter({});
    t.setIndexFieldNames({});
    t.setColumns(LibraryTables::bookColumns());
    t.CreateDataSet();
    int id = 0;
    for (const Book& b : books) {
        t.Append();
        t.FieldByName(QStringLiteral("ID")).setAsInteger(++id);
        if (b.nummer != 0)
            t.FieldByName(QStringLiteral("Nummer")).setAsInteger(b.nummer);
        if (!b.verfasser.isEmpty())
            t.FieldByName(QStringLiteral("Verfasser")).setAsString(b.verfasser);
        if (!b.titel.isEmpty())
            t.FieldByName(QStringLiteral("Titel")).setAsString(b.titel);
        if (!b.preis.isEmpty())
            t.FieldByName(QStringLiteral("Preis")).setAsString(b.preis);
        for (int k = 0; k < b.keywords.size(); ++k) {
            if (!b.keywords[k].isEmpty())
                t.FieldByName(QStringLiteral("Schlagwort%1").arg(k + 1)).setAsString(b.keywords[k]);
        }
        t.Post();
    }
    t.setIndexFieldNames(QStringLiteral("ID"));
}

// The IDs of the rows in the table's view, in view order.
inline QList<int> viewIds(const Table& t) {
    QList<int> ids;
    const int f = t.fieldIndex(QStringLiteral("ID"));
    for (int i = 0; i < t.viewCount(); ++i)
        ids << t.valueAt(i, f).toInt();
    return ids;
}

} // namespace lesaro::testing
