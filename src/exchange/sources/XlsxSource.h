#pragma once

#include "exchange/sources/ImportSource.h"

namespace lesaro::exchange {

// An Excel 2007 workbook (.xlsx): the zip container through QuaZip, the sheets' XML read here. Each sheet a
// table, each line a record, cells as text the way the .xls reader gives them; a number format of zeros
// only (a postcode kept as "01067") pads the digits as Excel shows them.
// Both calls throw EngineError when the file cannot be read.
class XlsxSource {
public:
    XlsxSource() = delete;
    static QStringList tableNames(const QString& path);
    static SourceRecords read(const QString& path, const QString& table);
};

} // namespace lesaro::exchange
