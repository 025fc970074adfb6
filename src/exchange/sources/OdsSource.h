#pragma once

#include "exchange/sources/ImportSource.h"

namespace lesaro::exchange {

// A LibreOffice spreadsheet (.ods): the zip container through QuaZip, content.xml read here. Each sheet a
// table, each line a record, cells as text the way the .xls reader gives them.
// Both calls throw EngineError when the file cannot be read.
class OdsSource {
public:
    OdsSource() = delete;
    static QStringList tableNames(const QString& path);
    static SourceRecords read(const QString& path, const QString& table);
};

} // namespace lesaro::exchange
