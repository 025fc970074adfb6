#include "PrintBenchmarks.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "core/Table.h"
#include "printing/PrinterChoice.h"
#include "printing/TDruckervorschauF.h"
#include "settings/FieldCaptions.h"
#include "settings/SettingsStore.h"
#include "ui/FileDialogService.h"
#include "ui/LibraryHandle.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace lesaro::bench {

namespace {

struct PrintLibrary {
    QTemporaryDir dir;
    std::unique_ptr<LibraryHandle> library;

    PrintLibrary() {
        SettingsStore::redirectInstance(dir.filePath(QStringLiteral("Lesaro.reg")));
        FieldCaptions::ApplyFieldCaptions();
        library = std::make_unique<LibraryHandle>();
        library->ClientBuecher().LoadFromFile(tenYearLibraryFiles().at(0));
        library->ClientBuecher().setFileWritesBlocked(true);
    }
};

PrintLibrary& printLibrary() {
    static std::unique_ptr<PrintLibrary> lib;
    if (!lib)
        lib = std::make_unique<PrintLibrary>();
    return *lib;
}

// Prints the book table as it stands, every column ticked, page numbers on; returns the books printed.
int printBooks(const QString& file) {
    PrintLibrary& lib = printLibrary();
    printing::PrinterChoice::select(printing::PrinterChoice::PdfPrinterName);
    const printing::ListOptions options{QStringLiteral("Bestand"), true, QList<bool>(23, true)};
    TDruckervorschauF window(
        *lib.library, [&] { return options; }, nullptr);
    FileDialogService::setAnswering(true);
    FileDialogService::answerNext(file);
    const bool printed = window.printList();
    FileDialogService::setAnswering(false);
    if (!printed || QFileInfo(file).size() == 0)
        throw std::runtime_error("the book list was not printed");
    return lib.library->ClientBuecher().viewCount();
}

void printBooksPdf(benchmark::State& state, bool tenth, const char* name) {
    guarded(state, name, [&] {
        Table& books = printLibrary().library->ClientBuecher();
        if (tenth) {
            // The tenth of the books with the lowest identifiers.
            books.setFiltered(false);
            books.setIndexFieldNames(QStringLiteral("ID"));
            const int last = books.valueAt(books.viewCount() / 10 - 1, books.fieldIndex(QStringLiteral("ID"))).toInt();
            books.setIndexFieldNames({});
            books.setFilter(QStringLiteral("ID <= %1").arg(last));
            books.setFiltered(true);
        } else {
            books.setFiltered(false);
        }
        const QString file = printLibrary().dir.filePath(QStringLiteral("buecher.pdf"));
        int count = 0;
        QElapsedTimer timer;
        double seconds = 0;
        for (auto _ : state) {
            timer.start();
            count = printBooks(file);
            seconds += timer.nsecsElapsed() / 1e9;
        }
        books.setFiltered(false);
        BenchContext& context = BenchContext::instance();
        context.setValue(std::string(name) + "-books", count);
        context.setValue(std::string(name) + "-seconds", seconds / std::max<qint64>(1, state.iterations()));
        state.counters["books"] = count;
    });
}

} // namespace

void registerPrintBenchmarks() {
    benchmark::RegisterBenchmark("print-books-pdf/lesaro",
                                 [](benchmark::State& s) { printBooksPdf(s, false, "print-books-pdf"); })
        ->UseRealTime()
        ->Unit(benchmark::kSecond)
        ->Iterations(1)
        ->Repetitions(1);
    benchmark::RegisterBenchmark("print-books-pdf-tenth/lesaro",
                                 [](benchmark::State& s) { printBooksPdf(s, true, "print-books-pdf-tenth"); })
        ->UseRealTime()
        ->Unit(benchmark::kSecond)
        ->Iterations(1)
        ->Repetitions(1);
}

std::optional<double> printBooksSeconds() {
    return BenchContext::instance().value("print-books-pdf-seconds");
}

std::optional<double> printScalingRatio() {
    const BenchContext& c = BenchContext::instance();
    const auto full = c.value("print-books-pdf-seconds");
    const auto fullBooks = c.value("print-books-pdf-books");
    const auto tenth = c.value("print-books-pdf-tenth-seconds");
    const auto tenthBooks = c.value("print-books-pdf-tenth-books");
    if (!full || !fullBooks || !tenth || !tenthBooks || *tenth <= 0 || *fullBooks <= 0)
        return std::nullopt;
    // Time per book of the whole list over time per book of the tenth: 1 when printing grows linearly.
    return (*full / *fullBooks) / (*tenth / *tenthBooks);
}

} // namespace lesaro::bench
