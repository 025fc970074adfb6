// A catalogue service's answer is outside input: the SRU and MARC 21 reader must take any bytes without
// crashing or hanging, never hand over records together with an error, and give only composed texts without
// control characters to the book's fields.
#include "catalogue/rules/SruResponse.h"

#include <cstdint>
#include <cstdlib>

using namespace lesaro;

namespace {

void requireClean(const QString& text) {
    if (text != text.normalized(QString::NormalizationForm_C))
        std::abort();
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const SruAnswer answer = SruResponse::parse(bytes, QStringLiteral("9783161484100"));
    if (!answer.ok() && !answer.records.isEmpty())
        std::abort();
    for (const TitleData& t : answer.records) {
        for (const QString& s : {t.verfasser(), t.title, t.publisher, t.place, t.year, t.edition, t.isbn})
            requireClean(s);
        for (const QString& s : t.subjects)
            requireClean(s);
    }
    return 0;
}
