// The reader catalogue without a browser: the escaping, the choice, which books and texts go out, and the
// folder that is written beside the old one and swapped in.

#include "CatalogueBooks.h"
#include "core/Clock.h"
#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/Win1252.h"
#include "readercatalogue/rules/CatalogueContent.h"
#include "readercatalogue/rules/CatalogueFolder.h"
#include "readercatalogue/rules/CataloguePage.h"
#include "readercatalogue/rules/CatalogueText.h"
#include "readercatalogue/rules/ReaderCatalogue.h"
#include "support/Files.h"
#include "support/RulesLibrary.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace lesaro;
using namespace lesaro::catalogue_test;

namespace {

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QList<CatalogueFile> someFiles(const QByteArray& marker) {
    CatalogueContent content;
    content.stand = Today;
    content.choice = CatalogueChoice::defaults();
    QList<CatalogueFile> files = CataloguePage::files(content);
    files.append({QStringLiteral("marker.txt"), marker});
    return files;
}

} // namespace

class tst_CatalogueRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void jsString_data();
    void jsString();
    void htmlText();
    void folding();
    void choiceDefaultsAndSetting();
    void booksColumnsAndAvailability();
    void selectionOfListedBooks();
    void folderReplacesOnlyCatalogues();
    void failedWriteKeepsOldCatalogue_data();
    void failedWriteKeepsOldCatalogue();
};

void tst_CatalogueRules::jsString_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("literal");
    QTest::newRow("plain") << QStringLiteral("Momo") << QByteArray(R"("Momo")");
    QTest::newRow("script element") << QStringLiteral("</script><script>x()</script>")
                                    << QByteArray(R"("\u003c/script\u003e\u003cscript\u003ex()\u003c/script\u003e")");
    QTest::newRow("quotes and ampersand")
        << QStringLiteral("Der \"Hobbit\" & 'Co'") << QByteArray(R"("Der \u0022Hobbit\u0022 \u0026 \u0027Co\u0027")");
    QTest::newRow("backslash") << QStringLiteral("a\\\"b") << QByteArray(R"("a\\\u0022b")");
    QTest::newRow("line ends") << (QStringLiteral("a\nb\r") + QChar(0x2028) + QChar(0x2029) + QChar(0x7F))
                               << QByteArray(R"("a\u000ab\u000d\u2028\u2029\u007f")");
    QTest::newRow("control") << (QStringLiteral("\t") + QChar(0x01)) << QByteArray(R"("\u0009\u0001")");
    QTest::newRow("umlauts") << QStringLiteral("Müller €") << QByteArray(R"("M\u00fcller \u20ac")");
    QTest::newRow("surrogate pair") << QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray(R"("\ud83d\ude00")");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray(R"("\ud800")");
    QTest::newRow("empty") << QString() << QByteArray(R"("")");
}

void tst_CatalogueRules::jsString() {
    QFETCH(QString, text);
    QFETCH(QByteArray, literal);
    QCOMPARE(CatalogueText::jsString(text), literal);
}

void tst_CatalogueRules::htmlText() {
    QCOMPARE(CatalogueText::html(QStringLiteral("<a href=\"x\">&'</a> Müller")),
             QStringLiteral("&lt;a href=&quot;x&quot;&gt;&amp;&#39;&lt;/a&gt; M&#xfc;ller"));
    QCOMPARE(CatalogueText::html(QString::fromUtf8("\xF0\x9F\x98\x80")), QStringLiteral("&#x1f600;"));
}

void tst_CatalogueRules::folding() {
    QCOMPARE(CatalogueText::folded(QStringLiteral("Müller")), QStringLiteral("muller"));
    QCOMPARE(CatalogueText::folded(QStringLiteral("STRAßE Ærø Ñandú Œuvre")),
             QStringLiteral("strasse aero nandu oeuvre"));
}

