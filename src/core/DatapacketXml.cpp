// The XML text form of the table files.
//
// The writer puts the whole packet on one line in Windows-1252. Column values in the ROW attributes are
// written so that they read back exactly:
//   integer  decimal, with "-" for negative numbers           "1234", "-7"
//   text     the Windows-1252 bytes with the nine escapes     "M&apos;Bah &amp; Co"
//   money    the shortest decimal that reads back as the same double, "." as decimal point, an exponent
//            only where it is shorter                         "12.5", "0.1", "1e+21", "nan", "inf"
//   boolean  "TRUE" or "FALSE"
//   date     yyyymmdd                                         "20220101"
//            a day outside the years 1 to 9999, which no date field offers, as its signed day number
//            "-5", "+3652060"
// The table parameter "CHANGE_LOG" is the list of its numbers separated by blanks; a kept parameter is
// written as its text, its number or its list of numbers, and reads back as a text parameter.
//
// The reader takes what the writer writes and other well-formed packets of the same shape: any attribute
// order, either quote, white space and line breaks between elements, comments, character references in
// decimal or hex, and an encoding="UTF-8" declaration or byte-order mark (whose texts are then converted to
// Windows-1252). It is a small scanner of its own rather than a general XML reader because the text values
// are Windows-1252 bytes that must come back unchanged, control bytes included, which the writer passes
// through as they are.

#include "core/DatapacketXml.h"

#include "core/DatapacketCommon.h"
#include "core/EngineError.h"
#include "core/LittleEndian.h"
#include "core/Win1252.h"

#include <QSet>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

namespace lesaro::datapacket {

namespace {

// ---------------------------------------------------------------------------------------------------------
// Writing

void appendEscaped(QByteArray& out, QByteArrayView bytes) {
    for (const char ch : bytes) {
        switch (ch) {
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '&':
            out.append("&amp;");
            break;
        case '\'':
            out.append("&apos;");
            break;
        case '"':
            out.append("&quot;");
            break;
        case '\r':
            out.append("&#013;");
            break;
        case '\n':
            out.append("&#010;");
            break;
        case '\t':
            out.append("&#009;");
            break;
        case '\\':
            out.append("&#092;");
            break;
        default:
            out.append(ch);
        }
    }
}

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_';
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.';
}

// The name a column has as an XML attribute. Blanks and ! # $ % ( ) * ? become "_"; so does anything else
// that cannot stand in an XML name or in Windows-1252, so that the file stays well-formed whatever the name.
QByteArray attributeName(const QString& name) {
    QString out = name;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        const bool fits = (i == 0 ? isNameStart(c) : isNameChar(c)) &&
                          (c.unicode() < 0x80 || win1252::encode(QStringView(&c, 1)) != "?");
        if (!fits)
            out[i] = u'_';
    }
    return win1252::encode(out);
}

bool isPlainName(QByteArrayView name) {
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        const bool more = (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!letter && (i == 0 || !more))
            return false;
    }
    return true;
}

void appendDate(QByteArray& out, qint32 day) {
    const QDate d = dateFromDay(day);
    if (d.isValid() && d.year() >= 1 && d.year() <= 9999) {
        char buf[9];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year(), d.month(), d.day());
        out.append(buf, 8);
    } else {
        if (day >= 0)
            out.append('+');
        out.append(QByteArray::number(day));
    }
}

void appendMoney(QByteArray& out, double v) {
    if (std::isnan(v))
        out.append("nan");
    else if (std::isinf(v))
        out.append(v < 0 ? "-inf" : "inf");
    else
        out.append(QByteArray::number(v, 'g', QLocale::FloatingPointShortest));
}

