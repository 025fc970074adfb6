#include "StatisticsBenchmarks.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "LoadedLibrary.h"
#include "core/Clock.h"
#include "settings/FieldCaptions.h"
#include "settings/SettingsStore.h"
#include "statistics/TStatistikF.h"
#include "statistics/rules/LoanStatistics.h"
#include "ui/LibraryHandle.h"

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QElapsedTimer>
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

LoadedLibrary& statisticsLibrary() {
    static std::unique_ptr<LoadedLibrary> lib;
    if (!lib)
        lib = std::make_unique<LoadedLibrary>();
    return *lib;
}

QDate libraryToday() {
    return BenchContext::instance().generator().library().today;
}

void computeYear() {
    LibraryHandle& lib = *statisticsLibrary().library;
    const QDate today = libraryToday();
    const statistics::StatisticsFigures f = statistics::LoanStatistics::compute(
        lib.ClientBuecher(), lib.ClientLeser(), lib.ClientAusleihe(), statistics::StatisticsPeriod::calendarYear(today),
        today.addYears(-5), today);
    if (f.loans == 0)
        throw std::runtime_error("the ten-year library has no loans in its last year");
    benchmark::DoNotOptimize(f.weeding.size());
}

// As the menu opens it: the window made, shown on the current year, its first chart on screen.
void openWindow() {
    auto window = std::make_unique<TStatistikF>(*statisticsLibrary().library, nullptr);
    window->show();
    QCoreApplication::processEvents();
    QChartView* view = window->chartView(TStatistikF::Monate);
    if (!view->isVisible() || !view->chart() || window->figures().loans == 0)
        throw std::runtime_error("the statistics window did not show its first chart");
    view->grab(); // the chart painted once, as the screen would
    window->close();
}

void timed(benchmark::State& state, const char* name, const std::function<void()>& body) {
    guarded(state, name, [&] {
        Clock::setFixedNow(QDateTime(libraryToday(), QTime(10, 0)));
        QElapsedTimer timer;
        for (auto _ : state) {
            timer.start();
            body();
            BenchContext::instance().addSample(name, timer.nsecsElapsed() / 1e6);
        }
        Clock::setFixedNow({});
        state.counters["loans"] = statisticsLibrary().library->ClientAusleihe().RecordCount();
    });
}

} // namespace

void registerStatisticsBenchmarks() {
    benchmark::RegisterBenchmark("statistics-year/lesaro",
                                 [](benchmark::State& s) {
                                     statisticsLibrary();
                                     timed(s, "statistics-year", computeYear);
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("statistics-open/lesaro",
                                 [](benchmark::State& s) {
                                     statisticsLibrary();
                                     timed(s, "statistics-open", openWindow);
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
}

std::optional<double> statisticsYearMilliseconds() {
    return BenchContext::instance().medianSample("statistics-year");
}

std::optional<double> statisticsOpenMilliseconds() {
    return BenchContext::instance().medianSample("statistics-open");
}

} // namespace lesaro::bench
