// Feeds arbitrary bytes to the .xlsx reader as a sheet's XML, with a few shared strings, and checks what every
// input must give: no more lines than a sheet can have, no line ending in an empty cell (a line is not
// padded to the widest), no empty line at the end, and never more cells than the budget allows.
#include "core/EngineError.h"
#include "exchange/sources/XlsxSource.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace lesaro::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    static const QStringList strings{QStringLiteral("Verfasser"), QString(), QStringLiteral("Größe")};
    SourceRecords records;
    try {
        records = XlsxSource::parseSheet(bytes, strings);
    } catch (const lesaro::EngineError&) {
        return 0;
    }
    if (records.size() > 1048576 || (!records.isEmpty() && records.last().isEmpty()))
        std::abort();
    qint64 cells = 0;
    for (const QStringList& record : records) {
        if (record.size() > 16384 || (!record.isEmpty() && record.last().isEmpty()))
            std::abort();
        cells += record.size();
    }
    if (cells > kMaxSourceCells)
        std::abort();
    return 0;
}
