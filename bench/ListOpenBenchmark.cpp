#include "ListOpenBenchmark.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "ui/DataGrid.h"
#include "ui/DataSource.h"
#include "ui/TableModel.h"

#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace lesaro::bench {

namespace {

const QList<GridColumn> kLoanColumns{{QStringLiteral("BuchNummer"), QStringLiteral("Buch-Nr."), 50},
                                     {QStringLiteral("BuchVerfasser"), QStringLiteral("Verfasser"), 100},
                                     {QStringLiteral("BuchTitel"), QStringLiteral("Titel"), 100},
                                     {QStringLiteral("LeserNummer"), QStringLiteral("Leser-Nr."), 50},
                                     {QStringLiteral("LeserVorname"), QStringLiteral("Vorname"), 100},
                                     {QStringLiteral("LeserNachname"), QStringLiteral("Nachname"), 100},
                                     {QStringLiteral("DatumVon"), QStringLiteral("Datum (Von)"), 0},
                                     {QStringLiteral("DatumBis"), QStringLiteral("Datum (Bis)"), 0},
                                     {QStringLiteral("DatumBisSoll"), QStringLiteral("Soll-Rückgabe"), 0}};

struct LoanLibrary {
    Table books{QStringLiteral("ClientBuecher")};
    Table readers{QStringLiteral("ClientLeser")};
    Table loans{QStringLiteral("ClientAusleihe")};

    LoanLibrary() {
        const QStringList files = tenYearLibraryFiles();
        books.LoadFromFile(files.at(0));
        readers.LoadFromFile(files.at(1));
        LibraryTables::addLoanLookupFields(loans, books, readers);
        loans.LoadFromFile(files.at(2));
        for (Table* t : {&books, &readers, &loans})
            t->setFileWritesBlocked(true);
    }
};

LoanLibrary& loanLibrary() {
    static std::unique_ptr<LoanLibrary> lib;
    if (!lib)
        lib = std::make_unique<LoanLibrary>();
    return *lib;
}

void listOpenLoans(benchmark::State& state) {
    guarded(state, "list-open-loans/lesaro", [&] {
        Table& loans = loanLibrary().loans;
        const int rows = loans.viewCount();
        for (auto _ : state) {
            loans.First();
            DataSource source(loans);
            DataGrid grid;
            grid.resize(800, 500);
            grid.bind(&source, kLoanColumns);
            grid.show();
            grid.grab();
            loans.Last();
            grid.grab();
            grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum() / 2);
            grid.grab();
            source.DisableControls();
            source.EnableControls();
            grid.grab();
            if (grid.model()->rowCount() != rows || grid.currentIndex().row() != rows - 1)
                throw std::runtime_error("the loan list does not show every loan or lost its row");
        }
        state.counters["loans"] = rows;
    });
}

} // namespace

void registerListOpenBenchmarks() {
    // The library is loaded before the clock runs, so that only the list is timed.
    benchmark::RegisterBenchmark("list-open-loans/lesaro",
                                 [](benchmark::State& s) {
                                     loanLibrary();
                                     listOpenLoans(s);
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace lesaro::bench
