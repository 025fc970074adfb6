#include "ui/DataGrid.h"
#include "ui/GermanInterface.h"

#include <QApplication>
#include <QStyle>
#include <QtTest>

using namespace lesaro;

// Qt's own texts in German, and lists whose design widths show numbers, dates and prices uncut.
class GermanInterfaceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(GermanInterface::install(*qApp), "Qt's German translations are missing"); }

    void qtTextsAreGerman_data() {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("english");
        QTest::newRow("scroll bar") << "QScrollBar"
                                    << "Scroll here";
        QTest::newRow("text box") << "QLineEdit"
                                  << "&Undo";
        QTest::newRow("text box select all") << "QLineEdit"
                                             << "Select All";
        QTest::newRow("dialog buttons") << "QPlatformTheme"
                                        << "Cancel";
        QTest::newRow("file dialog") << "QFileDialog"
                                     << "Look in:";
    }

    void qtTextsAreGerman() {
        QFETCH(QString, context);
        QFETCH(QString, english);
        const QString shown = QCoreApplication::translate(context.toLatin1(), english.toLatin1());
        QVERIFY2(!shown.isEmpty() && shown != english, qPrintable(context + QLatin1Char(' ') + english));
    }

    void listCellsFitTheirDesignWidths_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("text");
        QTest::newRow("five-digit number in Nr.") << 29 << "88888";
        QTest::newRow("price in Preis") << 29 << QString::fromUtf8("99,99 €");
        QTest::newRow("date at the default width") << 64 << "28.08.2088";
    }

    void listCellsFitTheirDesignWidths() {
        QFETCH(int, width);
        QFETCH(QString, text);
        DataGrid grid;
        // What a cell leaves for its text: the grid line and the style's text margin on both sides.
        const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
        const int room = width - 1 - 2 * margin;
        const int needed = QFontMetrics(grid.font()).horizontalAdvance(text);
        QVERIFY2(needed <= room,
                 qPrintable(QStringLiteral("%1 needs %2 px, the cell has %3").arg(text).arg(needed).arg(room)));
        // And the font is not shrunk past reading.
        QVERIFY(QFontMetrics(grid.font()).height() >= 11);
    }
};

QTEST_MAIN(GermanInterfaceTest)
#include "tst_germaninterface.moc"
