#include "exchange/sources/DelimitedText.h"

#include "core/AtomicFile.h"
#include "core/EngineError.h"
#include "core/Win1252.h"

namespace lesaro::exchange {

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

bool startsWithBom(const QByteArray& bytes) {
    return bytes.startsWith(QByteArrayView(kUtf8Bom, 3));
}

// Well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool validUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        int follow = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            follow = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + follow >= n)
            return false;
        if (p[i + 1] < low || p[i + 1] > high)
            return false;
        for (int k = 2; k <= follow; ++k)
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return false;
        i += follow + 1;
    }
    return true;
}

} // namespace

TextEncoding DelimitedText::encodingOf(const QByteArray& bytes) {
    if (startsWithBom(bytes))
        return TextEncoding::Utf8;
    bool ascii = true;
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return TextEncoding::Windows1252;
    return validUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

SourceRecords DelimitedText::parse(const QByteArray& bytes, char separator, TextEncoding encoding) {
    SourceRecords records;
    CellBudget budget;
    const bool utf8 = encoding == TextEncoding::Utf8;
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    // The mark says how the file is written; it is no part of the first field.
    qsizetype pos = utf8 && startsWithBom(bytes) ? 3 : 0;
    while (pos < size) {
        QStringList pieces;
        qsizetype start = pos;
        qsizetype end = pos;
        for (;; ++end) {
            const bool lineEnd = end == size || data[end] == '\n' || data[end] == '\r';
            if (lineEnd || data[end] == separator) {
                pieces.append(utf8 ? QString::fromUtf8(data + start, end - start)
                                   : win1252::decode(data + start, end - start));
                start = end + 1;
            }
            if (lineEnd)
                break;
        }
        if (end > pos) {
            budget.take(pieces.size());
            records.append(std::move(pieces));
        }
        pos = end + 1;
        if (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n')
            ++pos;
    }
    return records;
}

QByteArray DelimitedText::readBytes(const QString& path) {
    try {
        return readWholeFile(path, kMaxFileSize);
    } catch (const EngineError&) {
        throw EngineError(unreadableMessage(SourceKind::Text));
    }
}

SourceRecords DelimitedText::readFile(const QString& path, char separator) {
    const QByteArray bytes = readBytes(path);
    return parse(bytes, separator, encodingOf(bytes));
}

} // namespace lesaro::exchange
