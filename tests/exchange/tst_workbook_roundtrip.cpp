// The .xlsx and .ods readers against random sheets written here: texts with markup characters, umlauts and
// spaces, whole and fractional numbers, empty cells and rows, cells left out or repeated. The model of what
// must come back is the sheet's grid itself, each line up to its last cell that holds something, without the
// empty lines below the data. And sheets built to fill the memory: one cell far out and one far down.
#include "core/EngineError.h"
#include "exchange/sources/ImportSource.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <quazip.h>
#include <quazipfile.h>

using namespace lesaro;
using namespace lesaro::exchange;

namespace {

struct Cell {
    enum Kind { Empty, Text, Number } kind = Empty;
    QString text;  // Text: the text; Number: the value as the file writes it
    QString shown; // what the reader must give
};
using Grid = QList<QList<Cell>>;

QString xml(const QString& text) {
    return text.toHtmlEscaped();
}

void writeZip(const QString& path, const QList<std::pair<QString, QByteArray>>& entries) {
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        qFatal("cannot create zip");
    for (const auto& [name, bytes] : entries) {
        QuaZipFile f(&zip);
        if (!f.open(QIODevice::WriteOnly, QuaZipNewInfo(name)))
            qFatal("cannot add entry");
        f.write(bytes);
        f.close();
    }
    zip.close();
}

Grid randomGrid(QRandomGenerator& random) {
    static const QString alphabet = QStringLiteral("ab Zä€<>&\"'ß;,.-");
    const int rows = random.bounded(7);
    const int columns = 1 + random.bounded(5);
    Grid grid;
    for (int r = 0; r < rows; ++r) {
        QList<Cell> line;
        for (int c = 0; c < columns; ++c) {
            Cell cell;
            switch (random.bounded(4)) {
            case 0:
                break;
            case 1: {
                cell.kind = Cell::Number;
                const qint64 quarters = qint64(random.bounded(400000)) - 200000;
                cell.text = QString::number(double(quarters) / 4, 'f', 2);
                cell.shown = quarters % 4 == 0 ? QString::number(quarters / 4)
                                               : QString::number(double(quarters) / 4, 'g', 15).replace(u'.', u',');
                break;
            }
            default: {
                cell.kind = Cell::Text;
                const int length = 1 + random.bounded(6);
                for (int i = 0; i < length; ++i)
                    cell.text += alphabet[random.bounded(int(alphabet.size()))];
                cell.shown = cell.text;
            }
            }
            line.append(cell);
        }
        grid.append(line);
    }
    return grid;
}

SourceRecords model(const Grid& grid) {
    SourceRecords records;
    for (const QList<Cell>& line : grid) {
        QStringList fields;
        for (const Cell& c : line)
            fields.append(c.shown);
        while (!fields.isEmpty() && fields.last().isEmpty())
            fields.removeLast();
        records.append(fields);
    }
    while (!records.isEmpty() && records.last().isEmpty())
        records.removeLast();
    return records;
}

QString columnName(int c) {
    QString name;
    for (++c; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
}

void writeXlsxParts(const QString& path, const QByteArray& sheet, const QByteArray& strings) {
    writeZip(path, {{QStringLiteral("xl/workbook.xml"),
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook "
                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                     "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
                     "<sheet name=\"Blatt\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
                    {QStringLiteral("xl/_rels/workbook.xml.rels"),
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                     "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
                     "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
                    {QStringLiteral("xl/worksheets/sheet1.xml"), sheet},
                    {QStringLiteral("xl/sharedStrings.xml"), strings}});
}

// Some texts as shared strings, some inline; some cells with their reference, some without; empty cells
// left out or written as bare elements.
void writeXlsx(const QString& path, const Grid& grid, QRandomGenerator& random) {
    QStringList shared;
    QString sheet = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
                                   "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>");
    for (int r = 0; r < grid.size(); ++r) {
        sheet += QStringLiteral("<row r=\"%1\">").arg(r + 1);
        bool gap = false; // a cell after a left-out one needs its reference
        for (int c = 0; c < grid[r].size(); ++c) {
            const Cell& cell = grid[r][c];
            if (cell.kind == Cell::Empty && random.bounded(2)) {
                gap = true;
                continue;
            }
            const QString ref =
                gap || random.bounded(2) ? QStringLiteral(" r=\"%1%2\"").arg(columnName(c)).arg(r + 1) : QString();
            gap = false;
            if (cell.kind == Cell::Empty) {
                sheet += QStringLiteral("<c%1/>").arg(ref);
            } else if (cell.kind == Cell::Number) {
                sheet += QStringLiteral("<c%1><v>%2</v></c>").arg(ref, cell.text);
            } else if (random.bounded(2)) {
                sheet += QStringLiteral("<c%1 t=\"s\"><v>%2</v></c>").arg(ref).arg(shared.size());
                shared.append(cell.text);
            } else {
                sheet += QStringLiteral("<c%1 t=\"inlineStr\"><is><t xml:space=\"preserve\">%2</t></is></c>")
                             .arg(ref, xml(cell.text));
            }
        }
        sheet += QStringLiteral("</row>");
    }
    sheet += QStringLiteral("</sheetData></worksheet>");
    QString strings = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst "
                                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">");
    for (const QString& s : shared)
        strings += QStringLiteral("<si><r><t xml:space=\"preserve\">%1</t></r><rPh><t>x</t></rPh></si>").arg(xml(s));
    strings += QStringLiteral("</sst>");
    writeXlsxParts(path, sheet.toUtf8(), strings.toUtf8());
}

void writeOdsRows(const QString& path, const QString& rows) {
    const QString content =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
                       "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                       "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                       "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
                       "<table:table table:name=\"Blatt\"><table:table-column/>%1</table:table></office:spreadsheet>"
                       "</office:body></office:document-content>")
            .arg(rows);
    writeZip(path, {{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet"},
                    {QStringLiteral("content.xml"), content.toUtf8()}});
}

// Equal neighbours folded into repeats, as LibreOffice writes them, and the sheet's unused rest as one huge
// repeated row of one huge repeated cell.
void writeOds(const QString& path, const Grid& grid) {
    auto cellXml = [](const Cell& cell, int repeat) {
        const QString rep =
            repeat > 1 ? QStringLiteral(" table:number-columns-repeated=\"%1\"").arg(repeat) : QString();
        if (cell.kind == Cell::Empty)
            return QStringLiteral("<table:table-cell%1/>").arg(rep);
        if (cell.kind == Cell::Number)
            return QStringLiteral(
                       "<table:table-cell%1 office:value-type=\"float\" office:value=\"%2\"><text:p>%3</text:p>"
                       "</table:table-cell>")
                .arg(rep, cell.text, cell.shown);
        QString text = xml(cell.text);
        text.replace(QStringLiteral("  "), QStringLiteral(" <text:s/>"));
        return QStringLiteral("<table:table-cell%1 office:value-type=\"string\"><text:p>%2</text:p></table:table-cell>")
            .arg(rep, text);
    };
    QString rows;
    QString previous;
    int previousRepeat = 0;
    auto flush = [&] {
        if (previousRepeat == 0)
            return;
        QString row = previous;
        if (previousRepeat > 1)
            row.replace(QStringLiteral("<table:table-row>"),
                        QStringLiteral("<table:table-row table:number-rows-repeated=\"%1\">").arg(previousRepeat));
        rows += row;
    };
    for (const QList<Cell>& line : grid) {
        QString row = QStringLiteral("<table:table-row>");
        for (int c = 0; c < line.size();) {
            int n = 1;
            while (c + n < line.size() && line[c + n].kind == line[c].kind && line[c + n].text == line[c].text)
                ++n;
            row += cellXml(line[c], n);
            c += n;
        }
        row += QStringLiteral("<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row>");
        if (row == previous) {
            ++previousRepeat;
            continue;
        }
        flush();
        previous = row;
        previousRepeat = 1;
    }
    flush();
    rows += QStringLiteral("<table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell "
                           "table:number-columns-repeated=\"16000\"/></table:table-row>");
    writeOdsRows(path, rows);
}

void report(quint32 seed, const Grid& grid, const SourceRecords& read, const SourceRecords& expected) {
    qWarning("seed %u: %d lines written", seed, int(grid.size()));
    for (qsizetype i = 0; i < std::max(read.size(), expected.size()); ++i)
        qWarning("line %d: read [%s] expected [%s]", int(i), qPrintable(read.value(i).join(u'|')),
                 qPrintable(expected.value(i).join(u'|')));
}

} // namespace

class WorkbookRoundTripTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void randomSheetsComeBackAsWritten_data() {
        QTest::addColumn<QString>("extension");
        QTest::newRow("xlsx") << "xlsx";
        QTest::newRow("ods") << "ods";
    }
    void randomSheetsComeBackAsWritten() {
        QFETCH(QString, extension);
        const QString path = m_dir.filePath(QStringLiteral("blatt.") + extension);
        for (quint32 seed = 1; seed <= 150; ++seed) {
            QRandomGenerator random(seed);
            const Grid grid = randomGrid(random);
            QFile::remove(path);
            if (extension == QLatin1String("xlsx"))
                writeXlsx(path, grid, random);
            else
                writeOds(path, grid);
            const SourceRecords expected = model(grid);
            SourceRecords read;
            try {
                QCOMPARE(ImportSource::tableNames(path), QStringList{QStringLiteral("Blatt")});
                read = ImportSource::read(path, QStringLiteral("Blatt"));
            } catch (const EngineError& e) {
                qWarning("seed %u: %s", seed, qPrintable(e.message()));
                QFAIL("a written sheet could not be read");
            }
            if (read != expected) {
                report(seed, grid, read, expected);
                QFAIL("sheet read back differs");
            }
        }
    }

