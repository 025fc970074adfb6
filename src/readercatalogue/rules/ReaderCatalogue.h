#pragma once

#include "readercatalogue/rules/CatalogueChoice.h"

#include <QDate>
#include <QString>
#include <functional>

namespace lesaro {

class Table;

struct ReaderCatalogueResult {
    int books = 0;
    int lent = 0;
};

// "Katalog für Leser exportieren": reads the books and their open loans, makes the page's files and puts
// them into the target folder as one step (CatalogueFolder). progress(done, total) runs from 0 to 1000.
// Throws EngineError with the German message; the old catalogue then stays whole.
ReaderCatalogueResult exportReaderCatalogue(Table& books, Table& loans, const CatalogueChoice& choice,
                                            const QString& target, QDate today,
                                            const std::function<void(int done, int total)>& progress = {});

} // namespace lesaro
