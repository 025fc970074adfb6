#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace lesaro {

class Table;
class Value;

// One overdue loan with what a reminder needs of its reader and its book, texts trimmed.
struct OverdueLoan {
    int readerId = 0;         // the loan's reader; 0 when it names none
    bool readerKnown = false; // false: no reader record has that ID any more, and the reader's texts are empty
    QString readerNummer;
    QString vorname;
    QString nachname;
    QString strasse;
    QString plz;
    QString ort;
    QString telefon;
    QString email;
    QString buchNummer; // the book's texts are empty when the book is no longer in the catalogue
    QString verfasser;
    QString titel;
    QDate lent; // invalid when the loan has no lending date
    QDate due;
};

// What the library calls overdue, once for the main window's overdue page, the letters and the overdue list,
// so that they never part on it: a loan whose due date lies before today. A loan due today is not yet
// overdue, and a return empties the due date.
class OverdueLoans {
public:
    OverdueLoans() = delete;

    // The loan table's filter text for the main window's overdue page.
    static QString filterText(QDate today);

    // The rule for one loan row, from its due and return dates: due before today and not returned. The
    // page's filter text asks the due date alone, so an old row that was returned but kept its due date still
    // shows there; no reminder goes out for it.
    static bool isOverdue(const Value& due, const Value& returned, QDate today);

    // Every overdue loan, read from the whole tables whatever a window's filter hides at the moment; the
    // filters and the current rows stay. Ordered by reader (last name, then first name in German order, then
    // the reader's ID), then by due date, then by book number; loans alike in all of these keep the loan
    // table's order.
    static QList<OverdueLoan> select(Table& loans, Table& books, Table& readers, QDate today);
};

} // namespace lesaro
