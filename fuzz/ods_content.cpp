// Feeds arbitrary bytes to the .ods reader as content.xml: first for the sheet names, then for the first
// sheet's records. Checks what every input must give: no more lines than a sheet can have, no line ending in
// an empty cell, and never more cells than the budget allows, however a line or a cell is repeated.
#include "core/EngineError.h"
#include "exchange/sources/OdsSource.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace lesaro::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList names;
    try {
        OdsSource::parseContent(bytes, {}, &names);
    } catch (const lesaro::EngineError&) {
        return 0;
    }
    if (names.isEmpty())
        return 0;
    SourceRecords records;
    try {
        records = OdsSource::parseContent(bytes, names.first(), nullptr);
    } catch (const lesaro::EngineError&) {
        return 0; // past the sheet's bounds or the cell budget
    }
    if (records.size() > 1048576)
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
