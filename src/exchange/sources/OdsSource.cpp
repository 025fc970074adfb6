#include "exchange/sources/OdsSource.h"

#include "core/EngineError.h"
#include "exchange/sources/CellText.h"
#include "exchange/sources/ZipPackage.h"

#include <QXmlStreamReader>
#include <algorithm>

namespace lesaro::exchange {

namespace {

[[noreturn]] void fail() {
    throw EngineError(QStringLiteral("Exceldatei konnte nicht gefunden werden"));
}

// LibreOffice writes the unused rest of a sheet as one row or cell repeated a million times; only repeats
// followed by content are ever spelled out, and a sheet larger than a spreadsheet can be is refused.
constexpr qint64 kMaxRows = 1048576;
constexpr qint64 kMaxColumns = 16384;

QStringView attribute(const QXmlStreamReader& xml, QLatin1String name) {
    for (const QXmlStreamAttribute& a : xml.attributes())
        if (a.name() == name)
            return a.value();
    return {};
}

// Capped just past the sheet's bounds, so that sums of repeats stay far from overflowing.
qint64 repeats(const QXmlStreamReader& xml, QLatin1String name) {
    const qint64 n = attribute(xml, name).toLongLong();
    return n > 0 ? std::min(n, kMaxRows + 1) : 1;
}

// No field takes more than a few thousand characters; a paragraph of millions of spaces written as a
// handful of bytes each is cut here instead of filling the memory.
constexpr qsizetype kMaxParagraph = 65536;

// The text of a <text:p>: spans flattened, <text:s text:c="n"/> as n spaces, tabs and line breaks kept.
QString paragraph(QXmlStreamReader& xml) {
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
            text += xml.text();
        } else if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == QLatin1String("s") && text.size() < kMaxParagraph)
                text += QString(int(std::min<qint64>(repeats(xml, QLatin1String("c")), 1000)), QLatin1Char(' '));
            else if (xml.name() == QLatin1String("tab"))
                text += QLatin1Char('\t');
            else if (xml.name() == QLatin1String("line-break"))
                text += QLatin1Char('\n');
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    return text;
}

QString cellText(const QString& type, const QXmlStreamAttributes& attributes, const QString& shown) {
    auto value = [&](QLatin1String name) {
        for (const QXmlStreamAttribute& a : attributes)
            if (a.name() == name)
                return a.value().toString();
        return QString();
    };
    if (type == QLatin1String("float") || type == QLatin1String("currency") || type == QLatin1String("percentage")) {
        const QString number = CellText::decimal(value(QLatin1String("value")));
        // A number format with leading zeros (a postcode "01067") shows more digits than the number has.
        const QString digits = QString(shown).remove(QLatin1Char('-'));
        if (!shown.isEmpty() && shown.size() > number.size() &&
            shown.endsWith(number.mid(number.startsWith(QLatin1Char('-')))) && !digits.isEmpty() &&
            std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); }))
            return shown;
        return number;
    }
    if (type == QLatin1String("date"))
        return CellText::isoDateTime(value(QLatin1String("date-value")));
    if (type == QLatin1String("boolean"))
        return value(QLatin1String("boolean-value")) == QLatin1String("true") ? QStringLiteral("Wahr")
                                                                              : QStringLiteral("Falsch");
    return shown;
}

} // namespace

SourceRecords OdsSource::parseContent(const QByteArray& content, const QString& wanted, QStringList* names) {
    QXmlStreamReader xml(content);
    SourceRecords records;
    CellBudget budget;
    bool found = false;
    bool inTable = false;
    qint64 pendingRows = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("table") &&
            xml.namespaceUri() == QLatin1String("urn:oasis:names:tc:opendocument:xmlns:table:1.0")) {
            const QString name = attribute(xml, QLatin1String("name")).toString();
            if (names)
                names->append(name);
            inTable = !names && name == wanted && !found;
            found = found || inTable;
        } else if (xml.isEndElement() && xml.name() == QLatin1String("table")) {
            inTable = false;
        } else if (inTable && xml.isStartElement() && xml.name() == QLatin1String("table-row")) {
            const qint64 rowRepeats = repeats(xml, QLatin1String("number-rows-repeated"));
            QStringList fields;
            qint64 pendingCells = 0;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isEndElement() && xml.name() == QLatin1String("table-row"))
                    break;
                if (!xml.isStartElement())
                    continue;
                if (xml.name() != QLatin1String("table-cell") && xml.name() != QLatin1String("covered-table-cell")) {
                    xml.skipCurrentElement();
                    continue;
                }
                const qint64 cellRepeats = repeats(xml, QLatin1String("number-columns-repeated"));
                const QXmlStreamAttributes attributes = xml.attributes();
                const QString type = attribute(xml, QLatin1String("value-type")).toString();
                QStringList paragraphs;
                while (!xml.atEnd()) {
                    xml.readNext();
                    if (xml.isEndElement())
                        break;
                    if (xml.isStartElement()) {
                        if (xml.name() == QLatin1String("p"))
                            paragraphs.append(paragraph(xml));
                        else
                            xml.skipCurrentElement();
                    }
                }
                const QString text = cellText(type, attributes, paragraphs.join(QLatin1Char('\n')));
                if (text.isEmpty()) {
                    pendingCells += cellRepeats;
                    continue;
                }
                if (fields.size() + pendingCells + cellRepeats > kMaxColumns)
                    fail();
                for (; pendingCells > 0; --pendingCells)
                    fields.append(QString());
                for (qint64 i = 0; i < cellRepeats; ++i)
                    fields.append(text);
            }
            if (fields.isEmpty()) {
                pendingRows += rowRepeats;
                continue;
            }
            if (records.size() + pendingRows + rowRepeats > kMaxRows)
                fail();
            // A repeated line is one list shared by its copies, but each copy becomes a record of its own,
            // so every copy counts. Lines are not padded to the widest: a field beyond a line's end is empty.
            budget.take(fields.size() * rowRepeats);
            for (; pendingRows > 0; --pendingRows)
                records.append(QStringList());
            for (qint64 i = 0; i < rowRepeats; ++i)
                records.append(fields);
        }
    }
    if (xml.hasError() || (!names && !found))
        fail();
    return records;
}

QStringList OdsSource::tableNames(const QString& path) {
    QStringList names;
    parseContent(ZipPackage(path).read(QStringLiteral("content.xml")), {}, &names);
    return names;
}

SourceRecords OdsSource::read(const QString& path, const QString& table) {
    return parseContent(ZipPackage(path).read(QStringLiteral("content.xml")), table, nullptr);
}

} // namespace lesaro::exchange
