#pragma once

#include "core/EngineError.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace lesaro::exchange {

// How a source is read, decided by the file name's extension alone. Case does not matter: a file copied
// from an old FAT disk as "BUCH.MDB" is still an Access database.
enum class SourceKind { Access, Excel, Text };
SourceKind sourceKindOf(const QString& path);

// The separator of a delimited text source, as the wizard's three radio buttons choose it.
enum class Separator { Tab, Semicolon, Comma };
char separatorChar(Separator separator);

// How a delimited text file is decoded: the single-byte code page the old files were written in, or UTF-8 as
// newer programs write.
enum class TextEncoding { Windows1252, Utf8 };

// The German message the wizard shows when a source of this kind cannot be found.
QString unreadableMessage(SourceKind kind);
// The message for a file that is there but is no source of its kind or is damaged; it names the file.
QString damagedMessage(SourceKind kind, const QString& path);

// One source record per entry, each holding its field texts in field order. Records may hold different
// numbers of fields: a sheet's line ends with its last cell that holds something, and a field beyond the end
// of a record is empty.
using SourceRecords = QList<QStringList>;

// A source holding more field values than this is no library list but a damaged or hostile file; reading it
// whole would fill the memory, so it is refused. A large library's list holds a few million.
constexpr qint64 kMaxSourceCells = 10'000'000;

// A refusal whose message is the one to show as it is (a source too large to read, a damaged database),
// passed on unchanged where other failures of a reader become the message of the source's kind.
class SourceRefused : public EngineError {
public:
    using EngineError::EngineError;
};

// Counts the field values a reader holds and refuses the source once they pass kMaxSourceCells.
class CellBudget {
public:
    void take(qint64 cells);

private:
    qint64 m_used = 0;
};
QString tooLargeMessage();

// The data-access layer between the import wizard and the files it reads. Both calls throw EngineError with
// unreadableMessage() of the path's kind when the file is not there, damagedMessage() when it cannot be read,
// or a SourceRefused with its own message (a source too large). A failed allocation while reading never
// leaves here as anything but an EngineError.
class ImportSource {
public:
    ImportSource() = delete;

    // The tables of an Access database (system tables included) or the sheets of a workbook, in the file's
    // order; nothing for a text source.
    static QStringList tableNames(const QString& path);

    // The records of the named table or sheet (the first one when table is empty), or of the text file split
    // at the separator and decoded as told (as textEncodingOf() finds when not told).
    static SourceRecords read(const QString& path, const QString& table = {},
                              Separator separator = Separator::Semicolon,
                              std::optional<TextEncoding> encoding = std::nullopt);

    // How a text source is decoded unless the user says otherwise: UTF-8 when the file begins with its
    // byte-order mark, or is valid UTF-8 and not plain ASCII; else Windows-1252.
    static TextEncoding textEncodingOf(const QString& path);
};

} // namespace lesaro::exchange
