// The overdue letters' windows: the options window, the preview's status line, and the printed PDF read
// back. Who gets a letter and its layout are tested with the printing's rules.

#include "MahnReaders.h"
#include "PrintFixture.h"

#include "core/Clock.h"
#include "printing/MahnOptionen.h"
#include "printing/MahnPreview.h"
#include "printing/PrinterChoice.h"
#include "printing/TPreview.h"
#include "printing/rules/MahnLetters.h"
#include "settings/INI.h"
#include "ui/MessageService.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QtTest>
#include <map>
#include <set>

using namespace lesaro;
using namespace lesaro::printing;
using printtest::Fixture;
using printtest::pdfPages;
using printtest::readerWithBooks;
using printtest::Today;

namespace {

void setAddress(Table& readers, int id, const QString& strasse, const QString& plz, const QString& ort) {
    readers.setFiltered(false);
    QVERIFY(readers.Locate(QStringLiteral("ID"), {id}));
    readers.Edit();
    readers.FieldByName(QStringLiteral("Strae")).setAsString(strasse);
    readers.FieldByName(QStringLiteral("PLZ")).setAsString(plz);
    readers.FieldByName(QStringLiteral("Ort")).setAsString(ort);
    readers.Post();
}

} // namespace

class tst_mahnung : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Clock::setFixedNow(QDateTime(Today, QTime(10, 0))); }
    void cleanup() { Clock::setFixedNow({}); }

    void optionsWindowStoresAndRefusesEmptyText();

    void printedLettersReadBack();
    void randomLibrariesPrintedAndReadBack();
    void statusCountsReadersWithoutAddress();
    void nothingOverdueTellsTheUser();
};

void tst_mahnung::optionsWindowStoresAndRefusesEmptyText() {
    Fixture f;
    TMahnOptionenF window(f.library(), nullptr);
    QTimer::singleShot(0, &window, [&] {
        QCOMPARE(window.EditAbsender()->text(), MahnTexts::defaults().sender);
        window.MemoText()->setPlainText(QStringLiteral("  \n "));
        window.OKClick();
        QVERIFY(window.isVisible());
        QCOMPARE(MessageService::takeShownTexts(), QStringList{QStringLiteral("Bitte geben Sie einen Brieftext ein.")});
        window.EditAbsender()->setText(QStringLiteral("Bücherei Tomarelle · Hauptstraße 2 · 54321 Tomarelle"));
        window.MemoText()->setPlainText(QStringLiteral("bitte bringen Sie die Bücher zurück."));
        window.OKClick();
    });
    QCOMPARE(window.exec(), int(QDialog::Accepted));
    QCOMPARE(MahnTexts::load().sender, QStringLiteral("Bücherei Tomarelle · Hauptstraße 2 · 54321 Tomarelle"));
    QCOMPARE(MahnTexts::load().body, QStringLiteral("bitte bringen Sie die Bücher zurück."));

    // Abbrechen keeps the store; Standard fills in the program's words.
    QTimer::singleShot(0, &window, [&] {
        window.StandardClick();
        QCOMPARE(window.MemoText()->toPlainText(), MahnTexts::defaults().body);
        window.reject();
    });
    QCOMPARE(window.exec(), int(QDialog::Rejected));
    QCOMPARE(MahnTexts::load().body, QStringLiteral("bitte bringen Sie die Bücher zurück."));
}