void tst_CatalogueRules::choiceDefaultsAndSetting() {
    const CatalogueChoice d = CatalogueChoice::defaults();
    QVERIFY(!d.has(CatalogueColumn::Preis));
    QVERIFY(!d.has(CatalogueColumn::Bemerkung));
    for (CatalogueColumn c : {CatalogueColumn::Verfasser, CatalogueColumn::Titel, CatalogueColumn::Erscheinungsjahr,
                              CatalogueColumn::Signatur, CatalogueColumn::Standort, CatalogueColumn::Sachgruppe})
        QVERIFY(d.has(c));
    QVERIFY(d.availability && d.dueDates && d.books == CatalogueChoice::Books::All);

    CatalogueChoice c;
    c.columns = {CatalogueColumn::Preis, CatalogueColumn::Nummer};
    c.availability = true;
    c.dueDates = false;
    c.books = CatalogueChoice::Books::Listed;
    const CatalogueChoice back = CatalogueChoice::fromSetting(c.toSetting());
    // Author and title join any choice; the columns come in page order.
    QCOMPARE(back.columns, (QList<CatalogueColumn>{CatalogueColumn::Nummer, CatalogueColumn::Verfasser,
                                                   CatalogueColumn::Titel, CatalogueColumn::Preis}));
    QVERIFY(back.availability && !back.dueDates && back.books == CatalogueChoice::Books::Listed);
    QCOMPARE(CatalogueChoice::fromSetting(QStringLiteral("kaputt")).columns, d.columns);
}

