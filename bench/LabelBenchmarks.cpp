#include "LabelBenchmarks.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "LoadedLibrary.h"
#include "core/Table.h"
#include "labels/LabelJob.h"
#include "labels/TEtikettenF.h"
#include "labels/TEtikettenVorschauF.h"
#include "printing/PrinterChoice.h"
#include "printing/TPreview.h"
#include "settings/FieldCaptions.h"
#include "settings/SettingsStore.h"
#include "ui/FileDialogService.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"
#include "ui/PrintDialogService.h"

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

struct LabelLibrary : LoadedLibrary {
    std::unique_ptr<labels::TEtikettenF> window;

    LabelLibrary() {
        library->ClientBuecher().setFiltered(false);
        printing::PrinterChoice::select(printing::PrinterChoice::PdfPrinterName);
        // The window as the menu shows it: every book of the list, the 3 × 8 sheet, the library's name.
        window = std::make_unique<labels::TEtikettenF>(*library, labels::LabelKind::Book, nullptr);
        window->show();
        QCoreApplication::processEvents();
        if (window->selection().records.isEmpty())
            throw std::runtime_error("the label window found no books");
    }
};

std::unique_ptr<LabelLibrary>& labelSlot() {
    static std::unique_ptr<LabelLibrary> lib;
    return lib;
}

LabelLibrary& labelLibrary() {
    auto& lib = labelSlot();
    if (!lib)
        lib = std::make_unique<LabelLibrary>();
    return *lib;
}

// "Drucken", the print dialog answered with "PDF-Datei" and the file's name.
void printLabels(const QString& file) {
    QFile::remove(file);
    PrintDialogService::setAnswering(true);
    FileDialogService::setAnswering(true);
    MessageService::setAnswering(true);
    PrintDialogService::answerNext(PrintDialogService::Answer::toFile(file));
    FileDialogService::answerNext(file);
    labelLibrary().window->BDruckenClick();
    const QStringList shown = MessageService::takeShownTexts();
    PrintDialogService::setAnswering(false);
    FileDialogService::setAnswering(false);
    MessageService::setAnswering(false);
    if (!shown.isEmpty() || QFileInfo(file).size() == 0)
        throw std::runtime_error("the labels were not printed: " + shown.join(QLatin1Char(' ')).toStdString());
}

void openPreview() {
    labels::TEtikettenF& window = *labelLibrary().window;
    window.BVorschauClick();
    labels::TEtikettenVorschauF* preview = window.preview();
    if (!preview)
        throw std::runtime_error("the label preview did not open");
    QCoreApplication::processEvents();
    TPreview* p = preview->Preview1();
    if (!p->pagePanel()->isVisible() || p->PageIndex() != 1 || p->recording().isNull())
        throw std::runtime_error("the label preview did not show its first sheet");
    preview->close();
    QCoreApplication::processEvents();
}

void timed(benchmark::State& state, const char* name, double scale, const std::function<void()>& body) {
    guarded(state, name, [&] {
        QElapsedTimer timer;
        for (auto _ : state) {
            timer.start();
            body();
            BenchContext::instance().addSample(name, timer.nsecsElapsed() / scale);
        }
        state.counters["labels"] = labelLibrary().window->printout().plan.labelCount();
    });
}

} // namespace

void registerLabelBenchmarks() {
    benchmark::RegisterBenchmark("labels-30k-pdf/lesaro",
                                 [](benchmark::State& s) {
                                     labelLibrary();
                                     const QString file = labelLibrary().dir.filePath(QStringLiteral("etiketten.pdf"));
                                     timed(s, "labels-30k-pdf", 1e9, [&] { printLabels(file); });
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kSecond)
        ->Iterations(1)
        ->Repetitions(1);
    benchmark::RegisterBenchmark("labels-preview-open/lesaro",
                                 [](benchmark::State& s) {
                                     labelLibrary();
                                     timed(s, "labels-preview-open", 1e6, openPreview);
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
}

std::optional<double> labelsPdfSeconds() {
    return BenchContext::instance().medianSample("labels-30k-pdf");
}

std::optional<double> labelsPreviewOpenMilliseconds() {
    return BenchContext::instance().medianSample("labels-preview-open");
}

void closeLabelBenchmarks() {
    labelSlot().reset();
}

} // namespace lesaro::bench
