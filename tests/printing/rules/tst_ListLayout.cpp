// The shared list layout: the design figures on an A4 sheet at 600 dots per inch, the page breaks and
// the page count, and a plain page-by-page model of the layout beside the cached one.
#include "printing/rules/ListLayout.h"
#include "printing/rules/ListTables.h"
#include "settings/FieldCaptions.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cmath>

using namespace lesaro::printing;

namespace {

// Every character is half as wide as the font's cell is high: easy to reckon with by hand.
class HalfCellMeasurer : public TextMeasurer {
public:
    int textWidth(const QString&, int cellHeight, const QString& text) override {
        ++calls;
        return int(text.size()) * cellHeight / 2;
    }
    int calls = 0;
};

struct Op {
    enum Kind { Font, Pen, Text, Line } kind;
    QString text;
    int a = 0, b = 0, c = 0;
    TextAlign align = TextAlign::LeftTop;
    bool operator==(const Op&) const = default;
};

QString describe(const Op& op) {
    switch (op.kind) {
    case Op::Font:
        return QStringLiteral("font %1 %2").arg(op.text).arg(op.a);
    case Op::Pen:
        return QStringLiteral("pen %1").arg(op.a);
    case Op::Text:
        return QStringLiteral("text (%1,%2,%3) %4").arg(op.a).arg(op.b).arg(int(op.align)).arg(op.text);
    case Op::Line:
        return QStringLiteral("line %1..%2 at %3").arg(op.a).arg(op.b).arg(op.c);
    }
    return {};
}

class RecordingCanvas : public ListCanvas {
public:
    void setFont(const QString& family, int cellHeight) override { ops.append({Op::Font, family, cellHeight}); }
    void setPenWidth(int width) override { ops.append({Op::Pen, {}, width}); }
    void textOut(int x, int y, TextAlign align, const QString& text) override {
        ops.append({Op::Text, text, x, y, 0, align});
    }
    void horizontalLine(int x1, int x2, int y) override { ops.append({Op::Line, {}, x1, x2, y}); }

    QList<int> lineYs() const {
        QList<int> ys;
        for (const Op& op : ops)
            if (op.kind == Op::Line)
                ys.append(op.c);
        return ys;
    }
    QStringList texts() const {
        QStringList t;
        for (const Op& op : ops)
            if (op.kind == Op::Text)
                t.append(op.text);
        return t;
    }
    const Op* findText(const QString& text) const {
        for (const Op& op : ops)
            if (op.kind == Op::Text && op.text == text)
                return &op;
        return nullptr;
    }
    // The first text drawn in the given font: the first column heading for "Arial Narrow".
    const Op* firstTextAfterFont(const QString& family) const {
        bool inFont = false;
        for (const Op& op : ops) {
            if (op.kind == Op::Font)
                inFont = op.text == family;
            else if (inFont && op.kind == Op::Text)
                return &op;
        }
        return nullptr;
    }
    QList<Op> ops;
};

class VectorSource : public ListSource {
public:
    int rowCount() const override { return int(rows.size()); }
    QString text(int row, int column) const override { return rows[row].value(column); }
    // keys[row][column] >= 0: the cells of the column with that key hold the same text.
    std::optional<qint64> sameTextKey(int row, int column) const override {
        const qint64 key = keys.value(row).value(column, -1);
        return key >= 0 ? std::optional(key) : std::nullopt;
    }
    QString signature() const override { return QString::number(generation); }
    QList<QStringList> rows;
    QList<QList<qint64>> keys;
    int generation = 0;
};

// A list of n rows whose first column holds "B<row>" and whose other columns hold short texts.
VectorSource numberedRows(int n, int columns, int otherLength = 4) {
    VectorSource s;
    for (int r = 0; r < n; ++r) {
        QStringList row{QStringLiteral("B%1").arg(r + 1)};
        for (int c = 1; c < columns; ++c)
            row.append(QString(otherLength, QLatin1Char('x')));
        s.rows.append(row);
    }
    return s;
}

QStringList bookCaptions() {
    QStringList c{QStringLiteral("Nr."), QStringLiteral("Verfasser"), QStringLiteral("Titel")};
    while (c.size() < 23)
        c.append(QStringLiteral("Feld %1").arg(c.size()));
    return c;
}

ListDesign designNamed(const QString& name) {
    if (name == QLatin1String("reader"))
        return readerListDesign();
    if (name == QLatin1String("loan"))
        return loanListDesign();
    return bookListDesign(bookCaptions());
}

int r(double v) {
    return roundHalfEven(v);
}

// The layout as written, page by page: every page measures the whole list, draws its heading, walks a
// cursor from the first record past the rows of the pages before it and draws rows until the page holds
// its share or the list ends.
class NaiveLayout {
public:
    NaiveLayout(const ListDesign& design, TextMeasurer& measurer)
        : d(design)
        , m(measurer) {}