namespace {
struct SmallLibrary {
    explicit SmallLibrary(Fixture& f) {
        const QStringList titles{"Effi Briest",           "Der Schimmelreiter", "Die Leiden des jungen Werthers",
                                 "Der Process",           "Buddenbrooks",       "Woyzeck",
                                 "Emil und die Detektive"};
        QList<int> b;
        for (int i = 0; i < titles.size(); ++i)
            b.append(f.addBook(501 + i, QStringLiteral("Verfasser%1").arg(i), titles[i]));
        const int anna = f.addReader(1, QStringLiteral("Anna"), QStringLiteral("Albers"));
        const int bernd = f.addReader(2, QStringLiteral("Bernd"), QStringLiteral("Brückner"));
        const int clara = f.addReader(3, QStringLiteral("Clara"), QStringLiteral("Conrad"));
        const int dora = f.addReader(4, QStringLiteral("Dora"), QStringLiteral("Dietz"));
        setAddress(f.readers(), anna, QStringLiteral("Lindenweg 3"), QStringLiteral("12345"),
                   QStringLiteral("Musterstadt"));
        setAddress(f.readers(), bernd, QStringLiteral("Am Markt 9"), QStringLiteral("54321"),
                   QStringLiteral("Tomarelle"));
        // Clara has no address; Dora has only books that are not yet due.
        f.addLoan(b[0], anna, Today.addDays(-40), Today.addDays(-12));
        f.addLoan(b[1], anna, Today.addDays(-40), Today.addDays(-2));
        f.addLoan(b[2], bernd, Today.addDays(-40), Today.addDays(-1));
        f.addLoan(b[3], bernd, Today.addDays(-40), Today.addDays(-30), Today.addDays(-3));
        f.addLoan(b[4], clara, Today.addDays(-40), Today.addDays(-7));
        f.addLoan(b[5], dora, Today.addDays(-4), Today.addDays(10));
        f.addLoan(b[6], anna, Today.addDays(-4), Today);
        expected = {{"Anna Albers", {"Effi Briest", "Der Schimmelreiter"}},
                    {"Bernd Brückner", {"Die Leiden des jungen Werthers"}},
                    {"Clara Conrad", {"Buddenbrooks"}}};
        allTitles = titles;
    }
    QList<std::pair<QString, QStringList>> expected;
    QStringList allTitles;
};
} // namespace

// Through the real print path into the built-in PDF printer, read back with pdftotext: one page per
// overdue reader, each overdue book on its reader's page and on no other.
void tst_mahnung::printedLettersReadBack() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    Fixture f;
    SmallLibrary lib(f);
    PrinterChoice::selectDefault();
    TMahnungenF window(f.library(), nullptr);
    window.refresh();
    window.show();
    QCOMPARE(window.PrintJob1()->PageCount(), 3);
    const QString file = f.path(QStringLiteral("mahnungen.pdf"));
    FileDialogService::answerNext(file);
    QVERIFY(window.printLetters());

    const QStringList pages = pdfPages(file);
    QCOMPARE(pages.size(), 3);
    for (int p = 0; p < pages.size(); ++p) {
        const QString& text = pages[p];
        QVERIFY2(text.contains(lib.expected[p].first), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("15.03.2024")));
        QVERIFY(text.contains(QStringLiteral("fällig seit")));
        QVERIFY(text.contains(QStringLiteral("Guten Tag %1,").arg(lib.expected[p].first)));
        for (const QString& title : lib.allTitles)
            QVERIFY2(text.contains(title) == lib.expected[p].second.contains(title),
                     qPrintable(QStringLiteral("page %1, %2:\n%3").arg(p + 1).arg(title, text)));
    }
    QVERIFY(pages[0].contains(QStringLiteral("12345 Musterstadt")));
    QVERIFY(pages[0].contains(QStringLiteral("03.03.2024"))); // Effi Briest, due twelve days ago (a leap year)
    // Clara's letter has her name alone in the window.
    QVERIFY(!pages[2].contains(QStringLiteral("Lindenweg")) && !pages[2].contains(QStringLiteral("Tomarelle")));
}