void tst_CatalogueRules::booksColumnsAndAvailability() {
    testing::RulesLibrary lib;
    QList<Book> list = fixtureBooks();
    addFixture(lib.books(), lib.readers(), lib.loans(), list);
    lib.books().setFilter(QStringLiteral("Sachgruppe = 'Roman'"));
    lib.books().setFiltered(true);
    lib.books().Locate(QStringLiteral("Titel"), {QStringLiteral("Müllers Reise")});
    const int current = lib.books().RecNo();

    const CatalogueContent content =
        CatalogueContent::collect(lib.books(), lib.loans(), CatalogueChoice::defaults(), Today);
    // All books, whatever the list shows; the list keeps its filter and its current book.
    QCOMPARE(int(content.books.size()), list.size());
    QVERIFY(lib.books().Filtered());
    QCOMPARE(lib.books().RecNo(), current);
    QCOMPARE(content.lentCount(), 2);

    const QList<CatalogueColumn>& columns = content.choice.columns;
    const int author = int(columns.indexOf(CatalogueColumn::Verfasser));
    const int title = int(columns.indexOf(CatalogueColumn::Titel));
    QStringList authors;
    for (const CatalogueBook& b : content.books)
        authors.append(b.values[author]);
    // German order with umlauts beside their letters; case counts last; a book without author at the end.
    QVERIFY(authors.indexOf(QStringLiteral("Ärger, Ümit")) < authors.indexOf(QStringLiteral("Berg, Udo")));
    QVERIFY(authors.indexOf(QStringLiteral("Berg, Udo")) < authors.indexOf(QStringLiteral("Krause, Tom")));
    QVERIFY(authors.indexOf(QStringLiteral("Müller, Anna")) < authors.indexOf(QStringLiteral("MÜLLER, PETER")));
    QVERIFY(authors.indexOf(QStringLiteral("Schmidt, Eva")) < authors.indexOf(QStringLiteral("Zahn, Ida")));
    QCOMPARE(authors.last(), QString());
    QStringList titles;
    for (int i : content.titleOrder)
        titles.append(content.books[size_t(i)].values[title]);
    QStringList sortedTitles = titles;
    std::sort(sortedTitles.begin(), sortedTitles.end(), [](const QString& a, const QString& b) {
        return GermanLocale::sortKey(win1252::encode(a)) < GermanLocale::sortKey(win1252::encode(b));
    });
    QCOMPARE(titles, sortedTitles);
    QCOMPARE(content.sachgruppen,
             (QStringList{QStringLiteral("Krimi & Co"), QStringLiteral("Lyrik"), QStringLiteral("Roman"),
                          QStringLiteral("Sachbuch"), QStringLiteral("Technik")}));

    for (const CatalogueBook& b : content.books) {
        if (b.values[title] == QStringLiteral("Müllabfuhr"))
            QVERIFY(b.lent && b.due == QDate(2027, 1, 12));
        else if (b.values[title] == QStringLiteral("Berge"))
            QVERIFY(b.lent && !b.due.isValid());
        else
            QVERIFY2(!b.lent && !b.due.isValid(), qPrintable(b.values[title])); // a returned loan does not count
        if (b.values[title] == QStringLiteral("Die Kinder vom Bullerbü"))
            QCOMPARE(b.values[int(columns.indexOf(CatalogueColumn::Schlagwoerter))], QStringLiteral("Kinderbuch"));
    }

    // What leaves the program: neither reader data nor, by default, price and remarks; no character that could
    // end a script element or a string in the data file.
    QByteArray all;
    for (const CatalogueFile& f : CataloguePage::files(content))
        all += f.bytes;
    for (const char* secret : {"Geheimname", "Leserin", "Geheim:", "12,00"})
        QVERIFY2(!all.contains(secret), secret);
    // Plain ASCII throughout, whatever character set a server claims for the files.
    QVERIFY(std::all_of(all.begin(), all.end(), [](char c) { return uchar(c) < 0x80; }));
    const QByteArray data = CataloguePage::dataScript(content);
    for (const char c : {'<', '>', '&', '\''})
        QVERIFY2(!data.contains(c), std::string(1, c).c_str());
    // Columns as one string each, the values in author order; the lent books and their due dates alike.
    QVERIFY(data.contains("\\u001fZahn, Ida\\u001f"));
    QVERIFY(data.contains("\\u001fM\\u00fcllabfuhr\\u001f"));
    QCOMPARE(data.count("\\u001f12.01.2027\\u001f"), 1);
    QVERIFY(data.contains("\"ausgeliehen\": \"") && data.count("\"ausgeliehen\": \"") == 1);
    const QByteArray index = CataloguePage::indexHtml(content);
    QVERIFY(index.contains("Stand: 11.12.2026 &middot; 11 B&#xfc;cher"));
    QVERIFY(index.contains(CataloguePage::generatorMark()));

    // Price and remarks when chosen; availability left out altogether when not.
    CatalogueChoice more = CatalogueChoice::defaults();
    more.columns << CatalogueColumn::Preis << CatalogueColumn::Bemerkung;
    more.availability = false;
    const QByteArray withMore =
        CataloguePage::dataScript(CatalogueContent::collect(lib.books(), lib.loans(), more, Today));
    QVERIFY(withMore.contains("\\u001f12,00 \\u20ac\\u001f"));
    QVERIFY(withMore.contains("Geheim: Spende  von Frau X")); // the remark's line break as blanks
    QVERIFY(!withMore.contains("12.01.2027"));
    QVERIFY(withMore.contains("\"verfuegbarkeit\": false"));
}

void tst_CatalogueRules::selectionOfListedBooks() {
    testing::RulesLibrary lib;
    QList<Book> list = fixtureBooks();
    addFixture(lib.books(), lib.readers(), lib.loans(), list);
    lib.books().setFilter(QStringLiteral("Standort = 'Keller'"));
    lib.books().setFiltered(true);
    CatalogueChoice choice = CatalogueChoice::defaults();
    choice.books = CatalogueChoice::Books::Listed;
    const CatalogueContent content = CatalogueContent::collect(lib.books(), lib.loans(), choice, Today);
    QCOMPARE(int(content.books.size()), 3);
    QCOMPARE(content.standorte, QStringList{QStringLiteral("Keller")});
    QCOMPARE(content.lentCount(), 1);
}

