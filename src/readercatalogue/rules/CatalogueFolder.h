#pragma once

#include "readercatalogue/rules/CataloguePage.h"

#include <QList>
#include <QString>
#include <functional>

namespace lesaro {

// Puts a reader catalogue into its folder as one step: the files go into a new folder beside the target,
// which takes the old folder's place only when every file is written whole; the old catalogue is removed
// after that. A failure at any point leaves the old catalogue as it was and nothing new behind.
//
// A folder is replaced only when it does not exist yet, is empty, or holds an earlier catalogue of ours: the
// librarian's other files on a stick or a share never go with it.
class CatalogueFolder {
public:
    CatalogueFolder() = delete;

    // True when folder's index.html carries the catalogue's mark.
    static bool isCatalogue(const QString& folder);
    // Empty when the folder may become the catalogue; else the German reason why not.
    static QString refusal(const QString& folder);

    // Throws EngineError with a German message naming the folder and the reason. progress(written, total)
    // counts bytes.
    static void write(const QString& target, const QList<CatalogueFile>& files,
                      const std::function<void(qint64 written, qint64 total)>& progress = {});
};

} // namespace lesaro
