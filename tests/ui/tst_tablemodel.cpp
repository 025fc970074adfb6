#include "core/GermanLocale.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "support/UiFixture.h"
#include "ui/DataSource.h"
#include "ui/TableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace lesaro;
using namespace lesaro::testing;

namespace {

const QList<GridColumn> kBookColumns{{QStringLiteral("Nummer"), QStringLiteral("Nr."), 29},
                                     {QStringLiteral("Verfasser"), QStringLiteral("Verfasser"), 75},
                                     {QStringLiteral("Titel"), QStringLiteral("Titel"), 66},
                                     {QStringLiteral("Preis"), QStringLiteral("Preis"), 29}};

QStringList modelColumn(const TableModel& m, int column) {
    QStringList out;
    for (int row = 0; row < m.rowCount(); ++row)
        out << m.index(row, column).data().toString();
    return out;
}

// Every signal a model can send to its views, counted.
struct ModelSignals {
    explicit ModelSignals(QAbstractItemModel* m)
        : reset(m, &QAbstractItemModel::modelReset)
        , data(m, &QAbstractItemModel::dataChanged)
        , header(m, &QAbstractItemModel::headerDataChanged)
        , inserted(m, &QAbstractItemModel::rowsInserted)
        , removed(m, &QAbstractItemModel::rowsRemoved) {}
    int total() const { return int(reset.size() + data.size() + header.size() + inserted.size() + removed.size()); }
    QSignalSpy reset, data, header, inserted, removed;
};

} // namespace

class TableModelTest : public QObject {
    Q_OBJECT

    Table m_books{QStringLiteral("ClientBuecher")};
    std::unique_ptr<DataSource> m_source;
    std::unique_ptr<TableModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        fillBooks(m_books, 12);
        m_source = std::make_unique<DataSource>(m_books);
        m_model = std::make_unique<TableModel>(m_source.get(), kBookColumns);
        m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(),
                                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup() {
        m_tester.reset();
        m_model.reset();
        m_source.reset();
        m_books.Close();
    }

