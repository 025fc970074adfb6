#include "core/GermanLocale.h"
#include "core/LibraryTables.h"
#include "core/RowStore.h"
#include "core/Table.h"
#include "support/UiFixture.h"
#include "ui/DataGrid.h"
#include "ui/DataSource.h"
#include "ui/TableModel.h"

#include <QScrollBar>
#include <QtTest>

using namespace lesaro;
using namespace lesaro::testing;

namespace {

constexpr int kLoans = 150000;
constexpr int kBooks = 3000;
constexpr int kReaders = 800;

const QList<GridColumn> kLoanColumns{{QStringLiteral("BuchNummer"), QStringLiteral("Buch-Nr."), 50},
                                     {QStringLiteral("BuchVerfasser"), QStringLiteral("Verfasser"), 100},
                                     {QStringLiteral("BuchTitel"), QStringLiteral("Titel"), 100},
                                     {QStringLiteral("LeserNummer"), QStringLiteral("Leser-Nr."), 50},
                                     {QStringLiteral("LeserVorname"), QStringLiteral("Vorname"), 100},
                                     {QStringLiteral("LeserNachname"), QStringLiteral("Nachname"), 100},
                                     {QStringLiteral("DatumVon"), QStringLiteral("Datum (Von)"), 0},
                                     {QStringLiteral("DatumBis"), QStringLiteral("Datum (Bis)"), 0},
                                     {QStringLiteral("DatumBisSoll"), QStringLiteral("Soll-Rückgabe"), 0}};

void fillReaders(Table& t) {
    t.setColumns(LibraryTables::readerColumns());
    t.CreateDataSet();
    for (int i = 1; i <= kReaders; ++i) {
        t.Append();
        t.FieldByName(QStringLiteral("ID")).setAsInteger(i);
        t.FieldByName(QStringLiteral("Nummer")).setAsInteger(i);
        t.FieldByName(QStringLiteral("Vorname")).setAsString(QStringLiteral("Vorname %1").arg(i));
        t.FieldByName(QStringLiteral("Nachname")).setAsString(QStringLiteral("Nachname %1").arg(i));
        t.Post();
    }
}

// The loans go straight into a row store: this test is about the list, not about posting.
void fillLoans(Table& loans, Table& books, Table& readers) {
    loans.setColumns(LibraryTables::loanColumns());
    LibraryTables::addLoanLookupFields(loans, books, readers);
    RowStore store(LibraryTables::loanColumns());
    store.reserveSlots(kLoans);
    const qint32 firstDay = dayFromDate(QDate(2010, 1, 1));
    for (int i = 1; i <= kLoans; ++i) {
        const qint32 from = firstDay + i % 4000;
        const Value values[] = {Value::integer(i),
                                Value::integer(1 + i % kBooks),
                                Value::integer(1 + i % kReaders),
                                Value::date(from),
                                i % 3 ? Value::date(from + 20) : Value(),
                                Value(),
                                i % 3 ? Value() : Value::date(from + 28)};
        store.appendValues(values, SlotStatus::Inserted);
    }
    loans.replaceStore(std::move(store));
    loans.Open();
}

} // namespace

class BigListTest : public QObject {
    Q_OBJECT

    Table m_books{QStringLiteral("ClientBuecher")};
    Table m_readers{QStringLiteral("ClientLeser")};
    Table m_loans{QStringLiteral("ClientAusleihe")};

private Q_SLOTS:
    void initTestCase() {
        GermanLocale::install();
        fillBooks(m_books, kBooks);
        fillReaders(m_readers);
        fillLoans(m_loans, m_books, m_readers);
        QCOMPARE(m_loans.viewCount(), kLoans);
    }

    void opensFollowsAndScrolls() {
        DataSource source(m_loans);
        DataGrid grid;
        grid.resize(800, 500);
        grid.bind(&source, kLoanColumns);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.grab();
        QCOMPARE(grid.model()->rowCount(), kLoans);
        QCOMPARE(grid.model()->index(0, 2).data().toString(), QStringLiteral("Titel 2"));

        // Following the table to its last row, and the scroll bar to the middle.
        m_loans.Last();
        grid.grab();
        QCOMPARE(grid.currentIndex().row(), kLoans - 1);
        QVERIFY(grid.viewport()->rect().contains(grid.visualRect(grid.currentIndex()).center()));

        const int middle = grid.verticalScrollBar()->maximum() / 2;
        grid.verticalScrollBar()->setValue(middle);
        grid.grab();
        QCOMPARE(grid.verticalScrollBar()->value(), middle);

        // A whole reset (what every filter or order change costs the list) keeps the table's row.
        source.DisableControls();
        source.EnableControls();
        grid.grab();
        QCOMPARE(grid.currentIndex().row(), kLoans - 1);
    }
};

QTEST_MAIN(BigListTest)
#include "tst_biglist.moc"