    // Returns whether the list ends on this page.
    bool drawPage(ListCanvas& canvas, const ListSource& source, const PageSetup& page, const ListOptions& options,
                  int n) {
        const bool portrait = !page.landscape || d.alwaysPortrait;
        sx = page.width / (portrait ? 4961 : 7016);
        sy = page.height / (portrait ? 7016 : 4961);
        limit = d.wrapLimit ? *d.wrapLimit * sx : 0.95 * page.width;
        const double bottom = d.bottomLimit ? *d.bottomLimit * sy : 0.95 * page.height;

        widths.assign(d.columns.size(), 0);
        for (int row = 0; row < source.rowCount(); ++row)
            for (int c = 0; c < int(d.columns.size()); ++c)
                widths[c] = std::max(
                    widths[c], source.measuredText(row, c).isEmpty()
                                   ? 0
                                   : m.textWidth(QStringLiteral("Arial"), r(71 * sy), source.measuredText(row, c)));
        for (int c = 0; c < int(d.columns.size()); ++c) {
            if (d.columns[c].numberWidthRule && widths[c] < 50)
                widths[c] = r(200 * sx);
            widths[c] += r(60 * sx);
        }

        RecordingCanvas scratch;
        const int y0 = heading(scratch, page, options, n);
        int pitch = 0;
        int x = r(250 * sx);
        for (int c = 0; c < int(d.columns.size()); ++c) {
            if (d.columns[c].wrapBefore && wraps(x, c, options, page)) {
                x = r(d.continuationX * sx);
                pitch += r(108 * sy);
            }
            if (isVisible(options, c))
                x += widths[c];
            if (d.columns[c].wrapAfter && wraps(x, c + 1, options, page)) {
                x = r(d.continuationX * sx);
                pitch += r(108 * sy);
            }
        }
        pitch += r(216 * sy);
        int rowsPerPage = 0;
        for (int k = 0; y0 + double(k) * pitch <= bottom; ++k)
            ++rowsPerPage;
        rowsPerPage = std::max(rowsPerPage, 1);

        int y = heading(canvas, page, options, n);
        int cursor = 0;
        for (int k = 0; k < (n - 1) * rowsPerPage && cursor < source.rowCount(); ++k)
            ++cursor;
        int drawn = 0;
        while (cursor < source.rowCount()) {
            int cx = r(250 * sx);
            for (int c = 0; c < int(d.columns.size()); ++c) {
                if (d.columns[c].wrapBefore && wraps(cx, c, options, page)) {
                    cx = r(d.continuationX * sx);
                    y += r(108 * sy);
                }
                if (isVisible(options, c)) {
                    canvas.textOut(cx, y, TextAlign::LeftBaseline, source.text(cursor, c));
                    cx += widths[c];
                }
                if (d.columns[c].wrapAfter && wraps(cx, c + 1, options, page)) {
                    cx = r(d.continuationX * sx);
                    y += r(108 * sy);
                }
            }
            y += r(100 * sy);
            canvas.horizontalLine(0, r(d.ruleLength * sx), y);
            ++cursor;
            y += r(116 * sy);
            if (++drawn == rowsPerPage)
                return false;
        }
        return true;
    }

private:
    // A line wraps past the limit, or where the columns up to the next wrap place would run off the sheet.
    bool wraps(int x, int from, const ListOptions& o, const PageSetup& page) const {
        if (x > limit)
            return true;
        if (x <= r(d.continuationX * sx))
            return false;
        int end = x;
        for (int c = from; c < int(d.columns.size()); ++c) {
            if (c > from && d.columns[c].wrapBefore)
                break;
            if (isVisible(o, c))
                end += widths[c];
            if (d.columns[c].wrapAfter)
                break;
        }
        return end > page.width;
    }

    bool isVisible(const ListOptions& o, int c) const {
        return (c >= o.ticked.size() || o.ticked[c]) && widths[c] > 60;
    }

