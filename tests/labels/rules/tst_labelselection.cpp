// Which books and readers get a label, in which order, and what a label says.

#include "core/Table.h"
#include "labels/rules/LabelLayout.h"
#include "labels/rules/LabelSelection.h"
#include "support/RulesLibrary.h"

#include <QTest>

using namespace lesaro;
using namespace lesaro::labels;
using lesaro::testing::RulesLibrary;

namespace {

QList<qint32> numbers(const Selection& s) {
    QList<qint32> out;
    for (const LabelRecord& r : s.records)
        out << r.nummer;
    return out;
}

// A book without a number: the number is cleared after the insert rule proposed one.
int addBookWithoutNumber(Table& books, const QString& titel) {
    books.Append();
    books.FieldByName(QStringLiteral("Nummer")).Clear();
    books.FieldByName(QStringLiteral("Titel")).setAsString(titel);
    const int id = books.FieldByName(QStringLiteral("ID")).AsInteger();
    books.Post();
    return id;
}

// Widths as if every character took half the cell's height, a little more in bold.
double plainWidth(const QString& text, double cell, bool bold) {
    return text.size() * cell * (bold ? 0.6 : 0.5);
}

} // namespace

class tst_labelselection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void currentListKeepsFilterAndOrder();
    void rangeAndAddedSinceLookPastTheFilter();
    void rowsWithoutNumberAreLeftOutAndCounted();
    void readersCarryTheirNames();
    void fittedTitles_data();
    void fittedTitles();
    void layoutStaysInsideTheContent();
};

void tst_labelselection::currentListKeepsFilterAndOrder() {
    RulesLibrary lib;
    Table& books = lib.books();
    lib.addBook(30, QStringLiteral("Funke"), QStringLiteral("Tintenherz"));
    lib.addBook(10, QStringLiteral("Ende"), QStringLiteral("Momo"));
    lib.addBook(20, QStringLiteral("Ende"), QStringLiteral("Jim Knopf"));
    lib.addBook(40, QStringLiteral("Preußler"), QStringLiteral("Krabat"));
    books.setIndexFieldNames(QStringLiteral("Titel"));
    books.setFilter(QStringLiteral("Verfasser = 'Ende' or Verfasser = 'Funke'"));
    books.setFiltered(true);
    const Selection s = select(books, LabelKind::Book, {});
    QCOMPARE(numbers(s), (QList<qint32>{20, 10, 30}));
    QCOMPARE(s.records[1].titel, QStringLiteral("Momo"));
    QCOMPARE(s.withoutNumber, 0);
}

void tst_labelselection::rangeAndAddedSinceLookPastTheFilter() {
    RulesLibrary lib;
    Table& books = lib.books();
    QList<int> ids;
    for (int n : {7, 3, 12, 5, 9, 5})
        ids << lib.addBook(n, QStringLiteral("V%1").arg(n), QStringLiteral("T%1").arg(n));
    books.setFilter(QStringLiteral("Nummer = 12"));
    books.setFiltered(true);

    SelectionRequest range{SelectionMode::NumberRange, 9, 5, 0}; // given the wrong way round
    QCOMPARE(numbers(select(books, LabelKind::Book, range)), (QList<qint32>{5, 5, 7, 9}));
    range.from = 100;
    range.to = 200;
    QVERIFY(select(books, LabelKind::Book, range).records.isEmpty());

    // Added since: every identifier above the mark, by number.
    const SelectionRequest since{SelectionMode::AddedSince, 0, 0, ids[2]};
    QCOMPARE(numbers(select(books, LabelKind::Book, since)), (QList<qint32>{5, 5, 9}));

    // A deleted book is gone from every selection.
    books.setFiltered(false);
    QVERIFY(books.Locate(QStringLiteral("ID"), {ids[4]}));
    books.Delete();
    QCOMPARE(numbers(select(books, LabelKind::Book, since)), (QList<qint32>{5, 5}));
}

