#pragma once

#include "exchange/sources/ImportSource.h"

namespace lesaro::exchange {

// A LibreOffice spreadsheet (.ods): the zip container through QuaZip, content.xml read here. Each sheet a
// table, each line a record up to its last cell that holds something, cells as text the way the .xls reader
// gives them.
// The calls throw EngineError when the file cannot be read, SourceRefused past the cell budget.
class OdsSource {
public:
    OdsSource() = delete;
    static QStringList tableNames(const QString& path);
    static SourceRecords read(const QString& path, const QString& table);

    // The records of the sheet named wanted in the bytes of content.xml; with names given, only the names of
    // all sheets, into names.
    static SourceRecords parseContent(const QByteArray& content, const QString& wanted, QStringList* names);
};

} // namespace lesaro::exchange
