// Sheet geometry, the placement of labels from a start position, and the refusal of sheets that do not fit.

#include "labels/rules/LabelSelection.h"
#include "labels/rules/LabelSheet.h"

#include <QRandomGenerator>
#include <QTest>

using namespace lesaro::labels;

Q_DECLARE_METATYPE(lesaro::labels::LabelSheet)

class tst_labelsheet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void builtInSheetsFitA4();
    void labelRects_data();
    void labelRects();
    void refusal_data();
    void refusal();
    void edgeWarning_data();
    void edgeWarning();
    void plan_data();
    void plan();
    void randomPlansAgainstPlainCount();
    void countText_data();
    void countText();
};

void tst_labelsheet::builtInSheetsFitA4() {
    const QList<LabelSheet>& sheets = LabelSheets::builtIn();
    QCOMPARE(sheets.size(), 5);
    for (const LabelSheet& s : sheets) {
        QVERIFY2(s.check().isEmpty(), qPrintable(s.name + QLatin1String(": ") + s.check()));
        const QRectF last = s.labelRect(s.perSheet() - 1);
        QVERIFY(last.right() <= LabelSheet::kA4Width + 0.005);
        QVERIFY(last.bottom() <= LabelSheet::kA4Height + 0.005);
    }
    // The sizes librarians buy.
    auto has = [&](int c, int r, double w, double h) {
        return std::any_of(sheets.begin(), sheets.end(), [&](const LabelSheet& s) {
            return s.columns == c && s.rows == r && qFuzzyCompare(s.labelWidth, w) && qFuzzyCompare(s.labelHeight, h);
        });
    };
    QVERIFY(has(3, 8, 70, 37));
    QVERIFY(has(3, 7, 70, 42.3));
    QVERIFY(has(2, 8, 105, 37));
    QVERIFY(has(4, 10, 48.5, 25.4));
    QVERIFY(has(2, 5, 85, 54));
}

void tst_labelsheet::labelRects_data() {
    QTest::addColumn<int>("sheet");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRectF>("rect");
    QTest::newRow("3x8 first") << 0 << 0 << QRectF(0, 0.5, 70, 37);
    QTest::newRow("3x8 end of first row") << 0 << 2 << QRectF(140, 0.5, 70, 37);
    QTest::newRow("3x8 start of second row") << 0 << 3 << QRectF(0, 37.5, 70, 37);
    QTest::newRow("3x8 last") << 0 << 23 << QRectF(140, 259.5, 70, 37);
    QTest::newRow("3x7 last") << 1 << 20 << QRectF(140, 0.45 + 6 * 42.3, 70, 42.3);
    QTest::newRow("2x8 second") << 2 << 1 << QRectF(105, 0.5, 105, 37);
    QTest::newRow("4x10 sixth") << 3 << 5 << QRectF(8 + 48.5, 21.5 + 25.4, 48.5, 25.4);
    QTest::newRow("cards second row right") << 4 << 3 << QRectF(110, 67.5, 85, 54);
}

void tst_labelsheet::labelRects() {
    QFETCH(int, sheet);
    QFETCH(int, index);
    QFETCH(QRectF, rect);
    const QRectF got = LabelSheets::builtIn()[sheet].labelRect(index);
    QVERIFY2(
        std::abs(got.left() - rect.left()) < 1e-9 && std::abs(got.top() - rect.top()) < 1e-9 &&
            std::abs(got.width() - rect.width()) < 1e-9 && std::abs(got.height() - rect.height()) < 1e-9,
        qPrintable(QStringLiteral("%1 %2 %3 %4").arg(got.left()).arg(got.top()).arg(got.width()).arg(got.height())));
}

