// Feeds arbitrary bytes to the .xlsx reader as the shared strings' XML, and checks what every input must give:
// no more strings than "<si/>" elements fit in it.
#include "core/EngineError.h"
#include "exchange/sources/XlsxSource.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace lesaro::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList strings;
    try {
        strings = XlsxSource::parseSharedStrings(bytes);
    } catch (const lesaro::EngineError&) {
        return 0;
    }
    if (strings.size() * 5 > bytes.size())
        std::abort();
    return 0;
}
