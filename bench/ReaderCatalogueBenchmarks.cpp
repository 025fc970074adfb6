#include "ReaderCatalogueBenchmarks.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "core/Clock.h"
#include "core/EngineError.h"
#include "library/LibraryData.h"
#include "readercatalogue/rules/ReaderCatalogue.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace lesaro::bench {

namespace {

struct CatalogueLibrary {
    QTemporaryDir dir;
    LibraryData data;

    CatalogueLibrary() {
        SettingsStore::redirectInstance(dir.filePath(QStringLiteral("Lesaro.reg")));
        const QStringList files = tenYearLibraryFiles();
        data.ClientBuecher.LoadFromFile(files.at(0));
        data.ClientAusleihe.LoadFromFile(files.at(2));
        for (Table* t : {&data.ClientBuecher, &data.ClientAusleihe})
            t->setFileWritesBlocked(true);
    }
};

void opacExport30k(benchmark::State& state) {
    guarded(state, "opac-export-30k", [&] {
        static std::unique_ptr<CatalogueLibrary> lib;
        if (!lib)
            lib = std::make_unique<CatalogueLibrary>();
        const QString target = lib->dir.filePath(QStringLiteral("Leserkatalog"));
        int books = 0;
        for (auto _ : state)
            books = exportReaderCatalogue(lib->data.ClientBuecher, lib->data.ClientAusleihe,
                                          CatalogueChoice::defaults(), target, Clock::today())
                        .books;
        if (books != lib->data.ClientBuecher.viewCount())
            throw EngineError(QStringLiteral("opac-export-30k: %1 Bücher im Katalog").arg(books));
    });
}

} // namespace

void registerReaderCatalogueBenchmarks() {
    benchmark::RegisterBenchmark("opac-export-30k/lesaro", opacExport30k)->Unit(benchmark::kMillisecond);
}

} // namespace lesaro::bench
