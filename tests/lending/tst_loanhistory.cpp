#include "LendingFixture.h"
#include "lending/LoanHistoryGrid.h"
#include "lending/TAusleihhistorieF.h"
#include "ui/DBText.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QtTest>

using namespace lesaro;
using namespace lendingtest;

namespace {
const QDate kToday(2024, 1, 31);

// A book with its loans as the book entry window leaves the tables when its "Ausleihhistorie" is pressed:
// the book current, the loan table narrowed to the book's loans.
struct HistoryFixture {
    Fixture<LibraryHandle> f;
    int eva = 0;
    int tom = 0;
    int book = 0;
    int other = 0;
    int returned = 0;
    int open = 0;

    explicit HistoryFixture(bool lent = true) {
        eva = f.addReader(QStringLiteral("Eva"), QStringLiteral("Meier"), 7);
        tom = f.addReader(QStringLiteral("Tom"), QStringLiteral("Sawyer"), 8);
        book = f.addBook(QStringLiteral("Kästner"), QStringLiteral("Emil und die Detektive"), lent);
        other = f.addBook(QStringLiteral("Ende"), QStringLiteral("Momo"), false);
        if (lent) {
            returned = f.addLoan(book, tom, QDate(2023, 10, 2), {}, QDate(2023, 10, 20));
            open = f.addLoan(book, eva, QDate(2024, 1, 10), QDate(2024, 2, 9));
        }
        f.addLoan(other, eva, QDate(2023, 5, 1), {}, QDate(2023, 5, 9));
        narrowTo(book);
    }
    void narrowTo(int id) {
        f.loans().setFilter(QStringLiteral("BuecherID=%1").arg(id));
        f.loans().setFiltered(true);
        QVERIFY(f.locate(f.books(), id));
    }
    QStringList column(TAusleihhistorieF& w, int c) {
        QAbstractItemModel* m = w.historyGrid()->model();
        QStringList cells;
        for (int r = 0; r < m->rowCount(); ++r)
            cells << m->index(r, c).data().toString();
        return cells;
    }
};
} // namespace

class LoanHistoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setUpProcess(); }
    void init() { MessageService::setAnswering(true); }
    void cleanup() { QCOMPARE(MessageService::takeShownTexts(), QStringList()); }

    void showsEveryLoanOfTheBook() {
        HistoryFixture h;
        TAusleihhistorieF w(h.f.data());
        QAbstractItemModelTester tester(w.historyGrid()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        w.show();
        QCOMPARE(w.historyGrid()->columnTitles(),
                 (QStringList{"Von", "Bis", "Leser-Nr.", "Vorname", "Nachname", "Bemerkung"}));
        QCOMPARE(w.historyGrid()->columnWidthByTitle(QStringLiteral("Vorname")), 150);
        QCOMPARE(w.findChild<DBText*>(QStringLiteral("DBText1"))->text(), QStringLiteral("Kästner"));
        QCOMPARE(w.findChild<DBText*>(QStringLiteral("DBText2"))->text(), QStringLiteral("Emil und die Detektive"));
        QCOMPARE(h.column(w, 0), (QStringList{"02.10.2023", "10.01.2024"}));
        QCOMPARE(h.column(w, 1), (QStringList{"20.10.2023", ""}));
        QCOMPARE(h.column(w, 4), (QStringList{"Sawyer", "Meier"}));
        QCOMPARE(w.historyGrid()->palette().color(QPalette::Base), QColor(233, 233, 233));
        w.reject();

        // A book never lent: an empty list.
        h.narrowTo(h.other);
        h.f.loans().setFilter(QStringLiteral("BuecherID=999"));
        w.show();
        QCOMPARE(w.historyGrid()->model()->rowCount(), 0);
        w.reject();
    }

    // A deleted reader leaves the three reader columns of the loan empty.
    void deletedReaderLeavesEmptyCells() {
        HistoryFixture h;
        QVERIFY(h.f.locate(h.f.readers(), h.tom));
        h.f.readers().Delete();
        TAusleihhistorieF w(h.f.data());
        w.show();
        QCOMPARE(h.column(w, 2), (QStringList{"", "7"}));
        QCOMPARE(h.column(w, 3), (QStringList{"", "Eva"}));
        w.reject();
    }

    void titleClickOrders_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("order"); // the loan table's order afterwards
        QTest::addColumn<bool>("refused");  // a lookup field cannot order
        QTest::newRow("Von") << 0 << "DatumVon" << false;
        QTest::newRow("Bis") << 1 << "DatumBis" << false;
        QTest::newRow("Bemerkung") << 5 << "Bemerkung" << false;
        QTest::newRow("Leser-Nr.") << 2 << "DatumBis" << true;
        QTest::newRow("Vorname") << 3 << "DatumBis" << true;
        QTest::newRow("Nachname") << 4 << "DatumBis" << true;
    }
    void titleClickOrders() {
        QFETCH(int, column);
        QFETCH(QString, order);
        QFETCH(bool, refused);
        HistoryFixture h;
        h.f.loans().setIndexFieldNames(QStringLiteral("DatumBis"));
        TAusleihhistorieF w(h.f.data());
        w.show();
        QHeaderView* header = w.historyGrid()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        QCOMPARE(MessageService::takeShownTexts().size(), refused ? 1 : 0);
        QCOMPARE(h.f.loans().IndexFieldNames(), order);
        w.reject();
        QCOMPARE(h.f.loans().IndexFieldNames(), order);
    }

    // Ctrl+Delete asks first and deletes only on OK.
    void ctrlDeleteAsksFirst_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("rowsLeft");
        QTest::newRow("Abbrechen keeps the loan") << int(MessageService::Button::Cancel) << 2;
        QTest::newRow("OK deletes it") << int(MessageService::Button::Ok) << 1;
    }
    void ctrlDeleteAsksFirst() {
        QFETCH(int, answer);
        QFETCH(int, rowsLeft);
        HistoryFixture h;
        TAusleihhistorieF w(h.f.data());
        w.show();
        QVERIFY(h.f.locate(h.f.loans(), h.returned));
        MessageService::answerNext(MessageService::Button(answer));
        QTest::keyClick(w.historyGrid(), Qt::Key_Delete, Qt::ControlModifier);
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, QStringLiteral("Datensatz löschen?"));
        QCOMPARE(h.f.loans().RecordCount(), rowsLeft);
        QCoreApplication::processEvents();
        QVERIFY(h.f.lentFlag(h.book)); // the open loan is still there either way
        w.reject();
    }

    // Cells take typed text and another reader; the row is saved when the cursor leaves it or the window closes.
    void editingCells() {
        HistoryFixture h;
        TAusleihhistorieF w(h.f.data());
        w.show();
        LoanHistoryModel* m = w.historyGrid()->historyModel();
        QVERIFY(h.f.locate(h.f.loans(), h.returned));
        QVERIFY(m->flags(m->index(0, 5)) & Qt::ItemIsEditable);
        QVERIFY(m->setData(m->index(0, 5), QStringLiteral("Umschlag eingerissen")));
        QCOMPARE(h.f.loans().State(), TableState::Edit);
        // Another reader by last name, offered from the reader table.
        QCOMPARE(m->readerValues(4), (QStringList{"Meier", "Sawyer"}));
        QVERIFY(m->setData(m->index(0, 4), QStringLiteral("Meier")));
        QCOMPARE(h.column(w, 3).first(), QStringLiteral("Eva"));
        // A date the engine cannot read is refused with its message, the cell keeps its value.
        QVERIFY(!m->setData(m->index(0, 0), QStringLiteral("32.13.2023")));
        QVERIFY(!m->takeError().isEmpty());
        w.reject(); // closing saves the row
        QCOMPARE(h.f.loans().State(), TableState::Browse);
        QCOMPARE(h.f.storedValue(h.f.loans(), h.returned, "LeserID").toInt(), h.eva);
        QCOMPARE(QString::fromLatin1(h.f.storedValue(h.f.loans(), h.returned, "Bemerkung").bytes()),
                 QStringLiteral("Umschlag eingerissen"));
    }

    // Clearing "Bis" opens the loan again and the book's flag follows; a return date closes it again.
    // A book can therefore never be offered for a second loan while one is open.
    void lentFlagFollowsTheHistory_data() {
        QTest::addColumn<bool>("bookLent"); // whether the book has its open loan to start with
        QTest::newRow("book lent, an old loan reopened") << true;
        QTest::newRow("book available, its last loan reopened") << false;
    }
    void lentFlagFollowsTheHistory() {
        QFETCH(bool, bookLent);
        HistoryFixture h;
        if (!bookLent) {
            QVERIFY(h.f.locate(h.f.loans(), h.open));
            h.f.loans().Delete();
            h.f.books().Edit();
            h.f.books().FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(false);
            h.f.books().Post();
        }
        TAusleihhistorieF w(h.f.data());
        w.show();
        LoanHistoryModel* m = w.historyGrid()->historyModel();
        QVERIFY(h.f.locate(h.f.loans(), h.returned));
        const int row = m->currentRow();
        QVERIFY(m->setData(m->index(row, 1), QString()));
        h.f.loans().Post();
        QTRY_VERIFY(h.f.lentFlag(h.book));
        QVERIFY(h.f.lentFlag(h.book));
        QCOMPARE(h.f.books().FieldByName(QStringLiteral("ID")).AsInteger(), h.book);
        // Closing it again: the flag goes back only when no other loan of the book is open.
        QVERIFY(h.f.locate(h.f.loans(), h.returned));
        QVERIFY(m->setData(m->index(m->currentRow(), 1), QStringLiteral("25.01.2024")));
        w.reject();
        QCOMPARE(h.f.lentFlag(h.book), bookLent);
        QVERIFY(!h.f.lentFlag(h.other));
    }

    // Down on the last row appends a row with the next loan identifier and no book; saved, it leaves the list.
    void appendBelowTheLastRow() {
        HistoryFixture h;
        TAusleihhistorieF w(h.f.data());
        QAbstractItemModelTester tester(w.historyGrid()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        w.show();
        h.f.loans().Last();
        const int lastId = h.open + 1; // the other book's loan came after it
        QTest::keyClick(w.historyGrid(), Qt::Key_Down);
        QCOMPARE(h.f.loans().State(), TableState::Insert);
        QCOMPARE(w.historyGrid()->model()->rowCount(), 3);
        QCOMPARE(h.f.loans().FieldByName(QStringLiteral("ID")).AsInteger(), lastId + 1);
        QVERIFY(h.f.loans().FieldByName(QStringLiteral("BuecherID")).IsNull());
        // A second Down saves the row, which no longer passes the book's filter.
        QTest::keyClick(w.historyGrid(), Qt::Key_Down);
        QCOMPARE(h.f.loans().State(), TableState::Browse);
        QCOMPARE(w.historyGrid()->model()->rowCount(), 2);
        QVERIFY(!h.f.storedValue(h.f.loans(), lastId + 1, "ID").isNull());
        w.reject();
    }
};

QTEST_MAIN(LoanHistoryTest)
#include "tst_loanhistory.moc"
