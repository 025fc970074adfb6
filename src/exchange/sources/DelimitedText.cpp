#include "exchange/sources/DelimitedText.h"

#include "core/AtomicFile.h"
#include "core/EngineError.h"
#include "core/Win1252.h"

namespace lesaro::exchange {

SourceRecords DelimitedText::parse(const QByteArray& bytes, char separator) {
    SourceRecords records;
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype pos = 0;
    while (pos < size) {
        QStringList pieces;
        qsizetype start = pos;
        qsizetype end = pos;
        for (;; ++end) {
            const bool lineEnd = end == size || data[end] == '\n' || data[end] == '\r';
            if (lineEnd || data[end] == separator) {
                pieces.append(win1252::decode(data + start, end - start));
                start = end + 1;
            }
            if (lineEnd)
                break;
        }
        records.append(std::move(pieces));
        pos = end + 1;
        if (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n')
            ++pos;
    }
    return records;
}

SourceRecords DelimitedText::readFile(const QString& path, char separator) {
    QByteArray bytes;
    try {
        bytes = readWholeFile(path, kMaxFileSize);
    } catch (const EngineError&) {
        throw EngineError(unreadableMessage(SourceKind::Text));
    }
    return parse(bytes, separator);
}

} // namespace lesaro::exchange
