// The overdue list for a mail merge: which loans are listed, with which contact data, in which bytes.

#include "core/Clock.h"
#include "exchange/MahnlisteRows.h"
#include "exchange/rules/MahnlisteExport.h"
#include "support/LoanRows.h"
#include "support/RulesLibrary.h"

#include <QRandomGenerator>
#include <QTest>
#include <map>
#include <set>

using namespace lesaro;
using lesaro::testing::addLoan;
using namespace mahntest;

class tst_MahnlisteExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Clock::setFixedNow(QDateTime(Today, QTime(9, 0))); }
    void cleanup() { Clock::setFixedNow({}); }
    void listsOverdueLoansWithContactData();
    void modelOfRandomLibraries();
};

void tst_MahnlisteExport::listsOverdueLoansWithContactData() {
    testing::RulesLibrary lib;
    const int hobbit = addBook(lib.books(), 12, QStringLiteral("Tolkien"), QStringLiteral("Der \"Hobbit\""));
    const int faust = addBook(lib.books(), 3, QStringLiteral("Goethe"), QStringLiteral("Faust; Teil 1"));
    const int lodz = addBook(lib.books(), 4, QStringLiteral("Tuwim"), QStringLiteral("Łódź"));
    const int jens = addReader(lib.readers(), {"7", "Jens", "Äbel", "Weg 1", "12345", "Ort", "0123 45", "j@x.de"});
    const int mia = addReader(lib.readers(), {"8", "Mia", "Berg"});
    addLoan(lib.loans(), hobbit, mia, Today.addDays(-30), Today.addDays(-2));
    addLoan(lib.loans(), faust, jens, Today.addDays(-30), Today.addDays(-1));
    addLoan(lib.loans(), hobbit, jens, Today.addDays(-60), Today.addDays(-20));
    addLoan(lib.loans(), lodz, 999, Today.addDays(-30), Today.addDays(-5)); // reader gone
    addLoan(lib.loans(), faust, mia, Today.addDays(-30), Today);            // due today: not yet
    addLoan(lib.loans(), faust, mia, Today.addDays(-30), Today.addDays(-9), Today.addDays(-1));
    lib.loans().setFilter(QStringLiteral("LeserID = 1234"));
    lib.loans().setFiltered(true);

    const MahnlisteResult result = mahnliste(lib.loans(), lib.books(), lib.readers(), Today);
    QCOMPARE(result.rows, 4);
    // The tables hold Windows-1252 already: "Łódź" lost its letters when it was entered, not here.
    QCOMPARE(result.file.replacedValues, 0);
    QVERIFY(lib.loans().Filtered());
    QVERIFY(result.file.bytes.endsWith("\r\n"));
    QVERIFY(!result.file.bytes.contains("\n\n") && result.file.bytes.count('\n') == result.file.bytes.count("\r\n"));
    QVERIFY(result.file.bytes.contains("\xC4"
                                       "bel")); // "Äbel" in Windows-1252
    const QList<QStringList> rows = parse(result.file.bytes);
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows[0], mahnlisteHeaders());
    // The reader without a record sorts first (empty name); then Äbel with A, oldest due date first.
    QCOMPARE(rows[1],
             (QStringList{"", "", "", "", "", "", "", "", "4", "Tuwim", "?ód?", "14.02.2024", "10.03.2024", "5"}));
    QCOMPARE(rows[2], (QStringList{"7", "Jens", "Äbel", "Weg 1", "12345", "Ort", "0123 45", "j@x.de", "12", "Tolkien",
                                   "Der \"Hobbit\"", "15.01.2024", "24.02.2024", "20"}));
    QCOMPARE(rows[3][10], QStringLiteral("Faust; Teil 1"));
    QCOMPARE(rows[4].mid(0, 3), (QStringList{"8", "Mia", "Berg"}));
    QCOMPARE(rows[4][13], QStringLiteral("2"));
}

// Random libraries against a plain computation: the (reader, book) pairs listed.
void tst_MahnlisteExport::modelOfRandomLibraries() {
    for (quint32 seed = 1; seed <= 15; ++seed) {
        QRandomGenerator rng(seed);
        testing::RulesLibrary lib;
        QList<int> books, readers;
        std::map<int, int> bookNumber, readerNumber;
        for (int i = 0; i < 1 + int(rng.bounded(10)); ++i) {
            books.append(addBook(lib.books(), 50 + i, QStringLiteral("V;%1").arg(i), QStringLiteral("T\"%1").arg(i)));
            bookNumber[books.last()] = 50 + i;
        }
        for (int i = 0; i < 1 + int(rng.bounded(6)); ++i) {
            readers.append(addReader(lib.readers(), {QString::number(i + 1), QStringLiteral("V%1").arg(i),
                                                     QStringLiteral("N%1").arg(rng.bounded(3))}));
            readerNumber[readers.last()] = i + 1;
        }
        std::multiset<std::pair<int, int>> expected;
        QStringList ops;
        for (int i = 0; i < int(rng.bounded(30)); ++i) {
            const int b = books[int(rng.bounded(books.size()))], r = readers[int(rng.bounded(readers.size()))];
            const int due = int(rng.bounded(9)) - 4;
            const bool back = rng.bounded(3) == 0;
            addLoan(lib.loans(), b, r, Today.addDays(-20), Today.addDays(due), back ? Today : QDate());
            ops.append(QStringLiteral("(%1,%2,%3%4)").arg(b).arg(r).arg(due).arg(back ? "r" : ""));
            if (due < 0 && !back)
                expected.insert({readerNumber[r], bookNumber[b]});
        }
        const MahnlisteResult result = mahnliste(lib.loans(), lib.books(), lib.readers(), Today);
        const QList<QStringList> rows = parse(result.file.bytes);
        std::multiset<std::pair<int, int>> got;
        QString lastName;
        for (qsizetype i = 1; i < rows.size(); ++i) {
            QCOMPARE(rows[i].size(), 14);
            got.insert({rows[i][0].toInt(), rows[i][8].toInt()});
            QVERIFY2(rows[i][2] >= lastName, qPrintable(QStringLiteral("seed %1: order").arg(seed)));
            lastName = rows[i][2];
            QCOMPARE(rows[i][10], QStringLiteral("T\"%1").arg(rows[i][8].toInt() - 50));
        }
        QVERIFY2(got == expected, qPrintable(QStringLiteral("seed %1, loans %2").arg(seed).arg(ops.join(' '))));
        QCOMPARE(result.rows, int(expected.size()));
    }
}

QTEST_GUILESS_MAIN(tst_MahnlisteExport)
#include "tst_MahnlisteExport.moc"
