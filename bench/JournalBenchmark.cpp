#include "JournalBenchmark.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"

#include "core/AtomicFile.h"
#include "core/Datapacket.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "library/Journal.h"

#include <QTemporaryDir>
#include <array>
#include <benchmark/benchmark.h>
#include <memory>

namespace lesaro::bench {

namespace {

constexpr int kPosts = 10000;

struct Library {
    std::array<RowStore, 3> stores;
    Table books{QStringLiteral("ClientBuecher")};
    Table readers{QStringLiteral("ClientLeser")};
    Table loans{QStringLiteral("ClientAusleihe")};
    Library() {
        const QStringList files = tenYearLibraryFiles();
        for (int i = 0; i < 3; ++i)
            stores[size_t(i)] = ReadDatapacket(readWholeFile(files[i]));
        books.setColumns(LibraryTables::bookColumns());
        readers.setColumns(LibraryTables::readerColumns());
        loans.setColumns(LibraryTables::loanColumns());
    }
    std::array<Table*, 3> tables() { return {&books, &readers, &loans}; }
    // The library as loaded, before this round's posts.
    void reset() {
        for (int i = 0; i < 3; ++i) {
            Table& t = *tables()[size_t(i)];
            t.setFileWritesBlocked(true);
            t.Close();
            t.replaceStore(stores[size_t(i)]);
            t.Open();
        }
        books.setIndexFieldNames(QStringLiteral("ID"));
    }
};

Library& library() {
    static Library l;
    return l;
}

// A day's work at import speed: new books, each with its number, author and title, and posted.
void post(Table& books, qint32 firstId) {
    for (int i = 0; i < kPosts; ++i) {
        books.Append();
        books.FieldByName(QStringLiteral("ID")).setAsInteger(firstId + i);
        books.FieldByName(QStringLiteral("Nummer")).setAsInteger(firstId + i);
        books.FieldByName(QStringLiteral("Verfasser")).setAsString(QStringLiteral("Lindgren, Astrid"));
        books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Ronja Räubertochter, Band %1").arg(i));
        books.Post();
    }
}

void posts(benchmark::State& state, bool withJournal) {
    Library& l = library();
    QTemporaryDir dir;
    const qint32 firstId = qint32(l.books.largestStoredInteger(QStringLiteral("ID")) + 1);
    for (auto _ : state) {
        state.PauseTiming();
        l.reset();
        std::unique_ptr<Journal> journal;
        if (withJournal) {
            journal = std::make_unique<Journal>(l.tables());
            QString error;
            if (!journal->start(dir.path(), &error)) {
                state.SkipWithError(qPrintable(error));
                break;
            }
        }
        state.ResumeTiming();
        post(l.books, firstId);
        if (journal)
            journal->flush(); // the sync that follows the last post
        state.PauseTiming();
        journal.reset();
        state.ResumeTiming();
    }
}

} // namespace

void registerJournalBenchmarks() {
    benchmark::RegisterBenchmark("post-with-journal/plain", [](benchmark::State& s) {
        posts(s, false);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("post-with-journal/journal", [](benchmark::State& s) {
        posts(s, true);
    })->Unit(benchmark::kMillisecond);
}

} // namespace lesaro::bench