    int heading(ListCanvas& canvas, const PageSetup& page, const ListOptions& options, int n) const {
        canvas.setFont(QStringLiteral("Arial"), r(65 * sx));
        if (options.pageNumbers)
            canvas.textOut(r(500 * sx), r(100 * sy), TextAlign::LeftTop, QStringLiteral("Seite %1").arg(n));
        canvas.setFont(QStringLiteral("Arial"), r(100 * sy));
        canvas.textOut(r(0.5 * page.width), r(183 * sy), TextAlign::CentreTop, options.title);
        canvas.setPenWidth(r(5 * sy));
        int y = d.firstRuleByWidth ? r(158 * sx) : r(158 * sy);
        canvas.horizontalLine(0, r(d.ruleLength * sx), y);
        y += r(151 * sy);
        canvas.horizontalLine(0, r(d.ruleLength * sx), y);
        y = d.headingBaseline ? r(*d.headingBaseline * sy) : y + r(216 * sy);
        int x = r(250 * sx);
        canvas.setFont(QStringLiteral("Arial Narrow"), r(80 * sx));
        struct Heading {
            int x, y;
            QString text;
        };
        QList<Heading> headings;
        for (int c = 0; c < int(d.columns.size()); ++c) {
            if (d.columns[c].wrapBefore && wraps(x, c, options, page)) {
                x = r(d.continuationX * sx);
                y += r(108 * sy);
            }
            if (isVisible(options, c)) {
                headings.append({x, y, d.columns[c].heading});
                x += widths[c];
            }
            if (d.columns[c].wrapAfter && wraps(x, c + 1, options, page)) {
                x = r(d.continuationX * sx);
                y += r(108 * sy);
            }
        }
        // A heading ends where the next one on its line begins: cut a letter at a time, with "…".
        for (int i = 0; i < headings.size(); ++i) {
            QString text = headings[i].text;
            if (i + 1 < headings.size() && headings[i + 1].y == headings[i].y) {
                const int room = headings[i + 1].x - headings[i].x;
                const auto width = [&](const QString& t) { return m.textWidth("Arial Narrow", r(80 * sx), t); };
                if (width(text) > room) {
                    QString cut = text;
                    text.clear();
                    while (!cut.isEmpty()) {
                        cut.chop(1);
                        if (width(cut.trimmed() + QChar(0x2026)) <= room) {
                            text = cut.trimmed() + QChar(0x2026);
                            break;
                        }
                    }
                }
            }
            if (!text.isEmpty())
                canvas.textOut(headings[i].x, headings[i].y, TextAlign::LeftBaseline, text);
        }
        canvas.setFont(QStringLiteral("Arial"), r(71 * sy));
        canvas.setPenWidth(r(2 * sy));
        y += r(65 * sy);
        canvas.horizontalLine(0, r(d.ruleLength * sx), y);
        y += r(12 * sy);
        canvas.horizontalLine(0, r(d.ruleLength * sx), y);
        return y + r(100 * sy);
    }

    const ListDesign& d;
    TextMeasurer& m;
    double sx = 1, sy = 1, limit = 0;
    std::vector<int> widths;
};

} // namespace

class tst_ListLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void designFigures_data();
    void designFigures();
    void pageBreaks_data();
    void pageBreaks();
    void headingCarriesPageNumberAndTitle();
    void headingsNeverOverlap_data();
    void headingsNeverOverlap();
    void narrowAndEmptyColumns_data();
    void narrowAndEmptyColumns();
    void landscapeHasWiderLinesAndFewerRows();
    void readerWrapAfterLastColumnGivesEmptyLine();
    void pieceRunningOffTheSheetWraps_data();
    void pieceRunningOffTheSheetWraps();
    void pageWithoutRoomStillHoldsOneRow();
    void roundedStepsNeverRepeatOrSkipRows();
    void widthsMeasuredOncePerList();
    void matchesPageByPageModel();
};

void tst_ListLayout::roundsHalfToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("half down to even") << 0.5 << 0;
    QTest::newRow("half up to even") << 1.5 << 2;
    QTest::newRow("two and a half") << 2.5 << 2;
    QTest::newRow("negative half") << -2.5 << -2;
    QTest::newRow("below half") << 2.4999 << 2;
    QTest::newRow("above half") << 2.5001 << 3;
}

void tst_ListLayout::roundsHalfToEven() {
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(roundHalfEven(value), expected);
}