// A kept table parameter in text form, or false when its type has none.
bool appendParamText(QByteArray& out, const TableParam& p) {
    const quint32 size = typeSize(p.typeWord);
    const quint32 base = baseType(p.typeWord);
    const bool varying = p.typeWord & kTypeVarying;
    const bool array = p.typeWord & kTypeArray;
    const QByteArrayView value(p.value);
    auto integerAt = [&](qsizetype at) -> qint64 {
        qint64 v = 0;
        switch (size) {
        case 1:
            return base == 1 ? qint64(qint8(value[at])) : qint64(quint8(value[at]));
        case 2: {
            quint16 u;
            std::memcpy(&u, value.data() + at, 2);
            return base == 1 ? qint64(qint16(u)) : qint64(u);
        }
        case 4: {
            quint32 u;
            std::memcpy(&u, value.data() + at, 4);
            return base == 1 ? qint64(qint32(u)) : qint64(u);
        }
        case 8:
            std::memcpy(&v, value.data() + at, 8);
            return v;
        }
        return v;
    };
    const bool integer = (base == 1 || base == 2) && !varying && (size == 1 || size == 2 || size == 4 || size == 8);
    if (base == 9 && varying && !array && (size == 1 || size == 2 || size == 4) && value.size() >= qsizetype(size)) {
        QByteArrayView text = value.sliced(size);
        const qsizetype zero = text.indexOf('\0');
        appendEscaped(out, zero < 0 ? text : text.first(zero));
        return true;
    }
    if (integer && !array && value.size() == qsizetype(size)) {
        out.append(QByteArray::number(integerAt(0)));
        return true;
    }
    if (integer && array && value.size() >= 4) {
        quint32 count;
        std::memcpy(&count, value.data(), 4);
        if (value.size() != 4 + qsizetype(count) * size)
            return false;
        for (quint32 i = 0; i < count; ++i) {
            if (i)
                out.append(' ');
            out.append(QByteArray::number(integerAt(4 + qsizetype(i) * size)));
        }
        return true;
    }
    return false;
}

const char* fieldType(FieldKind kind) {
    switch (kind) {
    case FieldKind::Integer:
        return "i4";
    case FieldKind::Text:
        return "string";
    case FieldKind::Money:
        return "r8";
    case FieldKind::Boolean:
        return "boolean";
    case FieldKind::Date:
        return "date";
    }
    return "";
}

// ---------------------------------------------------------------------------------------------------------
// Reading: a pull scanner that checks well-formedness and hands out elements with their attributes, the
// values already unescaped into Windows-1252 bytes.

class XmlScanner {
public:
    enum class Token { Start, End, Eof };
    struct Attribute {
        QByteArrayView name;
        qsizetype valueAt;
        qsizetype valueSize;
    };

    explicit XmlScanner(const QByteArray& bytes)
        : m_data(bytes.constData())
        , m_size(bytes.size()) {
        if (m_size >= 3 && std::memcmp(m_data, "\xEF\xBB\xBF", 3) == 0) {
            m_utf8 = true;
            m_pos = 3;
        }
        if (startsWith("<?xml") && m_pos + 5 < m_size && isSpace(m_data[m_pos + 5]))
            readDeclaration();
    }

    bool utf8() const { return m_utf8; }
    QByteArrayView name() const { return m_name; }
    const std::vector<Attribute>& attributes() const { return m_attributes; }
    QByteArrayView value(const Attribute& a) const { return QByteArrayView(m_values).sliced(a.valueAt, a.valueSize); }

    Token next() {
        if (m_pendingEnd) {
            m_pendingEnd = false;
            return closeElement();
        }
        for (;;) {
            if (m_pos >= m_size) {
                if (!m_stack.empty() || !m_rootClosed)
                    malformed();
                return Token::Eof;
            }
            const char c = m_data[m_pos];
            if (c == '<') {
                if (startsWith("<?")) {
                    skipPast("?>");
                } else if (startsWith("<!--")) {
                    skipPast("-->");
                } else if (startsWith("<![CDATA[")) {
                    if (m_stack.empty())
                        malformed();
                    skipPast("]]>");
                } else if (startsWith("<!DOCTYPE")) {
                    if (m_rootSeen)
                        malformed();
                    skipDoctype();
                } else if (startsWith("</")) {
                    m_pos += 2;
                    const QByteArrayView closing = readName();
                    skipSpace();
                    expect('>');
                    if (m_stack.empty() || m_stack.back() != closing)
                        malformed();
                    return closeElement();
                } else {
                    return openElement();
                }
            } else if (c == '&') {
                if (m_stack.empty())
                    malformed();
                m_scratch.resize(0);
                readReference(m_scratch);
            } else {
                if (m_stack.empty() && !isSpace(c))
                    malformed();
                ++m_pos;
            }
        }
    }

