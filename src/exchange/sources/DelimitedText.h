#pragma once

#include "exchange/sources/ImportSource.h"

#include <QByteArray>

namespace lesaro::exchange {

// The import's reader of delimited text, as the librarian's old files were written: Windows-1252, one
// record per line (CR LF, LF or a lone CR ends a line), fields split at every separator character. Quotes
// mean nothing here: they stay in the values, and a separator inside them splits all the same, which is
// what the wizard has always done. No piece is trimmed; a line with n separators gives n + 1 pieces.
class DelimitedText {
public:
    DelimitedText() = delete;

    static SourceRecords parse(const QByteArray& bytes, char separator);
    // Throws EngineError "Quelldatei konnte nicht gefunden werden" when the file cannot be read.
    static SourceRecords readFile(const QString& path, char separator);

    // A text file larger than this is refused rather than read into memory whole.
    static constexpr qint64 kMaxFileSize = qint64(512) * 1024 * 1024;
};

} // namespace lesaro::exchange
