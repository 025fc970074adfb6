#include "WindowBenchmarks.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "lending/NarrowingGroup.h"
#include "lending/TAusleiheBuchenF.h"
#include "settings/SettingsStore.h"
#include "shell/TMainform.h"
#include "ui/DataGrid.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"
#include "ui/TableModel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace lesaro::bench {

namespace {

// The program's main window on a data folder of its own holding the ten-year library, started as the
// program starts it; its settings file is the run's own.
struct MainWindowRig {
    QTemporaryDir home;
    std::unique_ptr<LibraryHandle> library;
    std::unique_ptr<TMainform> window;

    MainWindowRig() {
        SettingsStore::redirectInstance(home.filePath(QStringLiteral("Lesaro.reg")));
        const QString base = home.filePath(QStringLiteral("share"));
        const QString data = base + QStringLiteral("/Tomarelle 2022/");
        QDir().mkpath(data);
        const QStringList files = tenYearLibraryFiles();
        const char* names[] = {LibraryTables::kBookFile, LibraryTables::kReaderFile, LibraryTables::kLoanFile};
        for (int i = 0; i < 3; ++i) {
            if (!QFile::copy(files[i], data + QString::fromLatin1(names[i])))
                throw std::runtime_error("the library could not be copied into the window's data folder");
        }
        // A box shown during the start would wait for an answer nobody gives.
        MessageService::setAnswering(true);
        library = std::make_unique<LibraryHandle>();
        window = std::make_unique<TMainform>(*library);
        window->FormCreate(base);
        window->show();
        QApplication::processEvents();
        if (!window->startupDone())
            throw std::runtime_error("the main window did not start on the ten-year library");
    }

    ~MainWindowRig() {
        window.reset();
        library.reset();
        MessageService::setAnswering(false);
    }
};

std::unique_ptr<MainWindowRig>& rigSlot() {
    static std::unique_ptr<MainWindowRig> rig;
    return rig;
}

MainWindowRig& rig() {
    std::unique_ptr<MainWindowRig>& slot = rigSlot();
    if (!slot)
        slot = std::make_unique<MainWindowRig>();
    return *slot;
}

void clickTitle(DataGrid* grid, const QString& field) {
    int column = -1;
    for (int c = 0; c < grid->tableModel()->columnCount(); ++c) {
        if (grid->tableModel()->fieldName(c) == field)
            column = c;
    }
    if (column < 0)
        throw std::runtime_error("the book list has no such column");
    QHeaderView* header = grid->horizontalHeader();
    const QPointF at(header->sectionViewportPosition(column) + 5, header->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, header->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &release);
}

void tabChange(benchmark::State& state) {
    guarded(state, "tab-change/lesaro", [&] {
        TMainform& w = *rig().window;
        QTabWidget* pages = w.PageControl1();
        int next = pages->currentIndex();
        for (auto _ : state) {
            next = (next + 1) % pages->count();
            pages->setCurrentIndex(next);
            benchmark::DoNotOptimize(pages->grab());
        }
        pages->setCurrentIndex(0);
        if (w.ClientAusleihe().Filtered())
            throw std::runtime_error("the loan list stayed narrowed to the overdue loans");
    });
}

void sortAuthorWindow(benchmark::State& state) {
    guarded(state, "sort-author-window/lesaro", [&] {
        TMainform& w = *rig().window;
        w.PageControl1()->setCurrentIndex(0);
        DataGrid* grid = w.grid(0);
        Table& books = w.ClientBuecher();
        for (auto _ : state) {
            state.PauseTiming();
            clickTitle(grid, QStringLiteral("Nummer"));
            grid->grab();
            state.ResumeTiming();
            clickTitle(grid, QStringLiteral("Verfasser"));
            benchmark::DoNotOptimize(grid->grab());
        }
        if (books.IndexFieldNames() != QLatin1String("Verfasser"))
            throw std::runtime_error("the book list is not sorted by author");
        clickTitle(grid, QStringLiteral("Nummer"));
    });
}

void keystrokePaint(benchmark::State& state) {
    guarded(state, "keystroke-paint/lesaro", [&] {
        TMainform& w = *rig().window;
        auto* desk = w.findChild<TAusleiheBuchenF*>();
        if (!desk)
            throw std::runtime_error("the main window has no loan booking window");
        desk->show();
        QApplication::processEvents();
        NarrowingGroup* group = desk->bookGroup();
        QLineEdit* author = group->box(1);
        author->setFocus(Qt::TabFocusReason);
        author->clear();
        QKeyEvent m(QEvent::KeyPress, Qt::Key_M, Qt::ShiftModifier, QStringLiteral("M"));
        QApplication::sendEvent(author, &m);
        Table& books = w.ClientBuecher();
        const int narrowed = books.viewCount();
        // The librarian types "ü" after the "M" and takes it back again: each is one keystroke.
        QKeyEvent umlaut(QEvent::KeyPress, Qt::Key_Udiaeresis, Qt::NoModifier, QStringLiteral("ü"));
        QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        bool typed = false;
        for (auto _ : state) {
            QApplication::sendEvent(author, typed ? &back : &umlaut);
            typed = !typed;
            benchmark::DoNotOptimize(group->grid()->grab());
        }
        const bool right = author->text() == (typed ? QStringLiteral("Mü") : QStringLiteral("M")) &&
                           (typed || books.viewCount() == narrowed) && narrowed > 0;
        author->clear();
        desk->done(0);
        QApplication::processEvents();
        if (!right)
            throw std::runtime_error("the author box did not narrow the book list as typed");
    });
}

} // namespace

void registerWindowBenchmarks() {
    // The window starts before the clock runs, so that only the moment itself is timed.
    const auto withRig = [](void (*body)(benchmark::State&)) {
        return [body](benchmark::State& s) {
            try {
                rig();
            } catch (const std::exception& e) {
                BenchContext::instance().fail(QString::fromUtf8(e.what()));
                s.SkipWithError(e.what());
                return;
            }
            body(s);
        };
    };
    benchmark::RegisterBenchmark("tab-change/lesaro", withRig(tabChange))->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("sort-author-window/lesaro", withRig(sortAuthorWindow))
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("keystroke-paint/lesaro", withRig(keystrokePaint))
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

void closeWindowBenchmarks() {
    rigSlot().reset();
}

} // namespace lesaro::bench
