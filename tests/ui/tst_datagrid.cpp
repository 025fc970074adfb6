#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/Table.h"
#include "support/UiFixture.h"
#include "ui/DBEdit.h"
#include "ui/DataGrid.h"
#include "ui/DataSource.h"
#include "ui/MessageService.h"
#include "ui/TableModel.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

using namespace lesaro;
using namespace lesaro::testing;

namespace {

const QList<GridColumn> kColumns{{QStringLiteral("Nummer"), QStringLiteral("Nr."), 29},
                                 {QStringLiteral("Verfasser"), QStringLiteral("Verfasser"), 75},
                                 {QStringLiteral("Titel"), QStringLiteral("Titel"), 66},
                                 {QStringLiteral("Verlag"), QStringLiteral("Verlag"), 0}};

QPoint cellCentre(const DataGrid& grid, int row, int column) {
    return grid.visualRect(grid.model()->index(row, column)).center();
}

QList<int> selectedRows(const DataGrid& grid) {
    QList<int> rows;
    for (const QModelIndex& i : grid.selectionModel()->selectedRows())
        rows << i.row();
    return rows;
}

// What the window system sends for a double-click: a click, then the double-click.
void doubleClick(DataGrid& grid, QPoint at) {
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, at);
}

bool rowVisible(const DataGrid& grid, int row) {
    return grid.viewport()->rect().contains(grid.visualRect(grid.model()->index(row, 0)).center());
}

} // namespace

class DataGridTest : public QObject {
    Q_OBJECT

    Table m_books{QStringLiteral("ClientBuecher")};
    std::unique_ptr<DataSource> m_source;
    std::unique_ptr<DataGrid> m_grid;
    int m_scrolls = 0;

private Q_SLOTS:
    void initTestCase() {
        GermanLocale::install();
        MessageService::setAnswering(true);
    }

    void init() {
        fillBooks(m_books, 60);
        m_scrolls = 0;
        m_books.AfterScroll = [this](Table&) { ++m_scrolls; };
        m_source = std::make_unique<DataSource>(m_books);
        m_grid = std::make_unique<DataGrid>();
        m_grid->setObjectName(QStringLiteral("DBGrid1"));
        m_grid->bind(m_source.get(), kColumns);
        m_grid->resize(400, 250);
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
        MessageService::takeShown();
    }

    void cleanup() {
        m_grid.reset();
        m_source.reset();
        m_books.AfterScroll = nullptr;
        QCOMPARE(MessageService::takeShown().size(), 0);
    }

    void followsTheTable() {
        QCOMPARE(selectedRows(*m_grid), QList<int>{0});
        m_books.MoveTo(7);
        QCOMPARE(m_grid->currentIndex().row(), 7);
        QCOMPARE(selectedRows(*m_grid), QList<int>{7});
        m_books.Last();
        QCOMPARE(selectedRows(*m_grid), QList<int>{59});
        QVERIFY(rowVisible(*m_grid, 59));
        // A new order keeps the current book selected at its new place.
        m_books.MoveTo(9); // Nummer 10
        m_books.setIndexFieldNames(QStringLiteral("Verfasser"));
        QCOMPARE(selectedRows(*m_grid), QList<int>{50});
        QCOMPARE(m_grid->model()->index(50, 0).data().toString(), QStringLiteral("10"));
        QVERIFY(rowVisible(*m_grid, 50));
        // The model was reset: the selection is set up again, not lost.
        m_books.setFilter(QStringLiteral("Nummer > 30"));
        m_books.setFiltered(true);
        QCOMPARE(selectedRows(*m_grid), QList<int>{0});
    }