    // A few hundred bytes that name a cell far out to the right and one far down: the lines stay as long as
    // their own cells, never padded to the widest, so reading them costs what they hold. `far` is the row of
    // the second cell; the moderate one shows the shape, the far one what used to take gigabytes.
    void farCellsStaySparse_data() {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("far");
        QTest::newRow("xlsx, moderate") << "xlsx" << 200;
        QTest::newRow("xlsx, XFD1 and A20000") << "xlsx" << 20000;
        QTest::newRow("ods, moderate") << "ods" << 200;
        QTest::newRow("ods, XFD1 and A20000") << "ods" << 20000;
    }
    void farCellsStaySparse() {
        QFETCH(QString, extension);
        QFETCH(int, far);
        const QString path = m_dir.filePath(QStringLiteral("weit.") + extension);
        QFile::remove(path);
        if (extension == QLatin1String("xlsx"))
            writeXlsxParts(path,
                           QStringLiteral("<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                                          "main\"><sheetData><row r=\"1\"><c r=\"XFD1\" t=\"s\"><v>0</v></c></row>"
                                          "<row r=\"%1\"><c r=\"A%1\" t=\"s\"><v>0</v></c></row></sheetData>"
                                          "</worksheet>")
                               .arg(far)
                               .toUtf8(),
                           "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>x</t></si>"
                           "</sst>");
        else
            writeOdsRows(path,
                         QStringLiteral("<table:table-row><table:table-cell table:number-columns-repeated=\"16383\"/>"
                                        "<table:table-cell office:value-type=\"string\"><text:p>x</text:p>"
                                        "</table:table-cell></table:table-row><table:table-row "
                                        "table:number-rows-repeated=\"%1\"><table:table-cell/></table:table-row>"
                                        "<table:table-row><table:table-cell office:value-type=\"string\">"
                                        "<text:p>x</text:p></table:table-cell></table:table-row>")
                             .arg(far - 2));
        const SourceRecords records = ImportSource::read(path);
        QCOMPARE(records.size(), far);
        QCOMPARE(records.first().size(), 16384);
        QCOMPARE(records.first().last(), QStringLiteral("x"));
        QCOMPARE(records[1], QStringList());
        QCOMPARE(records.last(), QStringList{QStringLiteral("x")});
    }