void tst_ListLayout::designFigures_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("otherLength");         // characters of every column but the number
    QTest::addColumn<QList<int>>("headingLines"); // title rules and double rule
    QTest::addColumn<int>("headingBaseline");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("pitch");
    QTest::addColumn<int>("rowsPerPage");
    // Book columns of 2 characters (71 + 60 wide) fit on one line; of 5 characters (177 + 60) the
    // check before the 21st column wraps once.
    QTest::newRow("book, one line") << "book" << 2 << QList<int>{158, 309, 590, 602} << 525 << 702 << 216 << 28;
    QTest::newRow("book, one continuation line")
        << "book" << 5 << QList<int>{158, 309, 698, 710} << 525 << 810 << 324 << 19;
    QTest::newRow("reader, one line") << "reader" << 4 << QList<int>{158, 309, 590, 602} << 525 << 702 << 216 << 28;
    QTest::newRow("loan, one line") << "loan" << 4 << QList<int>{158, 309, 482, 494} << 417 << 594 << 216 << 27;
}

void tst_ListLayout::designFigures() {
    QFETCH(QString, list);
    QFETCH(int, otherLength);
    QFETCH(QList<int>, headingLines);
    QFETCH(int, headingBaseline);
    QFETCH(int, firstRow);
    QFETCH(int, pitch);
    QFETCH(int, rowsPerPage);

    HalfCellMeasurer measurer;
    ListLayout layout(designNamed(list), measurer);
    VectorSource source = numberedRows(3, int(layout.design().columns.size()), otherLength);
    const PageSetup a4;
    const ListOptions options{QStringLiteral("Bestand"), true, {}};
    const ListMetrics& m = layout.prepare(source, a4, options);
    QCOMPARE(m.firstRowBaseline, firstRow);
    QCOMPARE(m.pitch, pitch);
    QCOMPARE(m.rowsPerPage, rowsPerPage);

    RecordingCanvas canvas;
    QVERIFY(layout.drawPage(canvas, source, a4, options, 1));
    QCOMPARE(canvas.lineYs().mid(0, 4), headingLines);
    QCOMPARE(canvas.firstTextAfterFont(QStringLiteral("Arial Narrow"))->b, headingBaseline);
    QCOMPARE(canvas.findText(QStringLiteral("B1"))->b, firstRow);
    QCOMPARE(canvas.findText(QStringLiteral("B2"))->b, firstRow + pitch);
    // A row rule lies 100 below the last line of its row.
    QCOMPARE(canvas.lineYs().at(4), firstRow + pitch - 216 + 100);
    const int ruleEnd = list == QLatin1String("loan") ? 5000 : 8000;
    for (const Op& op : canvas.ops)
        if (op.kind == Op::Line)
            QCOMPARE(op.b, ruleEnd);
}

void tst_ListLayout::pageBreaks_data() {
    QTest::addColumn<int>("books");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QList<int>>("rowsOnPages");
    QTest::newRow("empty list: one page, heading alone") << 0 << 1 << QList<int>{0};
    QTest::newRow("one book") << 1 << 1 << QList<int>{1};
    QTest::newRow("27 books") << 27 << 1 << QList<int>{27};
    QTest::newRow("a full page is followed by the heading alone") << 28 << 2 << QList<int>{28, 0};
    QTest::newRow("56 books: third page heading alone") << 56 << 3 << QList<int>{28, 28, 0};
    QTest::newRow("57 books: third page one row") << 57 << 3 << QList<int>{28, 28, 1};
}

void tst_ListLayout::pageBreaks() {
    QFETCH(int, books);
    QFETCH(int, pages);
    QFETCH(QList<int>, rowsOnPages);
    HalfCellMeasurer measurer;
    ListLayout layout(bookListDesign(bookCaptions()), measurer);
    VectorSource source = numberedRows(books, 23, 2);
    const PageSetup a4;
    const ListOptions options;
    layout.prepare(source, a4, options);
    QCOMPARE(layout.pageCount(source), pages);

    QStringList printed;
    for (int n = 1; n <= pages; ++n) {
        RecordingCanvas canvas;
        layout.prepare(source, a4, options);
        const bool ends = layout.drawPage(canvas, source, a4, options, n);
        QCOMPARE(ends, n == pages);
        QStringList numbers = canvas.texts().filter(QRegularExpression(QStringLiteral("^B\\d+$")));
        QCOMPARE(numbers.size(), rowsOnPages[n - 1]);
        printed += numbers;
    }
    QStringList expected;
    for (int i = 1; i <= books; ++i)
        expected.append(QStringLiteral("B%1").arg(i));
    QCOMPARE(printed, expected);
}

