#include "ExchangeBenchmarks.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "core/AtomicFile.h"
#include "core/EngineError.h"
#include "core/Table.h"
#include "exchange/TExportF.h"
#include "exchange/rules/ExportWriter.h"
#include "exchange/rules/ImportMapping.h"
#include "exchange/sources/ImportSource.h"
#include "library/LibraryData.h"
#include "library/RecordRules.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <utility>
#include <vector>

namespace lesaro::bench {

namespace {

constexpr int kImportBooks = 10000;
constexpr int kExportBooks = 30000;

struct Exchange {
    QTemporaryDir dir; // settings counters and files stay out of the user's folders
    LibraryData source;
    LibraryData target;
    RecordRules rules{target};
    QString importFile;

    Exchange() {
        SettingsStore::redirectInstance(dir.filePath(QStringLiteral("Lesaro.reg")));
        source.ClientBuecher.LoadFromFile(tenYearLibraryFiles()[0]);
        source.ClientBuecher.setFileWritesBlocked(true);
        target.ClientBuecher.CreateDataSet();
        target.ClientBuecher.setFileWritesBlocked(true);
        // The import file: the library's first books as another program would give them, with a header line.
        ExportSettings s;
        s.format = ExportFormat::Txt;
        s.separator = ';';
        s.qualifier = '\0';
        for (const ExportWindow::FieldChoice& c : TExportF::fieldChoices())
            if (c.column.field != QLatin1String("Nummer") && c.column.field != QLatin1String("Bemerkung"))
                s.columns.append(c.column);
        ExportFile file(s);
        Table& books = source.ClientBuecher;
        std::vector<int> fields;
        for (const ExportColumn& c : s.columns)
            fields.push_back(books.fieldIndex(c.field));
        for (int r = 0; r < kImportBooks; ++r) {
            file.beginRow();
            for (int f : fields)
                file.value(books.stringAt(r % books.viewCount(), f).remove(QLatin1Char(';')));
            file.endRow();
        }
        importFile = dir.filePath(QStringLiteral("buecher.csv"));
        writeFileAtomically(importFile, file.finish());
    }
};

Exchange& exchange() {
    static Exchange e;
    return e;
}

void import10k(benchmark::State& state) {
    guarded(state, "import-10k", [&] {
        Exchange& e = exchange();
        Table& books = e.target.ClientBuecher;
        // Every column of the file assigned: Verfasser … Sachgruppe, ISBN, Signatur, Standort, Preis and the
        // ten keywords, as a librarian would map them.
        QList<int> assignment(23, -1);
        for (int i = 0; i < 7; ++i)
            assignment[i] = i;
        assignment[7] = 9;
        assignment[8] = 7;
        assignment[9] = 8;
        assignment[11] = 10;
        for (int i = 0; i < 10; ++i)
            assignment[13 + i] = 11 + i;
        const QList<ImportTarget> targets = bookImportTargets();
        for (auto _ : state) {
            state.PauseTiming();
            books.Close();
            books.CreateDataSet();
            state.ResumeTiming();
            const PreviewGrid grid = PreviewGrid::fromRecords(exchange::ImportSource::read(e.importFile));
            const int posted = ImportRun::run(books, grid, targets, assignment, true);
            if (posted != kImportBooks)
                throw EngineError(QStringLiteral("import-10k: %1 Bücher statt %2").arg(posted).arg(kImportBooks));
        }
    });
}

void export30k(benchmark::State& state) {
    guarded(state, "export-30k", [&] {
        Exchange& e = exchange();
        Table& books = e.source.ClientBuecher;
        // The books up to the 30,000th smallest number: numbers have gaps, so the bound is looked up.
        const int number = books.fieldIndex(QStringLiteral("Nummer"));
        std::vector<qint64> numbers;
        for (int r = 0; r < books.viewCount(); ++r)
            numbers.push_back(books.valueAt(r, number).isNull() ? 0 : books.valueAt(r, number).toInt());
        const size_t wanted = std::min(numbers.size(), size_t(kExportBooks));
        if (wanted == 0)
            throw EngineError(QStringLiteral("export-30k: keine Bücher"));
        std::nth_element(numbers.begin(), numbers.begin() + qsizetype(wanted - 1), numbers.end());
        books.setFilter(QStringLiteral("Nummer <= %1").arg(numbers[wanted - 1]));
        books.setFiltered(true);
        static bool noted = false;
        if (books.viewCount() != kExportBooks && !std::exchange(noted, true))
            BenchContext::instance().note(QStringLiteral("export-30k: %1 books exported").arg(books.viewCount()));
        ExportSettings s;
        for (const ExportWindow::FieldChoice& c : TExportF::fieldChoices())
            s.columns.append(c.column);
        const QString target = e.dir.filePath(QStringLiteral("export.csv"));
        for (auto _ : state)
            writeFileAtomically(target, exportTable(books, s).bytes);
        books.setFiltered(false);
    });
}

} // namespace

void registerExchangeBenchmarks() {
    benchmark::RegisterBenchmark("import-10k/lesaro", import10k)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("export-30k/lesaro", export30k)->Unit(benchmark::kMillisecond);
}

} // namespace lesaro::bench
