#include "catalogue/TDB1EingabeF.h"
#include "catalogue/TLeserEingebenF.h"
#include "core/Clock.h"
#include "core/GermanLocale.h"
#include "library/OverdueLoans.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "support/ProgramRun.h"
#include "ui/DataGrid.h"
#include "ui/MessageService.h"
#include "ui/TableModel.h"

#include <QHeaderView>
#include <QMenu>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <set>
#include <tuple>

using namespace lesaro;
using B = MessageService::Button;

// The main window driven as a librarian would, on a temporary data folder and settings file.
class MainformTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    test::ProgramRun start() { return test::ProgramRun(m_dir->path() + QStringLiteral("/share"), m_dir->path()); }

    static void finish(test::ProgramRun w) { w.finish(); }

    static void addBook(TMainform& w, const QString& author) {
        Table& t = w.ClientBuecher();
        t.Append();
        t.FieldByName(QStringLiteral("Verfasser")).setAsString(author);
        t.Post();
    }

    static void addLoan(TMainform& w, int book, const QVariant& due, const QVariant& returned) {
        Table& t = w.ClientAusleihe();
        t.Append();
        t.FieldByName(QStringLiteral("BuecherID")).setAsInteger(book);
        t.FieldByName(QStringLiteral("LeserID")).setAsInteger(1);
        if (due.isValid())
            t.FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(due.toDate());
        if (returned.isValid())
            t.FieldByName(QStringLiteral("DatumBis")).setAsDate(returned.toDate());
        t.Post();
    }

    static QStringList authors(TMainform& w) {
        QStringList out;
        TableModel* m = w.grid(0)->tableModel();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->data(m->index(r, 1)).toString();
        return out;
    }

    static void clickTitle(DataGrid* grid, int column) {
        QHeaderView* h = grid->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + 5, h->height() / 2));
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Lesaro.reg"));
        MessageService::setAnswering(true);
        Clock::setFixedNow(QDateTime(QDate(2022, 2, 15), QTime(10, 0)));
    }

    void cleanup() {
        Clock::setFixedNow({});
        MessageService::setAnswering(false);
    }

    void layout() {
        auto w = start();
        QCOMPARE(w->windowTitle(), QStringLiteral("Tomarelle 2022 by Orvendel Software"));
        QTabWidget* pages = w->PageControl1();
        QCOMPARE(pages->count(), 4);
        QCOMPARE(pages->tabText(3), QStringLiteral("Überfällige Bücher"));
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(w->grid(0)->columnTitles().mid(0, 6),
                 (QStringList{"Nr.", "Verfasser", "Titel", "Verlag", "Jahr", "Ort"}));
        QCOMPARE(w->grid(0)->columnTitles().size(), 23);
        QCOMPARE(w->grid(1)->columnTitles().at(3), QStringLiteral("Straße"));
        QCOMPARE(w->grid(2)->columnTitles().size(), 9);
        QCOMPARE(w->grid(3)->columnTitles().size(), 8);
        QVERIFY(!w->grid(3)->columnTitles().contains(QStringLiteral("Datum (Bis)")));
        QCOMPARE(w->findChild<QWidget*>(QStringLiteral("GradientPanel1"))->height(), 72);
        QCOMPARE(w->findChild<QAction*>(QStringLiteral("Ausleihen1"))->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(w->findChild<QAction*>(QStringLiteral("Hilfeaufrufen1"))->shortcut(), QKeySequence(Qt::Key_F1));
        QStringList help;
        for (QAction* a : w->helpMenu()->actions())
            help << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(help,
                 (QStringList{"Hilfe aufrufen", "Netzwerk- und Mehrbenutzerbetrieb", "Orvendel Software im Internet",
                              "-", "UMFRAGE zur Verbesserung des Programmes", "Info"}));
        finish(std::move(w));
    }

    void sortingByTitleSurvivesRestart() {
        auto w = start();
        for (const char* a : {"Müller", "meier", "Adler", "Meier"})
            addBook(*w, QString::fromUtf8(a));
        clickTitle(w->grid(0), 1);
        QCOMPARE(w->ClientBuecher().IndexFieldNames(), QStringLiteral("Verfasser"));
        QCOMPARE(authors(*w), (QStringList{"Adler", "meier", "Meier", "Müller"}));
        clickTitle(w->grid(2), 1); // loan lists do not sort
        QCOMPARE(w->ClientAusleihe().IndexFieldNames(), QStringLiteral("ID"));
        finish(std::move(w));
        w = start();
        QCOMPARE(authors(*w), (QStringList{"Adler", "meier", "Meier", "Müller"}));
        finish(std::move(w));
    }

    void overdueTab() {
        auto w = start();
        addBook(*w, QStringLiteral("A"));
        const QDate today = Clock::today();
        addLoan(*w, 1, today.addDays(-1), QVariant());        // overdue
        addLoan(*w, 1, today, QVariant());                    // due today: not overdue
        addLoan(*w, 1, QVariant(), today.addDays(-3));        // returned
        addLoan(*w, 1, today.addDays(-9), today.addDays(-9)); // due date kept on an odd old row, returned
        w->PageControl1()->setCurrentIndex(3);
        QCOMPARE(w->grid(3)->tableModel()->rowCount(), 2);
        QCOMPARE(w->ClientAusleihe().Filter(), QStringLiteral("DatumBisSoll < '15.02.2022'"));
        w->PageControl1()->setCurrentIndex(2);
        QCOMPARE(w->grid(2)->tableModel()->rowCount(), 4);
        // The print command sets the tab without the tab rule, and the overdue filter itself.
        test::closeNextDialog();
        w->UeberfaelligeDruckenClick();
        QCOMPARE(w->PageControl1()->currentIndex(), 3);
        QVERIFY(w->ClientAusleihe().Filtered());
        test::closeNextDialog();
        w->GesamtlisteDruckenClick();
        QVERIFY(!w->ClientAusleihe().Filtered());
        finish(std::move(w));
    }

    // Random small libraries kept as the desk keeps them (a return empties the due date), with readers and
    // books that are gone: the overdue page shows exactly the loans the letters and the overdue list take.
    void overduePageAgreesWithTheReminders() {
        const QDate today = Clock::today();
        for (quint32 seed = 1; seed <= 6; ++seed) {
            auto w = start();
            QRandomGenerator rng(seed);
            const int bookCount = 1 + int(rng.bounded(6)), readerCount = 1 + int(rng.bounded(4));
            for (int i = 0; i < bookCount; ++i)
                addBook(*w, QStringLiteral("Autor %1").arg(i));
            Table& readers = w->ClientLeser();
            for (int i = 0; i < readerCount; ++i) {
                readers.Append();
                readers.FieldByName(QStringLiteral("Nachname")).setAsString(QStringLiteral("N%1").arg(rng.bounded(3)));
                readers.Post();
            }
            Table& loans = w->ClientAusleihe();
            QStringList ops;
            for (int i = 0, n = int(rng.bounded(16)); i < n; ++i) {
                const int book = 1 + int(rng.bounded(bookCount + 1)), reader = 1 + int(rng.bounded(readerCount + 1));
                const int due = int(rng.bounded(7)) - 3;
                const bool back = rng.bounded(3) == 0;
                loans.Append();
                loans.FieldByName(QStringLiteral("BuecherID")).setAsInteger(book);
                loans.FieldByName(QStringLiteral("LeserID")).setAsInteger(reader);
                if (back)
                    loans.FieldByName(QStringLiteral("DatumBis")).setAsDate(today);
                else
                    loans.FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(today.addDays(due));
                loans.Post();
                ops.append(QStringLiteral("(%1,%2,%3)")
                               .arg(book)
                               .arg(reader)
                               .arg(back ? QStringLiteral("r") : QString::number(due)));
            }
            std::multiset<std::tuple<QString, QString, QString>> selected, shown;
            for (const OverdueLoan& loan : OverdueLoans::select(loans, w->ClientBuecher(), readers, today))
                selected.insert({loan.buchNummer, loan.readerNummer, GermanLocale::formatDate(loan.due)});
            w->PageControl1()->setCurrentIndex(3);
            TableModel* page = w->grid(3)->tableModel();
            const QStringList titles = w->grid(3)->columnTitles();
            const int nummer = int(titles.indexOf(QStringLiteral("Buch-Nr."))),
                      leser = int(titles.indexOf(QStringLiteral("Leser-Nr."))),
                      soll = int(titles.indexOf(QStringLiteral("Soll-Rückgabe")));
            for (int r = 0; r < page->rowCount(); ++r)
                shown.insert({page->data(page->index(r, nummer)).toString(),
                              page->data(page->index(r, leser)).toString(),
                              page->data(page->index(r, soll)).toString()});
            QVERIFY2(selected == shown, qPrintable(QStringLiteral("seed %1, loans %2").arg(seed).arg(ops.join(' '))));
            finish(std::move(w));
        }
    }

    void deletion() {
        auto w = start();
        addBook(*w, QStringLiteral("A"));
        addBook(*w, QStringLiteral("B"));
        MessageService::answerNext(B::Cancel);
        w->BuchLoeschenClick();
        QCOMPARE(w->ClientBuecher().RecordCount(), 2);
        MessageService::answerNext(B::Yes);
        w->BuchLoeschenClick();
        QCOMPARE(w->ClientBuecher().RecordCount(), 1);
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text,
                 QStringLiteral("Sind Sie sicher, dass Sie das aktuell markierte Buch löschen möchten?"));
        QCOMPARE(shown[0].title, QStringLiteral("Bestätigen"));
        // An empty reader list still asks, then reports the engine's refusal.
        MessageService::answerNext(B::Yes);
        w->LeserLoeschenClick();
        QCOMPARE(MessageService::takeShownTexts().last(),
                 QStringLiteral("Operation bei leerer Datenmenge nicht ausführbar"));
        finish(std::move(w));
    }

    void deletingAnOpenLoanReleasesTheBook() {
        auto w = start();
        addBook(*w, QStringLiteral("A"));
        Table& books = w->ClientBuecher();
        books.Edit();
        books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(true);
        books.Post();
        books.setFilter(QStringLiteral("ausgeliehen = 'false'"));
        books.setFiltered(true); // as the loan booking leaves it
        addLoan(*w, 1, Clock::today(), QVariant());
        w->PageControl1()->setCurrentIndex(2);
        w->grid(2)->setFocus();
        MessageService::answerNext(B::Ok);
        QTest::keyClick(w->grid(2), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(w->ClientAusleihe().RecordCount(), 0);
        QCOMPARE(books.RecordCount(), 1); // lendable again
        QVERIFY(books.Filtered());
        finish(std::move(w));
    }

    void numberingAndCancelledInsert() {
        auto w = start();
        auto* entry = w->findChild<TDB1EingabeF*>();
        QVERIFY(entry);
        QList<int> seen;
        bool keep = false;
        // The book entry window is shown modally: look at the new row while it is open, then close it.
        auto whileOpen = [&] {
            QTimer::singleShot(0, entry, [&] {
                QVERIFY(entry->isVisible());
                Table& t = w->ClientBuecher();
                seen << t.FieldByName(QStringLiteral("ID")).AsInteger()
                     << t.FieldByName(QStringLiteral("Nummer")).AsInteger();
                if (keep)
                    t.Post();
                else
                    MessageService::answerNext(B::No); // the close question: drop the new row
                entry->close();
            });
        };
        whileOpen();
        w->NeuesBuchClick();
        keep = true;
        whileOpen();
        w->NeuesBuchClick();
        QCOMPARE(seen, (QList<int>{1, 1, 2, 2}));
        QCOMPARE(w->ClientBuecher().RecordCount(), 1);
        // Editing from an empty reader list opens nothing.
        auto* readerEntry = w->findChild<TLeserEingebenF*>();
        QSignalSpy opened(readerEntry, &QDialog::finished);
        w->LeserBearbeitenClick();
        QCOMPARE(opened.count(), 0);
        finish(std::move(w));
    }

    // Releasing the book of a deleted open loan must not move the book list's marked row: the next
    // "Buch löschen" has to delete the book the user marked.
    void deletingAnOpenLoanKeepsTheMarkedBook() {
        auto w = start();
        for (const char* a : {"Erster", "Zweiter", "Dritter"})
            addBook(*w, QString::fromLatin1(a));
        Table& books = w->ClientBuecher();
        books.Locate(QStringLiteral("Verfasser"), {QStringLiteral("Erster")});
        books.Edit();
        books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(true);
        books.Post();
        addLoan(*w, 1, Clock::today().addDays(-5), QVariant());
        books.Locate(QStringLiteral("Verfasser"), {QStringLiteral("Dritter")});
        w->PageControl1()->setCurrentIndex(3);
        w->grid(3)->setFocus();
        MessageService::answerNext(B::Ok);
        QTest::keyClick(w->grid(3), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(w->ClientAusleihe().RecordCount(), 0);
        w->PageControl1()->setCurrentIndex(0);
        QCOMPARE(books.FieldByName(QStringLiteral("Verfasser")).AsString(), QStringLiteral("Dritter"));
        MessageService::answerNext(B::Yes);
        w->BuchLoeschenClick();
        QStringList left;
        for (books.First(); !books.Eof(); books.Next())
            left << books.FieldByName(QStringLiteral("Verfasser")).AsString();
        QCOMPARE(left, (QStringList{"Erster", "Zweiter"}));
        finish(std::move(w));
    }

    // "Buch bearbeiten" from the context menu of a loan list edits the book of the loan right-clicked, not
    // whatever book the book list has marked, and the loan list shows its loans again afterwards.
    void editingTheBookOfALoan_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("rowsShown");
        QTest::newRow("Ausleihliste") << 2 << 3;
        QTest::newRow("Überfällige Bücher") << 3 << 2;
    }
    void editingTheBookOfALoan() {
        QFETCH(int, tab);
        QFETCH(int, rowsShown);
        auto w = start();
        for (const char* a : {"Erster", "Zweiter", "Dritter"})
            addBook(*w, QString::fromLatin1(a));
        const QDate today = Clock::today();
        addLoan(*w, 1, today.addDays(-4), QVariant());
        addLoan(*w, 2, today.addDays(-2), QVariant());
        addLoan(*w, 3, QVariant(), today.addDays(-1));
        Table& books = w->ClientBuecher();
        QVERIFY(books.Locate(QStringLiteral("Verfasser"), {QStringLiteral("Dritter")}));
        w->PageControl1()->setCurrentIndex(tab);
        DataGrid* grid = w->grid(tab);
        QCOMPARE(grid->tableModel()->rowCount(), rowsShown);
        // Right-click the loan of the second book.
        int row = -1;
        for (int r = 0; r < grid->tableModel()->rowCount(); ++r) {
            if (grid->tableModel()->data(grid->tableModel()->index(r, 1)).toString() == QLatin1String("Zweiter"))
                row = r;
        }
        QVERIFY(row >= 0);
        QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, QPoint(20, grid->rowViewportPosition(row) + 5));
        QCOMPARE(w->ClientAusleihe().FieldByName(QStringLiteral("BuecherID")).AsInteger(), 2);
        auto* popup = w->findChild<QMenu*>(QStringLiteral("PopupMenu1"));
        QVERIFY(popup);
        popup->close();
        QAction* edit = nullptr;
        for (QAction* a : popup->actions()) {
            if (a->text() == QLatin1String("Buch bearbeiten"))
                edit = a;
        }
        QVERIFY(edit);
        auto* entry = w->findChild<TDB1EingabeF*>();
        QString shown;
        QTimer::singleShot(0, entry, [&] {
            shown = books.FieldByName(QStringLiteral("Verfasser")).AsString();
            entry->close();
        });
        edit->trigger();
        QCOMPARE(shown, QStringLiteral("Zweiter"));
        QCOMPARE(w->PageControl1()->currentIndex(), tab);
        QCOMPARE(grid->tableModel()->rowCount(), rowsShown);
        QVERIFY(MessageService::takeShownTexts().isEmpty());
        finish(std::move(w));
    }

    // With no settings yet, a failed start still titles every book column.
    void captionsAfterAFailedStart() {
        {
            auto first = start();
            first.finish();
        }
        QFile::remove(m_dir->path() + QStringLiteral("/Lesaro.reg"));
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Lesaro.reg"));
        QFile::remove(m_dir->path() + QStringLiteral("/share/Tomarelle 2022/leser30.b04"));
        auto w = start();
        QVERIFY(!w->startupDone());
        const QStringList titles = w->grid(0)->columnTitles();
        QCOMPARE(titles.mid(0, 3), (QStringList{"Nr.", "Verfasser", "Titel"}));
        QVERIFY(!titles.contains(QString()));
        finish(std::move(w));
    }

    void columnWidthsSurviveRestartAndRename() {
        auto w = start();
        QCOMPARE(w->grid(0)->columnWidthByTitle(QStringLiteral("Verfasser")), 75); // design width, stored at creation
        w->grid(0)->setColumnWidthByTitle(QStringLiteral("Verfasser"), 140);
        w->grid(2)->setColumnWidthByTitle(QStringLiteral("Titel"), 170);
        finish(std::move(w));
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("BreiteAVerfasser")), 140);
        w = start();
        QCOMPARE(w->grid(0)->columnWidthByTitle(QStringLiteral("Verfasser")), 140);
        QCOMPARE(w->grid(2)->columnWidthByTitle(QStringLiteral("Titel")), 170);
        // The Options window's "OK": new caption, captions applied, widths stored under the new title.
        INI::WriteSettingString(QStringLiteral("Verfasser"), QStringLiteral("Autor"));
        w->ApplyFieldCaptions();
        w->StoreColumnWidths();
        QCOMPARE(w->grid(0)->columnWidthByTitle(QStringLiteral("Autor")), 140);
        finish(std::move(w));
        w = start();
        QCOMPARE(w->grid(0)->columnWidthByTitle(QStringLiteral("Autor")), 140);
        finish(std::move(w));
    }
};

QTEST_MAIN(MainformTest)
#include "tst_mainform.moc"
