// The overdue letters without a window: who gets one and with which books, the address lines, the page
// layout for the window envelope, and the letter texts in the settings store.

#include "core/Table.h"
#include "printing/MahnReaders.h"
#include "printing/rules/MahnLetters.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "support/RulesLibrary.h"

#include <QRandomGenerator>
#include <QtTest>
#include <map>
#include <numeric>
#include <set>

using namespace lesaro;
using namespace lesaro::printing;
using Fixture = lesaro::testing::RulesLibrary;
using printtest::readerWithBooks;
using printtest::Today;

namespace {

// Every character as wide as half its cell: enough to exercise wrapping and cutting without fonts.
class FixedMeasurer : public TextMeasurer {
public:
    int textWidth(const QString&, int cellHeight, const QString& text) override {
        return int(text.size()) * cellHeight / 2;
    }
};

QString describe(const MahnCollection& c) {
    QStringList out;
    for (const MahnReader& r : c.readers) {
        QStringList books;
        for (const MahnBook& b : r.books)
            books.append(b.nummer);
        out.append(r.name() + QLatin1Char(':') + books.join(QLatin1Char(',')));
    }
    return out.join(QLatin1Char(' '));
}

// A4 at 300 dots per inch.
const MahnPage A4{2480, 3508, 300};
int mm300(double v) {
    return int(std::lround(v * 300 / 25.4));
}

} // namespace

class tst_MahnLetters : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void whoIsReminded_data();
    void whoIsReminded();
    void readsPastTheMainWindowsFilter();
    void modelOfRandomLibraries();

    void addressLines_data();
    void addressLines();
    void layoutPlacesTheAddressInTheEnvelopeWindow();
    void longListContinuesOnFurtherPages();
    void layoutModelWithRandomLetters();

    void textsKeepLineBreaksAndFallBackToDefaults();
};

// One reader, one book; a loan row per case: (due offset from today or none, returned offset or none).
void tst_MahnLetters::whoIsReminded_data() {
    QTest::addColumn<QVariant>("dueOffset");
    QTest::addColumn<QVariant>("returnedOffset");
    QTest::addColumn<bool>("reminded");
    QTest::newRow("due yesterday, open") << QVariant(-1) << QVariant() << true;
    QTest::newRow("due long ago, open") << QVariant(-400) << QVariant() << true;
    QTest::newRow("due today") << QVariant(0) << QVariant() << false;
    QTest::newRow("due tomorrow") << QVariant(1) << QVariant() << false;
    QTest::newRow("no due date") << QVariant() << QVariant() << false;
    QTest::newRow("overdue but returned") << QVariant(-10) << QVariant(-2) << false;
    QTest::newRow("returned today") << QVariant(-10) << QVariant(0) << false;
}

