#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace lesaro::exchange {

// How a source is read, decided by the file name's extension alone. Case does not matter: a file copied
// from an old FAT disk as "BUCH.MDB" is still an Access database.
enum class SourceKind { Access, Excel, Text };
SourceKind sourceKindOf(const QString& path);

// The separator of a delimited text source, as the wizard's three radio buttons choose it.
enum class Separator { Tab, Semicolon, Comma };
char separatorChar(Separator separator);

// The German message the wizard shows when a source of this kind cannot be read.
QString unreadableMessage(SourceKind kind);

// One source record per entry, each holding its field texts in field order. Records of a text source may
// hold different numbers of fields; a database table or sheet gives every record the same number.
using SourceRecords = QList<QStringList>;

// The data-access layer between the import wizard and the files it reads. Both calls throw EngineError with
// unreadableMessage() of the path's kind when the file cannot be opened or read.
class ImportSource {
public:
    ImportSource() = delete;

    // The tables of an Access database (system tables included) or the sheets of a workbook, in the file's
    // order; nothing for a text source.
    static QStringList tableNames(const QString& path);

    // The records of the named table or sheet (the first one when table is empty), or of the text file split
    // at the separator.
    static SourceRecords read(const QString& path, const QString& table = {},
                              Separator separator = Separator::Semicolon);
};

} // namespace lesaro::exchange
