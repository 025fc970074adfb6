#include "exchange/sources/XlsCellFormats.h"

#include "core/Win1252.h"
#include "exchange/sources/CellText.h"
#include "exchange/sources/CompoundFile.h"

#include <QByteArrayView>
#include <QFile>
#include <QtEndian>
#include <algorithm>
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
constexpr quint16 kString = 0x0207;
constexpr quint16 kFont = 0x0031;
constexpr quint16 kSst = 0x00FC;
constexpr quint16 kContinue = 0x003C;
constexpr quint16 kLabel = 0x0204;
constexpr quint16 kRString = 0x00D6;
constexpr quint16 kLabelSst = 0x00FD;
// Other cell records: a text formula's result comes before any of them.
constexpr quint16 kOtherCells[] = {0x00FD, 0x0204, 0x0201, 0x00BE, 0x0205, 0x00D6};

constexpr quint16 kBiff8 = 0x0600;
constexpr quint16 kBiff5 = 0x0500;
constexpr quint16 kGlobals = 0x0005;

// Charts inside a sheet bring streams of their own, each opened and closed again; deeper is damage.
constexpr int kMaxNesting = 16;

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

// BIFF5's text with a 16-bit length (a formula's text result), in the workbook's code page.
std::optional<QString> byteString16(QByteArrayView data, qsizetype at, quint16 codepage) {
    if (!has(data, at, 2) || !has(data, at + 2, u16(data, at)))
        return std::nullopt;
    const QByteArrayView bytes = data.sliced(at + 2, u16(data, at));
    if (codepage == 1252 || codepage == 0x8001)
        return win1252::decode(bytes.constData(), bytes.size());
    return QString::fromLatin1(bytes);
}

// An error result as Excel shows it.
QString errorText(quint8 code) {
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    default:
        return {};
    }
}

// Where a BIFF8 string with a 16-bit (or 8-bit) length ends, its rich-text runs and phonetic data included;
// nothing when it runs past the record.
std::optional<qsizetype> unicodeStringEnd(QByteArrayView data, qsizetype at, bool longLength) {
    const qsizetype head = longLength ? 2 : 1;
    if (!has(data, at, head + 1))
        return std::nullopt;
    const qint64 count = longLength ? u16(data, at) : quint8(data[at]);
    const quint8 flags = quint8(data[at + head]);
    qsizetype pos = at + head + 1;
    qint64 extra = 0;
    if (flags & 0x08) {
        if (!has(data, pos, 2))
            return std::nullopt;
        extra += qint64(u16(data, pos)) * 4;
        pos += 2;
    }
    if (flags & 0x04) {
        if (!has(data, pos, 4))
            return std::nullopt;
        extra += u32(data, pos);
        pos += 4;
    }
    const qint64 size = count * ((flags & 0x01) ? 2 : 1) + extra;
    if (size > data.size() - pos)
        return std::nullopt;
    return pos + qsizetype(size);
}

// Where a BIFF5 byte string with a 16-bit (or 8-bit) length ends; nothing when it runs past the record.
std::optional<qsizetype> byteStringEnd(QByteArrayView data, qsizetype at, bool longLength) {
    const qsizetype head = longLength ? 2 : 1;
    if (!has(data, at, head))
        return std::nullopt;
    const qsizetype count = longLength ? u16(data, at) : quint8(data[at]);
    if (!has(data, at + head, count))
        return std::nullopt;
    return at + head + count;
}

