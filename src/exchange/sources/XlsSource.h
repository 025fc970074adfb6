#pragma once

#include "exchange/sources/ImportSource.h"

namespace lesaro::exchange {

// An Excel 97-2003 workbook read through FreeXL: each sheet a table, each line of the sheet a record (the first
// line too), each cell as text: whole numbers without a decimal part, others with a decimal comma, dates as
// dd.MM.yyyy.
// Both calls throw EngineError when the file cannot be read.
class XlsSource {
public:
    XlsSource() = delete;
    static QStringList tableNames(const QString& path);
    static SourceRecords read(const QString& path, const QString& table);
};

} // namespace lesaro::exchange
