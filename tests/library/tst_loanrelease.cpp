#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "library/LoanRelease.h"

#include <QtTest>

using namespace lesaro;

// Deleting a loan that is still open makes its book lendable again. The book list may be narrowed by a
// window and point at another book the librarian marked; both must be as they were afterwards.
class LoanReleaseTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Table> m_books;
    std::unique_ptr<Table> m_loans;

    static void create(Table& t, const QList<ColumnDef>& columns) {
        t.setColumns(columns);
        t.CreateDataSet();
        t.setFileWritesBlocked(true);
    }
    void addBook(int id, const QString& author, bool lent) {
        m_books->Append();
        m_books->FieldByName(QStringLiteral("ID")).setAsInteger(id);
        m_books->FieldByName(QStringLiteral("Verfasser")).setAsString(author);
        m_books->FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(lent);
        m_books->Post();
    }
    // The loan row of the book, current in the loan list as the librarian deletes it.
    void selectLoan(int bookId, bool open) {
        m_loans->Append();
        m_loans->FieldByName(QStringLiteral("ID")).setAsInteger(1);
        m_loans->FieldByName(QStringLiteral("BuecherID")).setAsInteger(bookId);
        m_loans->FieldByName(QStringLiteral("LeserID")).setAsInteger(1);
        m_loans->FieldByName(QStringLiteral("DatumVon")).setAsDate(QDate(2024, 1, 2));
        if (!open)
            m_loans->FieldByName(QStringLiteral("DatumBis")).setAsDate(QDate(2024, 1, 9));
        m_loans->Post();
    }
    // The stored flags of all books by their ID, read past any filter and without moving the current row.
    QList<bool> lentFlags() const {
        const RowStore& store = m_books->store();
        const int id = store.columnIndex(QStringLiteral("ID"));
        const int lent = store.columnIndex(QStringLiteral("ausgeliehen"));
        QList<bool> flags(3);
        for (qsizetype slot = 0; slot < store.slotCount(); ++slot) {
            if (SlotStatus::isLive(store.status(slot)))
                flags[store.value(slot, id).toInt() - 1] = store.value(slot, lent).toBool();
        }
        return flags;
    }
    QString currentAuthor() { return m_books->FieldByName(QStringLiteral("Verfasser")).AsString(); }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_books = std::make_unique<Table>(QStringLiteral("ClientBuecher"));
        m_loans = std::make_unique<Table>(QStringLiteral("ClientAusleihe"));
        create(*m_books, LibraryTables::bookColumns());
        create(*m_loans, LibraryTables::loanColumns());
        addBook(1, QStringLiteral("Ende"), false);
        addBook(2, QStringLiteral("Kästner"), true);
        addBook(3, QStringLiteral("Lindgren"), true);
    }

    void release_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("marked");
        QTest::addColumn<int>("loanBook");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QList<bool>>("flags");
        const QString lendable = QStringLiteral("ausgeliehen = 'false'");
        const QString lent = QStringLiteral("ausgeliehen = 'true'");
        QTest::newRow("book hidden by the list's narrowing")
            << lendable << "Ende" << 2 << true << QList<bool>{false, false, true};
        QTest::newRow("book is the marked one")
            << QString() << "Kästner" << 2 << true << QList<bool>{false, false, true};
        QTest::newRow("another book is marked") << lent << "Kästner" << 3 << true << QList<bool>{false, true, false};
        QTest::newRow("returned loan frees nothing")
            << lendable << "Ende" << 2 << false << QList<bool>{false, true, true};
    }
    void release() {
        QFETCH(QString, filter);
        QFETCH(QString, marked);
        QFETCH(int, loanBook);
        QFETCH(bool, open);
        QFETCH(QList<bool>, flags);
        selectLoan(loanBook, open);
        m_books->setFilter(filter);
        m_books->setFiltered(!filter.isEmpty());
        QVERIFY(m_books->Locate(QStringLiteral("Verfasser"), {marked}));
        LoanRelease::releaseBookOfDeletedLoan(*m_loans, *m_books);
        QCOMPARE(lentFlags(), flags);
        QCOMPARE(m_books->Filtered(), !filter.isEmpty());
        QCOMPARE(m_books->Filter(), filter);
        QCOMPARE(currentAuthor(), marked);
    }

    // An engine error while the book is saved must not leave the loan desk's narrowing off: the desk would
    // offer lent books for lending.
    void engineErrorKeepsTheNarrowing() {
        selectLoan(2, true);
        const QString lendable = QStringLiteral("ausgeliehen = 'false'");
        m_books->setFilter(lendable);
        m_books->setFiltered(true);
        m_books->AfterPost = [](Table&) { throw EngineError(QStringLiteral("Datei kann nicht geschrieben werden")); };
        QVERIFY_THROWS_EXCEPTION(EngineError, LoanRelease::releaseBookOfDeletedLoan(*m_loans, *m_books));
        QVERIFY(m_books->Filtered());
        QCOMPARE(m_books->Filter(), lendable);
        QCOMPARE(currentAuthor(), QStringLiteral("Ende"));
        QCOMPARE(lentFlags(), (QList<bool>{false, false, true}));
    }
};

QTEST_GUILESS_MAIN(LoanReleaseTest)
#include "tst_loanrelease.moc"