void tst_ListLayout::headingCarriesPageNumberAndTitle() {
    HalfCellMeasurer measurer;
    ListLayout layout(bookListDesign(bookCaptions()), measurer);
    VectorSource source = numberedRows(400, 23, 2);
    const PageSetup a4;
    ListOptions options{QStringLiteral("Ein Titel, der viel länger ist als die Seite breit"), true, {}};
    layout.prepare(source, a4, options);
    RecordingCanvas numbered;
    layout.drawPage(numbered, source, a4, options, 12);
    const Op* number = numbered.findText(QStringLiteral("Seite 12"));
    QVERIFY(number);
    QCOMPARE(QList<int>({number->a, number->b}), QList<int>({500, 100}));
    const Op* title = numbered.findText(options.title);
    QVERIFY(title);
    QCOMPARE(title->align, TextAlign::CentreTop);
    QCOMPARE(QList<int>({title->a, title->b}), QList<int>({2480, 183}));
    // Page 12 begins with the 309th book.
    QVERIFY(numbered.findText(QStringLiteral("B309")));
    QVERIFY(!numbered.findText(QStringLiteral("B308")));

    options.pageNumbers = false;
    RecordingCanvas plain;
    layout.drawPage(plain, source, a4, options, 12);
    QList<Op> withoutNumber = numbered.ops;
    withoutNumber.removeOne(*number);
    QCOMPARE(plain.ops, withoutNumber);
}

// Each heading stands on a white ground: one wider than its column would be covered by the next one on its
// line. It is cut with "…" to the room up to that heading; the last on a line keeps its whole text.
void tst_ListLayout::headingsNeverOverlap_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("numberLength"); // characters of the number columns
    QTest::addColumn<int>("otherLength");
    QTest::newRow("loan, four-digit reader numbers") << "loan" << 4 << 4;
    QTest::newRow("loan, wide columns") << "loan" << 9 << 12;
    QTest::newRow("book, narrow columns") << "book" << 1 << 2;
    QTest::newRow("reader, narrow columns") << "reader" << 2 << 3;
}

void tst_ListLayout::headingsNeverOverlap() {
    QFETCH(QString, list);
    QFETCH(int, numberLength);
    QFETCH(int, otherLength);
    HalfCellMeasurer measurer;
    ListLayout layout(designNamed(list), measurer);
    const int columns = int(layout.design().columns.size());
    VectorSource source;
    for (int i = 0; i < 3; ++i) {
        QStringList row;
        for (int c = 0; c < columns; ++c)
            row.append(QString(layout.design().columns[c].numberWidthRule ? numberLength : otherLength, u'7'));
        source.rows.append(row);
    }
    const PageSetup a4;
    const ListOptions options{QStringLiteral("Ausleihen"), false, {}};
    layout.prepare(source, a4, options);
    RecordingCanvas canvas;
    layout.drawPage(canvas, source, a4, options, 1);
    QList<Op> headings;
    bool inHeadings = false;
    for (const Op& op : canvas.ops) {
        if (op.kind == Op::Font)
            inHeadings = op.text == QLatin1String("Arial Narrow");
        else if (inHeadings && op.kind == Op::Text)
            headings.append(op);
    }
    QVERIFY(!headings.isEmpty());
    const int cell = 80;
    int cut = 0;
    for (int i = 0; i < headings.size(); ++i) {
        const Op& h = headings[i];
        const bool neighbour = i + 1 < headings.size() && headings[i + 1].b == h.b;
        const QString what = QStringLiteral("heading %1 '%2' at %3").arg(i).arg(h.text).arg(h.a);
        if (neighbour)
            QVERIFY2(h.a + measurer.textWidth(QStringLiteral("Arial Narrow"), cell, h.text) <= headings[i + 1].a,
                     qPrintable(what));
        bool whole = false;
        for (const ListColumn& c : layout.design().columns)
            whole = whole || c.heading == h.text;
        if (!whole) {
            ++cut;
            QVERIFY2(neighbour && h.text.endsWith(QChar(0x2026)), qPrintable(what));
        }
    }
    // Four-digit reader numbers leave "Leser-Nr." too little room: it is cut, not covered.
    if (numberLength == 4)
        QVERIFY(cut > 0);
}

void tst_ListLayout::narrowAndEmptyColumns_data() {
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("headings");
    QTest::addColumn<int>("numberWidth");
    // At 600 dots per inch the 60 units of padding alone do not make a column visible.
    QTest::newRow("empty list at A4") << 1.0 << 0 << QStringList{"Nr."} << 260;
    QTest::newRow("empty columns left out at A4") << 1.0 << 2 << QStringList{"Nr.", "Verfasser"} << 260;
    // Twice the resolution: padding 120, so empty columns are printed empty.
    QTest::newRow("empty list at double scale") << 2.0 << 0 << bookCaptions() << 520;
    QTest::newRow("empty columns printed at double scale") << 2.0 << 2 << bookCaptions() << 191;
}