    [[noreturn]] void malformed() const {
        throw EngineError(
            QStringLiteral("Die Datei ist weder ein binäres Datenpaket noch wohlgeformtes XML (Fehler bei Byte %1).")
                .arg(std::min(m_pos, m_size)));
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    static bool isNameStartByte(unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
    }
    static bool isNameByte(unsigned char c) {
        return isNameStartByte(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }

    bool startsWith(const char* s) const {
        const auto n = qsizetype(std::strlen(s));
        return m_size - m_pos >= n && std::memcmp(m_data + m_pos, s, size_t(n)) == 0;
    }
    void skipSpace() {
        while (m_pos < m_size && isSpace(m_data[m_pos]))
            ++m_pos;
    }
    void expect(char c) {
        if (m_pos >= m_size || m_data[m_pos] != c)
            malformed();
        ++m_pos;
    }
    void skipPast(const char* end) {
        const QByteArrayView rest(m_data + m_pos, m_size - m_pos);
        const qsizetype at = rest.indexOf(QByteArrayView(end), 2);
        if (at < 0)
            malformed();
        m_pos += at + qsizetype(std::strlen(end));
    }
    void skipDoctype() {
        bool inSubset = false;
        for (; m_pos < m_size; ++m_pos) {
            const char c = m_data[m_pos];
            if (c == '[')
                inSubset = true;
            else if (c == ']')
                inSubset = false;
            else if (c == '>' && !inSubset) {
                ++m_pos;
                return;
            }
        }
        malformed();
    }
    QByteArrayView readName() {
        const qsizetype start = m_pos;
        if (m_pos >= m_size || !isNameStartByte(static_cast<unsigned char>(m_data[m_pos])))
            malformed();
        while (m_pos < m_size && isNameByte(static_cast<unsigned char>(m_data[m_pos])))
            ++m_pos;
        return QByteArrayView(m_data + start, m_pos - start);
    }

    void readDeclaration() {
        const qsizetype start = m_pos;
        skipPast("?>");
        const QByteArrayView decl(m_data + start, m_pos - start);
        const qsizetype at = decl.indexOf("encoding");
        if (at < 0)
            return;
        qsizetype p = at + 8;
        while (p < decl.size() && (isSpace(decl[p]) || decl[p] == '='))
            ++p;
        if (p >= decl.size() || (decl[p] != '"' && decl[p] != '\''))
            return;
        const qsizetype end = decl.indexOf(decl[p], p + 1);
        if (end < 0)
            return;
        const QByteArrayView encoding = decl.sliced(p + 1, end - p - 1);
        if (encoding.compare("UTF-8", Qt::CaseInsensitive) == 0 || encoding.compare("UTF8", Qt::CaseInsensitive) == 0)
            m_utf8 = true;
    }

    // Appends the character a reference stands for; m_pos is on the "&".
    void readReference(QByteArray& out) {
        const qsizetype start = ++m_pos;
        while (m_pos < m_size && m_data[m_pos] != ';' && m_pos - start < 12)
            ++m_pos;
        if (m_pos >= m_size || m_data[m_pos] != ';')
            malformed();
        const QByteArrayView ref(m_data + start, m_pos - start);
        ++m_pos;
        if (ref == "lt")
            out.append('<');
        else if (ref == "gt")
            out.append('>');
        else if (ref == "amp")
            out.append('&');
        else if (ref == "apos")
            out.append('\'');
        else if (ref == "quot")
            out.append('"');
        else if (ref.size() >= 2 && ref[0] == '#')
            appendCodePoint(out, charReference(ref.sliced(1)));
        else
            malformed();
    }
    char32_t charReference(QByteArrayView digits) const {
        int base = 10;
        if (digits.startsWith('x')) {
            base = 16;
            digits = digits.sliced(1);
        }
        quint32 cp = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), cp, base);
        if (digits.isEmpty() || ec != std::errc() || end != digits.data() + digits.size() || cp > 0x10FFFF)
            malformed();
        return cp;
    }
    // In a Windows-1252 file a reference up to 255 is that byte (the writer's "&#013;" and friends); in a
    // UTF-8 file the value is collected as UTF-8 and converted when it is complete.
    void appendCodePoint(QByteArray& out, char32_t cp) const {
        if (m_utf8) {
            out.append(QString::fromUcs4(&cp, 1).toUtf8());
        } else if (cp <= 0xFF) {
            out.append(char(cp));
        } else {
            out.append(win1252::encode(QString::fromUcs4(&cp, 1)));
        }
    }

