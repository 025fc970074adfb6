#include "LendingFixture.h"
#include "lending/rules/LoanDesk.h"
#include "lending/rules/LoanFilters.h"

#include <QRandomGenerator>
#include <QtTest>
#include <map>

using namespace lesaro;
using namespace lendingtest;

namespace {
const QDate kDay(2024, 1, 31);

void lendableOnly(Table& books, bool lent) {
    books.setFilter(LoanFilters::lentFilter(lent));
    books.setFiltered(true);
}
} // namespace

class LoanDeskTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setUpProcess(); }

    void bookingNeedsAReaderFirst_data() {
        QTest::addColumn<int>("readers");
        QTest::addColumn<int>("lendableBooks");
        QTest::addColumn<int>("expected");
        using B = LoanDesk::Booking;
        QTest::newRow("nothing at all: the readers are checked first") << 0 << 0 << int(B::NoReaders);
        QTest::newRow("books but no reader") << 0 << 2 << int(B::NoReaders);
        QTest::newRow("every book on loan") << 1 << 0 << int(B::NoBooks);
    }
    void bookingNeedsAReaderFirst() {
        QFETCH(int, readers);
        QFETCH(int, lendableBooks);
        QFETCH(int, expected);
        Fixture<> f;
        for (int i = 0; i < readers; ++i)
            f.addReader(QStringLiteral("Eva"), QStringLiteral("Meier"));
        for (int i = 0; i < lendableBooks; ++i)
            f.addBook(QStringLiteral("Kästner"), QStringLiteral("Emil"));
        f.addBook(QStringLiteral("Ende"), QStringLiteral("Momo"), true);
        lendableOnly(f.books(), false);
        LoanDesk desk(f.lib());
        QCOMPARE(int(desk.bookLoan(kDay, kDay.addDays(30))), expected);
        QCOMPARE(f.loans().RecordCount(), 0);
        QCOMPARE(LoanDesk::message(LoanDesk::Booking(expected)),
                 expected == int(LoanDesk::Booking::NoReaders) ? QStringLiteral("Keine Leser vorhanden")
                                                               : QStringLiteral("Keine ausleihbaren Bücher vorhanden"));
    }

    // Two bookings in a row for the same reader: each book leaves the lendable list, each loan gets the next
    // identifier, the reader stays.
    void twoBookingsInARow() {
        Fixture<> f;
        f.addReader(QStringLiteral("Eva"), QStringLiteral("Meier"));
        const int reader = f.addReader(QStringLiteral("Tom"), QStringLiteral("Sawyer"));
        const int first = f.addBook(QStringLiteral("Kästner"), QStringLiteral("Emil"));
        f.addBook(QStringLiteral("Ende"), QStringLiteral("Momo"));
        lendableOnly(f.books(), false);
        QVERIFY(f.locate(f.readers(), reader));
        QVERIFY(f.locate(f.books(), first));
        LoanDesk desk(f.lib());
        QCOMPARE(desk.bookLoan(kDay, kDay.addDays(14)), LoanDesk::Booking::Booked);
        QCOMPARE(f.books().RecordCount(), 1);
        const int second = f.books().FieldByName(QStringLiteral("ID")).AsInteger();
        QVERIFY(second != first);
        const int firstLoan = f.loans().FieldByName(QStringLiteral("ID")).AsInteger();
        QCOMPARE(desk.bookLoan(kDay, kDay.addDays(14)), LoanDesk::Booking::Booked);
        QCOMPARE(f.books().RecordCount(), 0);
        QCOMPARE(f.loans().FieldByName(QStringLiteral("ID")).AsInteger(), firstLoan + 1);
        QCOMPARE(f.readers().FieldByName(QStringLiteral("ID")).AsInteger(), reader);
        QVERIFY(f.lentFlag(first) && f.lentFlag(second));
        QCOMPARE(f.storedValue(f.loans(), firstLoan, "LeserID").toInt(), reader);
        QCOMPARE(f.storedValue(f.loans(), firstLoan, "BuecherID").toInt(), first);
        QCOMPARE(dateFromDay(f.storedValue(f.loans(), firstLoan, "DatumVon").toDay()), kDay);
        QCOMPARE(dateFromDay(f.storedValue(f.loans(), firstLoan, "DatumBisSoll").toDay()), kDay.addDays(14));
        QVERIFY(f.storedValue(f.loans(), firstLoan, "DatumBis").isNull());
        QCOMPARE(desk.bookLoan(kDay, kDay), LoanDesk::Booking::NoBooks);
    }

    // The return finds the open loan among all loan rows, whatever filter another window left on the loan
    // table; a book that truly has no open loan keeps "Fehler 165" and both tables stay as they were.
    void returnWhateverTheLoanFilter_data() {
        QTest::addColumn<QString>("loanFilter"); // %1: the reader's ID, %2: the book's ID
        QTest::addColumn<bool>("openLoan");
        QTest::addColumn<int>("expected");
        using R = LoanDesk::Return;
        QTest::newRow("no filter") << "" << true << int(R::Returned);
        QTest::newRow("overdue page, loan not yet due") << "DatumBisSoll < '31.01.2024'" << true << int(R::Returned);
        QTest::newRow("another reader's open loans") << "LeserID=999 and DatumBis=null" << true << int(R::Returned);
        QTest::newRow("another book's loans") << "BuecherID=999" << true << int(R::Returned);
        QTest::newRow("this book's loans") << "BuecherID=%2" << true << int(R::Returned);
        QTest::newRow("marked as lent, no open loan") << "" << false << int(R::NoOpenLoan);
        QTest::newRow("marked as lent, no open loan, filtered") << "BuecherID=999" << false << int(R::NoOpenLoan);
    }
    void returnWhateverTheLoanFilter() {
        QFETCH(QString, loanFilter);
        QFETCH(bool, openLoan);
        QFETCH(int, expected);
        Fixture<> f;
        const int reader = f.addReader(QStringLiteral("Eva"), QStringLiteral("Meier"));
        const int book = f.addBook(QStringLiteral("Kästner"), QStringLiteral("Emil"), true);
        const int other = f.addBook(QStringLiteral("Ende"), QStringLiteral("Momo"), true);
        f.addLoan(other, reader, kDay.addDays(-40), kDay.addDays(-10));                   // overdue, a different book
        f.addLoan(book, reader, kDay.addDays(-60), kDay.addDays(-30), kDay.addDays(-31)); // returned long ago
        const int loan = openLoan ? f.addLoan(book, reader, kDay.addDays(-5), kDay.addDays(25)) : -1;
        if (!loanFilter.isEmpty()) {
            f.loans().setFilter(loanFilter.arg(reader).arg(book));
            f.loans().setFiltered(true);
        }
        const qint64 loanChanges = f.loans().ChangeCount();
        lendableOnly(f.books(), true);
        QVERIFY(f.locate(f.books(), book));
        LoanDesk desk(f.lib());
        QCOMPARE(int(desk.bookReturn(kDay)), expected);
        // The filter another window set is still in force.
        QCOMPARE(f.loans().Filtered(), !loanFilter.isEmpty());
        QCOMPARE(f.loans().Filter(), loanFilter.isEmpty() ? QString() : loanFilter.arg(reader).arg(book));
        if (expected == int(LoanDesk::Return::NoOpenLoan)) {
            QCOMPARE(LoanDesk::message(LoanDesk::Return::NoOpenLoan), QStringLiteral("Fehler 165"));
            QVERIFY(f.lentFlag(book));
            QCOMPARE(f.loans().ChangeCount(), loanChanges);
            return;
        }
        QVERIFY(!f.lentFlag(book));
        QVERIFY(f.lentFlag(other));
        QCOMPARE(dateFromDay(f.storedValue(f.loans(), loan, "DatumBis").toDay()), kDay);
        QVERIFY(f.storedValue(f.loans(), loan, "DatumBisSoll").isNull());
        QCOMPARE(dateFromDay(f.storedValue(f.loans(), loan, "DatumVon").toDay()), kDay.addDays(-5));
        QCOMPARE(f.storedValue(f.loans(), loan, "LeserID").toInt(), reader);
        QCOMPARE(f.storedValue(f.loans(), loan, "BuecherID").toInt(), book);
        QCOMPARE(f.books().RecordCount(), 1); // only the other book is left to return
    }

    void returnOfTheOnlyLentBook() {
        Fixture<> f;
        const int reader = f.addReader(QStringLiteral("Eva"), QStringLiteral("Meier"));
        const int book = f.addBook(QStringLiteral("Kästner"), QStringLiteral("Emil"), true);
        f.addLoan(book, reader, kDay, kDay.addDays(30));
        lendableOnly(f.books(), true);
        LoanDesk desk(f.lib());
        // A return date before the lending date is taken as it is.
        QCOMPARE(desk.bookReturn(kDay.addDays(-3)), LoanDesk::Return::Returned);
        QCOMPARE(f.books().RecordCount(), 0);
        QCOMPARE(desk.bookReturn(kDay), LoanDesk::Return::NoBooks);
        QCOMPARE(LoanDesk::message(LoanDesk::Return::NoBooks), QStringLiteral("Keine rückbuchbaren Bücher vorhanden"));
    }

    // The flag follows the open loans, found whatever the filters, and the book table's current row stays.
    void lentFlagFollowsOpenLoans() {
        Fixture<> f;
        const int reader = f.addReader(QStringLiteral("Eva"), QStringLiteral("Meier"));
        const int book = f.addBook(QStringLiteral("Kästner"), QStringLiteral("Emil"), false);
        const int other = f.addBook(QStringLiteral("Ende"), QStringLiteral("Momo"), false);
        const int loan = f.addLoan(book, reader, kDay.addDays(-9), {}, kDay.addDays(-2));
        LoanDesk desk(f.lib());
        QVERIFY(!desk.hasOpenLoan(book));
        // The loan opened again (its return date cleared), seen through a filter that hides it.
        QVERIFY(f.locate(f.loans(), loan));
        f.loans().Edit();
        f.loans().FieldByName(QStringLiteral("DatumBis")).Clear();
        f.loans().Post();
        f.loans().setFilter(QStringLiteral("BuecherID=%1").arg(other));
        f.loans().setFiltered(true);
        lendableOnly(f.books(), true); // the book is not in the list of lent books yet
        QVERIFY(desk.hasOpenLoan(book));
        QVERIFY(!desk.hasOpenLoan(other));
        QVERIFY(!desk.hasOpenLoan(QVariant()));
        desk.syncLentFlag(book);
        QVERIFY(f.lentFlag(book));
        QCOMPARE(f.books().Filter(), LoanFilters::lentFilter(true));
        QVERIFY(f.books().Filtered());
        // Not lendable any more: the desk cannot lend it a second time.
        lendableOnly(f.books(), false);
        QCOMPARE(f.books().RecordCount(), 1);
        QCOMPARE(f.books().FieldByName(QStringLiteral("ID")).AsInteger(), other);
        // Closed again: the flag goes back, with the current row where it was.
        f.loans().setFiltered(false);
        QVERIFY(f.locate(f.loans(), loan));
        f.loans().Edit();
        f.loans().FieldByName(QStringLiteral("DatumBis")).setAsDate(kDay);
        f.loans().Post();
        desk.syncLentFlag(book);
        QVERIFY(!f.lentFlag(book));
        QCOMPARE(f.books().FieldByName(QStringLiteral("ID")).AsInteger(), other);
        // Nothing to change: nothing is written.
        const qint64 changes = f.books().ChangeCount();
        desk.syncLentFlag(book);
        desk.syncLentFlag(other);
        QCOMPARE(f.books().ChangeCount(), changes);
    }

    // Beside the cases: random bookings and returns against a plain model (open loans per book), with the
    // loan table under random filters from other windows. The flags, the loan rows and every result of the
    // desk must agree with the model at each step.
    void randomDeskAgainstModel() {
        const quint32 seed = 4711;
        QRandomGenerator rng(seed);
        Fixture<> f;
        std::vector<int> readers, books;
        for (int i = 0; i < 4; ++i)
            readers.push_back(f.addReader(QStringLiteral("R%1").arg(i), QStringLiteral("N%1").arg(i)));
        for (int i = 0; i < 8; ++i)
            books.push_back(f.addBook(QStringLiteral("V%1").arg(i), QStringLiteral("T%1").arg(i)));
        std::map<int, int> openLoanOf; // book -> reader
        int loanRows = 0;
        LoanDesk desk(f.lib());
        QStringList log;
        const QStringList filters{QString(), QStringLiteral("DatumBisSoll < '15.02.2024'"),
                                  QStringLiteral("BuecherID=%1"), QStringLiteral("LeserID=%1 and DatumBis=null")};
        for (int step = 0; step < 1500; ++step) {
            const QString filter = filters[rng.bounded(int(filters.size()))].arg(books[rng.bounded(8)]);
            f.loans().setFilter(filter);
            f.loans().setFiltered(!filter.isEmpty());
            const int book = books[rng.bounded(int(books.size()))];
            const int reader = readers[rng.bounded(int(readers.size()))];
            const QDate day = kDay.addDays(rng.bounded(30));
            const bool lend = rng.bounded(2) == 0;
            log << QStringLiteral("%1 book %2 reader %3 filter [%4]")
                       .arg(lend ? QStringLiteral("lend") : QStringLiteral("return"))
                       .arg(book)
                       .arg(reader)
                       .arg(filter);
            const auto context = [&] {
                return QStringLiteral("seed %1, step %2, last: %3")
                    .arg(seed)
                    .arg(step)
                    .arg(log.mid(log.size() - 4).join(QStringLiteral("; ")));
            };
            lendableOnly(f.books(), !lend);
            f.locate(f.readers(), reader);
            const bool listed = f.locate(f.books(), book);
            const bool wasOpen = openLoanOf.count(book) > 0;
            if (listed != (lend ? !wasOpen : wasOpen))
                QFAIL(qPrintable(QStringLiteral("book list disagrees: ") + context()));
            if (!listed)
                continue;
            if (lend) {
                if (desk.bookLoan(day, day.addDays(10)) != LoanDesk::Booking::Booked)
                    QFAIL(qPrintable(QStringLiteral("booking refused: ") + context()));
                openLoanOf[book] = reader;
                ++loanRows;
            } else {
                if (desk.bookReturn(day) != LoanDesk::Return::Returned)
                    QFAIL(qPrintable(QStringLiteral("return refused: ") + context()));
                openLoanOf.erase(book);
            }
            for (int b : books) {
                if (f.lentFlag(b) != (openLoanOf.count(b) > 0) || desk.hasOpenLoan(b) != (openLoanOf.count(b) > 0))
                    QFAIL(qPrintable(QStringLiteral("book %1 out of step: ").arg(b) + context()));
            }
            f.loans().setFiltered(false);
            if (f.loans().RecordCount() != loanRows)
                QFAIL(qPrintable(QStringLiteral("loan rows: ") + context()));
        }
    }
};

QTEST_GUILESS_MAIN(LoanDeskTest)
#include "tst_loandesk.moc"
