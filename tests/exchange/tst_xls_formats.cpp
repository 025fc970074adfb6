// The number formats of .xls workbooks, which FreeXL does not hand on: the format rules shared with the
// .xlsx reader, our reading of the compound file and its record stream against workbooks written here at
// random, damaged containers and streams, and the fixture's cells (a postcode "01067" among them). Damaged
// files must never crash or hang the reader: either they give the same values, or the bare values as before.
#include "XlsWriter.h"

#include "core/EngineError.h"
#include "exchange/sources/CellText.h"
#include "exchange/sources/CompoundFile.h"
#include "exchange/sources/ImportSource.h"
#include "exchange/sources/NumberFormat.h"
#include "exchange/sources/XlsCellFormats.h"
#include "exchange/sources/XlsSource.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>
#include <cstring>

using namespace lesaro;
using namespace lesaro::exchange;
namespace xls = test::xls;

Q_DECLARE_METATYPE(NumberFormat)

namespace {

using Shown = NumberFormat::Shown;

QString fixture(const char* name) {
    return QStringLiteral(LESARO_TEST_DATA "/") + QString::fromLatin1(name);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

// The formats the random workbooks use, with what each must come to.
struct PoolFormat {
    int id;
    QString code; // empty: built in, no format record
    NumberFormat expected;
};

const QList<PoolFormat>& pool() {
    static const QList<PoolFormat> formats{
        {0, {}, {}},
        {2, {}, {}},
        {14, {}, {Shown::Date, 0}},
        {22, {}, {Shown::DateTime, 0}},
        {164, QStringLiteral("00000"), {Shown::Padded, 5}},
        {165, QStringLiteral("000"), {Shown::Padded, 3}},
        {166, QStringLiteral("#,##0.00\\ [$€-407]"), {}},
        {167, QStringLiteral("dd\\.mm\\.yyyy"), {Shown::Date, 0}},
        {168, QStringLiteral("[$-407]DD.MM.YY hh:mm"), {Shown::DateTime, 0}},
        {169, QStringLiteral("\"Nr. \"0"), {}},
    };
    return formats;
}

double finiteBits(QRandomGenerator& random, quint64 mask) {
    for (;;) {
        const quint64 bits = random.generate64() & mask;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            return value;
    }
}

// A value every encoding can hold (RK only has whole numbers, hundredths and doubles cut to 30 bits).
double randomValue(QRandomGenerator& random, xls::Encoding encoding) {
    const int kind = random.bounded(encoding == xls::Encoding::Number || encoding == xls::Encoding::Formula ? 4 : 3);
    switch (kind) {
    case 0:
        return double(qint64(random.bounded(2000000)) - 1000000);
    case 1:
        return double(qint64(random.bounded(2000000)) - 1000000) / 100;
    case 2:
        return finiteBits(random, 0xFFFFFFFC00000000ull);
    default:
        return finiteBits(random, ~0ull);
    }
}

// Excel's error codes and how it shows them.
const QList<std::pair<quint8, QString>>& errors() {
    static const QList<std::pair<quint8, QString>> codes{
        {0x00, QStringLiteral("#NULL!")}, {0x07, QStringLiteral("#DIV/0!")}, {0x0F, QStringLiteral("#VALUE!")},
        {0x17, QStringLiteral("#REF!")},  {0x1D, QStringLiteral("#NAME?")},  {0x24, QStringLiteral("#NUM!")},
        {0x2A, QStringLiteral("#N/A")}};
    return codes;
}

std::optional<QString> expectedText(const xls::FormulaResult& result) {
    switch (result.kind) {
    case xls::FormulaResult::Text:
        return result.text;
    case xls::FormulaResult::Truth:
        return result.truth ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    case xls::FormulaResult::Error:
        for (const auto& [code, text] : errors())
            if (code == result.error)
                return text;
        break;
    case xls::FormulaResult::Empty:
        break;
    }
    return std::nullopt;
}

struct RandomBook {
    xls::Workbook book;
    xls::Container container;
    QList<NumberFormat> styles; // what each cell style must come to
    QString description;
};

RandomBook randomBook(QRandomGenerator& random) {
    RandomBook r;
    xls::Workbook& b = r.book;
    b.biff8 = random.bounded(3) != 0;
    b.date1904 = random.bounded(4) == 0;
    for (const PoolFormat& f : pool())
        if (!f.code.isEmpty())
            b.formats.append({f.id, f.code});
    // Excel's own style records come first and name no format of ours.
    const int builtIn = random.bounded(17);
    for (int i = 0; i < builtIn; ++i) {
        b.styleFormats.append(0);
        r.styles.append(NumberFormat());
    }
    for (const PoolFormat& f : pool()) {
        b.styleFormats.append(f.id);
        r.styles.append(f.expected);
    }
    QStringList names{"Bücher", "Leser", "Tabelle1", "Größe €", "Ärger", "x"};
    std::shuffle(names.begin(), names.end(), random);
    const int sheets = 1 + random.bounded(3);
    const int rows = random.bounded(3) == 0 ? random.bounded(250) : random.bounded(12);
    int cells = 0;
    for (int s = 0; s < sheets; ++s) {
        xls::Sheet sheet;
        sheet.name = names[s];
        sheet.withChart = random.bounded(4) == 0;
        for (int row = 0; row < rows; ++row) {
            int column = random.bounded(3);
            const int width = random.bounded(8);
            for (int k = 0; k < width; ++k, column += 1 + (random.bounded(3) == 0 ? random.bounded(4) : 0)) {
                if (random.bounded(8) == 0) {
                    xls::FormulaResult result;
                    result.kind = xls::FormulaResult::Kind(random.bounded(4));
                    // Excel 5/95 keeps texts in Windows-1252, which has no Omega.
                    static const QStringList texts{"Straße", "Größe €", "x", "Der \"Hobbit\"", "Ωmega"};
                    result.text = texts[random.bounded(int(texts.size()) - (b.biff8 ? 0 : 1))];
                    result.truth = random.bounded(2);
                    result.error = errors()[random.bounded(int(errors().size()))].first;
                    result.recordBetween = random.bounded(3) == 0;
                    sheet.formulaResults.insert({row, column}, result);
                    continue;
                }
                xls::Cell cell;
                cell.encoding = xls::Encoding(random.bounded(4));
                cell.value = randomValue(random, cell.encoding);
                // Now and then a style beyond the style records: a plain number then.
                cell.style = random.bounded(30) == 0 ? 4000 : random.bounded(int(r.styles.size()));
                sheet.cells.insert({row, column}, cell);
                ++cells;
            }
        }
        b.sheets.append(sheet);
    }
    r.container.extraFatSectors = random.bounded(10) == 0 ? 100 + random.bounded(40) : 0;
    r.container.decoyStorage = random.bounded(2);
    r.container.otherStreams = random.bounded(3);
    r.container.padTo = random.bounded(2) ? 4096 : 0;
    r.description = QStringLiteral("%1, %2 sheets, %3 cells, 1904: %4, extra table sectors %5, decoy %6, "
                                   "other streams %7, padded to %8")
                        .arg(b.biff8 ? "BIFF8" : "BIFF5")
                        .arg(sheets)
                        .arg(cells)
                        .arg(b.date1904)
                        .arg(r.container.extraFatSectors)
                        .arg(r.container.decoyStorage)
                        .arg(r.container.otherStreams)
                        .arg(r.container.padTo);
    return r;
}

// The one-sheet workbook of the damage table: a postcode 1067 with the format "00000" at A1.
xls::Workbook postcodeBook() {
    xls::Workbook b;
    b.formats = {{164, QStringLiteral("00000")}};
    b.styleFormats = {0, 164};
    xls::Sheet sheet;
    sheet.name = QStringLiteral("Blatt");
    sheet.cells.insert({0, 0}, {1067, 1, xls::Encoding::Rk});
    sheet.cells.insert({0, 1}, {79100, 1, xls::Encoding::Number});
    b.sheets = {sheet};
    return b;
}

QByteArray wrap(const QByteArray& stream, bool big = false) {
    QRandomGenerator random(7);
    QByteArray padded = stream;
    if (big && padded.size() < 4096)
        padded.append(QByteArray(4096 - padded.size(), '\0'));
    return xls::compound({{QStringLiteral("Workbook"), padded}}, {}, random);
}

quint32 u32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

void set32(QByteArray& b, qsizetype at, quint32 v) {
    qToLittleEndian<quint32>(v, b.data() + at);
}

// Where the directory entry of a top-level name lies in a file the writer made (one directory sector).
qsizetype entryOffset(const QByteArray& file, const QString& name) {
    const qsizetype directory = (qsizetype(u32(file, 48)) + 1) * 512;
    for (qsizetype at = directory; at + 128 <= directory + 512; at += 128)
        if (QString::fromUtf16(reinterpret_cast<const char16_t*>(file.constData() + at), name.size()) == name)
            return at;
    qFatal("no entry %s", qPrintable(name));
}

// The allocation table entry of a sector (the first table sector only).
qsizetype fatOffset(const QByteArray& file, quint32 sector) {
    return (qsizetype(u32(file, 76)) + 1) * 512 + 4 * qsizetype(sector);
}

// A record inserted into a stream after the record at offset at.
QByteArray withRecordAfter(const QByteArray& stream, qsizetype at, quint16 id, const QByteArray& data) {
    const qsizetype next = at + 4 + qFromLittleEndian<quint16>(stream.constData() + at + 2);
    QByteArray r(4, '\0');
    qToLittleEndian<quint16>(id, r.data());
    qToLittleEndian<quint16>(quint16(data.size()), r.data() + 2);
    return stream.left(next) + r + data + stream.mid(next);
}

// The offset of the first record with this id in a record stream, from the record at from on.
qsizetype recordOffset(const QByteArray& stream, quint16 id, qsizetype from = 0) {
    for (qsizetype at = from; at + 4 <= stream.size();
         at += 4 + qFromLittleEndian<quint16>(stream.constData() + at + 2))
        if (qFromLittleEndian<quint16>(stream.constData() + at) == id)
            return at;
    qFatal("no record %x", id);
}

// Whether text is what the number formats may make of a bare value: the value itself, its digits padded
// with zeros, or the date it counts.
bool renders(const QString& text, const QString& bare) {
    if (text == bare)
        return true;
    bool ok = false;
    const double value = QString(bare).replace(u',', u'.').toDouble(&ok);
    if (!ok)
        return false;
    static const QRegularExpression padded(QStringLiteral("^-?0*\\d+$"));
    if (padded.match(text).hasMatch() && CellText::number(value) == bare && text.toLongLong() == qint64(value) &&
        text.size() > bare.size())
        return true;
    for (const double v : {value, value + 1462})
        for (const bool time : {false, true})
            if (text == CellText::serialDate(v, time))
                return true;
    return false;
}

} // namespace

class XlsFormatsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void formatCodes_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("code");
        QTest::addColumn<NumberFormat>("format");
        QTest::newRow("general") << 0 << "" << NumberFormat();
        QTest::newRow("General by name") << 164 << "General" << NumberFormat();
        QTest::newRow("built-in date") << 14 << "" << NumberFormat(Shown::Date, 0);
        QTest::newRow("built-in date and time") << 22 << "" << NumberFormat(Shown::DateTime, 0);
        QTest::newRow("built-in date whatever its code") << 15 << "0" << NumberFormat(Shown::Date, 0);
        QTest::newRow("postcode") << 164 << "00000" << NumberFormat(Shown::Padded, 5);
        QTest::newRow("one zero") << 1 << "0" << NumberFormat(Shown::Padded, 1);
        QTest::newRow("two decimals") << 2 << "0.00" << NumberFormat();
        QTest::newRow("euro") << 165 << "#,##0.00\\ [$€-407]" << NumberFormat();
        QTest::newRow("euro in quotes") << 165 << "#,##0.00 \"€\"" << NumberFormat();
        QTest::newRow("escaped dots") << 166 << "dd\\.mm\\.yyyy" << NumberFormat(Shown::Date, 0);
        QTest::newRow("with hours") << 167 << "[$-407]DD.MM.YY hh:mm" << NumberFormat(Shown::DateTime, 0);
        QTest::newRow("month name") << 168 << "mmm yy" << NumberFormat(Shown::Date, 0);
        QTest::newRow("a d in quotes is text") << 169 << "\"Tag \"0" << NumberFormat();
        QTest::newRow("colour in brackets") << 170 << "[Red]0.00" << NumberFormat();
        QTest::newRow("minutes only") << 171 << "mm:ss" << NumberFormat();
    }
    void formatCodes() {
        QFETCH(int, id);
        QFETCH(QString, code);
        QFETCH(NumberFormat, format);
        const NumberFormat parsed = NumberFormat::parse(id, code);
        QCOMPARE(int(parsed.shown()), int(format.shown()));
        QCOMPARE(parsed.width(), format.width());
    }

    void formattedTexts_data() {
        QTest::addColumn<NumberFormat>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("date1904");
        const NumberFormat postcode(Shown::Padded, 5);
        QTest::newRow("postcode gets its zero") << postcode << 1067.0 << "01067" << false;
        QTest::newRow("postcode as long as the format") << postcode << 79100.0 << "79100" << false;
        QTest::newRow("longer than the format") << postcode << 1234567.0 << "1234567" << false;
        QTest::newRow("negative padded after the sign") << postcode << -42.0 << "-00042" << false;
        QTest::newRow("a fraction is not padded") << postcode << 12.5 << "12,5" << false;
        QTest::newRow("huge is not padded") << postcode << 1e20 << "1e+20" << false;
        QTest::newRow("whole number without .0") << NumberFormat() << 3.0 << "3" << false;
        QTest::newRow("decimal comma") << NumberFormat() << 2.25 << "2,25" << false;
        QTest::newRow("date") << NumberFormat(Shown::Date, 0) << 45352.0 << "01.03.2024" << false;
        QTest::newRow("date drops the time") << NumberFormat(Shown::Date, 0) << 45352.5 << "01.03.2024" << false;
        QTest::newRow("date and time") << NumberFormat(Shown::DateTime, 0) << 45352.5 << "01.03.2024 12:00:00" << false;
        QTest::newRow("date counted from 1904") << NumberFormat(Shown::Date, 0) << 43890.0 << "01.03.2024" << true;
        QTest::newRow("date and time counted from 1904")
            << NumberFormat(Shown::DateTime, 0) << 43890.25 << "01.03.2024 06:00:00" << true;
        QTest::newRow("postcode whatever the day count") << postcode << 1067.0 << "01067" << true;
        QTest::newRow("date and time at midnight")
            << NumberFormat(Shown::DateTime, 0) << 45352.0 << "01.03.2024" << false;
    }
    void formattedTexts() {
        QFETCH(NumberFormat, format);
        QFETCH(double, value);
        QFETCH(QString, text);
        QFETCH(bool, date1904);
        QCOMPARE(format.text(value, date1904), text);
    }

    // The fixture, as LibreOffice saved it: the postcode's zero is only in its format.
    void fixtureCellsHaveTheirFormats() {
        const std::optional<XlsCellFormats> formats = XlsCellFormats::readFile(fixture("books.xls"));
        QVERIFY(formats);
        QCOMPARE(formats->sheetNames(), (QStringList{QStringLiteral("Bücher"), QStringLiteral("Leser")}));
        QCOMPARE(formats->sheetIndex(QStringLiteral("Leser")), 1);
        QCOMPARE(formats->sheetIndex(QStringLiteral("Tabelle9")), -1);
        const std::optional<XlsCellFormats::Cell> postcode = formats->cell(0, 2, 3);
        QVERIFY(postcode);
        QCOMPARE(postcode->value, 1067.0);
        QCOMPARE(postcode->format, NumberFormat(Shown::Padded, 5));
        QCOMPARE(formats->numberText(0, 2, 3, 1067), QStringLiteral("01067"));
        QCOMPARE(formats->numberText(0, 1, 2, 12.5), QStringLiteral("12,5")); // the "€" price
        QVERIFY(formats->cell(0, 1, 4) && formats->cell(0, 1, 4)->format.isDate());
        QVERIFY(!formats->cell(0, 0, 0)); // a text
        QCOMPARE(XlsSource::read(fixture("books.xls"), QStringLiteral("Bücher"))[2][3], QStringLiteral("01067"));
        QCOMPARE(XlsSource::read(fixture("books.xls"), QStringLiteral("Bücher"), false)[2][3], QStringLiteral("1067"));
    }

    // Workbooks of Excel 97 and of Excel 5/95 written here, through the import as the wizard reads them: the
    // values from FreeXL, the formats and the formulas' results from our reading, in every cell encoding.
    void writtenWorkbooksThroughTheImport_data() {
        QTest::addColumn<bool>("biff8");
        QTest::addColumn<QString>("streamName");
        QTest::newRow("Excel 97") << true << "Workbook";
        QTest::newRow("Excel 95") << false << "Book";
        QTest::newRow("Excel 95 in a stream named as Excel 97's") << false << "Workbook";
    }
    void writtenWorkbooksThroughTheImport() {
        QFETCH(bool, biff8);
        QFETCH(QString, streamName);
        xls::Workbook b;
        b.biff8 = biff8;
        b.formats = {{164, QStringLiteral("00000")}, {165, QStringLiteral("dd\\.mm\\.yyyy")}};
        b.styleFormats = {0, 164, 165};
        xls::Sheet sheet;
        sheet.name = QStringLiteral("Größe €");
        sheet.cells.insert({0, 0}, {1067, 1, xls::Encoding::Rk});
        sheet.cells.insert({0, 1}, {79100, 1, xls::Encoding::Number});
        sheet.cells.insert({0, 2}, {45352, 2, xls::Encoding::MulRk});
        sheet.cells.insert({0, 3}, {12.5, 0, xls::Encoding::MulRk});
        sheet.cells.insert({1, 0}, {42, 1, xls::Encoding::Formula});
        sheet.cells.insert({1, 1}, {2.25, 1, xls::Encoding::Number});
        sheet.formulaResults.insert({1, 2}, {xls::FormulaResult::Text, QStringLiteral("Straße"), false, 0, true});
        sheet.formulaResults.insert({1, 3}, {xls::FormulaResult::Truth, {}, true, 0, false});
        sheet.formulaResults.insert({2, 0}, {xls::FormulaResult::Error, {}, false, 0x07, false});
        b.sheets = {sheet};
        QRandomGenerator random(3);
        const QString path = m_dir.filePath(QStringLiteral("geschrieben.xls"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(xls::compound({{streamName, xls::recordStream(b)}}, {}, random));
        f.close();
        QCOMPARE(ImportSource::tableNames(path), QStringList{sheet.name});
        const SourceRecords records = ImportSource::read(path, sheet.name);
        QCOMPARE(records.value(0), (QStringList{"01067", "79100", "01.03.2024", "12,5"}));
        // Formulas show their results, a number formatted as any other; a fraction is not padded.
        QCOMPARE(records.value(1), (QStringList{"00042", "2,25", "Straße", "Wahr"}));
        QCOMPARE(records.value(2), (QStringList{"#DIV/0!", "", "", ""}));
        // FreeXL alone leaves every formula empty.
        QCOMPARE(XlsSource::read(path, sheet.name, false).value(1), (QStringList{"", "2,25", "", ""}));
    }

    // Random workbooks in both record versions and in all sorts of containers come back as written.
    void randomWorkbooksRoundTrip() {
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QRandomGenerator random(seed);
            const RandomBook r = randomBook(random);
            const QByteArray bytes = xls::file(r.book, r.container, random);
            auto fail = [&](const QString& what) {
                qWarning("seed %u: %s", seed, qPrintable(r.description));
                QFAIL(qPrintable(what));
            };
            if (!XlsCellFormats::isSound(bytes))
                return fail(QStringLiteral("the written workbook was not found sound"));
            const std::optional<XlsCellFormats> formats = XlsCellFormats::read(bytes);
            if (!formats)
                return fail(QStringLiteral("the written workbook was not read"));
            QStringList names;
            for (const xls::Sheet& s : r.book.sheets)
                names.append(s.name);
            if (formats->sheetNames() != names)
                return fail(QStringLiteral("sheets %1").arg(formats->sheetNames().join(u'|')));
            if (formats->date1904() != r.book.date1904)
                return fail(QStringLiteral("date system"));
            for (int s = 0; s < r.book.sheets.size(); ++s) {
                const xls::Sheet& sheet = r.book.sheets[s];
                for (auto it = sheet.cells.constBegin(); it != sheet.cells.constEnd(); ++it) {
                    const auto [row, column] = it.key();
                    const std::optional<XlsCellFormats::Cell> cell = formats->cell(s, row, column);
                    const NumberFormat expected = it->style < r.styles.size() ? r.styles[it->style] : NumberFormat();
                    const QString where = QStringLiteral("sheet %1 row %2 column %3 (encoding %4, value %5)")
                                              .arg(s)
                                              .arg(row)
                                              .arg(column)
                                              .arg(int(it->encoding))
                                              .arg(it->value, 0, 'g', 17);
                    if (!cell || cell->value != it->value || !(cell->format == expected))
                        return fail(QStringLiteral("cell read differently: ") + where);
                    if (formats->numberText(s, row, column, it->value) != expected.text(it->value, r.book.date1904))
                        return fail(QStringLiteral("cell shown differently: ") + where);
                    // Only a formula's number is the reader's own to give; FreeXL gives the others.
                    const std::optional<QString> formula = formats->formulaText(s, row, column);
                    if (it->encoding == xls::Encoding::Formula ? formula != expected.text(it->value, r.book.date1904)
                                                               : formula.has_value())
                        return fail(QStringLiteral("formula text: ") + where);
                    // Another value than the one stored: the other reader's value, bare.
                    const double other = std::nextafter(it->value, HUGE_VAL);
                    if (formats->numberText(s, row, column, other) != CellText::number(other))
                        return fail(QStringLiteral("a differing value was formatted: ") + where);
                }
                for (auto it = sheet.formulaResults.constBegin(); it != sheet.formulaResults.constEnd(); ++it) {
                    const auto [row, column] = it.key();
                    if (formats->cell(s, row, column))
                        return fail(QStringLiteral("a formula without a number read as a number"));
                    if (formats->formulaText(s, row, column) != expectedText(it.value()))
                        return fail(QStringLiteral("formula result %1 at row %2 column %3 read as '%4'")
                                        .arg(int(it->kind))
                                        .arg(row)
                                        .arg(column)
                                        .arg(formats->formulaText(s, row, column).value_or("(nichts)")));
                }
                if (sheet.withChart && formats->cell(s, 60000, 200))
                    return fail(QStringLiteral("a number of an embedded chart read as the sheet's"));
                for (int k = 0; k < 20; ++k) {
                    const int row = random.bounded(300);
                    const int column = random.bounded(40);
                    if (!sheet.cells.contains({row, column}) && formats->cell(s, row, column))
                        return fail(QStringLiteral("a cell that was never written"));
                }
            }
        }
    }

    // Damage of the container or the record stream: no formats, or none for what is damaged.
    void damagedWorkbooks_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("postcode");
        const QByteArray stream = xls::recordStream(postcodeBook());
        const QByteArray good = wrap(stream, true);
        const QByteArray small = wrap(stream, false);
        QTest::newRow("sound, in sectors") << good << true << "01067";
        QTest::newRow("sound, in the mini stream") << small << true << "01067";
        QTest::newRow("no compound file") << QByteArray("PK\x03\x04 not at all") << false << "";
        QTest::newRow("empty") << QByteArray() << false << "";
        QTest::newRow("header only") << good.left(512) << false << "";
        QTest::newRow("cut in the middle") << good.left(good.size() / 2) << false << "";
        QByteArray b = good;
        b[30] = 7;
        QTest::newRow("sector size 128") << b << false << "";
        b = good;
        set32(b, 44, 100000);
        QTest::newRow("more table sectors than the file has") << b << false << "";
        b = good;
        set32(b, 76, 0x7FFFFFFF);
        QTest::newRow("table sector outside the file") << b << false << "";
        b = good;
        set32(b, fatOffset(b, u32(b, 48)), u32(b, 48));
        QTest::newRow("directory chain in a circle") << b << false << "";
        b = good;
        set32(b, fatOffset(b, u32(b, 48)), 0x00FFFFFF);
        QTest::newRow("directory chain out of the file") << b << false << "";
        b = good;
        set32(b, entryOffset(b, QStringLiteral("Workbook")) + 120, 0x7FFFFFF0);
        QTest::newRow("stream larger than the file") << b << false << "";
        b = good;
        set32(b, fatOffset(b, u32(b, entryOffset(b, QStringLiteral("Workbook")) + 116)),
              u32(b, entryOffset(b, QStringLiteral("Workbook")) + 116));
        QTest::newRow("stream chain in a circle") << b << false << "";
        b = small;
        set32(b, entryOffset(b, QStringLiteral("Workbook")) + 116, 5000);
        QTest::newRow("small stream starts past the mini stream") << b << false << "";
        b = good;
        set32(b, entryOffset(b, QStringLiteral("Root Entry")) + 76, 0);
        QTest::newRow("root is its own child") << b << false << "";
        b = good;
        set32(b, entryOffset(b, QStringLiteral("Workbook")) + 68, 1);
        set32(b, entryOffset(b, QStringLiteral("Workbook")) + 72, 0);
        QTest::newRow("siblings pointing back still find the workbook") << b << true << "01067";
        b = good;
        b.replace(entryOffset(b, QStringLiteral("Workbook")), 2, "X\0", 2);
        QTest::newRow("no stream of that name") << b << false << "";

        QByteArray s = stream;
        qToLittleEndian<quint16>(0x0400, s.data() + 4);
        QTest::newRow("record version 4") << wrap(s) << false << "";
        QTest::newRow("encrypted") << wrap(withRecordAfter(stream, 0, 0x002F, QByteArray(6, '\1'))) << false << "";
        QTest::newRow("globals cut short") << wrap(stream.left(40)) << false << "";
        const qsizetype boundSheet = recordOffset(stream, 0x0085);
        const qsizetype sheetStart = u32(stream, boundSheet + 4);
        s = stream;
        set32(s, boundSheet + 4, 0x00FFFFFF);
        QTest::newRow("sheet offset outside the stream") << wrap(s) << true << "1067";
        s = stream;
        set32(s, boundSheet + 4, 2);
        QTest::newRow("sheet offset not at a sheet") << wrap(s) << true << "1067";
        const qsizetype postcodeCell = recordOffset(stream, 0x027E, sheetStart);
        QTest::newRow("stream ends inside the sheet") << wrap(stream.left(postcodeCell + 14 + 4)) << true << "01067";
        s = stream;
        qToLittleEndian<quint16>(0xFFF0, s.data() + postcodeCell + 2);
        QTest::newRow("cell record longer than the stream") << wrap(s) << true << "1067";
        // A style record too short to name a format still takes its place in the numbering: the postcode's
        // style number now names it, and the cell shows its bare value.
        s = withRecordAfter(stream, recordOffset(stream, 0x00E0), 0x00E0, QByteArray(3, '\0'));
        QTest::newRow("short style record keeps its place") << wrap(s) << true << "1067";
    }
    void damagedWorkbooks() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readable);
        QFETCH(QString, postcode);
        const std::optional<XlsCellFormats> formats = XlsCellFormats::read(bytes);
        QCOMPARE(bool(formats), readable);
        if (formats) {
            QCOMPARE(formats->sheetNames(), QStringList{QStringLiteral("Blatt")});
            QCOMPARE(formats->numberText(0, 0, 0, 1067), postcode);
        }
    }

    // FreeXL trusts the directory's name lengths and reads far past its buffers on a damaged one; such a file
    // is refused with the German message before FreeXL sees it.
    void damagedDirectoryIsRefusedBeforeFreeXL_data() {
        QTest::addColumn<int>("at");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("name length far too long") << 64 << QByteArray("\x12\xFB", 2);
        QTest::newRow("name length odd") << 64 << QByteArray("\x11\x00", 2);
        QTest::newRow("name longer than its length") << 64 << QByteArray("\x08\x00", 2);
        QTest::newRow("unknown kind of entry") << 66 << QByteArray("\x09", 1);
    }
    void damagedDirectoryIsRefusedBeforeFreeXL() {
        QFETCH(int, at);
        QFETCH(QByteArray, bytes);
        QByteArray file = readAll(fixture("books.xls"));
        QVERIFY(CompoundFile::open(file)->directoryIsSound());
        file.replace(entryOffset(file, QStringLiteral("Workbook")) + at, bytes.size(), bytes);
        QVERIFY(!CompoundFile::open(file) || !CompoundFile::open(file)->directoryIsSound());
        const QString path = m_dir.filePath(QStringLiteral("verzeichnis.xls"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(file);
        f.close();
        for (const bool names : {true, false}) {
            try {
                if (names)
                    ImportSource::tableNames(path);
                else
                    ImportSource::read(path, QStringLiteral("Bücher"));
                QFAIL("a damaged directory was read");
            } catch (const EngineError& e) {
                QCOMPARE(e.message(), damagedMessage(SourceKind::Excel, path));
            }
        }
    }

    // Texts whose lengths run past their records, which FreeXL would read beyond its buffers: such a
    // workbook is not sound, and the import refuses it with the German message.
    void unsoundRecordsAreRefused_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("sound");
        auto le16 = [](quint16 v) {
            QByteArray b(2, '\0');
            qToLittleEndian<quint16>(v, b.data());
            return b;
        };
        auto le32 = [](quint32 v) {
            QByteArray b(4, '\0');
            qToLittleEndian<quint32>(v, b.data());
            return b;
        };
        auto utf16 = [&](const QString& text) {
            QByteArray b;
            for (QChar c : text)
                b += le16(c.unicode());
            return b;
        };
        const QByteArray base = xls::recordStream(postcodeBook());
        const qsizetype cell = recordOffset(base, 0x027E);
        // Two shared strings, the second's characters going on in a continue record with its own flags byte.
        auto withStrings = [&](quint32 unique, const QByteArray& continued, quint32 label) {
            QByteArray s = withRecordAfter(base, cell, 0x00FD, le16(0) + le16(5) + le16(0) + le32(label));
            s = withRecordAfter(s, 0, 0x003C, continued);
            return withRecordAfter(s, 0, 0x00FC,
                                   le32(2) + le32(unique) + le16(5) + '\0' + "Hallo" + le16(6) + '\1' + utf16("Str"));
        };
        const QByteArray rest = QByteArray(1, '\0') + "a\xDF"
                                                      "e";
        QTest::newRow("sound workbook") << base << true;
        QTest::newRow("shared strings across a continue record") << withStrings(2, rest, 1) << true;
        QTest::newRow("label names a shared string beyond them") << withStrings(2, rest, 2) << false;
        QTest::newRow("more shared strings than the records hold") << withStrings(3, rest, 1) << false;
        QTest::newRow("shared string cut short") << withStrings(2, rest.left(3), 1) << false;
        QTest::newRow("half a character at a record's end")
            << withStrings(2, QByteArray(1, '\1') + utf16("a\u00DF") + '\0', 1) << false;
        QTest::newRow("label before any shared strings")
            << withRecordAfter(base, cell, 0x00FD, le16(0) + le16(5) + le16(0) + le32(0)) << false;

        QByteArray s = base;
        qToLittleEndian<quint16>(0xFFFF, s.data() + recordOffset(base, 0x041E) + 4 + 2);
        QTest::newRow("format text longer than its record") << s << false;
        s = base;
        s[recordOffset(base, 0x0085) + 4 + 6] = char(200);
        QTest::newRow("sheet name longer than its record") << s << false;
        QTest::newRow("font name longer than its record")
            << withRecordAfter(base, 0, 0x0031, QByteArray(14, '\0') + char(40) + '\0' + "Arial") << false;
        QTest::newRow("font name within its record")
            << withRecordAfter(base, 0, 0x0031, QByteArray(14, '\0') + char(5) + '\0' + "Arial") << true;
        QTest::newRow("label text longer than its record")
            << withRecordAfter(base, cell, 0x0204, le16(1) + le16(0) + le16(0) + le16(900) + '\0' + "kurz") << false;
        QTest::newRow("label text within its record")
            << withRecordAfter(base, cell, 0x0204, le16(1) + le16(0) + le16(0) + le16(4) + '\0' + "kurz") << true;
        QTest::newRow("formula text longer than its record")
            << withRecordAfter(base, cell, 0x0207, le16(300) + '\1' + utf16("ab")) << false;
        QTest::newRow("encrypted") << withRecordAfter(base, 0, 0x002F, QByteArray(6, '\1')) << false;
        xls::Workbook old = postcodeBook();
        old.biff8 = false;
        const QByteArray biff5 = xls::recordStream(old);
        QTest::newRow("Excel 95 label within its record")
            << withRecordAfter(biff5, recordOffset(biff5, 0x027E), 0x0204,
                               le16(1) + le16(0) + le16(0) + le16(4) + "kurz")
            << true;
        QTest::newRow("Excel 95 label longer than its record")
            << withRecordAfter(biff5, recordOffset(biff5, 0x027E), 0x0204,
                               le16(1) + le16(0) + le16(0) + le16(5) + "kurz")
            << false;
    }
    void unsoundRecordsAreRefused() {
        QFETCH(QByteArray, stream);
        QFETCH(bool, sound);
        const QByteArray file = wrap(stream);
        QCOMPARE(XlsCellFormats::isSound(file), sound);
        if (sound)
            return;
        const QString path = m_dir.filePath(QStringLiteral("unstimmig.xls"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(file);
        f.close();
        try {
            ImportSource::read(path);
            QFAIL("an unsound workbook was read");
        } catch (const EngineError& e) {
            QCOMPARE(e.message(), damagedMessage(SourceKind::Excel, path));
        }
    }

    // Bytes of the fixture and of random workbooks changed at random: the reader neither crashes nor hangs,
    // and what it reads is still a workbook's worth of sheets and cells.
    void mutatedBytesNeverCrash() {
        const QByteArray fixtureBytes = readAll(fixture("books.xls"));
        for (quint32 seed = 1; seed <= 3000; ++seed) {
            QRandomGenerator random(seed);
            QByteArray bytes = fixtureBytes;
            if (seed % 3 == 0) {
                const RandomBook r = randomBook(random);
                bytes = xls::file(r.book, r.container, random);
            }
            QString operations;
            const int changes = 1 + random.bounded(8);
            for (int k = 0; k < changes && !bytes.isEmpty(); ++k) {
                const qsizetype at = random.bounded(int(bytes.size()));
                switch (random.bounded(4)) {
                case 0:
                    bytes[at] = char(random.bounded(256));
                    operations += QStringLiteral(" byte@%1").arg(at);
                    break;
                case 1: {
                    static const quint32 special[] = {0, 1, 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD, 0x7FFFFFFF, 4096};
                    const qsizetype word = at & ~qsizetype(3);
                    if (word + 4 <= bytes.size())
                        set32(bytes, word, special[random.bounded(7)]);
                    operations += QStringLiteral(" word@%1").arg(word);
                    break;
                }
                case 2:
                    bytes.truncate(at);
                    operations += QStringLiteral(" cut@%1").arg(at);
                    break;
                default:
                    bytes[at] = char(bytes[at] ^ (1 << random.bounded(8)));
                    operations += QStringLiteral(" bit@%1").arg(at);
                }
            }
            const std::optional<XlsCellFormats> formats = XlsCellFormats::read(bytes);
            if (formats && formats->sheetNames().size() > bytes.size()) {
                qWarning("seed %u:%s", seed, qPrintable(operations));
                QFAIL("more sheets than bytes");
            }
        }
    }

    // The same through FreeXL and the import's reader, on files: the damaged workbook is refused with the
    // German message, or each cell is FreeXL's bare value or what a number format makes of it.
    void mutatedFilesGiveTheSameValuesOrTheBareOnes() {
        const QByteArray fixtureBytes = readAll(fixture("books.xls"));
        const QString path = m_dir.filePath(QStringLiteral("verändert.xls"));
        int refused = 0;
        int read = 0;
        for (quint32 seed = 1; seed <= 400; ++seed) {
            QRandomGenerator random(seed);
            QByteArray bytes = fixtureBytes;
            QString operations;
            // Within the container's first sectors and the record stream, where the formats are.
            const int changes = 1 + random.bounded(4);
            for (int k = 0; k < changes; ++k) {
                const qsizetype at = random.bounded(int(bytes.size()));
                bytes[at] = char(random.bounded(256));
                operations += QStringLiteral(" byte@%1").arg(at);
            }
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
            f.close();
            SourceRecords records;
            SourceRecords bare;
            try {
                records = ImportSource::read(path, QStringLiteral("Bücher"));
                bare = XlsSource::read(path, QStringLiteral("Bücher"), false);
            } catch (const EngineError& e) {
                // The wizard names the file; the reader alone has only its own word.
                QVERIFY2(e.message() == damagedMessage(SourceKind::Excel, path) ||
                             e.message() == QStringLiteral("Exceldatei konnte nicht gefunden werden"),
                         qPrintable(e.message()));
                ++refused;
                continue;
            }
            ++read;
            if (records.size() != bare.size()) {
                qWarning("seed %u:%s", seed, qPrintable(operations));
                QFAIL("the formats changed the number of records");
            }
            for (qsizetype r = 0; r < records.size(); ++r) {
                for (qsizetype c = 0; c < records[r].size(); ++c) {
                    if (!renders(records[r][c], bare[r].value(c))) {
                        qWarning("seed %u:%s: cell %d,%d is '%s', bare '%s'", seed, qPrintable(operations), int(r),
                                 int(c), qPrintable(records[r][c]), qPrintable(bare[r].value(c)));
                        QFAIL("a format changed a value");
                    }
                }
            }
        }
        qInfo("%d damaged files read, %d refused", read, refused);
        QVERIFY(read > 0);
    }
};

QTEST_GUILESS_MAIN(XlsFormatsTest)
#include "tst_xls_formats.moc"
