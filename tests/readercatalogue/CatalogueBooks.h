#pragma once

// Books for the reader catalogue's tests: normal ones, hostile ones whose texts try to become markup or
// code, and lent ones, with the loans that say until when.

#include "core/Table.h"
#include "support/LoanRows.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace lesaro::catalogue_test {

struct Book {
    QString verfasser;
    QString titel;
    QString sachgruppe;
    QString standort;
    QStringList schlagwoerter;
    QDate due;         // lent, with an open loan due then
    bool lent = false; // lent (without an open loan when due is invalid)
    QString preis;
    QString bemerkung;
    int id = 0;
};

inline const QDate Today(2026, 12, 11);

inline Book book(const char* verfasser, const char* titel, const char* sachgruppe, const char* standort,
                 QStringList schlagwoerter = {}, QDate due = {}, bool lent = false) {
    Book b;
    b.verfasser = QString::fromUtf8(verfasser);
    b.titel = QString::fromUtf8(titel);
    b.sachgruppe = QString::fromUtf8(sachgruppe);
    b.standort = QString::fromUtf8(standort);
    b.schlagwoerter = std::move(schlagwoerter);
    b.due = due;
    b.lent = lent || due.isValid();
    return b;
}

inline QList<Book> fixtureBooks() {
    QList<Book> books{
        book("Müller, Anna", "Die Kinder vom Bullerbü", "Roman", "Regal A", {QStringLiteral("Kinderbuch")}),
        book("Mueller, Hans", "Gartenbau", "Sachbuch", "Regal B"),
        book("Schmidt, Eva", "Müllers Reise", "Roman", "Regal A"),
        book("Krause, Tom", "Der Weg", "Sachbuch", "Keller", {QStringLiteral("Müll"), QStringLiteral("Umwelt")}),
        book("MÜLLER, PETER", "Straßenbahn", "Technik", "Regal B"),
        book("<img src=x onerror=alert(1)>", "<script>document.title=\"pwned\"</script>", "Roman", "\"><b>fett</b>"),
        book("O'Brien \\ \"Quote\"", "</script><script>window.boese=1</script>", "Krimi & Co", "Regal A"),
        book("", "Anonyme Gedichte", "Lyrik", "Regal A"),
        book("Ärger, Ümit", "Öl und Wasser", "Roman", "Keller"),
        book("Zahn, Ida", "Müllabfuhr", "Technik", "Keller", {QStringLiteral("Müller")}, QDate(2027, 1, 12)),
        book("Berg, Udo", "Berge", "Sachbuch", "Regal B", {}, {}, true),
    };
    // The library's own business, which stays out of the catalogue by default.
    books[2].preis = QStringLiteral("12");
    books[2].bemerkung = QStringLiteral("Geheim: Spende\r\nvon Frau X");
    return books;
}

// Adds the books (their IDs filled in), a reader, and the loans: an open one for each book lent with a due date,
// a returned one for the first book.
inline void addFixture(Table& books, Table& readers, Table& loans, QList<Book>& list) {
    readers.Append();
    readers.FieldByName(QStringLiteral("Vorname")).setAsString(QStringLiteral("Leserin"));
    readers.FieldByName(QStringLiteral("Nachname")).setAsString(QStringLiteral("Geheimname"));
    const int reader = readers.FieldByName(QStringLiteral("ID")).AsInteger();
    readers.Post();
    int nummer = 100;
    for (Book& b : list) {
        books.Append();
        books.FieldByName(QStringLiteral("Nummer")).setAsInteger(++nummer);
        books.FieldByName(QStringLiteral("Verfasser")).setAsString(b.verfasser);
        books.FieldByName(QStringLiteral("Titel")).setAsString(b.titel);
        books.FieldByName(QStringLiteral("Sachgruppe")).setAsString(b.sachgruppe);
        books.FieldByName(QStringLiteral("Standort")).setAsString(b.standort);
        books.FieldByName(QStringLiteral("Erscheinungsjahr")).setAsString(QString::number(1990 + nummer % 30));
        books.FieldByName(QStringLiteral("Signatur")).setAsString(QStringLiteral("S-%1").arg(nummer));
        for (int i = 0; i < b.schlagwoerter.size(); ++i)
            books.FieldByName(QStringLiteral("Schlagwort%1").arg(i + 1)).setAsString(b.schlagwoerter[i]);
        if (!b.preis.isEmpty())
            books.FieldByName(QStringLiteral("Preis")).setAsString(b.preis);
        if (!b.bemerkung.isEmpty())
            books.FieldByName(QStringLiteral("Bemerkung")).setAsString(b.bemerkung);
        books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(b.lent);
        b.id = books.FieldByName(QStringLiteral("ID")).AsInteger();
        books.Post();
        if (b.due.isValid())
            testing::addLoan(loans, b.id, reader, Today.addDays(-20), b.due);
    }
    // An old, returned loan of the first book: it is available again.
    testing::addLoan(loans, list[0].id, reader, Today.addDays(-90), Today.addDays(-60), Today.addDays(-61));
}

} // namespace lesaro::catalogue_test