void tst_ListLayout::narrowAndEmptyColumns() {
    QFETCH(double, scale);
    QFETCH(int, rows);
    QFETCH(QStringList, headings);
    QFETCH(int, numberWidth);
    HalfCellMeasurer measurer;
    ListLayout layout(bookListDesign(bookCaptions()), measurer);
    VectorSource source;
    for (int i = 0; i < rows; ++i) {
        QStringList row(23);
        row[0] = QString::number(i + 1); // one digit: narrower than 50, so the number rule applies
        row[1] = QStringLiteral("Autor");
        source.rows.append(row);
    }
    const PageSetup page{4961 * scale, 7016 * scale, false};
    const ListOptions options;
    layout.prepare(source, page, options);
    RecordingCanvas canvas;
    layout.drawPage(canvas, source, page, options, 1);
    // A heading cut to its column ("Feld 1…") still stands for its column.
    QStringList drawnHeadings;
    bool inHeadings = false;
    for (const Op& op : canvas.ops) {
        if (op.kind == Op::Font) {
            inHeadings = op.text == QLatin1String("Arial Narrow");
            continue;
        }
        if (!inHeadings || op.kind != Op::Text)
            continue;
        for (const QString& caption : bookCaptions()) {
            if (op.text == caption || (op.text.endsWith(QChar(0x2026)) && caption.startsWith(op.text.chopped(1)) &&
                                       !drawnHeadings.contains(caption))) {
                drawnHeadings.append(caption);
                break;
            }
        }
    }
    QCOMPARE(drawnHeadings, headings);
    QCOMPARE(layout.prepare(source, page, options).widths[0], numberWidth);
}

void tst_ListLayout::landscapeHasWiderLinesAndFewerRows() {
    HalfCellMeasurer measurer;
    ListLayout layout(bookListDesign(bookCaptions()), measurer);
    VectorSource source = numberedRows(100, 23, 5); // wraps once in portrait
    const ListOptions options;
    const ListMetrics portrait = layout.prepare(source, {4961, 7016, false}, options);
    const ListMetrics landscape = layout.prepare(source, {7016, 4961, true}, options);
    QCOMPARE(portrait.pitch, 324);
    QCOMPARE(landscape.pitch, 216);
    QCOMPARE(portrait.rowsPerPage, 19);
    QVERIFY(landscape.rowsPerPage < 28);
    QCOMPARE(landscape.rowsPerPage, int(std::floor((0.95 * 4961 - 702) / 216)) + 1);
    // The loan list stays portrait whatever the page says.
    ListLayout loans(loanListDesign(), measurer);
    VectorSource loanRows = numberedRows(3, 9, 2);
    QCOMPARE(loans.prepare(loanRows, {4961, 7016, true}, options).sx, 1.0);
}

void tst_ListLayout::readerWrapAfterLastColumnGivesEmptyLine() {
    HalfCellMeasurer measurer;
    ListLayout layout(readerListDesign(), measurer);
    // Nine columns end at 250 + 131 + 8 × (248 + 60) = 2845; the tenth, of 60 characters, brings the
    // line beyond the limit only after the last column.
    VectorSource source = numberedRows(40, 10, 7);
    for (QStringList& row : source.rows)
        row[9] = QString(60, QLatin1Char('y'));
    const ListOptions options;
    const ListMetrics& m = layout.prepare(source, {}, options);
    QCOMPARE(m.pitch, 324);
    QCOMPARE(m.rowsPerPage, 19);
    RecordingCanvas canvas;
    layout.drawPage(canvas, source, {}, options, 1);
    // Every text of a row stands on one line; the rule lies 100 below the empty second line.
    QCOMPARE(canvas.findText(QStringLiteral("B1"))->b, 810);
    QVERIFY(canvas.lineYs().contains(810 + 108 + 100));
    QStringList printed;
    for (int n = 1; n <= layout.pageCount(source); ++n) {
        RecordingCanvas page;
        layout.drawPage(page, source, {}, options, n);
        printed += page.texts().filter(QRegularExpression(QStringLiteral("^B\\d+$")));
    }
    QCOMPARE(printed.size(), 40);
    QCOMPARE(printed.last(), QStringLiteral("B40"));
}

