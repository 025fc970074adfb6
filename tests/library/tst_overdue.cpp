// Which loans are overdue, once for the main window's overdue page, the letters and the overdue list: the
// rule per loan, the joined reader and book, the order, and the page's filter text against the selection.
#include "core/GermanLocale.h"
#include "core/Table.h"
#include "library/OverdueLoans.h"
#include "support/LoanRows.h"
#include "support/RulesLibrary.h"

#include <QRandomGenerator>
#include <QtTest>
#include <memory>
#include <set>
#include <tuple>

using namespace lesaro;
using lesaro::testing::addLoan;

namespace {

const QDate Today(2024, 3, 15);

void addBook(Table& t, int id, int nummer, const QString& titel) {
    t.Append();
    t.FieldByName(QStringLiteral("ID")).setAsInteger(id);
    t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
    t.FieldByName(QStringLiteral("Titel")).setAsString(titel);
    t.Post();
}

void addReader(Table& t, int id, int nummer, const QString& vorname, const QString& nachname) {
    t.Append();
    t.FieldByName(QStringLiteral("ID")).setAsInteger(id);
    t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
    t.FieldByName(QStringLiteral("Vorname")).setAsString(vorname);
    t.FieldByName(QStringLiteral("Nachname")).setAsString(nachname);
    t.Post();
}

// The loans the page's filter text lets through, as (reader, book, due).
std::multiset<std::tuple<int, int, QDate>> onThePage(Table& loans) {
    loans.setFilter(OverdueLoans::filterText(Today));
    loans.setFiltered(true);
    std::multiset<std::tuple<int, int, QDate>> rows;
    const int reader = loans.fieldIndex(QStringLiteral("LeserID")),
              book = loans.fieldIndex(QStringLiteral("BuecherID")),
              due = loans.fieldIndex(QStringLiteral("DatumBisSoll"));
    for (int row = 0; row < loans.viewCount(); ++row)
        rows.insert({loans.valueAt(row, reader).toInt(), loans.valueAt(row, book).toInt(),
                     dateFromDay(loans.valueAt(row, due).toDay())});
    loans.setFiltered(false);
    return rows;
}

} // namespace