void tst_labelsheet::refusal_data() {
    QTest::addColumn<LabelSheet>("sheet");
    QTest::addColumn<QString>("message"); // a part of the refusal naming the measure; empty: fits
    const LabelSheet base{QStringLiteral("Eigener Bogen"), 3, 8, 70, 37, 0.5, 0, 70, 37};
    QTest::newRow("fits") << base << QString();
    LabelSheet s = base;
    s.rows = 12;
    s.columns = 4;
    s.labelWidth = 48.5;
    s.hPitch = 48.5;
    s.labelHeight = 25.4;
    s.vPitch = 25.4;
    s.top = 0;
    s.left = 8;
    QTest::newRow("4 x 12 at 25,4 mm") << s
                                       << QStringLiteral("Höhe des A4-Blatts: oberer Rand 0 mm + 11 × senkrechter "
                                                         "Abstand 25,4 mm + Etikettenhöhe 25,4 mm = 304,8 mm");
    s = base;
    s.left = 0.5;
    QTest::newRow("half a millimetre too wide")
        << s << QStringLiteral("= 210,5 mm, das Blatt ist aber nur 210 mm breit");
    s = base;
    s.hPitch = 69;
    QTest::newRow("overlapping across") << s << QStringLiteral("waagerechte Abstand (69 mm) ist kleiner");
    s = base;
    s.vPitch = 36.5;
    QTest::newRow("overlapping down") << s << QStringLiteral("senkrechte Abstand (36,5 mm) ist kleiner");
    s = base;
    s.columns = 0;
    QTest::newRow("no columns") << s << QStringLiteral("Spalten");
    s = base;
    s.labelHeight = 0;
    QTest::newRow("no height") << s << QStringLiteral("Etikettenhöhe");
    s = base;
    s.columns = 1;
    s.hPitch = 0; // a single column needs no pitch
    QTest::newRow("one column, no pitch") << s << QString();
}

void tst_labelsheet::refusal() {
    QFETCH(LabelSheet, sheet);
    QFETCH(QString, message);
    const QString got = sheet.check();
    if (message.isEmpty())
        QVERIFY2(got.isEmpty(), qPrintable(got));
    else
        QVERIFY2(got.contains(message), qPrintable(got));
}

void tst_labelsheet::edgeWarning_data() {
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QRectF>("printable");
    QTest::addColumn<QString>("warning");
    const QRectF whole(0, 0, 210, 297);
    QTest::newRow("whole sheet printable") << 0 << whole << QString();
    QTest::newRow("printable area a dot short of the edge") << 0 << QRectF(0.08, 0, 209.81, 297) << QString();
    QTest::newRow("first column in the left edge")
        << 0 << QRectF(4.2, 4.2, 201.6, 288.6)
        << QStringLiteral("Die erste Spalte beginnt 0 mm vom linken "
                          "Blattrand, der Drucker druckt aber erst ab 4,2 mm.");
    QTest::newRow("cards clear of a 5 mm edge") << 4 << QRectF(5, 5, 200, 287) << QString();
    QTest::newRow("4x10 reaching the right edge")
        << 3 << QRectF(3, 3, 198, 291) << QStringLiteral("Die letzte Spalte reicht bis 202 mm");
}

void tst_labelsheet::edgeWarning() {
    QFETCH(int, sheet);
    QFETCH(QRectF, printable);
    QFETCH(QString, warning);
    const QString got = LabelSheets::builtIn()[sheet].edgeWarning(printable);
    if (warning.isEmpty())
        QVERIFY2(got.isEmpty(), qPrintable(got));
    else
        QVERIFY2(got.startsWith(warning), qPrintable(got));
}

void tst_labelsheet::plan_data() {
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("perSheet");
    QTest::addColumn<int>("sheets");
    QTest::addColumn<int>("lastSheet"); // where the last label goes
    QTest::addColumn<int>("lastIndex");
    QTest::newRow("one label") << 1 << 1 << 1 << 24 << 1 << 1 << 0;
    QTest::newRow("a full sheet") << 24 << 1 << 1 << 24 << 1 << 1 << 23;
    QTest::newRow("one over") << 25 << 1 << 1 << 24 << 2 << 2 << 0;
    QTest::newRow("start on the last label") << 2 << 1 << 24 << 24 << 2 << 2 << 0;
    QTest::newRow("37 from 12") << 37 << 1 << 12 << 24 << 2 << 2 << 23;
    QTest::newRow("copies") << 5 << 3 << 1 << 10 << 2 << 2 << 4;
    QTest::newRow("start beyond the sheet is held") << 1 << 1 << 99 << 10 << 1 << 1 << 9;
    QTest::newRow("start below 1 is held") << 1 << 1 << 0 << 10 << 1 << 1 << 0;
    QTest::newRow("nothing") << 0 << 1 << 5 << 10 << 0 << 0 << 0;
}