void tst_ListLayout::pieceRunningOffTheSheetWraps_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("baseline");
    QTest::addColumn<int>("pitch");
    // The fifth column starts at 250 + 131 + 3 × 1373 = 4500, left of the limit 4712.95. Three characters
    // (166 wide) end at 4666, before the limit; twenty (770) would end at 5270, beyond the sheet's edge at 4961.
    QTest::newRow("fits before the limit") << 3 << 4500 << 702 << 216;
    QTest::newRow("would run off the sheet") << 20 << 400 << 810 + 108 << 324;
}

void tst_ListLayout::pieceRunningOffTheSheetWraps() {
    QFETCH(int, length);
    QFETCH(int, x);
    QFETCH(int, baseline);
    QFETCH(int, pitch);
    HalfCellMeasurer measurer;
    ListLayout layout(bookListDesign(bookCaptions()), measurer);
    VectorSource source;
    for (int i = 0; i < 3; ++i) {
        QStringList row(23);
        row[0] = QStringLiteral("B%1").arg(i + 1);
        for (int c = 1; c <= 3; ++c)
            row[c] = QString(37, QLatin1Char('x'));
        row[4] = QString(length, QLatin1Char('o'));
        source.rows.append(row);
    }
    const ListOptions options;
    QCOMPARE(layout.prepare(source, {}, options).pitch, pitch);
    RecordingCanvas canvas;
    layout.drawPage(canvas, source, {}, options, 1);
    const auto* piece = canvas.findText(QString(length, QLatin1Char('o')));
    QVERIFY(piece);
    QCOMPARE(piece->a, x);
    QCOMPARE(piece->b, baseline);
}

void tst_ListLayout::pageWithoutRoomStillHoldsOneRow() {
    HalfCellMeasurer measurer;
    // The lists' own headings always leave room; a heading standing lower than the bottom limit does not.
    ListDesign design = bookListDesign(bookCaptions());
    design.headingBaseline = 6700;
    ListLayout layout(design, measurer);
    VectorSource source = numberedRows(3, 23, 2);
    const ListOptions options;
    const ListMetrics& m = layout.prepare(source, {}, options);
    QVERIFY(m.firstRowBaseline > 0.95 * 7016);
    QCOMPARE(m.rowsPerPage, 1);
    QCOMPARE(layout.pageCount(source), 4);
    RecordingCanvas last;
    QVERIFY(layout.drawPage(last, source, {}, options, 4));
    QVERIFY(last.texts().filter(QRegularExpression(QStringLiteral("^B\\d+$"))).isEmpty());
}

void tst_ListLayout::roundedStepsNeverRepeatOrSkipRows() {
    // At this scale round(100 sy) + round(116 sy) = 108 while round(216 sy) = 109: the rows advance
    // less than the pitch on which the page starts were computed.
    const double sy = 0.5025;
    QCOMPARE(r(100 * sy) + r(116 * sy), 108);
    QCOMPARE(r(216 * sy), 109);
    HalfCellMeasurer measurer;
    ListLayout layout(bookListDesign(bookCaptions()), measurer);
    VectorSource source = numberedRows(200, 23, 2);
    const PageSetup page{4961 * sy, 7016 * sy, false};
    const ListOptions options;
    layout.prepare(source, page, options);
    QStringList printed;
    for (int n = 1; n <= layout.pageCount(source); ++n) {
        RecordingCanvas canvas;
        layout.drawPage(canvas, source, page, options, n);
        printed += canvas.texts().filter(QRegularExpression(QStringLiteral("^B\\d+$")));
    }
    QStringList expected;
    for (int i = 1; i <= 200; ++i)
        expected.append(QStringLiteral("B%1").arg(i));
    QCOMPARE(printed, expected);
}

void tst_ListLayout::widthsMeasuredOncePerList() {
    HalfCellMeasurer measurer;
    ListLayout layout(bookListDesign(bookCaptions()), measurer);
    VectorSource source = numberedRows(100, 23, 2);
    const ListOptions options;
    for (int n = 1; n <= 4; ++n) {
        layout.prepare(source, {}, options);
        RecordingCanvas canvas;
        layout.drawPage(canvas, source, {}, options, n);
    }
    QCOMPARE(layout.measureCount(), 1);
    // Ticks do not change the widths; a change of the data or the scale does.
    layout.prepare(source, {}, {QString(), false, QList<bool>(23, false)});
    QCOMPARE(layout.measureCount(), 1);
    source.rows[5][1] = QStringLiteral("ein viel längerer Verfasser");
    ++source.generation;
    QVERIFY(layout.prepare(source, {}, options).widths[1] > 200);
    QCOMPARE(layout.measureCount(), 2);
    layout.prepare(source, {4961 * 2, 7016 * 2, false}, options);
    layout.prepare(source, {4961 * 2, 7016 * 2, false}, options);
    QCOMPARE(layout.measureCount(), 3);
}

