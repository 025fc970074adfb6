#include "library/OverdueLoans.h"

#include "core/GermanLocale.h"
#include "core/Table.h"
#include "library/AllRows.h"

#include <QCollator>
#include <QHash>
#include <algorithm>

namespace lesaro {

namespace {

QString text(const Table& table, int row, int fieldIndex) {
    return fieldIndex < 0 ? QString() : table.stringAt(row, fieldIndex).trimmed();
}

int field(const Table& table, const char* name) {
    return table.fieldIndex(QLatin1String(name));
}

struct ReaderTexts {
    QString nummer, vorname, nachname, strasse, plz, ort, telefon, email;
};

struct BookTexts {
    QString nummer, verfasser, titel;
};

} // namespace

QString OverdueLoans::filterText(QDate today) {
    return QStringLiteral("DatumBisSoll < '") + GermanLocale::formatDate(today) + QLatin1Char('\'');
}

bool OverdueLoans::isOverdue(const Value& due, const Value& returned, QDate today) {
    return !due.isNull() && due.toDay() < dayFromDate(today) && returned.isNull();
}

QList<OverdueLoan> OverdueLoans::select(Table& loans, Table& books, Table& readers, QDate today) {
    QHash<int, ReaderTexts> readerById;
    {
        const int id = field(readers, "ID"), nummer = field(readers, "Nummer"), vorname = field(readers, "Vorname"),
                  nachname = field(readers, "Nachname"), strasse = field(readers, "Strae"), plz = field(readers, "PLZ"),
                  ort = field(readers, "Ort"), telefon = field(readers, "Telefon"), email = field(readers, "eMail");
        forAllRows(readers, [&](int row) {
            const Value key = readers.valueAt(row, id);
            if (key.isNull())
                return;
            readerById.insert(key.toInt(), ReaderTexts{text(readers, row, nummer), text(readers, row, vorname),
                                                       text(readers, row, nachname), text(readers, row, strasse),
                                                       text(readers, row, plz), text(readers, row, ort),
                                                       text(readers, row, telefon), text(readers, row, email)});
        });
    }
    QHash<int, BookTexts> bookById;
    {
        const int id = field(books, "ID"), nummer = field(books, "Nummer"), verfasser = field(books, "Verfasser"),
                  titel = field(books, "Titel");
        forAllRows(books, [&](int row) {
            const Value key = books.valueAt(row, id);
            if (key.isNull())
                return;
            bookById.insert(key.toInt(),
                            BookTexts{text(books, row, nummer), text(books, row, verfasser), text(books, row, titel)});
        });
    }

    QList<OverdueLoan> result;
    const int bookId = field(loans, "BuecherID"), readerId = field(loans, "LeserID"), lent = field(loans, "DatumVon"),
              returned = field(loans, "DatumBis"), due = field(loans, "DatumBisSoll");
    forAllRows(loans, [&](int row) {
        const Value dueValue = loans.valueAt(row, due);
        if (!isOverdue(dueValue, loans.valueAt(row, returned), today))
            return;
        OverdueLoan loan;
        const Value reader = loans.valueAt(row, readerId);
        loan.readerId = reader.isNull() ? 0 : reader.toInt();
        const auto knownReader = reader.isNull() ? readerById.cend() : readerById.constFind(loan.readerId);
        if (knownReader != readerById.cend()) {
            loan.readerKnown = true;
            loan.readerNummer = knownReader->nummer;
            loan.vorname = knownReader->vorname;
            loan.nachname = knownReader->nachname;
            loan.strasse = knownReader->strasse;
            loan.plz = knownReader->plz;
            loan.ort = knownReader->ort;
            loan.telefon = knownReader->telefon;
            loan.email = knownReader->email;
        }
        const Value book = loans.valueAt(row, bookId);
        if (!book.isNull()) {
            const BookTexts texts = bookById.value(book.toInt());
            loan.buchNummer = texts.nummer;
            loan.verfasser = texts.verfasser;
            loan.titel = texts.titel;
        }
        const Value lentValue = lent < 0 ? Value() : loans.valueAt(row, lent);
        loan.lent = lentValue.isNull() ? QDate() : dateFromDay(lentValue.toDay());
        loan.due = dateFromDay(dueValue.toDay());
        result.append(loan);
    });

    QCollator collator(QLocale(QLocale::German, QLocale::Germany));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(result.begin(), result.end(), [&](const OverdueLoan& a, const OverdueLoan& b) {
        if (const int c = collator.compare(a.nachname, b.nachname))
            return c < 0;
        if (const int c = collator.compare(a.vorname, b.vorname))
            return c < 0;
        if (a.readerId != b.readerId)
            return a.readerId < b.readerId;
        if (a.due != b.due)
            return a.due < b.due;
        return a.buchNummer.toLongLong() < b.buchNummer.toLongLong();
    });
    return result;
}

} // namespace lesaro
