#include "LendingBenchmarks.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "core/Table.h"
#include "lending/rules/LoanDesk.h"
#include "lending/rules/LoanFilters.h"
#include "library/LibraryData.h"
#include "library/RecordRules.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace lesaro::bench {

namespace {

// The rows a list of the booking window shows on its first screen.
constexpr int kFirstScreenRows = 20;

struct Desk {
    QTemporaryDir settingsDir; // the loan identifiers' counter must not reach the user's settings
    LibraryData data;
    RecordRules rules{data};
    LoanDesk desk{data};

    Desk() {
        SettingsStore::redirectInstance(settingsDir.filePath(QStringLiteral("Lesaro.reg")));
        const QStringList files = tenYearLibraryFiles();
        data.ClientBuecher.LoadFromFile(files[0]);
        data.ClientLeser.LoadFromFile(files[1]);
        data.ClientAusleihe.LoadFromFile(files[2]);
        data.ClientBuecher.setFileWritesBlocked(true);
        data.ClientLeser.setFileWritesBlocked(true);
        data.ClientAusleihe.setFileWritesBlocked(true);
    }
};

Desk& desk() {
    static Desk d;
    return d;
}

// Reads what the list paints: the first screen of Nummer, Verfasser and Titel.
qsizetype paintFirstScreen(const Table& books, const int fields[3]) {
    qsizetype chars = 0;
    const int rows = std::min(kFirstScreenRows, books.viewCount());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 3; ++c)
            chars += books.displayTextAt(r, fields[c]).size();
    }
    return chars;
}

void keystrokeNarrow(benchmark::State& state) {
    guarded(state, "keystroke-narrow", [&] {
        Table& books = desk().data.ClientBuecher;
        const int fields[3] = {books.fieldIndex(QStringLiteral("Nummer")),
                               books.fieldIndex(QStringLiteral("Verfasser")),
                               books.fieldIndex(QStringLiteral("Titel"))};
        books.setFilter(LoanFilters::lentFilter(false));
        books.setFiltered(true);
        // The librarian types "Mü" and takes the "ü" back again: each step is one keystroke's filter.
        const QString texts[2] = {QStringLiteral("M"), QStringLiteral("Mü")};
        int i = 0;
        for (auto _ : state) {
            LoanFilters::applyNarrowing(books,
                                        LoanFilters::bookFilter(false, QStringLiteral("Verfasser"), texts[i++ & 1]));
            benchmark::DoNotOptimize(paintFirstScreen(books, fields));
        }
        books.setFiltered(false);
    });
}

void bookAndReturn(benchmark::State& state) {
    guarded(state, "book-and-return", [&] {
        LibraryData& data = desk().data;
        Table& books = data.ClientBuecher;
        Table& readers = data.ClientLeser;
        const QDate day(2024, 1, 31);
        int step = 0;
        for (auto _ : state) {
            // Opening the windows sets their book filters; only the booking and the return are timed.
            state.PauseTiming();
            readers.MoveTo(step++ % std::max(1, readers.RecordCount()));
            books.setFilter(LoanFilters::lentFilter(false));
            books.setFiltered(true);
            const QVariant id = books.FieldByName(QStringLiteral("ID")).AsVariant();
            state.ResumeTiming();
            if (desk().desk.bookLoan(day, day.addDays(30)) != LoanDesk::Booking::Booked)
                throw std::runtime_error("booking refused");
            state.PauseTiming();
            books.setFilter(LoanFilters::lentFilter(true));
            if (!books.Locate(QStringLiteral("ID"), {id}))
                throw std::runtime_error("lent book not listed");
            state.ResumeTiming();
            if (desk().desk.bookReturn(day.addDays(3)) != LoanDesk::Return::Returned)
                throw std::runtime_error("return refused");
        }
        books.setFiltered(false);
    });
}

} // namespace

void registerLendingBenchmarks() {
    benchmark::RegisterBenchmark("keystroke-narrow/lesaro", keystrokeNarrow)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("book-and-return/lesaro", bookAndReturn)->Unit(benchmark::kMillisecond);
}

} // namespace lesaro::bench
