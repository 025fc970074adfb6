#pragma once

// The day the letter tests run on, and readers with overdue books made up for the layout and the status.

#include "printing/rules/MahnLetters.h"

#include <QDate>

namespace printtest {

inline const QDate Today(2024, 3, 15);

// A reader with a full address and count books, the first due yesterday, each further one a day earlier.
inline lesaro::printing::MahnReader readerWithBooks(int count, const QString& name = QStringLiteral("Eva")) {
    lesaro::printing::MahnReader r;
    r.vorname = name;
    r.nachname = QStringLiteral("Ernst");
    r.strasse = QStringLiteral("Lindenweg 3");
    r.plz = QStringLiteral("12345");
    r.ort = QStringLiteral("Musterstadt");
    for (int i = 0; i < count; ++i)
        r.books.append({QString::number(1000 + i), QStringLiteral("Verfasser %1").arg(i),
                        QStringLiteral("Titel %1").arg(i), Today.addDays(-1 - i)});
    return r;
}

} // namespace printtest
