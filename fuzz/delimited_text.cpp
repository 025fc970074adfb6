// Feeds arbitrary bytes to the import's reader of delimited text with each of its three separators, and
// checks what every input must give: one record per line that is not empty, and in each record one piece more
// than the line has separators, the pieces together being the line itself. Read as UTF-8 it splits alike.
#include "core/Win1252.h"
#include "exchange/sources/DelimitedText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const char separator : {';', ',', '\t'}) {
        const lesaro::exchange::SourceRecords records = lesaro::exchange::DelimitedText::parse(bytes, separator);
        // Rebuild the lines from the pieces and compare them with the input's lines.
        QList<QByteArray> lines;
        QByteArray line;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c == '\r' || c == '\n') {
                if (!line.isEmpty())
                    lines.append(line);
                line.clear();
                if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                    ++i;
            } else {
                line.append(c);
            }
        }
        if (!line.isEmpty())
            lines.append(line);
        if (records.size() != lines.size())
            std::abort();
        for (qsizetype r = 0; r < records.size(); ++r) {
            if (records[r].size() != lines[r].count(separator) + 1)
                std::abort();
            const QString joined = records[r].join(QLatin1Char(separator));
            if (joined != lesaro::win1252::decode(lines[r]))
                std::abort();
        }
        const lesaro::exchange::SourceRecords utf8 =
            lesaro::exchange::DelimitedText::parse(bytes, separator, lesaro::exchange::TextEncoding::Utf8);
        // Only the byte-order mark at the start may make a line of its own vanish.
        if (utf8.size() != records.size() && !(bytes.startsWith("\xEF\xBB\xBF") && utf8.size() + 1 == records.size()))
            std::abort();
    }
    return 0;
}