    Token openElement() {
        if (m_rootClosed)
            malformed();
        m_rootSeen = true;
        ++m_pos;
        m_name = readName();
        m_attributes.clear();
        m_values.resize(0);
        for (;;) {
            const qsizetype before = m_pos;
            skipSpace();
            if (m_pos >= m_size)
                malformed();
            if (m_data[m_pos] == '/') {
                ++m_pos;
                expect('>');
                m_pendingEnd = true;
                break;
            }
            if (m_data[m_pos] == '>') {
                ++m_pos;
                break;
            }
            if (m_pos == before)
                malformed(); // attributes must be separated by white space
            const QByteArrayView attrName = readName();
            skipSpace();
            expect('=');
            skipSpace();
            m_attributes.push_back({attrName, m_values.size(), 0});
            readValue();
            m_attributes.back().valueSize = m_values.size() - m_attributes.back().valueAt;
        }
        checkUniqueAttributes();
        m_stack.push_back(m_name);
        return Token::Start;
    }

    void readValue() {
        if (m_pos >= m_size || (m_data[m_pos] != '"' && m_data[m_pos] != '\''))
            malformed();
        const char quote = m_data[m_pos++];
        QByteArray& out = m_utf8 ? m_scratch : m_values;
        if (m_utf8)
            m_scratch.resize(0);
        for (;;) {
            if (m_pos >= m_size)
                malformed();
            const char c = m_data[m_pos];
            if (c == quote) {
                ++m_pos;
                break;
            }
            if (c == '<')
                malformed();
            if (c == '&') {
                readReference(out);
                continue;
            }
            // Line ends and tabs written out in a value mean blanks; the writer escapes the ones it means.
            if (c == '\r' && m_pos + 1 < m_size && m_data[m_pos + 1] == '\n')
                ++m_pos;
            out.append(isSpace(c) ? ' ' : c);
            ++m_pos;
        }
        if (m_utf8)
            m_values.append(win1252::encode(QString::fromUtf8(m_scratch)));
    }

    void checkUniqueAttributes() {
        const size_t n = m_attributes.size();
        if (n <= 32) {
            for (size_t i = 1; i < n; ++i) {
                for (size_t j = 0; j < i; ++j) {
                    if (m_attributes[i].name == m_attributes[j].name)
                        malformed();
                }
            }
            return;
        }
        std::vector<QByteArrayView> names;
        names.reserve(n);
        for (const Attribute& a : m_attributes)
            names.push_back(a.name);
        std::sort(names.begin(), names.end());
        if (std::adjacent_find(names.begin(), names.end()) != names.end())
            malformed();
    }

    Token closeElement() {
        m_name = m_stack.back();
        m_stack.pop_back();
        if (m_stack.empty())
            m_rootClosed = true;
        return Token::End;
    }

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    bool m_utf8 = false;
    bool m_rootSeen = false;
    bool m_rootClosed = false;
    bool m_pendingEnd = false;
    std::vector<QByteArrayView> m_stack;
    QByteArrayView m_name;
    std::vector<Attribute> m_attributes;
    QByteArray m_values;
    QByteArray m_scratch;
};

