#include "LoanPrintBenchmarks.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "LoadedLibrary.h"
#include "core/Clock.h"
#include "core/Table.h"
#include "printing/MahnPreview.h"
#include "printing/PrinterChoice.h"
#include "printing/TDruckervorschauAusleihlisteF.h"
#include "printing/TPreview.h"
#include "settings/FieldCaptions.h"
#include "settings/SettingsStore.h"
#include "ui/FileDialogService.h"
#include "ui/LibraryHandle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace lesaro::bench {

namespace {

LoadedLibrary& loanPrintLibrary() {
    static std::unique_ptr<LoadedLibrary> lib;
    if (!lib)
        lib = std::make_unique<LoadedLibrary>();
    return *lib;
}

// The loan list as the print options window hands it over: every column ticked, page numbers on.
printing::ListOptions loanOptions() {
    return {QStringLiteral("Ausleihen"), true, QList<bool>(9, true)};
}

void checkPageOne(TPreview* preview, const char* what) {
    if (!preview->pagePanel()->isVisible() || preview->PageIndex() != 1 || preview->recording().isNull())
        throw std::runtime_error(std::string(what) + " did not show page 1");
}

void openLoanPreview() {
    const printing::ListOptions options = loanOptions();
    auto window = std::make_unique<TDruckervorschauAusleihlisteF>(
        *loanPrintLibrary().library, [&] { return options; }, nullptr);
    window->show();
    QCoreApplication::processEvents();
    checkPageOne(window->Preview1(), "the loan list's preview");
    window->close();
}

// As "Mahnungen" opens it: the letters gathered afresh, then the window shown on the first letter.
void openLetters() {
    auto window = std::make_unique<TMahnungenF>(*loanPrintLibrary().library, nullptr);
    window->refresh();
    if (window->collection().readers.isEmpty())
        throw std::runtime_error("the ten-year library has no overdue loans");
    window->show();
    QCoreApplication::processEvents();
    checkPageOne(window->Preview1(), "the letters window");
    window->close();
}

void printLoans(const QString& file) {
    const printing::ListOptions options = loanOptions();
    TDruckervorschauAusleihlisteF window(
        *loanPrintLibrary().library, [&] { return options; }, nullptr);
    FileDialogService::setAnswering(true);
    FileDialogService::answerNext(file);
    const bool printed = window.printList();
    FileDialogService::setAnswering(false);
    if (!printed || QFileInfo(file).size() == 0)
        throw std::runtime_error("the loan list was not printed");
}

// The library was loaded before the clock runs, so that only the windows are timed; the day is the
// library's last, on which its overdue loans were generated.
void timed(benchmark::State& state, const char* name, double scale, const std::function<void()>& body) {
    guarded(state, name, [&] {
        loanPrintLibrary().library->ClientAusleihe().setFiltered(false);
        printing::PrinterChoice::select(printing::PrinterChoice::PdfPrinterName);
        Clock::setFixedNow(QDateTime(BenchContext::instance().generator().library().today, QTime(10, 0)));
        QElapsedTimer timer;
        for (auto _ : state) {
            timer.start();
            body();
            BenchContext::instance().addSample(name, timer.nsecsElapsed() / scale);
        }
        Clock::setFixedNow({});
        state.counters["loans"] = loanPrintLibrary().library->ClientAusleihe().viewCount();
    });
}

} // namespace

void registerLoanPrintBenchmarks() {
    benchmark::RegisterBenchmark("preview-open-loans/lesaro",
                                 [](benchmark::State& s) {
                                     loanPrintLibrary();
                                     timed(s, "preview-open-loans", 1e6, openLoanPreview);
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark("letters-open/lesaro",
                                 [](benchmark::State& s) {
                                     loanPrintLibrary();
                                     timed(s, "letters-open", 1e6, openLetters);
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark("print-loans-pdf/lesaro",
                                 [](benchmark::State& s) {
                                     loanPrintLibrary();
                                     const QString file =
                                         loanPrintLibrary().dir.filePath(QStringLiteral("ausleihe.pdf"));
                                     timed(s, "print-loans-pdf", 1e9, [&] { printLoans(file); });
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kSecond)
        ->Iterations(1)
        ->Repetitions(1);
}

std::optional<double> previewOpenLoansMilliseconds() {
    return BenchContext::instance().medianSample("preview-open-loans");
}

std::optional<double> lettersOpenMilliseconds() {
    return BenchContext::instance().medianSample("letters-open");
}

std::optional<double> printLoansSeconds() {
    return BenchContext::instance().medianSample("print-loans-pdf");
}

} // namespace lesaro::bench