    // A line of 16384 filled cells repeated to the sheet's end is within the format's bounds but no library
    // list: it is refused with a German message before it fills the memory.
    void sheetPastTheCellBudgetIsRefused() {
        const QString path = m_dir.filePath(QStringLiteral("voll.ods"));
        QFile::remove(path);
        writeOdsRows(path, QStringLiteral("<table:table-row table:number-rows-repeated=\"1048576\"><table:table-cell "
                                          "table:number-columns-repeated=\"16384\" office:value-type=\"string\">"
                                          "<text:p>x</text:p></table:table-cell></table:table-row>"));
        try {
            ImportSource::read(path);
            QFAIL("read a sheet of seventeen billion cells");
        } catch (const EngineError& e) {
            QCOMPARE(e.message(), tooLargeMessage());
            QVERIFY(e.message().startsWith(QStringLiteral("Die Quelldatei ist zu groß für den Import")));
        }
    }

    void damagedPackagesAreRefused_data() {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("xlsx without workbook") << "xlsx"
                                               << "xl/other.xml" << QByteArray("<a/>");
        QTest::newRow("xlsx with broken workbook xml") << "xlsx"
                                                       << "xl/workbook.xml" << QByteArray("<workbook><sheets><sheet");
        QTest::newRow("ods without content") << "ods"
                                             << "styles.xml" << QByteArray("<a/>");
        QTest::newRow("ods with broken content") << "ods"
                                                 << "content.xml" << QByteArray("<x><table:table");
    }
    void damagedPackagesAreRefused() {
        QFETCH(QString, extension);
        QFETCH(QString, entry);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("kaputt.") + extension);
        QFile::remove(path);
        writeZip(path, {{entry, bytes}});
        try {
            ImportSource::read(path);
            QFAIL("read a damaged package");
        } catch (const EngineError& e) {
            QCOMPARE(e.message(),
                     QStringLiteral("„kaputt.%1“ ist keine Exceldatei oder ist beschädigt").arg(extension));
        }
    }
};

QTEST_GUILESS_MAIN(WorkbookRoundTripTest)
#include "tst_workbook_roundtrip.moc"