void tst_CatalogueRules::folderReplacesOnlyCatalogues() {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Leserkatalog"));
    CatalogueFolder::write(target, someFiles("eins"));
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("Leserkatalog")});
    QCOMPARE(entries(target),
             (QStringList{QStringLiteral("index.html"), QStringLiteral("katalog-daten.js"),
                          QStringLiteral("katalog.css"), QStringLiteral("katalog.js"), QStringLiteral("marker.txt")}));
    testing::writeAll(target + QStringLiteral("/alt.txt"), "von früher");

    // An earlier catalogue is replaced whole; nothing is left beside it.
    CatalogueFolder::write(target, someFiles("zwei"));
    QCOMPARE(testing::readAll(target + QStringLiteral("/marker.txt")), QByteArray("zwei"));
    QVERIFY(!QFile::exists(target + QStringLiteral("/alt.txt")));
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("Leserkatalog")});

    // An empty folder becomes the catalogue.
    const QString empty = dir.filePath(QStringLiteral("leer"));
    QVERIFY(QDir().mkpath(empty));
    CatalogueFolder::write(empty, someFiles("drei"));
    QCOMPARE(testing::readAll(empty + QStringLiteral("/marker.txt")), QByteArray("drei"));

    // A folder with the librarian's own files, a file, a folder whose parent is missing: refused, untouched.
    const QString foreign = dir.filePath(QStringLiteral("Stick"));
    QVERIFY(QDir().mkpath(foreign));
    testing::writeAll(foreign + QStringLiteral("/Hausaufgaben.odt"), "wichtig");
    const QString file = dir.filePath(QStringLiteral("datei.txt"));
    testing::writeAll(file, "x");
    struct Case {
        QString target;
        const char* reason;
    };
    for (const Case& c : {Case{foreign, "enthält andere Dateien"}, Case{file, "ist eine Datei"},
                          Case{dir.filePath(QStringLiteral("fehlt/Katalog")), "ist nicht vorhanden"}}) {
        try {
            CatalogueFolder::write(c.target, someFiles("vier"));
            QFAIL(qPrintable(c.target));
        } catch (const EngineError& e) {
            QVERIFY2(e.message().contains(QString::fromUtf8(c.reason)), qPrintable(e.message()));
        }
    }
    QCOMPARE(entries(foreign), QStringList{QStringLiteral("Hausaufgaben.odt")});
    QCOMPARE(testing::readAll(file), QByteArray("x"));
    QCOMPARE(entries(dir.path()), (QStringList{QStringLiteral("Leserkatalog"), QStringLiteral("Stick"),
                                               QStringLiteral("datei.txt"), QStringLiteral("leer")}));
}

void tst_CatalogueRules::failedWriteKeepsOldCatalogue_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only") << true << QStringLiteral("schreibgeschützt");
    QTest::newRow("full") << false << QStringLiteral("voll");
}

void tst_CatalogueRules::failedWriteKeepsOldCatalogue() {
    QFETCH(bool, readOnly);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString mount = dir.filePath(QStringLiteral("stick"));
    test::SmallDisk disk(mount, QStringLiteral("512k"));
    if (!disk.mounted())
        QSKIP("A small disk of its own needs the rights to mount one.");
    const QString target = mount + QStringLiteral("/Leserkatalog");
    CatalogueFolder::write(target, someFiles("alt"));
    const QStringList before = entries(mount);

    // Large enough that a full disk cannot take it.
    QList<CatalogueFile> files = someFiles("neu");
    files.append({QStringLiteral("gross.bin"), QByteArray(400 * 1024, 'x')});
    if (readOnly) {
        QVERIFY(disk.makeReadOnly());
    } else {
        // Room for the small files but not for the big one: the disk fills up half-way through.
        testing::writeAll(mount + QStringLiteral("/.fuellung"), QByteArray(350 * 1024, 'f'));
    }
    try {
        CatalogueFolder::write(target, files);
        QFAIL("written");
    } catch (const EngineError& e) {
        QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
    }
    QCOMPARE(testing::readAll(target + QStringLiteral("/marker.txt")), QByteArray("alt"));
    QVERIFY(CatalogueFolder::isCatalogue(target));
    QStringList after = entries(mount);
    after.removeAll(QStringLiteral(".fuellung"));
    QStringList expected = before;
    expected.removeAll(QStringLiteral(".fuellung"));
    QCOMPARE(after, expected); // no half-written folder beside it
}

QTEST_GUILESS_MAIN(tst_CatalogueRules)
#include "tst_CatalogueRules.moc"
