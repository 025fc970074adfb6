#include "PreviewBenchmark.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "core/Table.h"
#include "printing/PrinterChoice.h"
#include "printing/TDruckervorschauF.h"
#include "printing/TPreview.h"
#include "printing/TPrintJob.h"
#include "settings/FieldCaptions.h"
#include "settings/SettingsStore.h"
#include "ui/LibraryHandle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>
#include <vector>

namespace lesaro::bench {

namespace {

struct PreviewLibrary {
    QTemporaryDir dir;
    std::unique_ptr<LibraryHandle> library;

    PreviewLibrary() {
        SettingsStore::redirectInstance(dir.filePath(QStringLiteral("Lesaro.reg")));
        FieldCaptions::ApplyFieldCaptions();
        library = std::make_unique<LibraryHandle>();
        library->ClientBuecher().LoadFromFile(tenYearLibraryFiles().at(0));
        library->ClientBuecher().setFileWritesBlocked(true);
    }
};

PreviewLibrary& previewLibrary() {
    static std::unique_ptr<PreviewLibrary> lib;
    if (!lib)
        lib = std::make_unique<PreviewLibrary>();
    return *lib;
}

std::vector<double>& openings() {
    static std::vector<double> ms;
    return ms;
}

// Opens the book list's preview on the whole list, every column ticked and page numbers on, as the
// options window does, and waits until page 1 is shown.
void openPreview() {
    PreviewLibrary& lib = previewLibrary();
    const printing::ListOptions options{QStringLiteral("Bestand"), true, QList<bool>(23, true)};
    auto window = std::make_unique<TDruckervorschauF>(
        *lib.library, [&] { return options; }, nullptr);
    window->show();
    QCoreApplication::processEvents();
    TPreview* preview = window->Preview1();
    if (!preview->pagePanel()->isVisible() || preview->PageIndex() != 1 || preview->recording().isNull())
        throw std::runtime_error("the preview did not show page 1");
    window->close();
}

void previewOpen(benchmark::State& state) {
    guarded(state, "preview-open", [&] {
        Table& books = previewLibrary().library->ClientBuecher();
        books.setFiltered(false);
        printing::PrinterChoice::select(printing::PrinterChoice::PdfPrinterName);
        QElapsedTimer timer;
        for (auto _ : state) {
            timer.start();
            openPreview();
            openings().push_back(timer.nsecsElapsed() / 1e6);
        }
        state.counters["books"] = books.viewCount();
    });
}

} // namespace

void registerPreviewBenchmarks() {
    // The library is loaded before the clock runs, so that only the window is timed.
    benchmark::RegisterBenchmark("preview-open/lesaro",
                                 [](benchmark::State& s) {
                                     previewLibrary();
                                     previewOpen(s);
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
}

std::optional<double> previewOpenMilliseconds() {
    std::vector<double> ms = openings();
    if (ms.empty())
        return std::nullopt;
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace lesaro::bench