[[noreturn]] void badValue(const ColumnDef& column, QByteArrayView text) {
    const QString shown = win1252::decode(text.data(), text.size());
    switch (column.kind) {
    case FieldKind::Date:
        throw EngineError(QStringLiteral("'%1' ist kein gültiges Datum").arg(shown));
    case FieldKind::Boolean:
        throw EngineError(
            QStringLiteral("'%1' ist kein gültiger boolescher Wert für Feld '%2'").arg(shown, column.name));
    case FieldKind::Money:
        throw EngineError(
            QStringLiteral("'%1' ist kein gültiger Fließkommawert für Feld '%2'").arg(shown, column.name));
    default:
        throw EngineError(QStringLiteral("'%1' ist kein gültiger Integerwert für Feld '%2'").arg(shown, column.name));
    }
}

template <typename T>
bool parseNumber(QByteArrayView text, T& v) {
    const char* b = text.data();
    const char* e = b + text.size();
    if (b != e && *b == '+') {
        ++b;
        if (b != e && (*b == '-' || *b == '+'))
            return false;
    }
    if (b == e)
        return false;
    const auto [end, ec] = std::from_chars(b, e, v);
    return ec == std::errc() && end == e;
}

qint32 parseDate(const ColumnDef& column, QByteArrayView text) {
    if (text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int y = 0, m = 0, d = 0;
        std::from_chars(text.data(), text.data() + 4, y);
        std::from_chars(text.data() + 4, text.data() + 6, m);
        std::from_chars(text.data() + 6, text.data() + 8, d);
        const QDate date(y, m, d);
        if (date.isValid() && y >= 1)
            return dayFromDate(date);
    } else if (text.startsWith('+') || text.startsWith('-')) {
        qint32 day;
        if (parseNumber(text, day))
            return day;
    }
    badValue(column, text);
}

void appendValue(QByteArray& record, const ColumnDef& column, QByteArrayView text) {
    switch (column.kind) {
    case FieldKind::Integer: {
        qint32 v;
        if (!parseNumber(text, v))
            badValue(column, text);
        appendLE(record, v);
        break;
    }
    case FieldKind::Date:
        appendLE(record, parseDate(column, text));
        break;
    case FieldKind::Money: {
        double v;
        if (!parseNumber(text, v))
            badValue(column, text);
        appendLE(record, v);
        break;
    }
    case FieldKind::Boolean: {
        quint16 v;
        if (text.compare("TRUE", Qt::CaseInsensitive) == 0 || text == "1")
            v = 1;
        else if (text.compare("FALSE", Qt::CaseInsensitive) == 0 || text == "0")
            v = 0;
        else
            badValue(column, text);
        appendLE(record, v);
        break;
    }
    case FieldKind::Text: {
        const qsizetype limit = std::min<qsizetype>(column.width, column.lengthBytes == 1 ? 255 : 65535);
        text = text.first(std::min(text.size(), limit));
        // An empty text is present, not null: stored as one zero byte, as the engine stores it.
        const QByteArrayView bytes = text.isEmpty() ? QByteArrayView("\0", 1) : text;
        if (column.lengthBytes == 1)
            record.append(char(bytes.size()));
        else
            appendLE(record, quint16(bytes.size()));
        record.append(bytes);
        break;
    }
    }
}

quint32 parseUnsigned(QByteArrayView text) {
    quint32 v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.isEmpty() || ec != std::errc() || end != text.data() + text.size())
        fail(kMismatch);
    return v;
}

class XmlPacketReader {
public:
    explicit XmlPacketReader(const QByteArray& bytes)
        : m_xml(bytes)
        , m_arenaLimit(std::min<qsizetype>(16 * bytes.size() + (1 << 20), kMaxPacketSize)) {}

