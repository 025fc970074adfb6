// Feeds arbitrary bytes to the zip container of the .xlsx and .ods readers, reads every entry it names, and
// then the workbook parts through the readers that take them. Checks what every input must give: no entry
// larger than the bound. (A name of bytes that are no text may not find its entry again; the readers only
// ask for fixed ASCII names.)
#include "core/EngineError.h"
#include "exchange/sources/OdsSource.h"
#include "exchange/sources/XlsxSource.h"
#include "exchange/sources/ZipPackage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

using namespace lesaro::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::optional<ZipPackage> zip;
    try {
        zip.emplace(bytes);
    } catch (const lesaro::EngineError&) {
        return 0;
    }
    const QStringList names = zip->names();
    for (int i = 0; i < names.size() && i < 16; ++i) {
        try {
            const QByteArray entry = zip->read(names[i]);
            if (entry.size() > ZipPackage::kMaxEntrySize)
                std::abort();
            if (names[i] == QLatin1String("content.xml")) {
                QStringList sheets;
                OdsSource::parseContent(entry, {}, &sheets);
            } else if (names[i] == QLatin1String("xl/sharedStrings.xml")) {
                XlsxSource::parseSharedStrings(entry);
            } else if (names[i].startsWith(QLatin1String("xl/worksheets/"))) {
                XlsxSource::parseSheet(entry, {});
            }
        } catch (const lesaro::EngineError&) {
        }
    }
    return 0;
}