// Random small libraries through the whole path, collection, layout, print job, PDF, against a plain
// computation of who owes which book: each title on its reader's page and on no other.
void tst_mahnung::randomLibrariesPrintedAndReadBack() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    for (quint32 seed = 101; seed <= 104; ++seed) {
        QRandomGenerator rng(seed);
        Fixture f;
        PrinterChoice::selectDefault();
        const int bookCount = 2 + int(rng.bounded(12)), readerCount = 1 + int(rng.bounded(5));
        QList<int> bookIds, readerIds;
        for (int i = 0; i < bookCount; ++i)
            bookIds.append(f.addBook(200 + i, QStringLiteral("Autor"), QStringLiteral("Buch-%1-Ende").arg(i)));
        for (int i = 0; i < readerCount; ++i)
            readerIds.append(f.addReader(i + 1, QStringLiteral("Vor%1").arg(i), QStringLiteral("Leser%1").arg(i)));
        std::map<int, std::set<QString>> owed; // reader index → titles
        QStringList ops;
        for (int i = 0; i < int(rng.bounded(20)); ++i) {
            const int b = int(rng.bounded(bookCount)), r = int(rng.bounded(readerCount));
            const int due = int(rng.bounded(7)) - 3;
            const bool back = rng.bounded(4) == 0;
            f.addLoan(bookIds[b], readerIds[r], Today.addDays(-20), Today.addDays(due), back ? Today : QDate());
            ops.append(QStringLiteral("(%1,%2,%3%4)").arg(b).arg(r).arg(due).arg(back ? "r" : ""));
            if (due < 0 && !back)
                owed[r].insert(QStringLiteral("Buch-%1-Ende").arg(b));
        }
        const QString where = QStringLiteral("seed %1, loans %2").arg(seed).arg(ops.join(' '));
        TMahnungenF window(f.library(), nullptr);
        window.refresh();
        if (owed.empty()) {
            QVERIFY2(window.collection().readers.isEmpty(), qPrintable(where));
            continue;
        }
        window.show();
        const QString file = f.path(QStringLiteral("zufall.pdf"));
        FileDialogService::answerNext(file);
        QVERIFY2(window.printLetters(), qPrintable(where));
        const QStringList pages = pdfPages(file);
        QCOMPARE(pages.size(), int(owed.size()));
        int p = 0;
        for (const auto& [reader, titles] : owed) { // readers sort by "Leser<n>", as the map does
            const QString& text = pages[p++];
            QVERIFY2(text.contains(QStringLiteral("Vor%1 Leser%1").arg(reader)), qPrintable(where + "\n" + text));
            for (int b = 0; b < bookCount; ++b) {
                const QString title = QStringLiteral("Buch-%1-Ende").arg(b);
                QVERIFY2(text.contains(title) == (titles.count(title) > 0),
                         qPrintable(where + QStringLiteral(" page %1, %2").arg(p).arg(title)));
            }
        }
    }
}

void tst_mahnung::statusCountsReadersWithoutAddress() {
    Fixture f;
    SmallLibrary lib(f);
    TMahnungenF window(f.library(), nullptr);
    window.refresh();
    QCOMPARE(window.StatusText()->text(),
             QStringLiteral("3 Mahnschreiben zu 4 überfälligen Büchern; 1 Leser ohne Anschrift (nur Name)"));
    MahnCollection one;
    one.readers.append(readerWithBooks(1));
    one.loansWithoutReader = 2;
    QCOMPARE(
        TMahnungenF::statusText(one),
        QStringLiteral("1 Mahnschreiben zu 1 überfälligen Buch; 2 überfällige Ausleihen ohne Leser (nicht gemahnt)"));
}

void tst_mahnung::nothingOverdueTellsTheUser() {
    Fixture f;
    const int b = f.addBook(1, QStringLiteral("A"), QStringLiteral("B"));
    f.addLoan(b, f.addReader(1, QStringLiteral("C"), QStringLiteral("D")), Today, Today.addDays(14));
    TMahnungenF window(f.library(), nullptr);
    QCOMPARE(window.exec(), int(QDialog::Rejected));
    QCOMPARE(MessageService::takeShownTexts(),
             QStringList{QStringLiteral("Zurzeit ist kein Buch überfällig; es gibt nichts zu mahnen.")});
}

QTEST_MAIN(tst_mahnung)
#include "tst_mahnung.moc"
