#include "readercatalogue/rules/ReaderCatalogue.h"

#include "core/EngineError.h"
#include "readercatalogue/rules/CatalogueContent.h"
#include "readercatalogue/rules/CatalogueFolder.h"
#include "readercatalogue/rules/CataloguePage.h"

namespace lesaro {

ReaderCatalogueResult exportReaderCatalogue(Table& books, Table& loans, const CatalogueChoice& choice,
                                            const QString& target, QDate today,
                                            const std::function<void(int, int)>& progress) {
    constexpr int kTotal = 1000;
    constexpr int kReading = 600; // reading the tables takes about as long as making and writing the files
    // Told before anything is read: a foreign folder is refused at once, not after the work.
    const QString refused = CatalogueFolder::refusal(target);
    if (!refused.isEmpty())
        throw EngineError(refused);
    const CatalogueContent content = CatalogueContent::collect(books, loans, choice, today, [&](int done, int total) {
        if (progress && total > 0)
            progress(int(qint64(done) * kReading / total), kTotal);
    });
    const QList<CatalogueFile> files = CataloguePage::files(content);
    if (progress)
        progress(kReading + 100, kTotal);
    CatalogueFolder::write(target, files, [&](qint64 written, qint64 total) {
        if (progress && total > 0)
            progress(kReading + 100 + int(written * (kTotal - kReading - 100) / total), kTotal);
    });
    return {int(content.books.size()), content.lentCount()};
}

} // namespace lesaro