void tst_ListLayout::matchesPageByPageModel() {
    const QStringList lists{QStringLiteral("book"), QStringLiteral("reader"), QStringLiteral("loan")};
    for (quint32 seed = 1; seed <= 60; ++seed) {
        QRandomGenerator rng(seed);
        const QString list = lists[rng.bounded(3)];
        const ListDesign design = designNamed(list);
        const int columns = int(design.columns.size());
        VectorSource source;
        const int rows = rng.bounded(4) == 0 ? rng.bounded(3) : rng.bounded(120);
        // Some columns show the text of a few keys (a loan shows its book's title), measured once per key;
        // the model measures every cell.
        QList<bool> keyed;
        QList<QStringList> keyTexts;
        for (int c = 0; c < columns; ++c) {
            keyed.append(rng.bounded(3) == 0);
            QStringList texts;
            for (int k = 0; k < 6; ++k)
                texts.append(rng.bounded(4) == 0 ? QString() : QString(rng.bounded(1, 20), QLatin1Char('w')));
            keyTexts.append(texts);
        }
        for (int i = 0; i < rows; ++i) {
            QStringList row;
            QList<qint64> keys;
            for (int c = 0; c < columns; ++c) {
                const qint64 key = keyed[c] ? rng.bounded(6) : -1;
                keys.append(key);
                row.append(key >= 0              ? keyTexts[c][key]
                           : rng.bounded(5) == 0 ? QString()
                                                 : QString(rng.bounded(c == 0 ? 6 : 18), QLatin1Char('m')));
            }
            source.rows.append(row);
            source.keys.append(keys);
        }
        const double scale = 0.3 + rng.generateDouble() * 1.5;
        const bool landscape = rng.bounded(2) == 1;
        const PageSetup page{(landscape ? 7016 : 4961) * scale * (0.9 + rng.generateDouble() * 0.2),
                             (landscape ? 4961 : 7016) * scale, landscape};
        ListOptions options{QStringLiteral("Liste %1").arg(seed), rng.bounded(2) == 1, {}};
        for (int c = 0; c < columns; ++c)
            options.ticked.append(rng.bounded(6) != 0);

        HalfCellMeasurer fastMeasurer, naiveMeasurer;
        ListLayout fast(design, fastMeasurer);
        NaiveLayout naive(design, naiveMeasurer);
        bool ended = false;
        for (int n = 1; !ended && n <= 400; ++n) {
            RecordingCanvas fastCanvas, naiveCanvas;
            fast.prepare(source, page, options);
            const bool fastEnds = fast.drawPage(fastCanvas, source, page, options, n);
            ended = naive.drawPage(naiveCanvas, source, page, options, n);
            const QString where = QStringLiteral("seed %1 (%2 list, %3 rows, page %4 × %5%6), page %7")
                                      .arg(seed)
                                      .arg(list)
                                      .arg(rows)
                                      .arg(page.width)
                                      .arg(page.height)
                                      .arg(landscape ? QStringLiteral(", landscape") : QString())
                                      .arg(n);
            if (fastCanvas.ops != naiveCanvas.ops) {
                int i = 0;
                while (i < fastCanvas.ops.size() && i < naiveCanvas.ops.size() &&
                       fastCanvas.ops[i] == naiveCanvas.ops[i])
                    ++i;
                QFAIL(qPrintable(where + QStringLiteral(": step %1 differs, layout '%2', model '%3'")
                                             .arg(i)
                                             .arg(i < fastCanvas.ops.size() ? describe(fastCanvas.ops[i]) : "end")
                                             .arg(i < naiveCanvas.ops.size() ? describe(naiveCanvas.ops[i]) : "end")));
            }
            QVERIFY2(fastEnds == ended, qPrintable(where + QStringLiteral(": end of list differs")));
            if (ended)
                QVERIFY2(fast.pageCount(source) == n, qPrintable(where + QStringLiteral(": page count")));
        }
        QVERIFY2(ended, qPrintable(QStringLiteral("seed %1: the model never ended").arg(seed)));
        QCOMPARE(fast.measureCount(), 1);
    }
}

QTEST_GUILESS_MAIN(tst_ListLayout)
#include "tst_ListLayout.moc"