void tst_labelsheet::plan() {
    QFETCH(int, records);
    QFETCH(int, copies);
    QFETCH(int, start);
    QFETCH(int, perSheet);
    QFETCH(int, sheets);
    QFETCH(int, lastSheet);
    QFETCH(int, lastIndex);
    const LabelPlan plan(records, copies, start, perSheet);
    QCOMPARE(plan.labelCount(), records * copies);
    QCOMPARE(plan.sheetCount(), sheets);
    if (plan.labelCount() > 0) {
        const LabelPlace last = plan.place(plan.labelCount() - 1);
        QCOMPARE(last.sheet, lastSheet);
        QCOMPARE(last.index, lastIndex);
        QCOMPARE(last.record, records - 1);
    }
}

// Every label's sheet, position and rectangle against a plain walk over the sheets, slot by slot.
void tst_labelsheet::randomPlansAgainstPlainCount() {
    const quint32 seed = 20261211;
    QRandomGenerator rng(seed);
    for (int step = 0; step < 400; ++step) {
        LabelSheet s;
        s.columns = rng.bounded(1, 6);
        s.rows = rng.bounded(1, 15);
        s.labelWidth = rng.bounded(10, 1 + 200 / s.columns);
        s.labelHeight = rng.bounded(10, 1 + 280 / s.rows);
        s.hPitch = s.labelWidth + rng.bounded(0, 3) * 0.5;
        s.vPitch = s.labelHeight + rng.bounded(0, 3) * 0.25;
        s.left = rng.bounded(0, 5);
        s.top = rng.bounded(0, 8);
        const int records = rng.bounded(0, 60);
        const int copies = rng.bounded(1, 4);
        const int start = rng.bounded(1, s.perSheet() + 1);
        const LabelPlan plan(records, copies, start, s.perSheet());

        int sheet = 1, row = (start - 1) / s.columns, column = (start - 1) % s.columns;
        int labels = 0;
        for (int r = 0; r < records; ++r) {
            for (int c = 0; c < copies; ++c, ++labels) {
                const LabelPlace p = plan.place(labels);
                const QString where = QStringLiteral("seed %1 step %2 label %3").arg(seed).arg(step).arg(labels);
                QVERIFY2(p.sheet == sheet && p.record == r, qPrintable(where));
                const QRectF expected(s.left + column * s.hPitch, s.top + row * s.vPitch, s.labelWidth, s.labelHeight);
                QVERIFY2(s.labelRect(p.index) == expected, qPrintable(where));
                if (++column == s.columns) {
                    column = 0;
                    if (++row == s.rows) {
                        row = 0;
                        ++sheet;
                    }
                }
            }
        }
        const int sheets = labels == 0 ? 0 : (column == 0 && row == 0 ? sheet - 1 : sheet);
        QVERIFY2(plan.sheetCount() == sheets, qPrintable(QStringLiteral("seed %1 step %2").arg(seed).arg(step)));
        int seen = 0;
        for (int sh = 1; sh <= plan.sheetCount(); ++sh) {
            const auto [first, count] = plan.labelsOnSheet(sh);
            QCOMPARE(first, seen);
            QVERIFY(count > 0);
            for (int k = first; k < first + count; ++k)
                QCOMPARE(plan.place(k).sheet, sh);
            seen += count;
        }
        QCOMPARE(seen, labels);
    }
}

void tst_labelsheet::countText_data() {
    QTest::addColumn<int>("labels");
    QTest::addColumn<int>("sheets");
    QTest::addColumn<QString>("text");
    QTest::newRow("many") << 37 << 2 << QStringLiteral("37 Etiketten auf 2 Blättern");
    QTest::newRow("one") << 1 << 1 << QStringLiteral("1 Etikett auf 1 Blatt");
    QTest::newRow("none") << 0 << 0 << QStringLiteral("0 Etiketten auf 0 Blättern");
}

void tst_labelsheet::countText() {
    QFETCH(int, labels);
    QFETCH(int, sheets);
    QFETCH(QString, text);
    QCOMPARE(LabelPlan::countText(labels, sheets), text);
}

QTEST_GUILESS_MAIN(tst_labelsheet)
#include "tst_labelsheet.moc"
