// The search window driven through its controls and handlers on a small library: the field box, the trimmed
// text, the hit count, the double-click into the book window, the order and what closing puts back.
#include "core/GermanLocale.h"
#include "search/BookFixture.h"
#include "search/TAuswertenF.h"
#include "settings/FieldCaptions.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "support/Controls.h"
#include "ui/DataGrid.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"
#include "ui/TableModel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace lesaro;
using namespace lesaro::testing;

namespace {

// ID = position + 1.
const QList<Book> kBooks = {
    {12, "Brandner", "Rom und Umgebung", "12,00", {"Rom", "", "Reise"}},
    {112, "Brandner, K.", "Grimm's Märchen", "112,50", {"", "", "", "", "", "", "", "", "", "Romane"}},
    {120, "Carus", "Ostsee", "", {"Meer"}},
    {5, "Grimm", "Kinder- und Hausmärchen", "5,95", {"Märchen", "ROM"}},
    {7, "Adler", "Zugvögel", "", {}},
};

enum class CloseBy { Button, Escape, CloseBox };

} // namespace

Q_DECLARE_METATYPE(CloseBy)

class tst_AuswertenF : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LibraryHandle> m_library;
    std::unique_ptr<TAuswertenF> m_window;

    Table& books() { return m_library->ClientBuecher(); }
    template <typename T>
    T* control(const char* name) {
        return test::control<T>(*m_window, name);
    }
    QComboBox* CB1() { return control<QComboBox>("CB1"); }
    QLineEdit* E1() { return control<QLineEdit>("E1"); }
    QLabel* LAnzahl() { return control<QLabel>("LAnzahl"); }

    void search(const QString& choice, const QString& text, bool exact) {
        CB1()->setCurrentText(choice);
        E1()->setText(text);
        control<QRadioButton>(exact ? "RBexakt" : "RBTeil")->setChecked(true);
        control<QPushButton>("BAnzeigen")->click();
    }

    QList<int> gridIds() {
        // The grid shows the table's view; its number column identifies the rows shown.
        QList<int> ids;
        TableModel* m = m_window->DBGrid1()->tableModel();
        for (int r = 0; r < m->rowCount(); ++r) {
            const int nummer = m->data(m->index(r, 0)).toInt();
            for (int i = 0; i < kBooks.size(); ++i) {
                if (kBooks[i].nummer == nummer)
                    ids << i + 1;
            }
        }
        return ids;
    }

    int currentId() { return books().FieldByName(QStringLiteral("ID")).AsInteger(); }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("Lesaro.reg")));
        FieldCaptions::ApplyFieldCaptions();
        MessageService::setAnswering(true);
        m_library = std::make_unique<LibraryHandle>();
        makeBooks(books(), kBooks);
        m_window = std::make_unique<TAuswertenF>(*m_library);
        m_window->show();
    }

    void cleanup() {
        m_window.reset();
        m_library.reset();
        MessageService::setAnswering(false);
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("nach-dem-test.reg")));
    }

    void opensReadyToSearchInAllBooks() {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Auswerten"));
        QCOMPARE(CB1()->currentText(), QStringLiteral("Schlagwort"));
        QCOMPARE(CB1()->count(), 14);
        QCOMPARE(CB1()->itemText(4), QStringLiteral("Jahr"));
        QCOMPARE(CB1()->itemText(13), QStringLiteral("Schlagwort"));
        QVERIFY(control<QRadioButton>("RBTeil")->isChecked());
        QVERIFY(!control<QRadioButton>("RBexakt")->isChecked());
        QVERIFY(LAnzahl()->isHidden());
        QVERIFY(E1()->text().isEmpty());
        QCOMPARE(m_window->focusWidget(), E1());
        QCOMPARE(gridIds().size(), kBooks.size());
        QCOMPARE(m_window->DBGrid1()->columnTitles().size(), 23);
        QCOMPARE(m_window->DBGrid1()->columnTitles().mid(0, 3), (QStringList{"Nr.", "Verfasser", "Titel"}));
        QCOMPARE(m_window->DBGrid1()->columnWidth(1), 75);
        QCOMPARE(control<QPushButton>("BSchliessen")->text(), QStringLiteral(" Alle Daten (sortiert)"));
        QCOMPARE(control<QPushButton>("Button4")->text(), QStringLiteral(" Drucken"));
        QCOMPARE(control<QLabel>("Label19")->text(), QStringLiteral("="));
    }

    void searchShowsTheHitsAndTheirCount_data() {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("ids");

        QTest::newRow("keywords, part, blanks trimmed") << "Schlagwort"
                                                        << "  Rom \t" << false << "Rom" << QList<int>{1, 2, 4};
        QTest::newRow("author exactly, any case") << "Verfasser"
                                                  << "brandner" << true << "brandner" << QList<int>{1};
        QTest::newRow("author by prefix") << "Verfasser"
                                          << " Brandner*" << true << "Brandner*" << QList<int>{1, 2};
        QTest::newRow("title with a quote") << "Titel"
                                            << "grimm's" << false << "grimm's" << QList<int>{2};
        QTest::newRow("number part") << "Nr."
                                     << "12" << false << "12" << QList<int>{1, 2, 3};
        QTest::newRow("no hits") << "Titel"
                                 << "Atlantis" << false << "Atlantis" << QList<int>{};
    }
    void searchShowsTheHitsAndTheirCount() {
        QFETCH(QString, choice);
        QFETCH(QString, typed);
        QFETCH(bool, exact);
        QFETCH(QString, text);
        QFETCH(QList<int>, ids);
        search(choice, typed, exact);
        QCOMPARE(E1()->text(), text);
        QVERIFY(LAnzahl()->isVisible());
        QCOMPARE(LAnzahl()->text(), QStringLiteral("%1 Treffer").arg(ids.size()));
        QCOMPARE(gridIds(), ids);
        QCOMPARE(viewIds(books()), ids); // the main window's book table is the hit list
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    void enterInTheTextSearches() {
        CB1()->setCurrentText(QStringLiteral("Verfasser"));
        QTest::keyClicks(E1(), QStringLiteral("grimm"));
        QTest::keyClick(E1(), Qt::Key_Return);
        QCOMPARE(LAnzahl()->text(), QStringLiteral("1 Treffer"));
        QCOMPARE(viewIds(books()), QList<int>{4});
        QVERIFY(m_window->isVisible());
    }

    // The count tells how many books are shown, also after all books are back.
    void allBooksSortedByNumberWithTheirCount() {
        search(QStringLiteral("Schlagwort"), QStringLiteral("Meer"), true);
        QCOMPARE(LAnzahl()->text(), QStringLiteral("1 Treffer"));
        control<QPushButton>("BSchliessen")->click();
        QVERIFY(!books().Filtered());
        QCOMPARE(books().IndexFieldNames(), QStringLiteral("Nummer;Nummer"));
        QCOMPARE(gridIds(), (QList<int>{4, 5, 1, 2, 3}));
        QCOMPARE(LAnzahl()->text(), QStringLiteral("5 Treffer"));
        QVERIFY(m_window->isVisible());
    }

    void refusedSearchIsReportedAndTheWindowGoesOn_data() {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such field") << "Regal"
                                       << "3" << false << "Das Feld 'Regal' wurde nicht gefunden";
        QTest::newRow("letters for a number") << "Nr."
                                              << "zwölf" << true << "Fehlende Typübereinstimmung im Ausdruck";
    }
    void refusedSearchIsReportedAndTheWindowGoesOn() {
        QFETCH(QString, choice);
        QFETCH(QString, text);
        QFETCH(bool, exact);
        QFETCH(QString, message);
        search(choice, text, exact);
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, message);
        QVERIFY(LAnzahl()->isHidden());
        QVERIFY(m_window->isVisible());
        QCOMPARE(gridIds().size(), kBooks.size());
        search(QStringLiteral("Titel"), QStringLiteral("Ostsee"), true); // and the next search works
        QCOMPARE(viewIds(books()), QList<int>{3});
    }

    void renamedCaptionIsOfferedAndSearched() {
        INI::WriteSettingString(QStringLiteral("Verfasser"), QStringLiteral("Autor"));
        FieldCaptions::ApplyFieldCaptions();
        m_window->hide();
        m_window->show();
        QCOMPARE(CB1()->itemText(1), QStringLiteral("Autor"));
        search(QStringLiteral("Autor"), QStringLiteral("carus"), true);
        QCOMPARE(viewIds(books()), QList<int>{3});
    }

    void doubleClickEditsTheHit() {
        search(QStringLiteral("Verfasser"), QStringLiteral("Grimm"), true);
        QSignalSpy entry(m_window.get(), &TAuswertenF::bookEntryRequested);
        DataGrid* grid = m_window->DBGrid1();
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 2)).center());
        QCOMPARE(entry.size(), 1);
        QCOMPARE(books().State(), TableState::Edit);
        QCOMPARE(currentId(), 4);
        books().Cancel();
    }

    // An empty hit list has nothing to edit: the edit starts a new book, which the book window then shows.
    void doubleClickOnAnEmptyListStartsANewBook() {
        search(QStringLiteral("Titel"), QStringLiteral("Atlantis"), false);
        QCOMPARE(LAnzahl()->text(), QStringLiteral("0 Treffer"));
        QSignalSpy entry(m_window.get(), &TAuswertenF::bookEntryRequested);
        QTest::mouseDClick(m_window->DBGrid1()->viewport(), Qt::LeftButton);
        QCOMPARE(entry.size(), 1);
        QCOMPARE(books().State(), TableState::Insert);
        books().Cancel();
    }

    void printButtonAsksForTheHitListPrintout() {
        search(QStringLiteral("Schlagwort"), QStringLiteral("Rom"), false);
        QSignalSpy print(m_window.get(), &TAuswertenF::printRequested);
        control<QPushButton>("Button4")->click();
        QCOMPARE(print.size(), 1);
        QVERIFY(books().Filtered()); // the printout shows the hits
    }

    // A title click orders the hits; every way of closing takes the filter off and orders by number again.
    void closingPutsTheBooksBack_data() {
        QTest::addColumn<CloseBy>("how");
        QTest::newRow("Esc") << CloseBy::Escape;
        QTest::newRow("close box") << CloseBy::CloseBox;
        QTest::newRow("done") << CloseBy::Button;
    }
    void closingPutsTheBooksBack() {
        QFETCH(CloseBy, how);
        search(QStringLiteral("Schlagwort"), QStringLiteral("Rom"), false);
        DataGrid* grid = m_window->DBGrid1();
        QHeaderView* titles = grid->horizontalHeader();
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                          QPoint(titles->sectionViewportPosition(2) + 5, titles->height() / 2));
        QCOMPARE(books().IndexFieldNames(), QStringLiteral("Titel"));
        QCOMPARE(gridIds(), (QList<int>{2, 4, 1})); // Grimm's Märchen, Kinder- und Hausmärchen, Rom und Umgebung

        switch (how) {
        case CloseBy::Escape:
            QTest::keyClick(E1(), Qt::Key_Escape);
            break;
        case CloseBy::CloseBox:
            m_window->close();
            break;
        case CloseBy::Button:
            m_window->accept();
            break;
        }
        QVERIFY(!m_window->isVisible());
        QVERIFY(!books().Filtered());
        QCOMPARE(books().IndexFieldNames(), QStringLiteral("Nummer"));
        QCOMPARE(viewIds(books()), (QList<int>{4, 5, 1, 2, 3}));

        m_window->show(); // opened again: a fresh start
        QVERIFY(LAnzahl()->isHidden());
        QVERIFY(E1()->text().isEmpty());
        QCOMPARE(CB1()->currentText(), QStringLiteral("Schlagwort"));
    }
};

QTEST_MAIN(tst_AuswertenF)
#include "tst_AuswertenF.moc"
