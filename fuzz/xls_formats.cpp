// Feeds arbitrary bytes to the reader of .xls number formats and to the soundness check that guards FreeXL,
// and checks what every input must give: no stream longer than the file it came from, no more sheets than
// bytes, no formula result longer than the file, and each cell it knows shown through its own format when
// asked with its own value, bare when asked with another.
#include "exchange/sources/CellText.h"
#include "exchange/sources/CompoundFile.h"
#include "exchange/sources/XlsCellFormats.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace lesaro::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<CompoundFile> compound = CompoundFile::open(bytes)) {
        for (const QString& name : compound->streamNames()) {
            const std::optional<QByteArray> stream = compound->stream(name);
            if (stream && stream->size() > bytes.size())
                std::abort();
        }
    }
    // The check that guards FreeXL must itself stand any input, and a sound file is a readable container.
    if (XlsCellFormats::isSound(bytes) && !CompoundFile::open(bytes))
        std::abort();
    const std::optional<XlsCellFormats> formats = XlsCellFormats::read(bytes);
    if (!formats)
        return 0;
    const QStringList names = formats->sheetNames();
    if (names.size() > bytes.size())
        std::abort();
    for (int sheet = 0; sheet < names.size() && sheet < 8; ++sheet) {
        if (formats->sheetIndex(names[sheet]) > sheet)
            std::abort();
        for (int row = 0; row < 8; ++row) {
            for (int column = 0; column < 8; ++column) {
                const std::optional<QString> formula = formats->formulaText(sheet, row, column);
                if (formula && formula->size() > bytes.size())
                    std::abort();
                const std::optional<XlsCellFormats::Cell> cell = formats->cell(sheet, row, column);
                if (!cell || !std::isfinite(cell->value))
                    continue;
                if (formats->numberText(sheet, row, column, cell->value) !=
                    cell->format.text(cell->value, formats->date1904()))
                    std::abort();
                const double other = std::nextafter(cell->value, HUGE_VAL);
                if (other != cell->value && formats->numberText(sheet, row, column, other) != CellText::number(other))
                    std::abort();
            }
        }
    }
    return 0;
}