    RowStore read() {
        enum Role { Other, Packet, Metadata, Fields, Rowdata };
        std::vector<Role> roles;
        bool first = true;
        for (;;) {
            const XmlScanner::Token t = m_xml.next();
            if (t == XmlScanner::Token::Eof)
                break;
            if (t == XmlScanner::Token::End) {
                roles.pop_back();
                continue;
            }
            const QByteArrayView name = m_xml.name();
            const Role parent = roles.empty() ? Packet : roles.back();
            Role role = Other;
            if (first) {
                first = false;
                if (name != "DATAPACKET" && name != "METADATA" && name != "ROWDATA")
                    fail(kMismatch);
            }
            if (name == "DATAPACKET" && roles.empty()) {
                role = Packet;
            } else if (name == "METADATA" && parent == Packet) {
                if (m_haveMetadata)
                    fail(kMismatch);
                m_haveMetadata = true;
                role = Metadata;
            } else if (name == "FIELDS" && parent == Metadata) {
                role = Fields;
            } else if (name == "FIELD" && parent == Fields) {
                readField();
            } else if (name == "PARAMS" && parent == Metadata) {
                readParams();
            } else if (name == "ROWDATA" && parent == Packet) {
                role = Rowdata;
                makeStore();
            } else if (name == "ROW" && parent == Rowdata) {
                readRow();
            }
            roles.push_back(role);
        }
        makeStore();
        m_store->changeLog() = std::move(m_log);
        m_store->keptParams() = std::move(m_params);
        checkChangeLog(*m_store);
        return std::move(*m_store);
    }

private:
    QString nameText(QByteArrayView bytes) const { return win1252::decode(bytes.data(), bytes.size()); }

    void readField() {
        if (m_store)
            fail(kMismatch); // columns after the rows have begun
        QByteArrayView fieldName, attrName, type, width, subtype;
        bool haveFieldName = false, haveAttrName = false;
        quint16 attributes = 0;
        for (const auto& a : m_xml.attributes()) {
            const QByteArrayView v = m_xml.value(a);
            if (a.name == "fieldname") {
                fieldName = v;
                haveFieldName = true;
            } else if (a.name == "attrname") {
                attrName = v;
                haveAttrName = true;
            } else if (a.name == "fieldtype") {
                type = v;
            } else if (a.name == "WIDTH") {
                width = v;
            } else if (a.name == "SUBTYPE") {
                subtype = v;
            } else if (v.compare("true", Qt::CaseInsensitive) == 0) {
                if (a.name == "readonly")
                    attributes |= kColumnReadOnly;
                else if (a.name == "required")
                    attributes |= kColumnRequired;
                else if (a.name == "hidden")
                    attributes |= kColumnHidden;
                else if (a.name == "linkfield")
                    attributes |= kColumnLink;
            }
        }
        const QByteArrayView name = haveFieldName ? fieldName : attrName;
        if (name.isEmpty())
            fail(kNullFieldName);

        FieldKind kind;
        int columnWidth = 0;
        if (type == "i4") {
            kind = FieldKind::Integer;
        } else if (type == "string") {
            kind = FieldKind::Text;
            const quint32 w = parseUnsigned(width);
            if (w < 1 || w > 65535)
                fail(kMismatch);
            columnWidth = int(w);
        } else if (type == "r8" && subtype.compare("Money", Qt::CaseInsensitive) == 0) {
            kind = FieldKind::Money;
        } else if (type == "boolean") {
            kind = FieldKind::Boolean;
        } else if (type == "date") {
            kind = FieldKind::Date;
        } else {
            fail(kInvalidFieldType);
        }
        ColumnDef c = ColumnDef::make(columnNameFromBytes(nameText(name).toUtf8()), kind, columnWidth);
        c.attributes = attributes;
        if (m_columns.size() == 0xFFFF)
            fail(kMismatch); // more columns than a table file can describe
        m_columns.append(c);
        // Rows name their values by attrname, in the file's own encoding.
        const QByteArrayView key = haveAttrName ? attrName : fieldName;
        m_keys.push_back(m_xml.utf8() ? nameText(key).toUtf8() : key.toByteArray());
    }

