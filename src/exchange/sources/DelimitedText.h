#pragma once

#include "exchange/sources/ImportSource.h"

#include <QByteArray>

namespace lesaro::exchange {

// The import's reader of delimited text, as the librarian's old files were written: Windows-1252 (or UTF-8,
// as newer programs write), one record per line (CR LF, LF or a lone CR ends a line), fields split at every
// separator character. Quotes mean nothing here: they stay in the values, and a separator inside them splits
// all the same, which is what the wizard has always done. No piece is trimmed; a line with n separators gives
// n + 1 pieces. An empty line is no record: it would become an empty book.
class DelimitedText {
public:
    DelimitedText() = delete;

    // Throws SourceRefused when the pieces pass the cell budget.
    static SourceRecords parse(const QByteArray& bytes, char separator,
                               TextEncoding encoding = TextEncoding::Windows1252);
    // Throws EngineError "Quelldatei konnte nicht gefunden werden" when the file cannot be read.
    static QByteArray readBytes(const QString& path);
    static SourceRecords readFile(const QString& path, char separator);

    // UTF-8 when the bytes begin with its byte-order mark, or are valid UTF-8 and not plain ASCII: Windows-1252
    // text with umlauts is almost never valid UTF-8, so the guess does not mistake an old file.
    static TextEncoding encodingOf(const QByteArray& bytes);

    // A text file larger than this is refused rather than read into memory whole.
    static constexpr qint64 kMaxFileSize = qint64(512) * 1024 * 1024;
};

} // namespace lesaro::exchange
