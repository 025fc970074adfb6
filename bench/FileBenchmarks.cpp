#include "FileBenchmarks.h"

#include "BenchContext.h"
#include "MemoryUse.h"
#include "SqlRows.h"
#include "SqliteDatabase.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "core/Win1252.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstring>
#include <map>
#include <stdexcept>

namespace lesaro::bench {

namespace {

const char* const kFiles[] = {LibraryTables::kBookFile, LibraryTables::kReaderFile, LibraryTables::kLoanFile};

struct TenYearLibrary {
    Table books{QStringLiteral("ClientBuecher")};
    Table readers{QStringLiteral("ClientLeser")};
    Table loans{QStringLiteral("ClientAusleihe")};
    // The load benchmark's tables, so that loading never touches the tables being saved.
    Table loadedBooks{QStringLiteral("ClientBuecher")};
    Table loadedReaders{QStringLiteral("ClientLeser")};
    Table loadedLoans{QStringLiteral("ClientAusleihe")};

    QTemporaryDir dir;
    std::vector<SqlRows> sqlTables; // slots and change log of each table
    qint64 fileBytes = 0;

    Table* saved(int i) { return std::array{&books, &readers, &loans}[size_t(i)]; }
    Table* loaded(int i) { return std::array{&loadedBooks, &loadedReaders, &loadedLoans}[size_t(i)]; }
    QString loadPath(int i) const { return dir.filePath(QStringLiteral("load/") + QLatin1String(kFiles[i])); }
    QString savePath(int i) const { return dir.filePath(QStringLiteral("save/") + QLatin1String(kFiles[i])); }
    QString sqliteLoadPath() const { return dir.filePath(QStringLiteral("load/bibliothek.sqlite")); }
    QString sqliteSavePath() const { return dir.filePath(QStringLiteral("save/bibliothek.sqlite")); }
};

// Replaces the database file: the old file goes, a new one gets every table in one transaction.
void writeSqlite(const QString& path, const std::vector<SqlRows>& tables) {
    QFile::remove(path);
    SqliteDatabase db(path);
    db.exec("BEGIN");
    for (const SqlRows& t : tables) {
        t.createTable(db);
        t.insertAll(db);
    }
    db.exec("COMMIT");
}

quint64 readSqlite(const QString& path, const std::vector<SqlRows>& tables, std::vector<qsizetype>* rows = nullptr) {
    SqliteDatabase db(path, SqliteDatabase::Mode::ReadOnly);
    quint64 checksum = 0;
    for (const SqlRows& t : tables) {
        const qsizetype n = SqlRows::readAll(db, t.table(), checksum);
        if (rows)
            rows->push_back(n);
    }
    return checksum;
}

// Stored versions, statuses and change log of two stores are the same, byte for byte.
QString compareStores(const RowStore& a, const RowStore& b) {
    if (a.slotCount() != b.slotCount())
        return QStringLiteral("%1 slots instead of %2").arg(b.slotCount()).arg(a.slotCount());
    for (qsizetype s = 0; s < a.slotCount(); ++s) {
        const auto& x = a.slot(s);
        const auto& y = b.slot(s);
        if (x.status != y.status || x.length != y.length || std::memcmp(a.record(s), b.record(s), x.length) != 0)
            return QStringLiteral("slot %1 differs").arg(s + 1);
    }
    const auto& la = a.changeLog();
    const auto& lb = b.changeLog();
    if (la.size() != lb.size())
        return QStringLiteral("%1 change log entries instead of %2").arg(lb.size()).arg(la.size());
    for (size_t i = 0; i < la.size(); ++i) {
        if (la[i].slot != lb[i].slot || la[i].replaced != lb[i].replaced || la[i].kind != lb[i].kind)
            return QStringLiteral("change log entry %1 differs").arg(i + 1);
    }
    return {};
}

QString describe(const Value& v) {
    if (v.isNull())
        return QStringLiteral("null");
    switch (v.kind()) {
    case FieldKind::Text:
        return QLatin1Char('"') + win1252::decode(v.bytes()) + QLatin1Char('"');
    case FieldKind::Money:
        return QString::number(v.toMoney());
    case FieldKind::Boolean:
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case FieldKind::Date:
        return dateFromDay(v.toDay()).toString(Qt::ISODate);
    case FieldKind::Integer:
        break;
    }
    return QString::number(v.toInt());
}

// The live rows after ten years of Edit/Post must be the library as it stands today.
void checkReplay(TenYearLibrary& lib, const GeneratedLibrary& g) {
    BenchContext& context = BenchContext::instance();
    struct Expectation {
        Table* table;
        const std::vector<Row>* rows;
        const std::vector<bool>* gone;
    };
    const std::vector<bool> none(g.loans.size(), false);
    for (const Expectation& e :
         {Expectation{&lib.books, &g.books, &g.bookWeeded}, Expectation{&lib.readers, &g.readers, &g.readerDeparted},
          Expectation{&lib.loans, &g.loans, &none}}) {
        Table& t = *e.table;
        std::vector<int> fields;
        for (const ColumnDef& c : t.columns())
            fields.push_back(t.fieldIndex(c.name));
        int position = 0, differences = 0;
        QString first;
        for (size_t i = 0; i < e.rows->size(); ++i) {
            if ((*e.gone)[i])
                continue;
            if (position >= t.viewCount()) {
                ++differences;
                break;
            }
            const Row& row = (*e.rows)[i];
            for (size_t c = 0; c < row.size(); ++c) {
                const Value v = t.valueAt(position, fields[c]);
                if (v == row[c])
                    continue;
                if (differences++ == 0) {
                    first = QStringLiteral("; first: ID %1, %2 is %3 instead of %4")
                                .arg(row[0].toInt())
                                .arg(t.columns()[int(c)].name, describe(v), describe(row[c]));
                }
            }
            ++position;
        }
        if (differences || position != t.viewCount()) {
            context.fail(QStringLiteral("ten-year library: %1 has %2 live rows and %3 values that differ from the "
                                        "library entered directly%4")
                             .arg(t.name())
                             .arg(t.viewCount())
                             .arg(differences)
                             .arg(first));
        }
    }
}

std::unique_ptr<TenYearLibrary> buildTenYearLibrary() {
    BenchContext& context = BenchContext::instance();
    const LibraryGenerator& generator = context.generator();
    auto lib = std::make_unique<TenYearLibrary>();
    if (!lib->dir.isValid() || !QDir(lib->dir.path()).mkpath(QStringLiteral("load")) ||
        !QDir(lib->dir.path()).mkpath(QStringLiteral("save")))
        throw std::runtime_error("cannot create a temporary folder");

    QElapsedTimer timer;
    timer.start();
    LibraryGenerator::createTables(lib->books, lib->readers, lib->loans);
    generator.replayHistory(lib->books, lib->readers, lib->loans);
    const qint64 replayed = timer.restart();
    checkReplay(*lib, generator.library());

    for (int i = 0; i < 3; ++i) {
        lib->saved(i)->SaveToFile(lib->loadPath(i));
        lib->fileBytes += QFileInfo(lib->loadPath(i)).size();
    }
    context.setValue("load-library-bytes", double(lib->fileBytes));

    LibraryGenerator::createTables(lib->loadedBooks, lib->loadedReaders, lib->loadedLoans);
    for (int i = 0; i < 3; ++i) {
        lib->loaded(i)->LoadFromFile(lib->loadPath(i));
        const QString difference = compareStores(lib->saved(i)->store(), lib->loaded(i)->store());
        if (!difference.isEmpty())
            context.fail(
                QStringLiteral("load-library: %1 read back from its file: %2").arg(lib->saved(i)->name(), difference));
        if (lib->loaded(i)->RecordCount() != lib->saved(i)->RecordCount())
            context.fail(QStringLiteral("load-library: %1 has %2 rows after loading, %3 before")
                             .arg(lib->saved(i)->name())
                             .arg(lib->loaded(i)->RecordCount())
                             .arg(lib->saved(i)->RecordCount()));
    }

    const QByteArray names[] = {"Buecher", "Leser", "Ausleihe"};
    for (int i = 0; i < 3; ++i) {
        lib->sqlTables.push_back(SqlRows::fromSlots(names[i], lib->saved(i)->store()));
        lib->sqlTables.push_back(SqlRows::fromLog(names[i] + "Log", lib->saved(i)->store()));
    }
    writeSqlite(lib->sqliteLoadPath(), lib->sqlTables);
    std::vector<qsizetype> rows;
    readSqlite(lib->sqliteLoadPath(), lib->sqlTables, &rows);
    for (size_t t = 0; t < lib->sqlTables.size(); ++t) {
        if (rows[t] != lib->sqlTables[t].rowCount())
            context.fail(QStringLiteral("load-library: SQLite gives %1 rows of %2, %3 were written")
                             .arg(rows[t])
                             .arg(QLatin1String(lib->sqlTables[t].table()))
                             .arg(lib->sqlTables[t].rowCount()));
    }

    QStringList sizes;
    for (int i = 0; i < 3; ++i) {
        const RowStore& s = lib->saved(i)->store();
        sizes << QStringLiteral("%1 %2 slots %3 log entries %4 bytes")
                     .arg(QLatin1String(kFiles[i]))
                     .arg(s.slotCount())
                     .arg(s.changeLog().size())
                     .arg(QFileInfo(lib->loadPath(i)).size());
    }
    context.note(QStringLiteral("ten-year library: replayed through Append/Edit/Post/Delete in %1 ms; ").arg(replayed) +
                 sizes.join(QStringLiteral("; ")) +
                 QStringLiteral("; SQLite file %1 bytes").arg(QFileInfo(lib->sqliteLoadPath()).size()));
    return lib;
}

TenYearLibrary& tenYearLibrary() {
    static std::unique_ptr<TenYearLibrary> lib;
    static bool failed = false;
    if (!lib) {
        if (failed)
            throw std::runtime_error("the ten-year library could not be built");
        failed = true;
        lib = buildTenYearLibrary();
        failed = false;
    }
    return *lib;
}

// Minor faults per 4 KB of the library's table files, shown beside the time and kept for the end of the run.
void recordFaults(benchmark::State& state, const std::string& name, qint64 faults, qint64 fileBytes) {
    if (state.iterations() == 0)
        return;
    const double perPass = faultsPer4Kb(double(faults) / double(state.iterations()), double(fileBytes));
    state.counters["mfpk"] = perPass;
    BenchContext::instance().addSample(name + "/mfpk", perPass);
}

void loadLibraryOurs(benchmark::State& state) {
    guarded(state, "load-library/lesaro", [&] {
        TenYearLibrary& lib = tenYearLibrary();
        qint64 faults = 0;
        for (auto _ : state) {
            const qint64 before = minorFaults();
            for (int i = 0; i < 3; ++i)
                lib.loaded(i)->LoadFromFile(lib.loadPath(i));
            faults += minorFaults() - before;
        }
        recordFaults(state, "load-library/lesaro", faults, lib.fileBytes);
        if (lib.loadedBooks.RecordCount() != lib.books.RecordCount())
            throw std::runtime_error("the book file loaded with another number of rows");
    });
}

void loadLibrarySqlite(benchmark::State& state) {
    guarded(state, "load-library/sqlite", [&] {
        TenYearLibrary& lib = tenYearLibrary();
        qint64 faults = 0;
        for (auto _ : state) {
            const qint64 before = minorFaults();
            benchmark::DoNotOptimize(readSqlite(lib.sqliteLoadPath(), lib.sqlTables));
            faults += minorFaults() - before;
        }
        recordFaults(state, "load-library/sqlite", faults, lib.fileBytes);
    });
}

void saveLibraryOurs(benchmark::State& state) {
    guarded(state, "save-library/lesaro", [&] {
        TenYearLibrary& lib = tenYearLibrary();
        qint64 faults = 0;
        for (auto _ : state) {
            const qint64 before = minorFaults();
            for (int i = 0; i < 3; ++i)
                lib.saved(i)->SaveToFile(lib.savePath(i));
            faults += minorFaults() - before;
        }
        recordFaults(state, "save-library/lesaro", faults, lib.fileBytes);
        for (int i = 0; i < 3; ++i) {
            if (QFileInfo(lib.savePath(i)).size() != QFileInfo(lib.loadPath(i)).size())
                throw std::runtime_error("a saved file differs in size from the first save");
        }
    });
}

void saveLibrarySqlite(benchmark::State& state) {
    guarded(state, "save-library/sqlite", [&] {
        TenYearLibrary& lib = tenYearLibrary();
        qint64 faults = 0;
        for (auto _ : state) {
            const qint64 before = minorFaults();
            writeSqlite(lib.sqliteSavePath(), lib.sqlTables);
            faults += minorFaults() - before;
        }
        recordFaults(state, "save-library/sqlite", faults, lib.fileBytes);
    });
}

} // namespace

QStringList tenYearLibraryFiles() {
    TenYearLibrary& lib = tenYearLibrary();
    QStringList files;
    for (int i = 0; i < 3; ++i)
        files << lib.loadPath(i);
    return files;
}

void registerFileBenchmarks() {
    struct Entry {
        const char* name;
        void (*run)(benchmark::State&);
    };
    const Entry entries[] = {{"load-library/lesaro", loadLibraryOurs},
                             {"load-library/sqlite", loadLibrarySqlite},
                             {"save-library/lesaro", saveLibraryOurs},
                             {"save-library/sqlite", saveLibrarySqlite}};
    // One pass is long enough to time on its own. The repetitions are fixed here, whatever the command line
    // asks for, so that the figures are always a median and one disturbed pass cannot decide them.
    const int repetitions = BenchContext::instance().small() ? 3 : 7;
    for (const Entry& e : entries)
        benchmark::RegisterBenchmark(e.name, e.run)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(repetitions);
}

std::optional<LibraryMemory> libraryMemory() {
    if (!QFileInfo::exists(QStringLiteral(LESARO_LOAD_PROBE_PROGRAM)))
        return std::nullopt;
    TenYearLibrary& lib = tenYearLibrary();
    QTemporaryDir saveDir;
    if (!saveDir.isValid())
        return std::nullopt;
    // Sizes and fault counts hardly vary from run to run; three runs and their medians keep one odd run out.
    std::map<QByteArray, std::vector<double>> runs;
    for (int run = 0; run < 3; ++run) {
        QProcess p;
        p.start(QStringLiteral(LESARO_LOAD_PROBE_PROGRAM), {QFileInfo(lib.loadPath(0)).path(), saveDir.path()});
        if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            BenchContext::instance().fail(
                QStringLiteral("load probe: %1").arg(QString::fromLocal8Bit(p.readAllStandardError()).trimmed()));
            return std::nullopt;
        }
        for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 2)
                runs[parts[0]].push_back(parts[1].toDouble());
        }
    }
    const auto median = [&runs](const char* name) -> std::optional<double> {
        auto it = runs.find(name);
        if (it == runs.end() || it->second.empty())
            return std::nullopt;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const auto empty = median("empty-kb");
    const auto loadPeak = median("load-peak-kb");
    const auto loaded = median("loaded-kb");
    const auto loadFaults = median("load-faults");
    const auto saveFaults = median("save-faults");
    if (!empty || !loadPeak || !loaded || !loadFaults || !saveFaults)
        return std::nullopt;
    const double fileKb = double(lib.fileBytes) / 1024;
    LibraryMemory m;
    m.loadPeakRatio = (*loadPeak - *empty) / fileKb;
    m.loadFaultsPer4Kb = faultsPer4Kb(*loadFaults, double(lib.fileBytes));
    m.saveFaultsPer4Kb = faultsPer4Kb(*saveFaults, double(lib.fileBytes));
    if (const auto savePeak = median("save-peak-kb"))
        m.savePeakRatio = (*savePeak - *loaded) / fileKb;
    const auto mb = [](double kb) { return QString::number(kb / 1024, 'f', 1); };
    BenchContext::instance().note(
        QStringLiteral(
            "memory: the library's files (%1 MB) loaded in a process of their own: %2 minor faults, peak RSS "
            "%3 MB above the empty program (%4 MB); saved again: %5 minor faults, peak RSS %6 MB above "
            "the loaded library")
            .arg(mb(fileKb))
            .arg(qint64(*loadFaults))
            .arg(mb(*loadPeak - *empty), mb(*empty))
            .arg(qint64(*saveFaults))
            .arg(median("save-peak-kb") ? mb(*median("save-peak-kb") - *loaded) : QStringLiteral("n/a")));
    return m;
}

} // namespace lesaro::bench
