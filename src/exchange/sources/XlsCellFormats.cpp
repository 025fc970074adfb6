#include "exchange/sources/XlsCellFormats.h"

#include "core/Win1252.h"
#include "exchange/sources/CellText.h"
#include "exchange/sources/CompoundFile.h"

#include <QByteArrayView>
#include <QFile>
#include <QtEndian>
#include <cstring>

namespace lesaro::exchange {

namespace {

// Record ids of the workbook stream.
constexpr quint16 kBof = 0x0809;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kCodepage = 0x0042;
constexpr quint16 kDateMode = 0x0022;
constexpr quint16 kFilePass = 0x002F;
constexpr quint16 kFormat = 0x041E;
constexpr quint16 kXf = 0x00E0;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kRk = 0x027E;
constexpr quint16 kMulRk = 0x00BD;
constexpr quint16 kFormula = 0x0006;

constexpr quint16 kBiff8 = 0x0600;
constexpr quint16 kBiff5 = 0x0500;
constexpr quint16 kGlobals = 0x0005;

// Charts inside a sheet bring streams of their own, each opened and closed again; deeper is damage.
constexpr int kMaxNesting = 16;

// Serial day 1 of a workbook counting from 1904 is serial day 1463 of one counting from 1900.
constexpr double k1904Offset = 1462;

struct Record {
    quint16 id = 0;
    QByteArrayView data;
    qsizetype next = 0;
};

std::optional<Record> recordAt(const QByteArray& stream, qsizetype at) {
    if (at < 0 || at > stream.size() - 4)
        return std::nullopt;
    const quint16 id = qFromLittleEndian<quint16>(stream.constData() + at);
    const quint16 length = qFromLittleEndian<quint16>(stream.constData() + at + 2);
    if (length > stream.size() - at - 4)
        return std::nullopt;
    return Record{id, QByteArrayView(stream.constData() + at + 4, length), at + 4 + length};
}

bool has(QByteArrayView data, qsizetype at, qsizetype count) {
    return at >= 0 && count >= 0 && at <= data.size() && count <= data.size() - at;
}

quint16 u16(QByteArrayView data, qsizetype at) {
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 u32(QByteArrayView data, qsizetype at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
}

double f64(QByteArrayView data, qsizetype at) {
    const quint64 bits = qFromLittleEndian<quint64>(data.constData() + at);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// An RK number: a double's upper 30 bits or a 30-bit whole number, perhaps a hundredth of it.
double rkValue(quint32 rk) {
    double value;
    if (rk & 2) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100 : value;
}

// count characters at at, one byte each (Latin-1) or two (UTF-16); nothing when they run past the record.
std::optional<QString> characters(QByteArrayView data, qsizetype at, int count, bool wide) {
    if (!has(data, at, qsizetype(count) * (wide ? 2 : 1)))
        return std::nullopt;
    QString text;
    text.reserve(count);
    for (int i = 0; i < count; ++i)
        text.append(wide ? QChar(u16(data, at + 2 * i)) : QChar(uchar(data[at + i])));
    return text;
}

// BIFF8's string with a 16-bit length (format codes); its rich-text and phonetic counts are skipped.
std::optional<QString> longString(QByteArrayView data, qsizetype at) {
    if (!has(data, at, 3))
        return std::nullopt;
    const int count = u16(data, at);
    const quint8 flags = quint8(data[at + 2]);
    qsizetype chars = at + 3;
    if (flags & 0x08)
        chars += 2;
    if (flags & 0x04)
        chars += 4;
    return characters(data, chars, count, flags & 0x01);
}

// BIFF8's string with an 8-bit length (sheet names).
std::optional<QString> shortString(QByteArrayView data, qsizetype at) {
    if (!has(data, at, 2))
        return std::nullopt;
    return characters(data, at + 2, quint8(data[at]), quint8(data[at + 1]) & 0x01);
}

// BIFF5's byte string with an 8-bit length, in the workbook's code page.
std::optional<QString> byteString(QByteArrayView data, qsizetype at, quint16 codepage) {
    if (!has(data, at, 1) || !has(data, at + 1, quint8(data[at])))
        return std::nullopt;
    const QByteArrayView bytes = data.sliced(at + 1, quint8(data[at]));
    if (codepage == 1252 || codepage == 0x8001)
        return win1252::decode(bytes.constData(), bytes.size());
    return QString::fromLatin1(bytes);
}

quint32 key(int row, int column) {
    return (quint32(row) << 16) | quint32(column);
}

} // namespace

std::optional<XlsCellFormats> XlsCellFormats::read(const QByteArray& file) {
    const std::optional<CompoundFile> compound = CompoundFile::open(file);
    if (!compound)
        return std::nullopt;
    // Excel 97 and later name the stream "Workbook", Excel 5 and 95 "Book".
    std::optional<QByteArray> stream = compound->stream(QStringLiteral("Workbook"));
    if (!stream)
        stream = compound->stream(QStringLiteral("Book"));
    if (!stream)
        return std::nullopt;
    XlsCellFormats formats;
    if (!formats.parse(*stream))
        return std::nullopt;
    return formats;
}

std::optional<XlsCellFormats> XlsCellFormats::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        return std::nullopt;
    return read(bytes);
}

bool XlsCellFormats::parse(const QByteArray& stream) {
    std::optional<Record> record = recordAt(stream, 0);
    if (!record || record->id != kBof || !has(record->data, 0, 4) || u16(record->data, 2) != kGlobals)
        return false;
    const quint16 version = u16(record->data, 0);
    if (version != kBiff8 && version != kBiff5)
        return false;
    m_biff8 = version == kBiff8;

    quint16 codepage = 1252;
    QHash<int, QString> codes;
    std::vector<quint16> styleFormatIds;
    for (record = recordAt(stream, record->next); record && record->id != kEof;
         record = recordAt(stream, record->next)) {
        const QByteArrayView d = record->data;
        switch (record->id) {
        case kFilePass:
            return false; // encrypted: FreeXL reads no values either
        case kCodepage:
            if (has(d, 0, 2))
                codepage = u16(d, 0);
            break;
        case kDateMode:
            if (has(d, 0, 2))
                m_date1904 = u16(d, 0) != 0;
            break;
        case kFormat:
            if (has(d, 0, 2)) {
                const std::optional<QString> code = m_biff8 ? longString(d, 2) : byteString(d, 2, codepage);
                if (code)
                    codes.insert(u16(d, 0), *code);
            }
            break;
        case kXf:
            // A damaged style still counts, so that the styles after it keep their numbers.
            styleFormatIds.push_back(has(d, 0, 4) ? u16(d, 2) : 0);
            break;
        case kBoundSheet:
            if (has(d, 0, 6)) {
                const std::optional<QString> name = m_biff8 ? shortString(d, 6) : byteString(d, 6, codepage);
                if (name)
                    m_sheets.push_back({*name, u32(d, 0), {}});
            }
            break;
        default:
            break;
        }
    }
    if (!record)
        return false;
    m_styleFormats.reserve(styleFormatIds.size());
    for (const quint16 id : styleFormatIds)
        m_styleFormats.push_back(NumberFormat::parse(id, codes.value(id)));

    // Each byte of a sound stream is read once; sheets that claim to start inside each other must not make
    // the work grow with their number.
    qint64 budget = 2 * qint64(stream.size()) + 4096;
    for (Sheet& sheet : m_sheets)
        if (!parseSheet(stream, sheet, budget))
            return false;
    return true;
}

bool XlsCellFormats::parseSheet(const QByteArray& stream, Sheet& sheet, qint64& budget) {
    std::optional<Record> record = recordAt(stream, qsizetype(sheet.offset));
    // A sheet whose stream is missing or is not where it is said to be simply has no known cells.
    if (!record || record->id != kBof)
        return true;
    int depth = 1;
    for (record = recordAt(stream, record->next); record; record = recordAt(stream, record->next)) {
        budget -= 4 + record->data.size();
        if (budget < 0)
            return false;
        const QByteArrayView d = record->data;
        if (record->id == kBof) {
            if (++depth > kMaxNesting)
                return true;
            continue;
        }
        if (record->id == kEof) {
            if (--depth == 0)
                return true;
            continue;
        }
        if (depth != 1 || !has(d, 0, 6))
            continue;
        const int row = u16(d, 0);
        const int column = u16(d, 2);
        switch (record->id) {
        case kNumber:
            if (has(d, 6, 8))
                sheet.cells.insert(key(row, column), {f64(d, 6), u16(d, 4)});
            break;
        case kRk:
            if (has(d, 6, 4))
                sheet.cells.insert(key(row, column), {rkValue(u32(d, 6)), u16(d, 4)});
            break;
        case kMulRk:
            // A run of cells from column on: each a style and an RK number, then the last column.
            for (qsizetype at = 4, c = column; has(d, at, 6 + 2) && c <= 0xFFFF; at += 6, ++c)
                sheet.cells.insert(key(row, int(c)), {rkValue(u32(d, at + 2)), u16(d, at)});
            break;
        case kFormula:
            // The result is a number unless its last two bytes mark a text, truth value, error or nothing.
            if (has(d, 6, 8) && u16(d, 12) != 0xFFFF)
                sheet.cells.insert(key(row, column), {f64(d, 6), u16(d, 4)});
            break;
        default:
            break;
        }
    }
    return true; // the stream ended without the sheet's end: what was read stands
}

QStringList XlsCellFormats::sheetNames() const {
    QStringList names;
    for (const Sheet& s : m_sheets)
        names.append(s.name);
    return names;
}

int XlsCellFormats::sheetIndex(const QString& name) const {
    for (size_t i = 0; i < m_sheets.size(); ++i)
        if (m_sheets[i].name == name)
            return int(i);
    return -1;
}

std::optional<XlsCellFormats::Cell> XlsCellFormats::cell(int sheet, int row, int column) const {
    if (sheet < 0 || size_t(sheet) >= m_sheets.size() || row < 0 || row > 0xFFFF || column < 0 || column > 0xFFFF)
        return std::nullopt;
    const auto found = m_sheets[size_t(sheet)].cells.constFind(key(row, column));
    if (found == m_sheets[size_t(sheet)].cells.constEnd())
        return std::nullopt;
    const quint16 style = found->style;
    return Cell{found->value, style < m_styleFormats.size() ? m_styleFormats[style] : NumberFormat()};
}

QString XlsCellFormats::numberText(int sheet, int row, int column, double value) const {
    const std::optional<Cell> known = cell(sheet, row, column);
    // A cell whose value differs from what the values' reader found was misread by one of the two; the bare
    // value is the safe text then.
    if (!known || known->value != value)
        return CellText::number(value);
    if (known->format.isDate() && m_date1904)
        return known->format.text(value + k1904Offset);
    return known->format.text(value);
}

} // namespace lesaro::exchange
