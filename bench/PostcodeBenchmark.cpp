#include "PostcodeBenchmark.h"

#include "BenchContext.h"
#include "catalogue/rules/PostcodeLookup.h"
#include "core/EngineError.h"
#include "core/Table.h"
#include "library/LibraryData.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace lesaro::bench {

namespace {

struct Postcodes {
    QTemporaryDir folder; // outlives the tables, which write their files when they close
    std::unique_ptr<LibraryData> data;
    std::unique_ptr<PostcodeLookup> lookup;
    QStringList queries; // every postcode of the table once, and a few that are not in it
};

QStringList byFilter(Table& t, const QString& plz) {
    t.setFilter(QStringLiteral("PLZ = '") + plz + QStringLiteral("'"));
    t.setFiltered(true);
    QStringList towns;
    const int ort = t.fieldIndex(QStringLiteral("Ort"));
    for (int i = 0; i < t.viewCount(); ++i)
        towns << t.stringAt(i, ort);
    t.setFiltered(false);
    return towns;
}

Postcodes& postcodes() {
    static Postcodes* p = [] {
        auto* made = new Postcodes;
        made->data = std::make_unique<LibraryData>();
        made->data->FormCreate(made->folder.path(), made->folder.path());
        Table& t = made->data->ClientDataSet4;
        made->lookup = std::make_unique<PostcodeLookup>(t);
        const int plz = t.fieldIndex(QStringLiteral("PLZ"));
        for (int i = 0; i < t.viewCount(); ++i) {
            const QString code = t.stringAt(i, plz);
            if (made->queries.isEmpty() || made->queries.last() != code)
                made->queries << code;
        }
        made->queries << QStringLiteral("00000") << QStringLiteral("99999") << QStringLiteral("1'");
        QElapsedTimer build;
        build.start();
        const int manyPlaces = int(made->lookup->towns(QStringLiteral("15848")).size());
        BenchContext& context = BenchContext::instance();
        context.note(QStringLiteral("postcode-lookup: %1 rows, %2 postcodes; the hash built in %3 ms; 15848 has %4 "
                                    "places")
                         .arg(t.viewCount())
                         .arg(made->queries.size() - 3)
                         .arg(build.elapsed())
                         .arg(manyPlaces));
        if (manyPlaces < 50)
            context.fail(QStringLiteral("postcode-lookup: 15848 offers only %1 places").arg(manyPlaces));
        // Both ways must give the same towns, in the same order.
        try {
            for (int i = 0; i < made->queries.size(); i += 97) {
                const QString& code = made->queries[i];
                if (made->lookup->towns(code) != byFilter(t, code))
                    context.fail(QStringLiteral("postcode-lookup: the towns of %1 differ from the filter's").arg(code));
            }
        } catch (const EngineError& e) {
            context.fail(QStringLiteral("postcode-lookup: ") + e.message());
        }
        return made;
    }();
    return *p;
}

void lookupHashed(benchmark::State& state) {
    Postcodes& p = postcodes();
    qsizetype next = 0;
    qsizetype found = 0;
    for (auto _ : state) {
        found += p.lookup->towns(p.queries[next]).size();
        next = (next + 1) % p.queries.size();
    }
    benchmark::DoNotOptimize(found);
}

void lookupFiltered(benchmark::State& state) {
    Postcodes& p = postcodes();
    Table& t = p.data->ClientDataSet4;
    qsizetype next = 0;
    qsizetype found = 0;
    for (auto _ : state) {
        found += byFilter(t, p.queries[next]).size();
        next = (next + 1) % p.queries.size();
    }
    benchmark::DoNotOptimize(found);
}

} // namespace

void registerPostcodeBenchmarks() {
    benchmark::RegisterBenchmark("postcode-lookup/lesaro", lookupHashed)->UseRealTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("postcode-lookup/filter", lookupFiltered)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace lesaro::bench