    // The model shows the view: order and filter, whatever changes them, with the tester watching.
    void showsOrderAndFilter() {
        QCOMPARE(m_model->rowCount(), 12);
        QCOMPARE(m_model->columnCount(), 4);
        QCOMPARE(m_model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Verfasser"));

        m_books.setIndexFieldNames(QStringLiteral("Verfasser"));
        QCOMPARE(modelColumn(*m_model, 1), columnTexts(m_books, QStringLiteral("Verfasser")));
        QCOMPARE(m_model->index(0, 0).data().toString(), QStringLiteral("12"));

        m_books.setFilter(QStringLiteral("Nummer > 4 and Nummer < 9"));
        m_books.setFiltered(true);
        QCOMPARE(modelColumn(*m_model, 0), (QStringList{"8", "7", "6", "5"}));
        QCOMPARE(m_model->currentRow(), 0);

        // A posted change re-sorts its row; a row that leaves the filter leaves the list.
        m_books.MoveTo(3); // Nummer 5
        m_books.Edit();
        m_books.FieldByName(QStringLiteral("Verfasser")).setAsString(QStringLiteral("Aaron"));
        m_books.Post();
        QCOMPARE(modelColumn(*m_model, 0), (QStringList{"5", "8", "7", "6"}));
        QCOMPARE(m_model->currentRow(), 0);
        m_books.Edit();
        m_books.FieldByName(QStringLiteral("Nummer")).setAsInteger(50);
        m_books.Post();
        QCOMPARE(modelColumn(*m_model, 0), (QStringList{"8", "7", "6"}));

        m_books.MoveTo(1);
        m_books.Delete();
        QCOMPARE(modelColumn(*m_model, 0), (QStringList{"8", "6"}));
        QCOMPARE(m_model->currentRow(), 1);

        m_books.setFiltered(false);
        QCOMPARE(m_model->rowCount(), 11);
        m_books.Close();
        QCOMPARE(m_model->rowCount(), 0);
        QCOMPARE(m_model->currentRow(), -1);
        m_books.Open();
        QCOMPARE(m_model->rowCount(), 11);
    }

    void displaysFieldTexts() {
        m_books.Edit();
        m_books.FieldByName(QStringLiteral("Preis")).setAsString(QStringLiteral("12,5"));
        m_books.Post();
        const QModelIndex price = m_model->index(m_model->currentRow(), 3);
        QCOMPARE(price.data().toString(), QStringLiteral("12,50 €"));
        QCOMPARE(Qt::Alignment(price.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(Qt::Alignment(m_model->index(0, 1).data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask,
                 Qt::AlignLeft);
        QVERIFY(!(m_model->flags(price) & Qt::ItemIsEditable));

        // A column on a field the table does not have stays empty instead of failing.
        m_model->setColumns({{QStringLiteral("Gibtsnicht"), QStringLiteral("?"), 0}});
        QCOMPARE(m_model->index(0, 0).data(), QVariant());
    }

    // The row being edited shows its unsaved values; a cancel shows the stored ones again.
    void editedRowShowsBuffer() {
        ModelSignals spy(m_model.get());
        m_books.MoveTo(2);
        m_books.Edit();
        m_books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Neu"));
        QCOMPARE(m_model->index(2, 2).data().toString(), QStringLiteral("Neu"));
        QVERIFY(!spy.data.isEmpty());
        QCOMPARE(spy.data.last().at(0).toModelIndex().row(), 2);
        QCOMPARE(spy.reset.size(), 0);
        QCOMPARE(m_model->headerData(2, Qt::Vertical).toString(), QStringLiteral("I"));

        m_books.Cancel();
        QCOMPARE(m_model->index(2, 2).data().toString(), QStringLiteral("Titel 3"));
        QCOMPARE(m_model->headerData(2, Qt::Vertical).toString(), QStringLiteral("\u25B8"));
        QCOMPARE(m_model->headerData(3, Qt::Vertical), QVariant());
    }

    // A new row is shown after the list until it is posted into its place or cancelled.
    void insertedRowIsPending() {
        m_books.setIndexFieldNames(QStringLiteral("Nummer"));
        m_books.MoveTo(4);
        m_books.Insert();
        QCOMPARE(m_model->rowCount(), 13);
        QCOMPARE(m_model->currentRow(), 12);
        QVERIFY(m_model->isPendingRow(12));
        QCOMPARE(m_model->viewPosition(12), -1);
        QCOMPARE(m_model->headerData(12, Qt::Vertical).toString(), QStringLiteral("*"));
        m_books.FieldByName(QStringLiteral("Nummer")).setAsInteger(0);
        m_books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Vorne"));
        QCOMPARE(m_model->index(12, 2).data().toString(), QStringLiteral("Vorne"));
        m_books.Post();
        QCOMPARE(m_model->rowCount(), 13);
        QCOMPARE(m_model->currentRow(), 0);
        QCOMPARE(m_model->index(0, 2).data().toString(), QStringLiteral("Vorne"));

        m_books.Insert();
        QCOMPARE(m_model->rowCount(), 14);
        m_books.Cancel();
        QCOMPARE(m_model->rowCount(), 13);
        QCOMPARE(m_model->currentRow(), 0);
    }

    void indicatorFollowsCurrentRow() {
        QSignalSpy header(m_model.get(), &QAbstractItemModel::headerDataChanged);
        m_books.MoveTo(5);
        QCOMPARE(m_model->headerData(5, Qt::Vertical).toString(), QStringLiteral("\u25B8"));
        QCOMPARE(m_model->headerData(0, Qt::Vertical), QVariant());
        QVERIFY(header.size() >= 2);
    }

    // While controls are disabled the model hears nothing, however much the table moves; enabling them
    // resets it once, and the counting lets nested preparations share one pause.
    void disabledControlsResetOnce() {
        ModelSignals spy(m_model.get());
        m_source->DisableControls();
        m_source->DisableControls();
        m_books.setIndexFieldNames(QStringLiteral("Verfasser"));
        m_books.Last();
        m_books.Insert();
        m_books.FieldByName(QStringLiteral("Nummer")).setAsInteger(99);
        m_books.Post();
        m_books.setFilter(QStringLiteral("Nummer > 6"));
        m_books.setFiltered(true);
        m_source->EnableControls();
        QCOMPARE(spy.total(), 0);
        QVERIFY(m_source->ControlsDisabled());
        m_source->EnableControls();
        QVERIFY(!m_source->ControlsDisabled());
        QCOMPARE(spy.reset.size(), 1);
        QCOMPARE(m_model->rowCount(), 7);
        QCOMPARE(modelColumn(*m_model, 0), columnTexts(m_books, QStringLiteral("Nummer")));
        m_source->EnableControls(); // unmatched: ignored
        QVERIFY(!m_source->ControlsDisabled());
    }

    // Loan lists show the lookup fields, read from the book and reader tables when painted.
    void showsLookupFields() {
        Table readers(QStringLiteral("ClientLeser"));
        readers.setColumns(LibraryTables::readerColumns());
        readers.CreateDataSet();
        readers.Append();
        readers.FieldByName(QStringLiteral("ID")).setAsInteger(1);
        readers.FieldByName(QStringLiteral("Nachname")).setAsString(QStringLiteral("Meier"));
        readers.Post();
        Table loans(QStringLiteral("ClientAusleihe"));
        loans.setColumns(LibraryTables::loanColumns());
        LibraryTables::addLoanLookupFields(loans, m_books, readers);
        loans.CreateDataSet();
        loans.Append();
        loans.FieldByName(QStringLiteral("BuecherID")).setAsInteger(3);
        loans.FieldByName(QStringLiteral("LeserID")).setAsInteger(1);
        loans.FieldByName(QStringLiteral("DatumVon")).setAsString(QStringLiteral("01.02.2024"));
        loans.Post();

        DataSource source(loans);
        TableModel model(&source, {{QStringLiteral("BuchTitel"), QStringLiteral("Titel"), 100},
                                   {QStringLiteral("LeserNachname"), QStringLiteral("Nachname"), 100},
                                   {QStringLiteral("DatumVon"), QStringLiteral("Datum (Von)"), 0}});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("Titel 3"));
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("Meier"));
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("01.02.2024"));

        // Changing the key of the edited loan changes its lookup cells at once.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        loans.Edit();
        loans.FieldByName(QStringLiteral("BuecherID")).setAsInteger(7);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().at(0).toModelIndex().row(), 0);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("Titel 7"));
        loans.Cancel();
    }
};

QTEST_MAIN(TableModelTest)
#include "tst_tablemodel.moc"
