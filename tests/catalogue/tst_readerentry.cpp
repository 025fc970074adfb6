#include "CatalogueFixture.h"
#include "catalogue/TLeserEingebenF.h"
#include "settings/INI.h"
#include "support/Controls.h"
#include "ui/DBComboBox.h"
#include "ui/DBEdit.h"
#include "ui/DataGrid.h"
#include "ui/FlatButton.h"
#include "ui/TableModel.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>

using namespace lesaro;
using namespace lesaro::testing;

class ReaderEntryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CatalogueFixture> m_fx;
    std::unique_ptr<TLeserEingebenF> m_w;

    template <typename T>
    T* child(const char* name) {
        return test::control<T>(*m_w, name);
    }
    DBComboBox* town() { return child<DBComboBox>("CBOrt"); }
    QStringList townItems() {
        QStringList out;
        for (int i = 0; i < town()->count(); ++i)
            out << town()->itemText(i);
        return out;
    }
    // Types into the postcode box (or only passes through it) and leaves it for the town box.
    void passPostcode(const QString* typed) {
        auto* plz = child<DBEdit>("DBEdit8");
        plz->setFocus();
        if (typed) {
            plz->selectAll();
            QTest::keyClicks(plz, *typed);
        }
        QTest::keyClick(plz, Qt::Key_Tab);
        QVERIFY(!plz->hasFocus());
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() {
        m_fx = std::make_unique<CatalogueFixture>();
        m_fx->usePostcodes({{"54321", "Cdorf"}, {"12345", "Adorf"}, {"54321", "Adorf"}, {"54321", "Bdorf"}});
        m_w = std::make_unique<TLeserEingebenF>(m_fx->library());
    }
    void cleanup() {
        m_w.reset();
        m_fx.reset();
    }

    void postcodeLookup_data() {
        QTest::addColumn<bool>("newReader"); // else the saved reader, only tabbed through
        QTest::addColumn<QString>("townBefore");
        QTest::addColumn<QString>("plz"); // typed; empty: the saved postcode 54321 stays
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("townAfter");
        const QStringList three{"Cdorf", "Adorf", "Bdorf"};
        QTest::newRow("one town") << true << ""
                                  << "12345" << QStringList{"Adorf"} << "Adorf";
        QTest::newRow("three towns: the first in table order") << true << ""
                                                               << "54321" << three << "Cdorf";
        QTest::newRow("town already typed stays") << true << "Xdorf"
                                                  << "54321" << three << "Xdorf";
        QTest::newRow("unknown postcode") << true << "Xdorf"
                                          << "99999" << QStringList{} << "Xdorf";
        QTest::newRow("unknown postcode, no town") << true << ""
                                                   << "99999" << QStringList{} << "";
        QTest::newRow("a quote is only a character") << true << ""
                                                     << "12'45" << QStringList{} << "";
        QTest::newRow("tabbed through in browse state: list only") << false << ""
                                                                   << "" << three << "";
        QTest::newRow("changed postcode of a saved reader") << false << ""
                                                            << "12345" << QStringList{"Adorf"} << "Adorf";
    }
    void postcodeLookup() {
        QFETCH(bool, newReader);
        QFETCH(QString, townBefore);
        QFETCH(QString, plz);
        QFETCH(QStringList, items);
        QFETCH(QString, townAfter);
        Table& readers = m_fx->readers();
        if (newReader) {
            readers.Insert();
            readers.FieldByName(QStringLiteral("Ort")).setAsString(townBefore);
        } else {
            m_fx->addReader(QStringLiteral("Anna"), QStringLiteral("Meier"));
            readers.Edit();
            readers.FieldByName(QStringLiteral("PLZ")).setAsString(QStringLiteral("54321"));
            readers.Post();
        }
        // The list of a previous lookup is replaced, not added to.
        town()->addItems({QStringLiteral("Altort")});
        QVERIFY(showActive(*m_w));
        passPostcode(plz.isEmpty() ? nullptr : &plz);
        QCOMPARE(townItems(), items);
        QCOMPARE(text(readers, "Ort"), townAfter);
        QCOMPARE(town()->currentText(), townAfter);
        QCOMPARE(readers.State(), newReader       ? TableState::Insert
                                  : plz.isEmpty() ? TableState::Browse
                                                  : TableState::Edit);
        QVERIFY(MessageService::takeShown().isEmpty());
        QVERIFY(!m_fx->postcodes().Filtered());
        readers.Cancel();
    }

    void builtInPostcodeWithDozensOfPlaces() {
        m_fx->usePostcodes({}); // back to an empty table, then the built-in list through a fresh library
        m_w.reset();
        m_fx = std::make_unique<CatalogueFixture>();
        m_w = std::make_unique<TLeserEingebenF>(m_fx->library());
        m_fx->readers().Insert();
        QVERIFY(showActive(*m_w));
        const QString plz = QStringLiteral("15848");
        passPostcode(&plz);
        QVERIFY2(town()->count() > 50, qPrintable(QString::number(town()->count())));
        QCOMPARE(text(m_fx->readers(), "Ort"), town()->itemText(0));
        m_fx->readers().Cancel();
    }

    // "Speichern" does not take the focus; what was typed into the focused box is saved all the same.
    void saveWithTheFocusInTheBox() {
        m_fx->addReader(QStringLiteral("Anna"), QStringLiteral("Meier"));
        QVERIFY(showActive(*m_w));
        auto* name = child<DBEdit>("DBEdit2");
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Schmidt"));
        child<FlatButton>("BSpeichern")->click();
        QVERIFY(name->hasFocus());
        QCOMPARE(m_fx->readers().State(), TableState::Browse);
        QCOMPARE(text(m_fx->readers(), "Nachname"), QStringLiteral("Schmidt"));
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastLeserNummer")), 1);
        // Nothing changed: nothing saved.
        const qint64 changes = m_fx->readers().ChangeCount();
        child<FlatButton>("BSpeichern")->click();
        QCOMPARE(m_fx->readers().ChangeCount(), changes);
    }

    void openLoansGrid() {
        const int effi = m_fx->addBook(QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
        const int storm = m_fx->addBook(QStringLiteral("Storm"), QStringLiteral("Der Schimmelreiter"));
        const int anna = m_fx->addReader(QStringLiteral("Anna"), QStringLiteral("Meier"));
        const int bernd = m_fx->addReader(QStringLiteral("Bernd"), QStringLiteral("Schulz"));
        m_fx->lend(effi, anna, false);
        m_fx->lend(storm, anna, false);
        m_fx->lend(storm, anna, true);
        m_fx->lend(effi, bernd, true);
        m_fx->readers().First();
        auto* grid = child<DataGrid>("DBGrid1");
        QAbstractItemModelTester tester(grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(showActive(*m_w));
        QCOMPARE(m_fx->loans().Filter(), QStringLiteral("LeserID=%1 and DatumBis=null").arg(anna));
        QCOMPARE(grid->model()->rowCount(), 2);
        QCOMPARE(grid->tableModel()->columns().size(), 3);
        QStringList titles;
        for (int c = 0; c < 3; ++c)
            titles << grid->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{"Nummer", "Verfasser", "Titel"}));
        QCOMPARE(grid->model()->data(grid->model()->index(1, 2)).toString(), QStringLiteral("Der Schimmelreiter"));
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
        // The next reader has returned everything.
        m_fx->readers().Next();
        QCOMPARE(grid->model()->rowCount(), 0);
        // A changed title shows in the grid at once.
        m_fx->readers().First();
        Table& books = m_fx->books();
        QVERIFY(books.Locate(QStringLiteral("ID"), {storm}));
        books.Edit();
        books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Pole Poppenspäler"));
        books.Post();
        QCOMPARE(grid->model()->data(grid->model()->index(1, 2)).toString(), QStringLiteral("Pole Poppenspäler"));
    }

    // The grid's columns are lookup fields, by which the engine cannot order.
    void titleClickOnALookupColumn() {
        m_fx->addReader(QStringLiteral("Anna"), QStringLiteral("Meier"));
        QVERIFY(showActive(*m_w));
        const QString before = m_fx->loans().IndexFieldNames();
        m_w->DBGrid1TitleClick(QStringLiteral("BuchTitel"));
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageService::Kind::Error);
        QCOMPARE(m_fx->loans().IndexFieldNames(), before);
    }
};

QTEST_MAIN(ReaderEntryTest)
#include "tst_readerentry.moc"
