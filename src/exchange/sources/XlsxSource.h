#pragma once

#include "exchange/sources/ImportSource.h"
#include "exchange/sources/NumberFormat.h"

#include <vector>

namespace lesaro::exchange {

// An Excel 2007 workbook (.xlsx): the zip container through QuaZip, the sheets' XML read here. Each sheet a
// table, each line a record, cells as text the way the .xls reader gives them; a number format of zeros
// only (a postcode kept as "01067") pads the digits as Excel shows them. A line ends with its last cell that
// holds something.
// The calls throw EngineError when the file cannot be read, SourceRefused past the cell budget.
class XlsxSource {
public:
    XlsxSource() = delete;
    static QStringList tableNames(const QString& path);
    static SourceRecords read(const QString& path, const QString& table);

    // The two parts of a workbook that carry its data, each from the bytes of its entry.
    static QStringList parseSharedStrings(const QByteArray& xml);
    static SourceRecords parseSheet(const QByteArray& xml, const QStringList& strings,
                                    const std::vector<NumberFormat>& formats = {}, bool date1904 = false);
};

} // namespace lesaro::exchange
