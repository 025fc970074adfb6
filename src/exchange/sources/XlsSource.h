#pragma once

#include "exchange/sources/ImportSource.h"

namespace lesaro::exchange {

// An Excel 97-2003 workbook read through FreeXL: each sheet a table, each line of the sheet a record (the first
// line too), each cell as text: whole numbers without a decimal part, others with a decimal comma, dates as
// dd.MM.yyyy, and numbers through their number format as the .xlsx reader shows them (XlsCellFormats).
// Both calls throw EngineError when the file cannot be read.
class XlsSource {
public:
    XlsSource() = delete;
    static QStringList tableNames(const QString& path);
    // withFormats false gives FreeXL's bare values, the texts before the number formats are applied.
    static SourceRecords read(const QString& path, const QString& table, bool withFormats = true);
};

} // namespace lesaro::exchange