    // Picking a row moves the table there once: the grid does not answer the table's echo with another move.
    void movesTheTable() {
        m_scrolls = 0;
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(*m_grid, 3, 1));
        QCOMPARE(m_books.RecNo(), 3);
        QCOMPARE(m_scrolls, 1);
        QCOMPARE(selectedRows(*m_grid), QList<int>{3});
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(*m_grid, 3, 2));
        QCOMPARE(m_scrolls, 1);
        m_grid->setFocus();
        QTest::keyClick(m_grid.get(), Qt::Key_Down);
        QCOMPARE(m_books.RecNo(), 4);
        QTest::keyClick(m_grid.get(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(m_books.RecNo(), 59);
        QCOMPARE(m_scrolls, 3);
    }

    // Leaving a modified row posts it; when posting re-sorts the list the grid stays on the posted row.
    void pickingARowFinishesTheEdit() {
        m_books.setIndexFieldNames(QStringLiteral("Nummer"));
        m_books.MoveTo(2);
        m_books.Edit();
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(*m_grid, 5, 1));
        QCOMPARE(m_books.State(), TableState::Browse); // unmodified: cancelled, and the move happens
        QCOMPARE(m_books.RecNo(), 5);

        m_books.Edit();
        m_books.FieldByName(QStringLiteral("Nummer")).setAsInteger(100);
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(*m_grid, 1, 1));
        QCOMPARE(m_books.State(), TableState::Browse);
        QCOMPARE(m_books.FieldByName(QStringLiteral("Nummer")).AsInteger(), 100);
        QCOMPARE(selectedRows(*m_grid), QList<int>{m_books.RecNo()});

        m_books.Insert();
        QCOMPARE(selectedRows(*m_grid), QList<int>{60});
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(*m_grid, 4, 1));
        QCOMPARE(m_books.State(), TableState::Browse);
        QCOMPARE(m_books.RecNo(), 4);
        QCOMPARE(m_grid->model()->rowCount(), 60);
    }

    // A new row that is dropped leaves the list: the table is back on the row it was on before, and the grid
    // shows that row. The view's own move of its current index while the row goes is no pick of the user's:
    // it must neither move the table nor hand a bound box's pending text to the row left current.
    void droppedNewRowLeavesTheTableWhereItWas_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<bool>("byDelete"); // Delete on a new row drops it like Cancel
        QTest::addColumn<QString>("typed"); // into a bound box that keeps the focus; the field refuses it
        QTest::newRow("first row, Cancel") << 0 << false << QString();
        QTest::newRow("middle row, Cancel") << 30 << false << QString();
        QTest::newRow("last row, Cancel") << 59 << false << QString();
        QTest::newRow("middle row, Delete") << 30 << true << QString();
        QTest::newRow("refused text in a box, Cancel") << 0 << false << QStringLiteral("12x");
        QTest::newRow("refused text in a box, Delete") << 30 << true << QStringLiteral("12x");
    }
    void droppedNewRowLeavesTheTableWhereItWas() {
        QFETCH(int, before);
        QFETCH(bool, byDelete);
        QFETCH(QString, typed);
        DBEdit number;
        number.bind(m_source.get(), QStringLiteral("Nummer"));
        number.show();
        m_books.MoveTo(before);
        m_books.Insert();
        QCOMPARE(m_grid->model()->rowCount(), 61);
        if (!typed.isEmpty()) {
            number.activateWindow();
            number.setFocus();
            QTest::keyClicks(&number, typed);
            QCOMPARE(number.text(), typed);
        }
        m_scrolls = 0;
        if (byDelete)
            m_books.Delete();
        else
            m_books.Cancel();
        QCOMPARE(MessageService::takeShownTexts(), QStringList());
        QCOMPARE(m_books.State(), TableState::Browse);
        QCOMPARE(m_books.RecNo(), before);
        QCOMPARE(m_scrolls, 1);
        QCOMPARE(m_grid->model()->rowCount(), 60);
        QCOMPARE(selectedRows(*m_grid), QList<int>{before});
        QCOMPARE(m_grid->currentIndex().row(), before);
        // The box shows the row that is current again; its refused text went with the dropped row.
        QCOMPARE(number.text(), QString::number(before + 1));
        QCOMPARE(m_books.FieldByName(QStringLiteral("Nummer")).AsInteger(), before + 1);
    }

    // A rule that fails while the grid moves the table reaches the user as a message box.
    void moveErrorIsShown() {
        m_books.AfterScroll = [](Table&) { throw EngineError(QStringLiteral("Regel fehlgeschlagen")); };
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(*m_grid, 6, 0));
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageService::Kind::Error);
        QCOMPARE(shown[0].text, QStringLiteral("Regel fehlgeschlagen"));
        QCOMPARE(selectedRows(*m_grid), QList<int>{m_books.RecNo()});
    }

    void readOnlyCells() {
        m_grid->setFocus();
        QTest::keyClick(m_grid.get(), Qt::Key_F2);
        QTest::keyClicks(m_grid.get(), QStringLiteral("xy"));
        doubleClick(*m_grid, cellCentre(*m_grid, 2, 1));
        QVERIFY(m_grid->findChildren<QLineEdit*>().isEmpty()); // no cell editor was opened
        QCOMPARE(m_books.State(), TableState::Browse);
        QCOMPARE(m_grid->model()->index(0, 1).data().toString(), QStringLiteral("Autor 060"));
    }

    void signalsForTitlesDoubleClicksAndMenu() {
        QSignalSpy titles(m_grid.get(), &DataGrid::titleClicked);
        QSignalSpy doubles(m_grid.get(), &DataGrid::rowDoubleClicked);
        QHeaderView* header = m_grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 10, header->height() / 2));
        QCOMPARE(titles.size(), 1);
        QCOMPARE(titles[0][0].toInt(), 1);
        QCOMPARE(titles[0][1].toString(), QStringLiteral("Verfasser"));
        QCOMPARE(selectedRows(*m_grid), QList<int>{0}); // a title click does not select anything

        doubleClick(*m_grid, cellCentre(*m_grid, 4, 2));
        QCOMPARE(doubles.size(), 1);
        QCOMPARE(doubles[0][0].toInt(), 4);
        QCOMPARE(m_books.RecNo(), 4);

        QMenu menu;
        menu.addAction(QStringLiteral("Buch bearbeiten"));
        m_grid->setPopupMenu(&menu);
        QContextMenuEvent event(QContextMenuEvent::Mouse, cellCentre(*m_grid, 1, 1),
                                m_grid->viewport()->mapToGlobal(cellCentre(*m_grid, 1, 1)));
        QApplication::sendEvent(m_grid->viewport(), &event);
        QVERIFY(menu.isVisible());
        menu.close();
    }

    // Ctrl+Delete deletes the current row after "Datensatz löschen?", where the window allows it.
    void deleteWithConfirmation() {
        QSignalSpy deleting(m_grid.get(), &DataGrid::rowDeleting);
        m_grid->setFocus();
        m_books.MoveTo(2);
        QTest::keyClick(m_grid.get(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(MessageService::takeShown().size(), 0); // off by default
        m_grid->setDeleteEnabled(true);
        MessageService::answerNext(MessageService::Button::Cancel);
        MessageService::answerNext(MessageService::Button::Ok);
        QTest::keyClick(m_grid.get(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(m_books.RecordCount(), 60);
        QTest::keyClick(m_grid.get(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(m_books.RecordCount(), 59);
        QCOMPARE(deleting.size(), 1);
        QCOMPARE(m_grid->model()->index(2, 0).data().toString(), QStringLiteral("4"));
        QCOMPARE(selectedRows(*m_grid), QList<int>{2});
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QStringLiteral("Datensatz löschen?"));
        QCOMPARE(shown[0].title, QStringLiteral("Bestätigen"));
        QCOMPARE(shown[0].buttons, MessageService::Button::Ok | MessageService::Button::Cancel);

        // An empty list still asks, and the engine's refusal reaches the user.
        m_books.setFilter(QStringLiteral("Nummer > 1000"));
        m_books.setFiltered(true);
        MessageService::answerNext(MessageService::Button::Ok);
        m_grid->confirmAndDeleteRow();
        const auto refused = MessageService::takeShown();
        QCOMPARE(refused.size(), 2);
        QCOMPARE(refused[1].kind, MessageService::Kind::Error);
    }

    void columnWidthsByTitle() {
        QCOMPARE(m_grid->columnTitles(), (QStringList{"Nr.", "Verfasser", "Titel", "Verlag"}));
        QCOMPARE(m_grid->columnWidthByTitle(QStringLiteral("Nr.")), 29);
        QCOMPARE(m_grid->columnWidthByTitle(QStringLiteral("Titel")), 66);
        QCOMPARE(m_grid->columnWidthByTitle(QStringLiteral("Verlag")), 64); // no design width: the default
        QCOMPARE(m_grid->columnWidthByTitle(QStringLiteral("Ort")), -1);

        m_grid->setColumnWidthByTitle(QStringLiteral("Verfasser"), 140);
        m_grid->setColumnWidthByTitle(QStringLiteral("Ort"), 10); // no such column: nothing happens
        QCOMPARE(m_grid->columnWidth(1), 140);
        // Widths outlive the list's resets (filter, order) and a renamed title.
        m_books.setIndexFieldNames(QStringLiteral("Titel"));
        m_books.setFilter(QStringLiteral("Nummer < 10"));
        m_books.setFiltered(true);
        QCOMPARE(m_grid->columnWidthByTitle(QStringLiteral("Verfasser")), 140);
        m_grid->tableModel()->setColumnTitle(1, QStringLiteral("Autor"));
        QCOMPARE(m_grid->columnWidthByTitle(QStringLiteral("Autor")), 140);
        QCOMPARE(m_grid->horizontalHeader()->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("Autor"));

        // Two columns with one title share the value.
        m_grid->setColumns(
            {{QStringLiteral("Nummer"), QStringLiteral("X"), 20}, {QStringLiteral("Titel"), QStringLiteral("X"), 30}});
        m_grid->setColumnWidthByTitle(QStringLiteral("X"), 77);
        QCOMPARE(m_grid->columnWidth(0), 77);
        QCOMPARE(m_grid->columnWidth(1), 77);
    }

    // While controls are disabled the grid keeps its last picture; afterwards it shows the table as it is.
    void frozenWhileControlsDisabled() {
        m_source->DisableControls();
        QVERIFY(!m_grid->updatesEnabled());
        m_books.setFilter(QStringLiteral("Nummer > 50"));
        m_books.setFiltered(true);
        m_books.Last();
        QCOMPARE(m_grid->model()->rowCount(), 60);
        m_source->EnableControls();
        QVERIFY(m_grid->updatesEnabled());
        QCOMPARE(m_grid->model()->rowCount(), 10);
        QCOMPARE(selectedRows(*m_grid), QList<int>{9});
    }
};

QTEST_MAIN(DataGridTest)
#include "tst_datagrid.moc"