void tst_MahnLetters::whoIsReminded() {
    QFETCH(QVariant, dueOffset);
    QFETCH(QVariant, returnedOffset);
    QFETCH(bool, reminded);
    Fixture f;
    const int book = f.addBook(7, QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
    const int reader = f.addReader(1, QStringLiteral("Anna"), QStringLiteral("Albers"));
    f.addLoan(book, reader, Today.addDays(-30), dueOffset.isValid() ? Today.addDays(dueOffset.toInt()) : QDate(),
              returnedOffset.isValid() ? Today.addDays(returnedOffset.toInt()) : QDate());
    const MahnCollection c = collectOverdue(f.loans(), f.books(), f.readers(), Today);
    QCOMPARE(describe(c), reminded ? QStringLiteral("Anna Albers:7") : QString());
}

// The main window filters the loans (overdue page, search); the letters still see every loan, and the
// filter and the current row are as before.
void tst_MahnLetters::readsPastTheMainWindowsFilter() {
    Fixture f;
    const int b1 = f.addBook(1, QStringLiteral("A"), QStringLiteral("Eins"));
    const int b2 = f.addBook(2, QStringLiteral("B"), QStringLiteral("Zwei"));
    const int b3 = f.addBook(3, QStringLiteral("C"), QStringLiteral("Drei"));
    const int zoe = f.addReader(1, QStringLiteral("Zoë"), QStringLiteral("Zander"));
    const int ali = f.addReader(2, QStringLiteral("Ali"), QStringLiteral("Ärmel"));
    f.addLoan(b2, zoe, Today.addDays(-20), Today.addDays(-3));
    f.addLoan(b1, zoe, Today.addDays(-20), Today.addDays(-5));
    f.addLoan(b3, ali, Today.addDays(-20), Today.addDays(-1));
    f.addLoan(4711, ali, Today.addDays(-20), Today.addDays(-1)); // book gone from the catalogue
    f.addLoan(b1, 999, Today.addDays(-20), Today.addDays(-1));   // reader gone
    f.readers().setFilter(QStringLiteral("Nachname = 'Zander'"));
    f.readers().setFiltered(true);
    f.loans().setFilter(QStringLiteral("LeserID = 0"));
    f.loans().setFiltered(true);
    f.books().setFilter(QStringLiteral("Nummer = 2"));
    f.books().setFiltered(true);
    f.books().First();

    const MahnCollection c = collectOverdue(f.loans(), f.books(), f.readers(), Today);
    // Ärmel sorts with A; a missing book keeps its line without number; the oldest due date first.
    QCOMPARE(describe(c), QStringLiteral("Ali Ärmel:,3 Zoë Zander:1,2"));
    QCOMPARE(c.loansWithoutReader, 1);
    QVERIFY(f.readers().Filtered());
    QVERIFY(f.loans().Filtered());
    QCOMPARE(f.books().RecordCount(), 1);
    QCOMPARE(f.books().FieldByName(QStringLiteral("Nummer")).AsInteger(), 2);
}

// Random libraries against a plain computation: which books land on which reader's letter.
void tst_MahnLetters::modelOfRandomLibraries() {
    for (quint32 seed = 1; seed <= 12; ++seed) {
        QRandomGenerator rng(seed);
        Fixture f;
        const int bookCount = 1 + int(rng.bounded(15)), readerCount = 1 + int(rng.bounded(8));
        QList<int> bookIds, readerIds;
        std::map<int, int> numberOfBook;
        for (int i = 0; i < bookCount; ++i) {
            bookIds.append(f.addBook(100 + i, QStringLiteral("V%1").arg(i), QStringLiteral("T%1").arg(i)));
            numberOfBook[bookIds.last()] = 100 + i;
        }
        for (int i = 0; i < readerCount; ++i)
            readerIds.append(f.addReader(i + 1, QStringLiteral("Vor%1").arg(i), QStringLiteral("Nach%1").arg(i)));
        std::map<int, std::multiset<int>> expected; // reader ID → book numbers
        QStringList ops;
        const int loanCount = int(rng.bounded(25));
        for (int i = 0; i < loanCount; ++i) {
            const int book = bookIds[int(rng.bounded(bookCount))];
            const int reader = readerIds[int(rng.bounded(readerCount))];
            const int due = int(rng.bounded(11)) - 5;
            const bool returned = rng.bounded(4) == 0;
            f.addLoan(book, reader, Today.addDays(-40), Today.addDays(due), returned ? Today : QDate());
            ops.append(
                QStringLiteral("loan(%1,%2,due%3%4)").arg(book).arg(reader).arg(due).arg(returned ? ",ret" : ""));
            if (due < 0 && !returned)
                expected[reader].insert(numberOfBook[book]);
        }
        const MahnCollection c = collectOverdue(f.loans(), f.books(), f.readers(), Today);
        std::map<int, std::multiset<int>> got;
        for (const MahnReader& r : c.readers) {
            QVERIFY2(!r.books.isEmpty(), qPrintable(QStringLiteral("seed %1: empty letter").arg(seed)));
            for (const MahnBook& b : r.books)
                got[r.id].insert(b.nummer.toInt());
            for (int i = 1; i < r.books.size(); ++i)
                QVERIFY(r.books[i - 1].due <= r.books[i].due);
        }
        QVERIFY2(got == expected, qPrintable(QStringLiteral("seed %1, operations: %2").arg(seed).arg(ops.join(' '))));
        QCOMPARE(c.loansWithoutReader, 0);
    }
}

void tst_MahnLetters::addressLines_data() {
    QTest::addColumn<QString>("strasse");
    QTest::addColumn<QString>("plz");
    QTest::addColumn<QString>("ort");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("hasAddress");
    QTest::newRow("full") << "Lindenweg 3"
                          << "12345"
                          << "Musterstadt" << QStringList{"Eva Ernst", "Lindenweg 3", "12345 Musterstadt"} << true;
    QTest::newRow("none") << ""
                          << ""
                          << "" << QStringList{"Eva Ernst"} << false;
    QTest::newRow("blanks only") << "  "
                                 << " "
                                 << "  " << QStringList{"Eva Ernst"} << false;
    QTest::newRow("postcode alone is no address") << ""
                                                  << "12345"
                                                  << "" << QStringList{"Eva Ernst"} << false;
    QTest::newRow("town without postcode") << ""
                                           << ""
                                           << "Musterstadt" << QStringList{"Eva Ernst", "Musterstadt"} << true;
    QTest::newRow("street only") << "Am Bach 1"
                                 << ""
                                 << "" << QStringList{"Eva Ernst", "Am Bach 1"} << true;
}

void tst_MahnLetters::addressLines() {
    QFETCH(QString, strasse);
    QFETCH(QString, plz);
    QFETCH(QString, ort);
    QFETCH(QStringList, lines);
    QFETCH(bool, hasAddress);
    MahnReader r;
    r.vorname = QStringLiteral("Eva");
    r.nachname = QStringLiteral("Ernst");
    r.strasse = strasse;
    r.plz = plz;
    r.ort = ort;
    QCOMPARE(r.addressLines(), lines);
    QCOMPARE(r.hasAddress(), hasAddress);
}

void tst_MahnLetters::layoutPlacesTheAddressInTheEnvelopeWindow() {
    FixedMeasurer measurer;
    MahnLayout layout(MahnTexts::defaults(), Today, measurer);
    const QList<MahnLaidPage> pages = layout.layout({readerWithBooks(2)}, A4);
    QCOMPARE(pages.size(), 1);
    // The window of a DIN 5008 form B envelope: 20…105 mm across, 45…90 mm down.
    const QRect window(mm300(20), mm300(45), mm300(85), mm300(45));
    QStringList inWindow;
    bool dateSeen = false;
    for (const MahnItem& item : pages[0].items) {
        if (item.kind != MahnItem::Kind::Text)
            continue;
        const QRect box(item.x, item.y, measurer.textWidth({}, item.cellHeight, item.text), item.cellHeight);
        if (window.intersects(box)) {
            QVERIFY2(window.contains(box), qPrintable(item.text));
            inWindow.append(item.text);
        }
        QVERIFY2(box.right() < A4.width - mm300(19) && box.left() >= mm300(4), qPrintable(item.text));
        dateSeen |= item.text == QStringLiteral("15.03.2024");
    }
    QCOMPARE(inWindow, (QStringList{MahnTexts::defaults().sender, "Eva Ernst", "Lindenweg 3", "12345 Musterstadt"}));
    QVERIFY(dateSeen);
}

void tst_MahnLetters::longListContinuesOnFurtherPages() {
    FixedMeasurer measurer;
    MahnLayout layout(MahnTexts::defaults(), Today, measurer);
    const QList<MahnLaidPage> pages =
        layout.layout({readerWithBooks(3), readerWithBooks(90, "Max"), readerWithBooks(1)}, A4);
    QVERIFY(pages.size() >= 5);
    QCOMPARE(pages.first().reader, 0);
    QCOMPARE(pages.last().reader, 2);
    QList<int> booksOfMax;
    int maxPages = 0;
    for (const MahnLaidPage& p : pages) {
        if (p.reader != 1)
            continue;
        ++maxPages;
        QCOMPARE(p.pageOfLetter, maxPages);
        bool header = false, footer = false;
        for (const MahnItem& item : p.items) {
            if (item.book >= 0 && (booksOfMax.isEmpty() || booksOfMax.last() != item.book))
                booksOfMax.append(item.book);
            header |= item.text == QStringLiteral("fällig seit");
            footer |= item.text == QStringLiteral("Seite %1 von %2").arg(p.pageOfLetter).arg(p.pagesOfLetter);
        }
        QVERIFY(header || p.pageOfLetter == p.pagesOfLetter);
        QVERIFY(footer);
    }
    QVERIFY(maxPages >= 3);
    QList<int> all(90);
    std::iota(all.begin(), all.end(), 0);
    QCOMPARE(booksOfMax, all);
    // The closing ends the letter, on its last page.
    const MahnLaidPage& last = pages[pages.size() - 2];
    QCOMPARE(last.reader, 1);
    QVERIFY(std::any_of(last.items.begin(), last.items.end(),
                        [](const MahnItem& i) { return i.text == QStringLiteral("Ihr Büchereiteam"); }));
}

// Random letters and texts: every book once, on its own reader's pages, in order, nothing below the
// bottom margin or past the right one, whatever the page size.
void tst_MahnLetters::layoutModelWithRandomLetters() {
    FixedMeasurer measurer;
    for (quint32 seed = 1; seed <= 40; ++seed) {
        QRandomGenerator rng(seed);
        QList<MahnReader> readers;
        const int count = 1 + int(rng.bounded(6));
        for (int i = 0; i < count; ++i) {
            MahnReader r = readerWithBooks(int(rng.bounded(70)), QStringLiteral("R%1").arg(i));
            if (rng.bounded(3) == 0)
                r.strasse = r.ort = QString();
            if (rng.bounded(4) == 0 && !r.books.isEmpty())
                r.books[0].titel = QString(300, QLatin1Char('x'));
            readers.append(r);
        }
        MahnTexts texts = MahnTexts::defaults();
        texts.body = QStringList(int(rng.bounded(12)) + 1, texts.body).join(QLatin1Char('\n'));
        texts.closing = QStringList(int(rng.bounded(rng.bounded(5) == 0 ? 80 : 6)) + 1, QStringLiteral("Gruß"))
                            .join(QLatin1Char('\n'));
        const int dpi = rng.bounded(2) ? 300 : 600;
        const MahnPage page{int(210.0 * dpi / 25.4), int((rng.bounded(2) ? 297.0 : 279.4) * dpi / 25.4), dpi};
        MahnLayout layout(texts, Today, measurer);
        const QList<MahnLaidPage> pages = layout.layout(readers, page);
        const QString where = QStringLiteral("seed %1 (readers %2, dpi %3)").arg(seed).arg(count).arg(dpi);
        std::map<int, QList<int>> seen;
        int lastReader = 0;
        for (const MahnLaidPage& p : pages) {
            QVERIFY2(p.reader >= lastReader, qPrintable(where));
            lastReader = p.reader;
            for (const MahnItem& item : p.items) {
                if (item.kind == MahnItem::Kind::Text) {
                    const int right = item.x + measurer.textWidth({}, item.cellHeight, item.text);
                    QVERIFY2(right <= page.width, qPrintable(where + QLatin1Char(' ') + item.text.left(40)));
                    QVERIFY2(item.y + item.cellHeight <= page.height - 10 * dpi / 25.4,
                             qPrintable(where + QLatin1Char(' ') + item.text.left(40)));
                }
                if (item.book >= 0 && (seen[p.reader].isEmpty() || seen[p.reader].last() != item.book))
                    seen[p.reader].append(item.book);
            }
        }
        for (int i = 0; i < count; ++i) {
            QList<int> expected(readers[i].books.size());
            std::iota(expected.begin(), expected.end(), 0);
            QVERIFY2(seen[i] == expected, qPrintable(where + QStringLiteral(" reader %1").arg(i)));
        }
    }
}

void tst_MahnLetters::textsKeepLineBreaksAndFallBackToDefaults() {
    Fixture f;
    QCOMPARE(MahnTexts::load().body, MahnTexts::defaults().body);
    const MahnTexts written{QStringLiteral("Bücherei \\ Ort"), QStringLiteral("Zeile 1\nZeile \\n 2\n\nAbsatz"),
                            QStringLiteral("Mit Gruß\r\nIhre Bücherei")};
    written.save();
    SettingsStore::instance().takeWriteError();
    const MahnTexts read = MahnTexts::load();
    QCOMPARE(read.sender, written.sender);
    QCOMPARE(read.body, written.body);
    QCOMPARE(read.closing, QStringLiteral("Mit Gruß\nIhre Bücherei"));
    // A text emptied in the store gives the program's wording again.
    INI::WriteSettingString(MahnTexts::BodySetting, QStringLiteral("   "));
    QCOMPARE(MahnTexts::load().body, MahnTexts::defaults().body);
    QCOMPARE(MahnTexts::load().sender, written.sender);
}

QTEST_MAIN(tst_MahnLetters)
#include "tst_MahnLetters.moc"
