#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace lesaro {

struct CatalogueContent;

struct CatalogueFile {
    QString name;
    QByteArray bytes;
};

// The files of a reader catalogue: "index.html" with the date of the export, its style sheet and script, and
// the books as a script file ("katalog-daten.js"), which a browser reads from a local folder too (a page
// opened from file:// may not fetch a data file). No file refers to anything outside the folder.
class CataloguePage {
public:
    CataloguePage() = delete;

    static QList<CatalogueFile> files(const CatalogueContent& content);

    static QByteArray indexHtml(const CatalogueContent& content);
    // window.LESARO_KATALOG = {...}: every text a string literal escaped by CatalogueText::jsString.
    static QByteArray dataScript(const CatalogueContent& content);

    // The mark an index.html of ours carries: a folder with it may be replaced by a new catalogue.
    static QByteArray generatorMark();
};

} // namespace lesaro