class tst_overdue : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::RulesLibrary> m_lib;

    Table& books() { return m_lib->books(); }
    Table& readers() { return m_lib->readers(); }
    Table& loans() { return m_lib->loans(); }
    QList<OverdueLoan> select() { return OverdueLoans::select(loans(), books(), readers(), Today); }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() {
        m_lib.reset(); // its settings go back before the next library takes them
        m_lib = std::make_unique<testing::RulesLibrary>();
    }
    void cleanup() { m_lib.reset(); }

    // One reader (ID 1) and one book (ID 5); one loan per case. onPage: whether the page's filter text shows it.
    void oneLoan_data() {
        QTest::addColumn<QVariant>("dueOffset");
        QTest::addColumn<QVariant>("returnedOffset");
        QTest::addColumn<int>("readerId");
        QTest::addColumn<int>("bookId");
        QTest::addColumn<bool>("overdue");
        QTest::addColumn<bool>("onPage");
        QTest::newRow("due yesterday") << QVariant(-1) << QVariant() << 1 << 5 << true << true;
        QTest::newRow("due long ago") << QVariant(-400) << QVariant() << 1 << 5 << true << true;
        QTest::newRow("due today") << QVariant(0) << QVariant() << 1 << 5 << false << false;
        QTest::newRow("due tomorrow") << QVariant(1) << QVariant() << 1 << 5 << false << false;
        QTest::newRow("no due date") << QVariant() << QVariant() << 1 << 5 << false << false;
        QTest::newRow("returned: the return emptied the due date")
            << QVariant() << QVariant(-3) << 1 << 5 << false << false;
        // An old row that kept its due date when it came back: the page's filter asks the due date alone.
        QTest::newRow("returned, due date kept") << QVariant(-9) << QVariant(-2) << 1 << 5 << false << true;
        QTest::newRow("unknown reader") << QVariant(-1) << QVariant() << 999 << 5 << true << true;
        QTest::newRow("no reader") << QVariant(-1) << QVariant() << 0 << 5 << true << true;
        QTest::newRow("unknown book") << QVariant(-1) << QVariant() << 1 << 4711 << true << true;
    }

    void oneLoan() {
        QFETCH(QVariant, dueOffset);
        QFETCH(QVariant, returnedOffset);
        QFETCH(int, readerId);
        QFETCH(int, bookId);
        QFETCH(bool, overdue);
        QFETCH(bool, onPage);
        addBook(books(), 5, 12, QStringLiteral("Momo"));
        addReader(readers(), 1, 7, QStringLiteral("Anna"), QStringLiteral("Albers"));
        loans().Append();
        if (readerId)
            loans().FieldByName(QStringLiteral("LeserID")).setAsInteger(readerId);
        loans().FieldByName(QStringLiteral("BuecherID")).setAsInteger(bookId);
        loans().FieldByName(QStringLiteral("DatumVon")).setAsDate(Today.addDays(-30));
        if (dueOffset.isValid())
            loans().FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(Today.addDays(dueOffset.toInt()));
        if (returnedOffset.isValid())
            loans().FieldByName(QStringLiteral("DatumBis")).setAsDate(Today.addDays(returnedOffset.toInt()));
        loans().Post();

        const QList<OverdueLoan> got = select();
        QCOMPARE(got.size(), overdue ? 1 : 0);
        QCOMPARE(int(onThePage(loans()).size()), onPage ? 1 : 0);
        if (!overdue)
            return;
        const OverdueLoan& loan = got.first();
        QCOMPARE(loan.readerId, readerId);
        QCOMPARE(loan.readerKnown, readerId == 1);
        QCOMPARE(loan.readerNummer, readerId == 1 ? QStringLiteral("7") : QString());
        QCOMPARE(loan.nachname, readerId == 1 ? QStringLiteral("Albers") : QString());
        QCOMPARE(loan.buchNummer, bookId == 5 ? QStringLiteral("12") : QString());
        QCOMPARE(loan.titel, bookId == 5 ? QStringLiteral("Momo") : QString());
        QCOMPARE(loan.lent, Today.addDays(-30));
        QCOMPARE(loan.due, Today.addDays(dueOffset.toInt()));
    }

    // Readers by last and first name in German order, then by ID; a reader's loans by due date, then by book
    // number as a number; whatever the tables are filtered by, and the filters and current rows stay.
    void orderAndFilters() {
        addBook(books(), 1, 9, QStringLiteral("Neun"));
        addBook(books(), 2, 10, QStringLiteral("Zehn"));
        addReader(readers(), 1, 1, QStringLiteral("Zoë"), QStringLiteral("Zander"));
        addReader(readers(), 2, 2, QStringLiteral("Ali"), QStringLiteral("Ärmel"));
        addReader(readers(), 3, 3, QStringLiteral("Ali"), QStringLiteral("ärmel"));
        addLoan(loans(), 2, 3, Today.addDays(-20), Today.addDays(-3));
        addLoan(loans(), 2, 1, Today.addDays(-20), Today.addDays(-3));
        addLoan(loans(), 1, 1, Today.addDays(-20), Today.addDays(-3));
        addLoan(loans(), 1, 1, Today.addDays(-20), Today.addDays(-4));
        addLoan(loans(), 1, 2, Today.addDays(-20), Today.addDays(-1));
        readers().setFilter(QStringLiteral("Nachname = 'Zander'"));
        readers().setFiltered(true);
        loans().setFilter(QStringLiteral("LeserID = 0"));
        loans().setFiltered(true);
        books().Last();

        QStringList got;
        for (const OverdueLoan& loan : select())
            got.append(QStringLiteral("%1:%2").arg(loan.readerId).arg(loan.buchNummer));
        QCOMPARE(got, (QStringList{"2:9", "3:10", "1:9", "1:9", "1:10"}));
        QVERIFY(readers().Filtered() && loans().Filtered());
        QCOMPARE(loans().RecordCount(), 0);
        QCOMPARE(books().FieldByName(QStringLiteral("Nummer")).AsInteger(), 10);
    }

    // Random small libraries kept as the desk keeps them (a return empties the due date): the page's filter
    // text and the selection name the same loans.
    void pageAndSelectionAgree() {
        for (quint32 seed = 1; seed <= 20; ++seed) {
            init();
            QRandomGenerator rng(seed);
            const int bookCount = 1 + int(rng.bounded(8)), readerCount = 1 + int(rng.bounded(5));
            for (int i = 1; i <= bookCount; ++i)
                addBook(books(), i, 100 + i, QStringLiteral("T%1").arg(i));
            for (int i = 1; i <= readerCount; ++i)
                addReader(readers(), i, i, QStringLiteral("V%1").arg(i), QStringLiteral("N%1").arg(rng.bounded(3)));
            QStringList ops;
            for (int i = 0, n = int(rng.bounded(25)); i < n; ++i) {
                // Now and then a reader or book that is gone.
                const int book = 1 + int(rng.bounded(bookCount + 1)), reader = 1 + int(rng.bounded(readerCount + 1));
                const int due = int(rng.bounded(9)) - 4;
                const bool noDue = rng.bounded(8) == 0, back = rng.bounded(3) == 0;
                addLoan(loans(), book, reader, Today.addDays(-20), noDue || back ? QDate() : Today.addDays(due),
                        back ? Today.addDays(-1) : QDate());
                ops.append(QStringLiteral("(%1,%2,%3)")
                               .arg(book)
                               .arg(reader)
                               .arg(noDue  ? "-"
                                    : back ? "r"
                                           : QString::number(due)));
            }
            std::multiset<std::tuple<int, int, QDate>> selected;
            for (const OverdueLoan& loan : select())
                selected.insert({loan.readerId,
                                 loan.buchNummer.isEmpty() ? bookCount + 1 : loan.buchNummer.toInt() - 100, loan.due});
            QVERIFY2(selected == onThePage(loans()),
                     qPrintable(QStringLiteral("seed %1, loans %2").arg(seed).arg(ops.join(' '))));
        }
    }
};

QTEST_MAIN(tst_overdue)
#include "tst_overdue.moc"