    void readParams() {
        for (const auto& a : m_xml.attributes()) {
            const QByteArrayView v = m_xml.value(a);
            if (isChangeLogName(a.name)) {
                if (m_haveLog)
                    fail(kMismatch);
                m_haveLog = true;
                std::vector<quint32> numbers;
                for (QByteArrayView rest = v.trimmed(); !rest.isEmpty();) {
                    qsizetype end = 0;
                    while (end < rest.size() && rest[end] != ' ')
                        ++end;
                    numbers.push_back(parseUnsigned(rest.first(end)));
                    rest = rest.sliced(end).trimmed();
                }
                if (numbers.size() % 3 != 0)
                    fail(kMismatch);
                for (size_t i = 0; i < numbers.size(); i += 3)
                    m_log.push_back({numbers[i], numbers[i + 1], numbers[i + 2]});
                continue;
            }
            if (a.name.size() > 255 || v.size() > 65535)
                fail(kMismatch);
            QByteArray value;
            appendLE(value, quint16(v.size()));
            value.append(v);
            m_params.push_back({a.name.toByteArray(), kTypeLongText, value});
        }
    }

    void makeStore() {
        if (!m_store)
            m_store.emplace(m_columns);
    }

    int columnFor(QByteArrayView key) {
        // Rows usually name their values in column order: look from the column after the last one found.
        const int n = int(m_keys.size());
        for (int k = 0; k < n; ++k) {
            const int i = (m_hint + k) % n;
            if (m_keys[size_t(i)] == key) {
                m_hint = i + 1;
                return i;
            }
        }
        throw EngineError(QStringLiteral("Das Feld '%1' wurde nicht gefunden").arg(nameText(key)));
    }

    void readRow() {
        const int n = m_store->columnCount();
        m_rowValues.assign(size_t(n), -1);
        quint8 status = 0;
        const auto& attrs = m_xml.attributes();
        m_hint = 0;
        for (size_t k = 0; k < attrs.size(); ++k) {
            if (attrs[k].name == "RowState") {
                const quint32 s = parseUnsigned(m_xml.value(attrs[k]));
                if (s > 0xFF)
                    fail(kMismatch);
                status = quint8(s);
                continue;
            }
            m_rowValues[size_t(columnFor(attrs[k].name))] = int(k);
        }
        m_record.resize(0);
        m_record.append(m_store->bitmapSize(), '\0');
        char* bitmap = m_record.data();
        for (int i = 0; i < n; ++i) {
            if (m_rowValues[size_t(i)] < 0)
                bitmap[i / 4] = char(bitmap[i / 4] | (1 << (2 * (i % 4))));
        }
        for (int i = 0; i < n; ++i) {
            if (m_rowValues[size_t(i)] >= 0)
                appendValue(m_record, m_store->columns()[i], m_xml.value(attrs[size_t(m_rowValues[size_t(i)])]));
        }
        // A short ROW element of a wide table stands for a long null bitmap; a file of nothing else must not
        // make the rows many times larger than the file itself.
        if (m_store->arena().size() + m_record.size() > m_arenaLimit)
            fail(kMismatch);
        m_store->appendRecord(m_record.constData(), m_record.size(), status);
    }

    XmlScanner m_xml;
    QList<ColumnDef> m_columns;
    std::vector<QByteArray> m_keys;
    std::optional<RowStore> m_store;
    std::vector<LogEntry> m_log;
    std::vector<TableParam> m_params;
    bool m_haveLog = false;
    bool m_haveMetadata = false;
    std::vector<int> m_rowValues;
    QByteArray m_record;
    int m_hint = 0;
    qsizetype m_arenaLimit;
};

} // namespace