// The number of BIFF8 shared strings, walked over the records that continue the table; nothing when a string
// runs past them. A string's characters may go on in the next record, which then starts with a flags byte of
// its own; its runs and phonetic data may go on without one.
std::optional<quint32> sharedStringCount(const QByteArray& stream, const Record& sst) {
    std::vector<QByteArrayView> parts{sst.data};
    for (std::optional<Record> r = recordAt(stream, sst.next); r && r->id == kContinue; r = recordAt(stream, r->next))
        parts.push_back(r->data);
    if (!has(parts[0], 0, 8))
        return std::nullopt;
    const quint32 unique = u32(parts[0], 4);
    size_t part = 0;
    qsizetype at = 8;
    auto nextPart = [&] {
        if (++part == parts.size())
            return false;
        at = 0;
        return true;
    };
    quint32 count = 0;
    for (; count < unique; ++count) {
        if (at == parts[part].size() && !nextPart())
            return std::nullopt;
        if (!has(parts[part], at, 3))
            return std::nullopt;
        qint64 left = u16(parts[part], at);
        const quint8 flags = quint8(parts[part][at + 2]);
        at += 3;
        qint64 extra = 0;
        if (flags & 0x08) {
            if (!has(parts[part], at, 2))
                return std::nullopt;
            extra += qint64(u16(parts[part], at)) * 4;
            at += 2;
        }
        if (flags & 0x04) {
            if (!has(parts[part], at, 4))
                return std::nullopt;
            extra += u32(parts[part], at);
            at += 4;
        }
        bool wide = flags & 0x01;
        while (left > 0) {
            if (at == parts[part].size()) {
                if (!nextPart() || !has(parts[part], 0, 1))
                    return std::nullopt;
                wide = quint8(parts[part][0]) & 0x01;
                at = 1;
            }
            const qsizetype unit = wide ? 2 : 1;
            const qint64 fit = std::min<qint64>(left, (parts[part].size() - at) / unit);
            if (fit == 0)
                return std::nullopt; // half a character at the end of a record
            at += qsizetype(fit * unit);
            left -= fit;
        }
        while (extra > 0) {
            if (at == parts[part].size() && !nextPart())
                return std::nullopt;
            const qint64 step = std::min<qint64>(extra, parts[part].size() - at);
            at += qsizetype(step);
            extra -= step;
        }
    }
    return count;
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

bool XlsCellFormats::isSound(const QByteArray& file) {
    const std::optional<CompoundFile> compound = CompoundFile::open(file);
    if (!compound || !compound->directoryIsSound())
        return false;
    std::optional<QByteArray> stream = compound->stream(QStringLiteral("Workbook"));
    if (!stream)
        stream = compound->stream(QStringLiteral("Book"));
    if (!stream)
        return false;
    // The record version decides the form of the texts; a stream of another version is left to FreeXL.
    const std::optional<Record> first = recordAt(*stream, 0);
    if (!first || first->id != kBof || !has(first->data, 0, 2))
        return true;
    const quint16 version = u16(first->data, 0);
    if (version != kBiff8 && version != kBiff5)
        return true;
    const bool biff8 = version == kBiff8;
    std::optional<quint32> sharedStrings;
    // Every record of the stream in turn, whatever sheet it belongs to, up to the first that runs past its end.
    for (std::optional<Record> r = first; r; r = recordAt(*stream, r->next)) {
        const QByteArrayView d = r->data;
        bool fits = true;
        switch (r->id) {
        case kFilePass:
            return false; // encrypted: nothing to read
        case kFormat:
            fits = biff8 ? bool(unicodeStringEnd(d, 2, true)) : bool(byteStringEnd(d, 2, false));
            break;
        case kFont:
            fits = biff8 ? bool(unicodeStringEnd(d, 14, false)) : bool(byteStringEnd(d, 14, false));
            break;
        case kBoundSheet:
            fits = biff8 ? bool(unicodeStringEnd(d, 6, false)) : bool(byteStringEnd(d, 6, false));
            break;
        case kSst:
            sharedStrings = biff8 ? sharedStringCount(*stream, *r) : std::nullopt;
            fits = bool(sharedStrings);
            break;
        case kLabel:
        case kRString:
            fits = biff8 ? bool(unicodeStringEnd(d, 6, true)) : bool(byteStringEnd(d, 6, true));
            break;
        case kString:
            fits = biff8 ? bool(unicodeStringEnd(d, 0, true)) : bool(byteStringEnd(d, 0, true));
            break;
        case kLabelSst:
            fits = has(d, 6, 4) && sharedStrings && u32(d, 6) < *sharedStrings;
            break;
        default:
            break;
        }
        if (!fits)
            return false;
    }
    return true;
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
                m_codepage = u16(d, 0);
            break;
        case kDateMode:
            if (has(d, 0, 2))
                m_date1904 = u16(d, 0) != 0;
            break;
        case kFormat:
            if (has(d, 0, 2)) {
                const std::optional<QString> code = m_biff8 ? longString(d, 2) : byteString(d, 2, m_codepage);
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
                const std::optional<QString> name = m_biff8 ? shortString(d, 6) : byteString(d, 6, m_codepage);
                if (name)
                    m_sheets.push_back({*name, u32(d, 0), {}, {}});
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
    // A formula with a text result is followed by the text in a record of its own.
    // (A flag beside the key rather than an optional: GCC 12 at -O3 wrongly takes the optional's value as
    // possibly unset.)
    bool textPending = false;
    quint32 pendingText = 0;
    for (record = recordAt(stream, record->next); record; record = recordAt(stream, record->next)) {
        budget -= 4 + record->data.size();
        if (budget < 0)
            return false;
        const QByteArrayView d = record->data;
        if (record->id == kBof) {
            textPending = false;
            if (++depth > kMaxNesting)
                return true;
            continue;
        }
        if (record->id == kEof) {
            textPending = false;
            if (--depth == 0)
                return true;
            continue;
        }
        if (depth != 1)
            continue;
        if (record->id == kString) {
            if (textPending) {
                const std::optional<QString> text = m_biff8 ? longString(d, 0) : byteString16(d, 0, m_codepage);
                if (text && !text->isEmpty())
                    sheet.formulaTexts.insert(pendingText, *text);
            }
            textPending = false;
            continue;
        }
        if (std::find(std::begin(kOtherCells), std::end(kOtherCells), record->id) != std::end(kOtherCells))
            textPending = false;
        if (!has(d, 0, 6))
            continue;
        const int row = u16(d, 0);
        const int column = u16(d, 2);
        switch (record->id) {
        case kNumber:
            textPending = false;
            if (has(d, 6, 8))
                sheet.cells.insert(key(row, column), {f64(d, 6), u16(d, 4)});
            break;
        case kRk:
            textPending = false;
            if (has(d, 6, 4))
                sheet.cells.insert(key(row, column), {rkValue(u32(d, 6)), u16(d, 4)});
            break;
        case kMulRk:
            textPending = false;
            // A run of cells from column on: each a style and an RK number, then the last column.
            for (qsizetype at = 4, c = column; has(d, at, 6 + 2) && c <= 0xFFFF; at += 6, ++c)
                sheet.cells.insert(key(row, int(c)), {rkValue(u32(d, at + 2)), u16(d, at)});
            break;
        case kFormula:
            textPending = false;
            if (!has(d, 6, 8))
                break;
            // The result is a number unless its last two bytes are all ones; then its first byte tells a text
            // (in the next record), a truth value, an error or nothing.
            if (u16(d, 12) != 0xFFFF) {
                sheet.cells.insert(key(row, column), {f64(d, 6), u16(d, 4), true});
            } else if (d[6] == 0) {
                pendingText = key(row, column);
                textPending = true;
            } else if (d[6] == 1) {
                sheet.formulaTexts.insert(key(row, column), d[8] ? QStringLiteral("Wahr") : QStringLiteral("Falsch"));
            } else if (d[6] == 2 && !errorText(quint8(d[8])).isEmpty()) {
                sheet.formulaTexts.insert(key(row, column), errorText(quint8(d[8])));
            }
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

QString XlsCellFormats::shown(const StoredCell& cell) const {
    const NumberFormat format = cell.style < m_styleFormats.size() ? m_styleFormats[cell.style] : NumberFormat();
    return format.text(cell.value, m_date1904);
}

QString XlsCellFormats::numberText(int sheet, int row, int column, double value) const {
    const std::optional<Cell> known = cell(sheet, row, column);
    // A cell whose value differs from what the values' reader found was misread by one of the two; the bare
    // value is the safe text then.
    if (!known || known->value != value)
        return CellText::number(value);
    return shown(m_sheets[size_t(sheet)].cells.value(key(row, column)));
}

std::optional<QString> XlsCellFormats::formulaText(int sheet, int row, int column) const {
    if (sheet < 0 || size_t(sheet) >= m_sheets.size() || row < 0 || row > 0xFFFF || column < 0 || column > 0xFFFF)
        return std::nullopt;
    const Sheet& s = m_sheets[size_t(sheet)];
    const auto number = s.cells.constFind(key(row, column));
    if (number != s.cells.constEnd() && number->formula)
        return shown(*number);
    const auto text = s.formulaTexts.constFind(key(row, column));
    if (text != s.formulaTexts.constEnd())
        return *text;
    return std::nullopt;
}

} // namespace lesaro::exchange
