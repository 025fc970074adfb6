#include "settings/RegFileReader.h"

#include "settings/RegFileFormat.h"
#include "settings/RegistryKey.h"
#include "settings/RegistryName.h"

#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>

namespace lesaro {

namespace {

QString decodeUtf16(QByteArrayView bytes, bool bigEndian) {
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    QChar* out = text.data();
    const auto* in = reinterpret_cast<const uchar*>(bytes.data());
    // Unit by unit, so that even an unpaired surrogate in a name comes back as it was written.
    for (qsizetype i = 0; i < units; ++i)
        out[i] = QChar(bigEndian ? qFromBigEndian<quint16>(in + 2 * i) : qFromLittleEndian<quint16>(in + 2 * i));
    return text;
}

QString decodeWindows1252(QByteArrayView bytes) {
    // 0x80..0x9F differ from Latin-1; the five undefined bytes map to the C1 controls, as Windows does.
    static constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return text;
}

QString decode(QByteArrayView bytes, bool* exact) {
    *exact = false;
    const auto byte = [&](qsizetype i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0x100; };
    if (byte(0) == 0xFF && byte(1) == 0xFE) {
        *exact = bytes.size() % 2 == 0; // an odd byte out means the file was cut
        return decodeUtf16(bytes.sliced(2), false);
    }
    if (byte(0) == 0xFE && byte(1) == 0xFF)
        return decodeUtf16(bytes.sliced(2), true);
    if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
        bytes = bytes.sliced(3);
    else if (byte(0) != 0 && byte(1) == 0)
        return decodeUtf16(bytes, false);
    else if (byte(0) == 0 && byte(1) != 0 && byte(1) != 0x100)
        return decodeUtf16(bytes, true);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    return utf8.hasError() ? decodeWindows1252(bytes) : text;
}

class LineReader {
public:
    explicit LineReader(QStringView text)
        : m_text(text) {}
    bool next(QStringView* line) {
        if (m_pos >= m_text.size())
            return false;
        qsizetype end = m_text.indexOf(u'\n', m_pos);
        if (end < 0)
            end = m_text.size();
        *line = m_text.sliced(m_pos, end - m_pos).trimmed();
        m_pos = end + 1;
        ++m_number;
        return true;
    }
    int number() const { return m_number; }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
    int m_number = 0;
};

bool isHeader(QStringView line) {
    return line == RegFileFormat::kHeader || line == RegFileFormat::kHeaderAnsi;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

bool parseHexNumber(QStringView digits, int maxDigits, quint32* number) {
    if (digits.isEmpty() || digits.size() > maxDigits)
        return false;
    quint32 n = 0;
    for (QChar c : digits) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        n = n * 16 + quint32(d);
    }
    *number = n;
    return true;
}

// A quoted text starting at text[*pos]; \\ and \" are the only escapes the registry editor writes.
bool parseQuoted(QStringView text, qsizetype* pos, QString* out) {
    qsizetype i = *pos;
    if (i >= text.size() || text[i] != u'"')
        return false;
    out->clear();
    for (++i; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"') {
            *pos = i + 1;
            return true;
        }
        if (c == u'\\') {
            if (i + 1 >= text.size() || (text[i + 1] != u'\\' && text[i + 1] != u'"'))
                return false;
            ++i;
        }
        out->append(text[i]);
    }
    return false;
}

bool parseHexBytes(QStringView list, QByteArray* bytes) {
    bytes->clear();
    if (list.trimmed().isEmpty())
        return true;
    for (QStringView token : list.tokenize(u',')) {
        token = token.trimmed();
        quint32 b = 0;
        if (token.size() != 2 || !parseHexNumber(token, 2, &b))
            return false;
        bytes->append(char(b));
    }
    return true;
}

struct ValueLine {
    QString name;
    bool remove = false;
    quint32 type = RegType::String;
    QByteArray data;
};

bool parseData(QStringView data, ValueLine* v) {
    if (data == u"-") {
        v->remove = true;
        return true;
    }
    if (data.startsWith(u'"')) {
        qsizetype pos = 0;
        QString text;
        if (!parseQuoted(data, &pos, &text) || pos != data.size())
            return false;
        v->type = RegType::String;
        v->data = RegistryValue::stringData(text);
        return true;
    }
    if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
        // Exactly eight digits, as exported: a line cut inside the number must not read as a smaller one.
        quint32 number = 0;
        if (data.size() != 14 || !parseHexNumber(data.sliced(6), 8, &number))
            return false;
        v->type = RegType::Dword;
        v->data = RegistryValue::dwordData(number);
        return true;
    }
    if (!data.startsWith(u"hex", Qt::CaseInsensitive))
        return false;
    QStringView rest = data.sliced(3);
    v->type = RegType::Binary;
    if (rest.startsWith(u'(')) {
        const qsizetype close = rest.indexOf(u')');
        if (close < 0 || !parseHexNumber(rest.sliced(1, close - 1), 8, &v->type))
            return false;
        rest = rest.sliced(close + 1);
    }
    if (!rest.startsWith(u':'))
        return false;
    return parseHexBytes(rest.sliced(1), &v->data);
}

