// lesaro-bench: the table engine against SQLite on the same generated library, in one run.
//
// Without arguments it runs every comparison, each repeated, and ends with one line per figure; the ratios
// are our median time divided by SQLite's. Arguments go to Google Benchmark (--benchmark_filter=...,
// --benchmark_repetitions=...). LESARO_BENCH_SMALL=1 or --small runs a library of a twentieth of the size,
// quickly, to check that everything works.

#include "BenchContext.h"
#include "BenchSummary.h"
#include "ExchangeBenchmarks.h"
#include "FileBenchmarks.h"
#include "JournalBenchmark.h"
#include "LabelBenchmarks.h"
#include "LendingBenchmarks.h"
#include "LibraryBenchmarks.h"
#include "ListOpenBenchmark.h"
#include "LoanPrintBenchmarks.h"
#include "PostcodeBenchmark.h"
#include "PreviewBenchmark.h"
#include "PrintBenchmarks.h"
#include "ReaderCatalogueBenchmarks.h"
#include "SearchWindowBenchmark.h"
#include "StartupBenchmark.h"
#include "StatisticsBenchmarks.h"
#include "WindowBenchmarks.h"

#include "core/GermanLocale.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using lesaro::bench::BenchContext;
using lesaro::bench::BenchSummary;

struct Figures {
    bool complete = true;

    void print(const char* kind, const char* name, std::optional<double> value, int decimals) {
        if (value)
            std::printf("%s %s %.*f\n", kind, name, decimals, *value);
        else
            std::printf("%s %s n/a\n", kind, name);
        complete &= bool(value);
    }
};

std::optional<double> ratio(const BenchSummary& summary, const std::string& name) {
    const auto ours = summary.seconds(name + "/lesaro");
    const auto theirs = summary.seconds(name + "/sqlite");
    if (!ours || !theirs || *theirs <= 0)
        return std::nullopt;
    return *ours / *theirs;
}

bool startsWith(const char* arg, const char* prefix) {
    return std::strncmp(arg, prefix, std::strlen(prefix)) == 0;
}

} // namespace