QByteArray writeXml(const RowStore& store) {
    checkChangeLog(store);
    QByteArray out;
    // Two columns must not end up with one attribute name (the same name twice, or "a b" beside "a_b"), and
    // none may take the row's "RowState": a later one gets a number, and its true name goes to fieldname.
    std::vector<QByteArray> names;
    QSet<QByteArray> taken{"RowState"};
    for (const ColumnDef& c : store.columns()) {
        QByteArray name = attributeName(c.name);
        for (int k = 2; taken.contains(name); ++k)
            name = attributeName(c.name) + '_' + QByteArray::number(k);
        taken.insert(name);
        names.push_back(name);
    }
    const qsizetype estimate = 256 + store.columnCount() * 80 + qsizetype(store.changeLog().size()) * 12 +
                               store.slotCount() * 24 + store.arena().size() * 3;
    out.reserve(estimate);

    out.append("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    for (int i = 0; i < store.columnCount(); ++i) {
        const ColumnDef& c = store.columns()[i];
        out.append("<FIELD ");
        columnNameBytes(c.name); // refuses a nameless column, as the binary form does
        const QByteArray nameBytes = win1252::encode(c.name);
        if (names[size_t(i)] != nameBytes) {
            out.append("fieldname=\"");
            appendEscaped(out, nameBytes);
            out.append("\" ");
        }
        out.append("attrname=\"").append(names[size_t(i)]).append("\" fieldtype=\"").append(fieldType(c.kind));
        out.append('"');
        if (c.attributes & kColumnReadOnly)
            out.append(" readonly=\"true\"");
        if (c.attributes & kColumnRequired)
            out.append(" required=\"true\"");
        if (c.attributes & kColumnHidden)
            out.append(" hidden=\"true\"");
        if (c.attributes & kColumnLink)
            out.append(" linkfield=\"true\"");
        if (c.kind == FieldKind::Money)
            out.append(" SUBTYPE=\"Money\"");
        if (c.kind == FieldKind::Text)
            out.append(" WIDTH=\"").append(QByteArray::number(c.width)).append('"');
        out.append("/>");
    }
    out.append("</FIELDS><PARAMS");
    if (!store.changeLog().empty()) {
        out.append(" CHANGE_LOG=\"");
        bool firstNumber = true;
        for (const LogEntry& e : store.changeLog()) {
            for (const quint32 v : {e.slot, e.replaced, e.kind}) {
                if (!firstNumber)
                    out.append(' ');
                firstNumber = false;
                out.append(QByteArray::number(v));
            }
        }
        out.append('"');
    }
    // A parameter needs a name that XML takes, and only once: the binary form may repeat one, XML may not.
    QSet<QByteArray> paramNames;
    for (const TableParam& p : store.keptParams()) {
        if (!isPlainName(p.name) || isChangeLogName(p.name) || paramNames.contains(p.name))
            continue;
        paramNames.insert(p.name);
        const qsizetype mark = out.size();
        out.append(' ').append(p.name).append("=\"");
        if (appendParamText(out, p))
            out.append('"');
        else
            out.truncate(mark);
    }
    out.append("/></METADATA><ROWDATA>");

    for (qsizetype s = 0; s < store.slotCount(); ++s) {
        if (!isSlotWritten(store, s))
            continue;
        out.append("<ROW");
        if (const quint8 status = store.status(s))
            out.append(" RowState=\"").append(QByteArray::number(status)).append('"');
        const RowRef row(store, s);
        for (int i = 0; i < store.columnCount(); ++i) {
            if (row.isNull(i))
                continue;
            out.append(' ').append(names[size_t(i)]).append("=\"");
            switch (store.columns()[i].kind) {
            case FieldKind::Integer:
                out.append(QByteArray::number(row.int32(i)));
                break;
            case FieldKind::Date:
                appendDate(out, row.int32(i));
                break;
            case FieldKind::Money:
                appendMoney(out, row.float64(i));
                break;
            case FieldKind::Boolean:
                out.append(RowStore::decode(store.columns()[i], row.data(i)).toBool() ? "TRUE" : "FALSE");
                break;
            case FieldKind::Text:
                appendEscaped(out, row.text(i));
                break;
            }
            out.append('"');
        }
        out.append("/>");
    }
    out.append("</ROWDATA></DATAPACKET>");
    return out;
}

RowStore readXml(const QByteArray& bytes) {
    return XmlPacketReader(bytes).read();
}

} // namespace lesaro::datapacket