// A value line; hex data may go on over further lines, each but the last ending in "\".
bool parseValueLine(QStringView line, LineReader& lines, ValueLine* v) {
    qsizetype pos = 0;
    if (line.startsWith(u'@')) {
        v->name.clear();
        pos = 1;
    } else if (!parseQuoted(line, &pos, &v->name)) {
        return false;
    }
    while (pos < line.size() && line[pos].isSpace())
        ++pos;
    if (pos >= line.size() || line[pos] != u'=')
        return false;
    QStringView data = line.sliced(pos + 1).trimmed();
    if (!data.startsWith(u"hex", Qt::CaseInsensitive) || !data.endsWith(u'\\'))
        return parseData(data, v);

    QString joined = data.chopped(1).toString();
    QStringView more;
    for (;;) {
        if (!lines.next(&more))
            return false;
        if (!more.endsWith(u'\\')) {
            joined.append(more);
            break;
        }
        joined.append(more.chopped(1));
    }
    return parseData(joined, v);
}

struct SectionLine {
    bool remove = false;
    QList<QStringView> path;
};

bool parseSection(QStringView line, SectionLine* s) {
    if (!line.startsWith(u'[') || !line.endsWith(u']') || line.size() < 3)
        return false;
    QStringView inner = line.sliced(1, line.size() - 2);
    s->remove = inner.startsWith(u'-');
    if (s->remove)
        inner = inner.sliced(1);
    s->path.clear();
    for (QStringView part : inner.tokenize(u'\\')) {
        if (part.isEmpty() || s->path.size() >= RegFileFormat::kMaxDepth)
            return false;
        s->path.append(part);
    }
    return !s->path.isEmpty();
}

} // namespace

RegFileReader::RegFileReader(QByteArrayView bytes) {
    m_text = decode(bytes, &m_exactEncoding);
    LineReader lines(m_text);
    QStringView line;
    while (lines.next(&line)) {
        if (!line.isEmpty()) {
            m_headerFound = isHeader(line);
            break;
        }
    }
}

RegReadResult RegFileReader::mergeInto(RegistryKey& root, const QStringList& keptPath) const {
    RegReadResult result;
    result.exactEncoding = m_exactEncoding;
    result.headerFound = m_headerFound;
    QStringList keptFolded;
    for (const QString& part : keptPath)
        keptFolded.append(RegistryName::fold(part));

    const auto bad = [&result](int lineNumber) {
        if (result.badLines++ == 0)
            result.firstBadLine = lineNumber;
    };

    LineReader lines(m_text);
    QStringView line;
    bool headerSeen = !m_headerFound;
    bool inSection = false;
    RegistryKey* key = nullptr; // where the values of the current section go; null when they are not ours
    SectionLine section;
    while (lines.next(&line)) {
        const int lineNumber = lines.number();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (!headerSeen) {
            headerSeen = true;
            continue;
        }
        if (line.startsWith(u'[')) {
            inSection = true;
            key = nullptr;
            if (!parseSection(line, &section)) {
                bad(lineNumber);
                continue;
            }
            const qsizetype common = std::min(section.path.size(), keptFolded.size());
            bool related = true;
            for (qsizetype i = 0; i < common && related; ++i)
                related = RegistryName::fold(section.path[i]) == keptFolded[i];
            const bool atOrBelow = related && section.path.size() >= keptFolded.size();
            if (atOrBelow)
                ++result.appliedSections;
            else
                ++result.ignoredSections;
            if (!related)
                continue;
            if (section.remove) {
                RegistryKey* parent = &root;
                for (qsizetype i = 0; parent && i + 1 < section.path.size(); ++i)
                    parent = parent->subKey(section.path[i]);
                if (parent && parent->removeSubKey(section.path.last()))
                    result.changed = true;
                continue;
            }
            if (!atOrBelow)
                continue;
            key = &root;
            for (QStringView part : section.path) {
                bool created = false;
                key = &key->createSubKey(part.toString(), &created);
                result.changed = result.changed || created;
            }
            continue;
        }
        ValueLine value;
        if (!parseValueLine(line, lines, &value) || !inSection) {
            bad(lineNumber);
            continue;
        }
        if (!key)
            continue;
        const bool changed =
            value.remove ? key->removeValue(value.name) : key->setValue(value.name, value.type, value.data);
        result.changed = result.changed || changed;
    }
    return result;
}

} // namespace lesaro
