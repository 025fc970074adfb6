// The barcodes from Zint: bars, quiet zones and a module width the label holds.

#include "labels/rules/Barcode.h"

#include <QTest>

using namespace lesaro::labels;

Q_DECLARE_METATYPE(lesaro::labels::Symbology)

class tst_barcode : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void symbols_data();
    void symbols();
    void code39RefusesWhatItCannotCarry();
    void moduleDots_data();
    void moduleDots();
};

void tst_barcode::symbols_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Symbology>("symbology");
    QTest::addColumn<double>("modules"); // the symbol's own width, without the quiet zones
    // Code 128: start, data, check, stop (13 modules); digits go in pairs (code set C).
    QTest::newRow("128 one digit") << QStringLiteral("7") << Symbology::Code128 << 46.0;
    QTest::newRow("128 four digits") << QStringLiteral("1234") << Symbology::Code128 << 57.0;
    QTest::newRow("128 five digits") << QStringLiteral("12345") << Symbology::Code128 << 79.0;
    QTest::newRow("128 negative") << QStringLiteral("-12") << Symbology::Code128 << 68.0;
    // Code 39 with wide bars twice the narrow: 13 modules a character with its gap, start and stop
    // included, less the last gap.
    QTest::newRow("39 five digits") << QStringLiteral("12345") << Symbology::Code39 << 7 * 13.0 - 1;
}

void tst_barcode::symbols() {
    QFETCH(QString, text);
    QFETCH(Symbology, symbology);
    QFETCH(double, modules);
    const BarcodeSymbol s = Barcode::encode(text, symbology);
    QVERIFY2(s.ok(), qPrintable(s.error));
    // Ten modules of quiet zone on either side, which no bar enters.
    QCOMPARE(s.modules, modules + 20);
    const Bar& first = s.bars.first();
    const Bar& last = s.bars.last();
    QCOMPARE(first.x, 10.0);
    QCOMPARE(last.x + last.width, s.modules - 10);
    double previousEnd = 0;
    for (const Bar& b : s.bars) {
        QVERIFY(b.x >= previousEnd);
        QVERIFY(b.width >= 1 && b.width == std::floor(b.width));
        previousEnd = b.x + b.width;
    }
}

void tst_barcode::code39RefusesWhatItCannotCarry() {
    const BarcodeSymbol s = Barcode::encode(QStringLiteral("ä1"), Symbology::Code39);
    QVERIFY(!s.ok());
    QVERIFY2(s.error.startsWith(QStringLiteral("„ä1“ lässt sich nicht als Code 39 darstellen")), qPrintable(s.error));
}

void tst_barcode::moduleDots_data() {
    QTest::addColumn<double>("modules");
    QTest::addColumn<int>("available");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("dots");
    QTest::newRow("wide label, held to 0,5 mm") << 99.0 << 1600 << 600 << 11;
    QTest::newRow("as wide as fits") << 99.0 << 700 << 600 << 7;
    QTest::newRow("just fits at the least width") << 200.0 << 1000 << 600 << 5;
    QTest::newRow("below 0,19 mm refused") << 200.0 << 999 << 600 << 0;
    QTest::newRow("300 dpi") << 99.0 << 500 << 300 << 5;
    QTest::newRow("nothing to place") << 0.0 << 500 << 300 << 0;
}

void tst_barcode::moduleDots() {
    QFETCH(double, modules);
    QFETCH(int, available);
    QFETCH(int, dpi);
    QFETCH(int, dots);
    QCOMPARE(Barcode::moduleDots(modules, available, dpi), dots);
}

QTEST_GUILESS_MAIN(tst_barcode)
#include "tst_barcode.moc"
