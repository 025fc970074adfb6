#include "SearchWindowBenchmark.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "core/Table.h"
#include "search/rules/BookSearch.h"
#include "settings/FieldCaptions.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace lesaro::bench {

namespace {

// What a librarian types, as typed (blanks included), into which field box entry, with "exakt" or "Teil".
// The number search takes the slowest path: the shown numbers of every book are read for it.
struct TypedSearch {
    const char* choice;
    const char* typed;
    bool exact;
};
const TypedSearch kSearches[] = {
    {"Schlagwort", " Rom ", false}, {"Schlagwort", "märchen", true},
    {"Verfasser", "Müller*", true}, {"Titel", "geschichte ", false},
    {"Jahr", "1998", true},         {"Nr.", "123", false},
    {"Preis", "9,9", false},        {"Schlagwort", "quantenphysik", false},
};

// Rows of the list visible at once in the window's 410 pixels.
constexpr int kVisibleRows = 25;

struct SearchLibrary {
    QTemporaryDir settingsDir;
    Table books{QStringLiteral("ClientBuecher")};
};

SearchLibrary& searchLibrary() {
    static std::unique_ptr<SearchLibrary> lib;
    if (!lib) {
        lib = std::make_unique<SearchLibrary>();
        // The captions come from a settings file of the run's own, with a first start's defaults.
        SettingsStore::redirectInstance(lib->settingsDir.filePath(QStringLiteral("Lesaro.reg")));
        FieldCaptions::ApplyFieldCaptions();
        lib->books.LoadFromFile(tenYearLibraryFiles().at(0));
        lib->books.setFileWritesBlocked(true);
    }
    return *lib;
}

void searchWindow(benchmark::State& state) {
    guarded(state, "search-window/lesaro", [&] {
        SearchLibrary& lib = searchLibrary();
        Table& books = lib.books;
        books.setFiltered(false);
        books.setIndexFieldNames(QStringLiteral("Nummer"));
        const int columns = books.fieldCount();
        size_t next = 0;
        qint64 shown = 0;
        for (auto _ : state) {
            const TypedSearch& s = kSearches[next];
            next = (next + 1) % std::size(kSearches);
            const QString text = QString::fromUtf8(s.typed).trimmed();
            const int hits = BookSearch::run(books, QString::fromUtf8(s.choice), text, s.exact);
            for (int row = 0; row < hits && row < kVisibleRows; ++row) {
                for (int c = 0; c < columns; ++c)
                    shown += books.displayTextAt(row, c).size();
            }
            benchmark::DoNotOptimize(shown);
        }
        books.setFiltered(false);
        if (shown == 0)
            throw std::runtime_error("no search found anything to show");
    });
}

} // namespace

void registerSearchWindowBenchmarks() {
    benchmark::RegisterBenchmark("search-window/lesaro", searchWindow)->UseRealTime()->Unit(benchmark::kMillisecond);
}

} // namespace lesaro::bench