int main(int argc, char** argv) {
    // The print benchmark draws its pages with fonts through the preview window, never on screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    lesaro::GermanLocale::install();

    BenchContext& context = BenchContext::instance();
    const char* smallEnv = std::getenv("LESARO_BENCH_SMALL");
    context.setSmall(smallEnv && *smallEnv && std::strcmp(smallEnv, "0") != 0);

    // Our defaults come first, so that the same flags given on the command line win.
    std::vector<std::string> args{argv[0], "--benchmark_repetitions=5", "--benchmark_display_aggregates_only=true",
                                  "--benchmark_min_time=0.2"};
    bool filtered = false;
    bool listing = false;
    for (int i = 1; i < argc; ++i) {
        // The generated library as table files, to try the program on a library of ten years.
        if (std::strcmp(argv[i], "--write-library") == 0 && i + 1 < argc) {
            const QString folder = QString::fromLocal8Bit(argv[i + 1]);
            QDir().mkpath(folder);
            const char* names[] = {"buecher30.b04", "leser30.b04", "ausleihe30.b04"};
            const QStringList files = lesaro::bench::tenYearLibraryFiles();
            for (int f = 0; f < 3; ++f) {
                const QString target = QDir(folder).filePath(QString::fromLatin1(names[f]));
                QFile::remove(target);
                if (!QFile::copy(files[f], target))
                    return 1;
            }
            return 0;
        }
        if (std::strcmp(argv[i], "--small") == 0) {
            context.setSmall(true);
            continue;
        }
        filtered |= startsWith(argv[i], "--benchmark_filter");
        listing |= startsWith(argv[i], "--benchmark_list_tests");
        args.emplace_back(argv[i]);
    }
    if (context.small()) {
        args[1] = "--benchmark_repetitions=3";
        args[3] = "--benchmark_min_time=0.02";
    }
    std::vector<char*> pointers;
    for (std::string& a : args)
        pointers.push_back(a.data());
    int count = int(pointers.size());
    benchmark::Initialize(&count, pointers.data());
    if (benchmark::ReportUnrecognizedArguments(count, pointers.data()))
        return 2;

    lesaro::bench::registerLibraryBenchmarks();
    lesaro::bench::registerFileBenchmarks();
    lesaro::bench::registerPostcodeBenchmarks();
    lesaro::bench::registerSearchWindowBenchmarks();
    lesaro::bench::registerLendingBenchmarks();
    lesaro::bench::registerExchangeBenchmarks();
    lesaro::bench::registerPrintBenchmarks();
    lesaro::bench::registerPreviewBenchmarks();
    lesaro::bench::registerJournalBenchmarks();
    lesaro::bench::registerListOpenBenchmarks();
    lesaro::bench::registerWindowBenchmarks();
    lesaro::bench::registerLoanPrintBenchmarks();
    lesaro::bench::registerReaderCatalogueBenchmarks();
    lesaro::bench::registerLabelBenchmarks();
    lesaro::bench::registerStatisticsBenchmarks();

    BenchSummary summary(benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&summary);
    benchmark::Shutdown();
    lesaro::bench::closeWindowBenchmarks();
    lesaro::bench::closeLabelBenchmarks();
    if (listing)
        return 0;

    std::fflush(stdout);
    const auto startup = lesaro::bench::startupVsLoadRatio();
    const auto recovery = lesaro::bench::recoveryStartMilliseconds();
    const auto session = lesaro::bench::sessionMemory();
    const auto memory = lesaro::bench::libraryMemory();
    const auto sqliteLoadFaults = context.medianSample("load-library/sqlite/mfpk");
    const auto sqliteSaveFaults = context.medianSample("save-library/sqlite/mfpk");
    if (sqliteLoadFaults && sqliteSaveFaults)
        context.note(QStringLiteral("minor faults per 4 KB of the library's files: SQLite %1 loading, %2 saving")
                         .arg(*sqliteLoadFaults, 0, 'f', 2)
                         .arg(*sqliteSaveFaults, 0, 'f', 2));
    for (const QString& note : context.notes())
        std::printf("note %s\n", qPrintable(note));
    for (const QString& failure : context.failures())
        std::printf("MISMATCH %s\n", qPrintable(failure));

    Figures figures;
    figures.print("ratio", "search-keywords", ratio(summary, "search-keywords"), 3);
    figures.print("ratio", "order-author", ratio(summary, "order-author"), 3);
    figures.print("ratio", "lookup-loans", ratio(summary, "lookup-loans"), 3);
    const auto locate = summary.seconds("locate-number/lesaro");
    figures.print("ms", "locate-number", locate ? std::optional(*locate * 1000) : std::nullopt, 4);
    for (const char* name : {"keystroke-narrow", "book-and-return", "import-10k", "export-30k", "opac-export-30k"}) {
        const auto seconds = summary.seconds(std::string(name) + "/lesaro");
        figures.print("ms", name, seconds ? std::optional(*seconds * 1000) : std::nullopt, 4);
    }
    const auto searchWindow = summary.seconds("search-window/lesaro");
    figures.print("ms", "search-window", searchWindow ? std::optional(*searchWindow * 1000) : std::nullopt, 2);
    const auto postcode = summary.seconds("postcode-lookup/lesaro");
    figures.print("ms", "postcode-lookup", postcode ? std::optional(*postcode * 1000) : std::nullopt, 4);
    const auto postcodeFilter = summary.seconds("postcode-lookup/filter");
    figures.print("ratio", "postcode-lookup-vs-filter",
                  postcode && postcodeFilter && *postcodeFilter > 0 ? std::optional(*postcode / *postcodeFilter)
                                                                    : std::nullopt,
                  4);
    figures.print("ratio", "load-library", ratio(summary, "load-library"), 3);
    figures.print("ratio", "save-library", ratio(summary, "save-library"), 3);
    const auto loadSeconds = summary.seconds("load-library/lesaro");
    const auto bytes = context.value("load-library-bytes");
    figures.print("mbps", "load-library",
                  loadSeconds && bytes && *loadSeconds > 0 ? std::optional(*bytes / 1e6 / *loadSeconds) : std::nullopt,
                  1);
    figures.print("mfpk", "load-library", context.medianSample("load-library/lesaro/mfpk"), 2);
    figures.print("mfpk", "first-load-library", memory ? std::optional(memory->loadFaultsPer4Kb) : std::nullopt, 2);
    figures.print("mfpk", "save-library", context.medianSample("save-library/lesaro/mfpk"), 2);
    figures.print("ratio", "rss-load-library", memory ? std::optional(memory->loadPeakRatio) : std::nullopt, 3);
    figures.print("ratio", "rss-save-library", memory ? memory->savePeakRatio : std::nullopt, 3);
    figures.print("s", "print-books-pdf", lesaro::bench::printBooksSeconds(), 2);
    figures.print("ratio", "print-scaling", lesaro::bench::printScalingRatio(), 3);
    figures.print("ms", "preview-open", lesaro::bench::previewOpenMilliseconds(), 1);
    const auto listOpen = summary.seconds("list-open-loans/lesaro");
    figures.print("ms", "list-open-loans", listOpen ? std::optional(*listOpen * 1000) : std::nullopt, 1);
    figures.print("ms", "preview-open-loans", lesaro::bench::previewOpenLoansMilliseconds(), 1);
    figures.print("ms", "letters-open", lesaro::bench::lettersOpenMilliseconds(), 1);
    figures.print("s", "print-loans-pdf", lesaro::bench::printLoansSeconds(), 2);
    figures.print("s", "labels-30k-pdf", lesaro::bench::labelsPdfSeconds(), 2);
    figures.print("ms", "labels-preview-open", lesaro::bench::labelsPreviewOpenMilliseconds(), 1);
    figures.print("ms", "statistics-year", lesaro::bench::statisticsYearMilliseconds(), 1);
    figures.print("ms", "statistics-open", lesaro::bench::statisticsOpenMilliseconds(), 1);
    figures.print("ratio", "startup-vs-load", startup, 3);
    figures.print("ms", "recovery-start", recovery, 1);
    figures.print("ratio", "recovery-vs-start", lesaro::bench::recoveryVsStartRatio(recovery), 3);
    figures.print("s", "close-library", lesaro::bench::closeLibrarySeconds(), 3);
    figures.print("ratio", "close-vs-save", lesaro::bench::closeVsSaveRatio(), 3);
    figures.print("mb", "peak-rss-session", session ? std::optional(session->peakMb) : std::nullopt, 1);
    figures.print("ratio", "rss-vs-files", session ? std::optional(session->ratioToFiles) : std::nullopt, 3);
    for (const char* name : {"tab-change", "sort-author-window", "keystroke-paint"}) {
        const auto seconds = summary.seconds(std::string(name) + "/lesaro");
        figures.print("ms", name, seconds ? std::optional(*seconds * 1000) : std::nullopt, 2);
    }
    const auto withJournal = summary.seconds("post-with-journal/journal");
    const auto withoutJournal = summary.seconds("post-with-journal/plain");
    figures.print("ratio", "post-with-journal",
                  withJournal && withoutJournal && *withoutJournal > 0 ? std::optional(*withJournal / *withoutJournal)
                                                                       : std::nullopt,
                  3);
    std::fflush(stdout);

    if (!context.failures().isEmpty())
        return 1;
    // A full run that could not produce every figure has failed, even when nothing disagreed.
    return filtered || figures.complete ? 0 : 1;
}