void tst_labelselection::rowsWithoutNumberAreLeftOutAndCounted() {
    RulesLibrary lib;
    Table& books = lib.books();
    lib.addBook(1, QStringLiteral("A"), QStringLiteral("Eins"));
    const int without = addBookWithoutNumber(books, QStringLiteral("Ohne"));
    lib.addBook(2, QStringLiteral("B"), QStringLiteral("Zwei"));
    addBookWithoutNumber(books, QStringLiteral("Auch ohne"));

    Selection s = select(books, LabelKind::Book, {});
    QCOMPARE(numbers(s), (QList<qint32>{1, 2}));
    QCOMPARE(s.withoutNumber, 2);

    s = select(books, LabelKind::Book, {SelectionMode::AddedSince, 0, 0, without - 1});
    QCOMPARE(numbers(s), (QList<qint32>{2}));
    QCOMPARE(s.withoutNumber, 2);

    // A range of numbers cannot hold a book without one, nor does the span the window proposes.
    s = select(books, LabelKind::Book, {SelectionMode::NumberRange, 0, 10, 0});
    QCOMPARE(s.withoutNumber, 0);
    QCOMPARE(numberSpan(books), (std::optional<std::pair<qint32, qint32>>{{1, 2}}));
}

void tst_labelselection::readersCarryTheirNames() {
    RulesLibrary lib;
    lib.addReader(501, QStringLiteral("Jörg"), QStringLiteral("Müller-Lüdenscheidt"));
    const Selection s = select(lib.readers(), LabelKind::Reader, {SelectionMode::NumberRange, 500, 502, 0});
    QCOMPARE(s.records.size(), 1);
    QCOMPARE(s.records[0].vorname, QStringLiteral("Jörg"));
    QCOMPARE(s.records[0].nachname, QStringLiteral("Müller-Lüdenscheidt"));
    const LabelDrawing d = LabelLayout::readerCard(s.records[0], QStringLiteral("Bücherei St. Anna"),
                                                   {QDate(2027, 7, 31)}, QRectF(2, 2, 81, 50), plainWidth);
    QStringList texts;
    for (const LabelLine& l : d.lines)
        texts << l.text;
    QVERIFY2(texts.contains(QStringLiteral("gültig bis 31.07.2027")), qPrintable(texts.join(QLatin1Char('|'))));
    QVERIFY(texts.contains(QStringLiteral("501")));
    QCOMPARE(d.barcodeText, QStringLiteral("501"));
}

void tst_labelselection::fittedTitles_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("width");
    QTest::addColumn<QString>("fitted");
    QTest::newRow("fits") << QStringLiteral("Momo") << 2.0 << QStringLiteral("Momo");
    QTest::newRow("cut") << QStringLiteral("Die unendliche Geschichte") << 5.0 << QStringLiteral("Die unend…");
    QTest::newRow("no blank before the ellipsis")
        << QStringLiteral("Der kleine Wassermann") << 4.0 << QStringLiteral("Der kle…");
    QTest::newRow("cut at a blank") << QStringLiteral("Das Sams kommt") << 5.0 << QStringLiteral("Das Sams…");
    QTest::newRow("nothing fits") << QStringLiteral("Krabat") << 0.25 << QString();
    QTest::newRow("empty") << QString() << 2.5 << QString();
}

void tst_labelselection::fittedTitles() {
    QFETCH(QString, text);
    QFETCH(double, width);
    QFETCH(QString, fitted);
    const QString got = LabelLayout::fitted(text, width, 1.0, false, plainWidth);
    QCOMPARE(got, fitted);
    QVERIFY(plainWidth(got, 1.0, false) <= width);
}

void tst_labelselection::layoutStaysInsideTheContent() {
    LabelRecord r;
    r.nummer = 123456;
    r.signatur = QStringLiteral("Kinder E 12 a");
    r.titel = QStringLiteral("Die unendliche Geschichte, mit Bildern von Roswitha Quadflieg");
    for (const QRectF& content : {QRectF(1.5, 2, 45.5, 21.4), QRectF(2.2, 2.7, 65.6, 31.6), QRectF(3, 3, 79, 48)}) {
        const LabelDrawing d = LabelLayout::book(r, QStringLiteral("Gemeindebücherei"), content, plainWidth);
        QVERIFY(content.contains(d.barcodeBand));
        QVERIFY(d.barcodeBand.height() > content.height() * 0.25);
        for (const LabelLine& l : d.lines) {
            QVERIFY(content.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(l.cell));
            QVERIFY(plainWidth(l.text, l.cell.height(), l.bold) <= l.cell.width() + 1e-9);
            QVERIFY(!l.cell.intersects(d.barcodeBand));
        }
        // The title is cut with the ellipsis, the number stands in plain text under the bars.
        QVERIFY(d.lines[2].text.endsWith(QStringLiteral("…")));
        QCOMPARE(d.lines.last().text, QStringLiteral("123456"));
        QVERIFY(d.lines.last().cell.top() >= d.barcodeBand.bottom() - 1e-9);
    }
}

QTEST_GUILESS_MAIN(tst_labelselection)
#include "tst_labelselection.moc"
