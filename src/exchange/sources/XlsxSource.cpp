#include "exchange/sources/XlsxSource.h"

#include "core/EngineError.h"
#include "exchange/sources/NumberFormat.h"
#include "exchange/sources/ZipPackage.h"

#include <QHash>
#include <QXmlStreamReader>
#include <vector>

namespace lesaro::exchange {

namespace {

[[noreturn]] void fail() {
    throw EngineError(QStringLiteral("Exceldatei konnte nicht gefunden werden"));
}

// A sheet with more lines or columns than Excel itself allows is damaged, not large.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

QStringView attribute(const QXmlStreamReader& xml, QLatin1String name) {
    for (const QXmlStreamAttribute& a : xml.attributes())
        if (a.name() == name)
            return a.value();
    return {};
}

struct Sheet {
    QString name;
    QString relationId;
};

std::vector<Sheet> sheetsOf(const ZipPackage& zip) {
    QXmlStreamReader xml(zip.read(QStringLiteral("xl/workbook.xml")));
    std::vector<Sheet> sheets;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("sheet"))
            sheets.push_back(
                {attribute(xml, QLatin1String("name")).toString(), attribute(xml, QLatin1String("id")).toString()});
    }
    if (xml.hasError())
        fail();
    return sheets;
}

QString sheetEntry(const ZipPackage& zip, const QString& relationId) {
    QXmlStreamReader xml(zip.read(QStringLiteral("xl/_rels/workbook.xml.rels")));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("Relationship") &&
            attribute(xml, QLatin1String("Id")) == relationId) {
            const QString target = attribute(xml, QLatin1String("Target")).toString();
            return target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
        }
    }
    fail();
}

// The text of an <si> or <is> element: its runs' <t> texts, without the phonetic guides.
QString richText(QXmlStreamReader& xml) {
    QString text;
    const QString end = xml.name().toString();
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (xml.name() == QLatin1String("t") && phonetic == 0)
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            else if (xml.name() == end)
                break;
        }
    }
    return text;
}

QStringList sharedStrings(const ZipPackage& zip) {
    if (!zip.contains(QStringLiteral("xl/sharedStrings.xml")))
        return {};
    return XlsxSource::parseSharedStrings(zip.read(QStringLiteral("xl/sharedStrings.xml")));
}

std::vector<NumberFormat> cellFormats(const ZipPackage& zip) {
    std::vector<NumberFormat> formats;
    if (!zip.contains(QStringLiteral("xl/styles.xml")))
        return formats;
    QXmlStreamReader xml(zip.read(QStringLiteral("xl/styles.xml")));
    QHash<int, QString> codes;
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("numFmt"))
                codes.insert(attribute(xml, QLatin1String("numFmtId")).toInt(),
                             attribute(xml, QLatin1String("formatCode")).toString());
            else if (xml.name() == QLatin1String("cellXfs"))
                inCellXfs = true;
            else if (inCellXfs && xml.name() == QLatin1String("xf")) {
                const int id = attribute(xml, QLatin1String("numFmtId")).toInt();
                formats.push_back(NumberFormat::parse(id, codes.value(id)));
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    if (xml.hasError())
        fail();
    return formats;
}

// "BC12" to the column index 54; -1 when the reference has no letters.
int columnOf(QStringView reference) {
    int column = 0;
    int letters = 0;
    for (QChar ch : reference) {
        if (ch < QLatin1Char('A') || ch > QLatin1Char('Z'))
            break;
        column = column * 26 + (ch.unicode() - 'A' + 1);
        if (++letters > 3)
            return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

QString numberText(const QString& value, const NumberFormat& format, bool date1904) {
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? format.text(v, date1904) : value;
}

// Whether the workbook counts its days from 1904, as old Mac workbooks do.
bool countsFrom1904(const ZipPackage& zip) {
    QXmlStreamReader xml(zip.read(QStringLiteral("xl/workbook.xml")));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("workbookPr")) {
            const QStringView value = attribute(xml, QLatin1String("date1904"));
            return value == QLatin1String("1") || value == QLatin1String("true");
        }
    }
    return false;
}

} // namespace

QStringList XlsxSource::tableNames(const QString& path) {
    const ZipPackage zip(path);
    QStringList names;
    for (const Sheet& s : sheetsOf(zip))
        names.append(s.name);
    return names;
}

QStringList XlsxSource::parseSharedStrings(const QByteArray& xml) {
    QStringList strings;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("si"))
            strings.append(richText(reader));
    }
    if (reader.hasError())
        fail();
    return strings;
}

SourceRecords XlsxSource::read(const QString& path, const QString& table) {
    const ZipPackage zip(path);
    QString entry;
    for (const Sheet& s : sheetsOf(zip))
        if (s.name == table)
            entry = sheetEntry(zip, s.relationId);
    if (entry.isEmpty())
        fail();
    const QStringList strings = sharedStrings(zip);
    const std::vector<NumberFormat> formats = cellFormats(zip);
    const bool date1904 = countsFrom1904(zip);
    return parseSheet(zip.read(entry), strings, formats, date1904);
}

SourceRecords XlsxSource::parseSheet(const QByteArray& sheet, const QStringList& strings,
                                     const std::vector<NumberFormat>& formats, bool date1904) {
    QXmlStreamReader xml(sheet);
    SourceRecords records;
    CellBudget budget;
    int row = -1;
    int column = -1;
    QString type;
    int style = 0;
    QString value;
    bool inCell = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("row")) {
                const int r = attribute(xml, QLatin1String("r")).toInt();
                row = r > 0 ? r - 1 : row + 1;
                if (row <= int(records.size()) - 1 || row >= kMaxRows)
                    fail();
                while (records.size() <= row)
                    records.append(QStringList());
                column = -1;
            } else if (xml.name() == QLatin1String("c") && row >= 0) {
                const int c = columnOf(attribute(xml, QLatin1String("r")));
                column = c >= 0 ? c : column + 1;
                if (column >= kMaxColumns)
                    fail();
                type = attribute(xml, QLatin1String("t")).toString();
                style = attribute(xml, QLatin1String("s")).toInt();
                value.clear();
                inCell = true;
            } else if (inCell && xml.name() == QLatin1String("v")) {
                value = xml.readElementText();
            } else if (inCell && xml.name() == QLatin1String("is")) {
                value = richText(xml);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("c") && inCell) {
            inCell = false;
            QString text;
            if (type == QLatin1String("s")) {
                const int index = value.toInt();
                text = index >= 0 && index < strings.size() ? strings[index] : QString();
            } else if (type == QLatin1String("b")) {
                text = value == QLatin1String("1") ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
            } else if (type == QLatin1String("str") || type == QLatin1String("inlineStr") ||
                       type == QLatin1String("e")) {
                text = value;
            } else if (!value.isEmpty()) {
                text = numberText(
                    value, style >= 0 && size_t(style) < formats.size() ? formats[size_t(style)] : NumberFormat(),
                    date1904);
            }
            if (text.isEmpty())
                continue;
            // A line holds its cells up to its last one, not up to the widest line: one cell far out to the
            // right must not make every line as wide.
            QStringList& fields = records[row];
            if (fields.size() <= column) {
                budget.take(column + 1 - fields.size());
                fields.resize(column + 1);
            }
            fields[column] = text;
        }
    }
    if (xml.hasError())
        fail();
    // A spreadsheet's line of empty cells is still a line, but formatting alone below the data is not.
    while (!records.isEmpty() && records.last().isEmpty())
        records.removeLast();
    return records;
}

} // namespace lesaro::exchange
