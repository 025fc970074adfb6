#include "LibraryBenchmarks.h"

#include "BenchContext.h"
#include "Random.h"
#include "SqlRows.h"
#include "SqliteDatabase.h"
#include "SqliteStatement.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "core/Win1252.h"

#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>
#include <sqlite3.h>
#include <stdexcept>

namespace lesaro::bench {

namespace {

// Search words of the keyword search. SQLite's LIKE and NOCASE fold only ASCII letters, our engine folds all
// Windows-1252 letters; no word here differs from a keyword only in the case of a non-ASCII letter, so both
// sides must find exactly the same books. "quantenphysik" finds nothing and so evaluates all twenty
// conditions on every book.
const char* const kSearchWords[] = {"Rom", "geschichte", "märchen", "tiere", "KINDER", "Weltraum", "quantenphysik"};
constexpr int kLocateCount = 64;

// The "Teil" keyword filter exactly as the search window writes it: the five LIKE pairs, then the five
// equality pairs, two blanks before every odd-numbered OR.
QString keywordPartFilter(const QString& t) {
    QString f = QStringLiteral("Schlagwort1 LIKE '%") + t + QStringLiteral("%' OR Schlagwort2 LIKE '%") + t +
                QStringLiteral("%'");
    for (int i = 3; i <= 9; i += 2) {
        f += QStringLiteral("  OR Schlagwort%1 LIKE '%").arg(i) + t +
             QStringLiteral("%' OR Schlagwort%1 LIKE '%").arg(i + 1) + t + QStringLiteral("%'");
    }
    for (int i = 1; i <= 9; i += 2) {
        f += QStringLiteral("  OR Schlagwort%1 = '").arg(i) + t + QStringLiteral("' OR Schlagwort%1 = '").arg(i + 1) +
             t + QStringLiteral("'");
    }
    return f;
}

QByteArray keywordPartSql(const QString& word) {
    const QByteArray t = word.toUtf8();
    QByteArray sql = "SELECT count(*) FROM Buecher WHERE ";
    for (int i = 1; i <= 10; ++i)
        sql += "Schlagwort" + QByteArray::number(i) + " LIKE '%" + t + "%' OR ";
    for (int i = 1; i <= 10; ++i)
        sql += "Schlagwort" + QByteArray::number(i) + " = '" + t + "' COLLATE NOCASE" + (i < 10 ? " OR " : "");
    return sql;
}

int bookColumn(const char* name) {
    const QList<ColumnDef> columns = LibraryTables::bookColumns();
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name == QLatin1String(name))
            return i;
    }
    throw std::logic_error(std::string("no book column ") + name);
}

struct BaseLibrary {
    Table books{QStringLiteral("ClientBuecher")};
    Table readers{QStringLiteral("ClientLeser")};
    Table loans{QStringLiteral("ClientAusleihe")};
    SqliteDatabase sql;

    std::vector<QString> words;
    std::vector<QString> filters;
    std::vector<QByteArray> searchSql;
    std::vector<int> hits; // per word, agreed by both sides

    std::vector<qint32> numbers;   // Nummer values to locate
    std::vector<qint32> numberIds; // the ID of the book with that number

    bool searchChecked = false;
    bool orderChecked = false;
    bool locateChecked = false;
    bool lookupChecked = false;
};

std::unique_ptr<BaseLibrary> buildBaseLibrary() {
    BenchContext& context = BenchContext::instance();
    QElapsedTimer timer;
    timer.start();
    const LibraryGenerator& generator = context.generator();
    const GeneratedLibrary& g = generator.library();
    const qint64 generated = timer.restart();

    auto lib = std::make_unique<BaseLibrary>();
    LibraryGenerator::createTables(lib->books, lib->readers, lib->loans);
    generator.fillCurrent(lib->books, lib->readers, lib->loans);
    const qint64 filled = timer.restart();

    const std::vector<SqlRows> tables{
        SqlRows::fromRows("Buecher", LibraryTables::bookColumns(), g.books, &g.bookWeeded),
        SqlRows::fromRows("Leser", LibraryTables::readerColumns(), g.readers, &g.readerDeparted),
        SqlRows::fromRows("Ausleihe", LibraryTables::loanColumns(), g.loans)};
    lib->sql.exec("BEGIN");
    for (const SqlRows& t : tables) {
        t.createTable(lib->sql);
        t.insertAll(lib->sql);
    }
    lib->sql.exec("COMMIT");
    const qint64 inserted = timer.restart();

    const LibrarySizes sizes = generator.sizes();
    const int open =
        int(std::count_if(g.loanPlans.begin(), g.loanPlans.end(), [](const LoanPlan& p) { return p.returned < 0; }));
    const qint32 today = dayFromDate(g.today);
    const int overdue = int(std::count_if(g.loanPlans.begin(), g.loanPlans.end(),
                                          [&](const LoanPlan& p) { return p.returned < 0 && p.lent + 30 < today; }));
    context.note(QStringLiteral("library: %1 books, %2 readers, %3 loans (%4 open, %5 overdue); generated in %6 ms, "
                                "entered through Append/Post in %7 ms, into SQLite in %8 ms")
                     .arg(lib->books.RecordCount())
                     .arg(lib->readers.RecordCount())
                     .arg(lib->loans.RecordCount())
                     .arg(open)
                     .arg(overdue)
                     .arg(generated)
                     .arg(filled)
                     .arg(inserted));
    const std::pair<Table*, int> expected[] = {
        {&lib->books, sizes.books}, {&lib->readers, sizes.readers}, {&lib->loans, sizes.loans}};
    for (const auto& [table, count] : expected) {
        if (table->RecordCount() != count)
            context.fail(QStringLiteral("%1 holds %2 rows after entering %3")
                             .arg(table->name())
                             .arg(table->RecordCount())
                             .arg(count));
    }
    if (lib->sql.scalar("SELECT count(*) FROM Buecher") != sizes.books)
        context.fail(QStringLiteral("SQLite book table does not hold %1 rows").arg(sizes.books));

    for (const char* w : kSearchWords) {
        const QString word = QString::fromUtf8(w);
        lib->words.push_back(word);
        lib->filters.push_back(keywordPartFilter(word));
        lib->searchSql.push_back(keywordPartSql(word));
    }

    const int numberColumn = bookColumn("Nummer");
    Random random(4711);
    while (int(lib->numbers.size()) < kLocateCount) {
        const size_t i = random.below(quint32(g.books.size()));
        if (g.bookWeeded[i])
            continue;
        lib->numbers.push_back(g.books[i][numberColumn].toInt());
        lib->numberIds.push_back(qint32(i + 1));
    }
    return lib;
}

BaseLibrary& baseLibrary() {
    static std::unique_ptr<BaseLibrary> lib;
    static bool failed = false;
    if (!lib) {
        if (failed)
            throw std::runtime_error("the library could not be built");
        failed = true;
        lib = buildBaseLibrary();
        failed = false;
    }
    return *lib;
}

// Resets what an earlier benchmark may have left on the book table.
void plainBooks(BaseLibrary& lib) {
    lib.books.setFiltered(false);
    lib.books.setFilter(QString());
    lib.books.setFilterOptions({});
    if (lib.books.IndexFieldNames() != QLatin1String("ID"))
        lib.books.setIndexFieldNames(QStringLiteral("ID"));
}

int sqliteCount(SqliteDatabase& db, const QByteArray& sql) {
    SqliteStatement statement(db, sql);
    statement.step();
    return sqlite3_column_int(statement.handle(), 0);
}

// ---- (a) the keyword part search --------------------------------------------------------------------------

void checkSearch(BaseLibrary& lib) {
    if (lib.searchChecked)
        return;
    lib.searchChecked = true;
    BenchContext& context = BenchContext::instance();
    plainBooks(lib);
    // A third opinion from the generated rows, so a disagreement shows which side is wrong.
    const GeneratedLibrary& g = context.generator().library();
    const int firstKeyword = bookColumn("Schlagwort1");
    lib.books.setFilterOptions(FilterOption::CaseInsensitive);
    lib.books.setFiltered(true);
    for (size_t w = 0; w < lib.words.size(); ++w) {
        lib.books.setFilter(lib.filters[w]);
        const int ours = lib.books.RecordCount();
        const int theirs = sqliteCount(lib.sql, lib.searchSql[w]);
        int direct = 0;
        for (size_t b = 0; b < g.books.size(); ++b) {
            if (g.bookWeeded[b])
                continue;
            bool hit = false;
            for (int k = 0; k < 10 && !hit; ++k) {
                const Value& v = g.books[b][size_t(firstKeyword + k)];
                hit = !v.isNull() && win1252::decode(v.bytes()).contains(lib.words[w], Qt::CaseInsensitive);
            }
            direct += hit;
        }
        lib.hits.push_back(ours);
        if (ours != theirs || ours != direct) {
            context.fail(QStringLiteral("search-keywords \"%1\": our engine counts %2 hits, SQLite %3, the generated "
                                        "rows hold %4")
                             .arg(lib.words[w])
                             .arg(ours)
                             .arg(theirs)
                             .arg(direct));
        }
    }
    QStringList counts;
    for (size_t w = 0; w < lib.words.size(); ++w)
        counts << QStringLiteral("%1 %2").arg(lib.words[w]).arg(lib.hits[w]);
    context.note(QStringLiteral("search-keywords hits: ") + counts.join(QStringLiteral(", ")));
    plainBooks(lib);
}

void searchKeywordsOurs(benchmark::State& state) {
    guarded(state, "search-keywords/lesaro", [&] {
        BaseLibrary& lib = baseLibrary();
        checkSearch(lib);
        plainBooks(lib);
        lib.books.setFilterOptions(FilterOption::CaseInsensitive);
        lib.books.setFilter(lib.filters.back()); // so that the first search of the loop changes the text
        lib.books.setFiltered(true);
        bool agreed = true;
        for (auto _ : state) {
            for (size_t w = 0; w < lib.filters.size(); ++w) {
                lib.books.setFilter(lib.filters[w]);
                agreed &= lib.books.RecordCount() == lib.hits[w];
            }
        }
        plainBooks(lib);
        if (!agreed)
            throw std::runtime_error("the hit count changed between searches");
    });
}

void searchKeywordsSqlite(benchmark::State& state) {
    guarded(state, "search-keywords/sqlite", [&] {
        BaseLibrary& lib = baseLibrary();
        checkSearch(lib);
        bool agreed = true;
        for (auto _ : state) {
            for (size_t w = 0; w < lib.searchSql.size(); ++w)
                agreed &= sqliteCount(lib.sql, lib.searchSql[w]) == lib.hits[w];
        }
        if (!agreed)
            throw std::runtime_error("the hit count changed between searches");
    });
}

// ---- (b) ordering the books by author ---------------------------------------------------------------------

void readOrderedIds(Table& books, int idField, std::vector<qint32>& ids) {
    ids.clear();
    const int n = books.viewCount();
    for (int i = 0; i < n; ++i)
        ids.push_back(books.valueAt(i, idField).toInt());
}

void readSqliteOrderedIds(SqliteDatabase& db, std::vector<qint32>& ids) {
    ids.clear();
    SqliteStatement select(db, "SELECT ID FROM Buecher ORDER BY Verfasser");
    while (select.step())
        ids.push_back(sqlite3_column_int(select.handle(), 0));
}

void checkOrder(BaseLibrary& lib) {
    if (lib.orderChecked)
        return;
    lib.orderChecked = true;
    BenchContext& context = BenchContext::instance();
    plainBooks(lib);
    const int idField = lib.books.fieldIndex(QStringLiteral("ID"));
    const int authorField = lib.books.fieldIndex(QStringLiteral("Verfasser"));

    QElapsedTimer timer;
    timer.start();
    lib.books.setIndexFieldNames(QStringLiteral("Verfasser"));
    const qint64 firstSwitch = timer.nsecsElapsed();
    context.note(QStringLiteral("order-author: the first switch to Verfasser took %1 ms (later switches are measured)")
                     .arg(double(firstSwitch) / 1e6, 0, 'f', 2));

    std::vector<qint32> ours, theirs;
    readOrderedIds(lib.books, idField, ours);
    readSqliteOrderedIds(lib.sql, theirs);
    std::vector<qint32> a = ours, b = theirs;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    if (a != b)
        context.fail(QStringLiteral("order-author: our order holds %1 books, SQLite's %2, or other ones")
                         .arg(ours.size())
                         .arg(theirs.size()));

    // The collations differ (ours is German linguistic, SQLite's bytewise), so the orders are compared by
    // what both must hold: nulls first, each author in one run, equal authors in the order of entry.
    std::map<QByteArray, int> runs;
    QByteArray previous;
    bool previousNull = true;
    int problems = 0;
    for (int i = 0; i < lib.books.viewCount(); ++i) {
        const Value v = lib.books.valueAt(i, authorField);
        if (v.isNull()) {
            problems += !previousNull;
            continue;
        }
        if (previousNull || v.bytes() != previous) {
            problems += runs[v.bytes()]++ > 0;
        } else if (ours[size_t(i)] < ours[size_t(i - 1)]) {
            ++problems;
        }
        previous = v.bytes();
        previousNull = false;
    }
    if (problems)
        context.fail(QStringLiteral("order-author: %1 places where the Verfasser order is broken").arg(problems));
    plainBooks(lib);
}

void orderAuthorOurs(benchmark::State& state) {
    guarded(state, "order-author/lesaro", [&] {
        BaseLibrary& lib = baseLibrary();
        checkOrder(lib);
        plainBooks(lib);
        const int idField = lib.books.fieldIndex(QStringLiteral("ID"));
        std::vector<qint32> ids;
        ids.reserve(size_t(lib.books.RecordCount()));
        for (auto _ : state) {
            state.PauseTiming();
            lib.books.setIndexFieldNames(QStringLiteral("ID"));
            state.ResumeTiming();
            lib.books.setIndexFieldNames(QStringLiteral("Verfasser"));
            readOrderedIds(lib.books, idField, ids);
            benchmark::DoNotOptimize(ids.data());
        }
        plainBooks(lib);
    });
}

void orderAuthorSqlite(benchmark::State& state) {
    guarded(state, "order-author/sqlite", [&] {
        BaseLibrary& lib = baseLibrary();
        std::vector<qint32> ids;
        ids.reserve(size_t(lib.books.RecordCount()));
        for (auto _ : state) {
            readSqliteOrderedIds(lib.sql, ids);
            benchmark::DoNotOptimize(ids.data());
        }
    });
}

// ---- (c) locating a book by its number --------------------------------------------------------------------

qint32 sqliteBookByNumber(SqliteDatabase& db, qint32 number) {
    SqliteStatement select(db, "SELECT ID FROM Buecher WHERE Nummer = " + QByteArray::number(number));
    return select.step() ? sqlite3_column_int(select.handle(), 0) : -1;
}

void checkLocate(BaseLibrary& lib) {
    if (lib.locateChecked)
        return;
    lib.locateChecked = true;
    plainBooks(lib);
    const int idField = lib.books.fieldIndex(QStringLiteral("ID"));
    for (size_t i = 0; i < lib.numbers.size(); ++i) {
        const bool found = lib.books.Locate(QStringLiteral("Nummer"), {QVariant(lib.numbers[i])});
        const qint32 ours = found ? lib.books.field(idField).AsInteger() : -1;
        const qint32 theirs = sqliteBookByNumber(lib.sql, lib.numbers[i]);
        if (ours != lib.numberIds[i] || theirs != lib.numberIds[i]) {
            BenchContext::instance().fail(QStringLiteral("locate-number %1: the book has ID %2, our Locate found %3, "
                                                         "SQLite %4")
                                              .arg(lib.numbers[i])
                                              .arg(lib.numberIds[i])
                                              .arg(ours)
                                              .arg(theirs));
        }
    }
}

void locateNumberOurs(benchmark::State& state) {
    guarded(state, "locate-number/lesaro", [&] {
        BaseLibrary& lib = baseLibrary();
        checkLocate(lib);
        plainBooks(lib);
        const QString field = QStringLiteral("Nummer");
        std::vector<QVariantList> keys;
        for (qint32 n : lib.numbers)
            keys.push_back({QVariant(n)});
        size_t i = 0;
        bool found = true;
        for (auto _ : state) {
            found &= lib.books.Locate(field, keys[i]);
            i = (i + 1) % keys.size();
        }
        if (!found)
            throw std::runtime_error("a Locate found nothing");
    });
}

void locateNumberSqlite(benchmark::State& state) {
    guarded(state, "locate-number/sqlite", [&] {
        BaseLibrary& lib = baseLibrary();
        size_t i = 0;
        bool found = true;
        for (auto _ : state) {
            found &= sqliteBookByNumber(lib.sql, lib.numbers[i]) == lib.numberIds[i];
            i = (i + 1) % lib.numbers.size();
        }
        if (!found)
            throw std::runtime_error("a lookup by number found the wrong book");
    });
}

// ---- (d) the six lookup fields of every loan --------------------------------------------------------------

const char* const kLookupFields[] = {"BuchVerfasser", "BuchTitel",     "BuchNummer",
                                     "LeserVorname",  "LeserNachname", "LeserNummer"};

const QByteArray kLookupSql = "SELECT b.Verfasser, b.Titel, b.Nummer, r.Vorname, r.Nachname, r.Nummer, a.ID "
                              "FROM Ausleihe AS a LEFT JOIN Buecher AS b ON b.ID = a.BuecherID "
                              "LEFT JOIN Leser AS r ON r.ID = a.LeserID ORDER BY a.ID";

std::vector<int> lookupFieldIndexes(const Table& loans) {
    std::vector<int> fields;
    for (const char* name : kLookupFields) {
        const int f = loans.fieldIndex(QLatin1String(name));
        if (f < 0)
            throw std::runtime_error(std::string("the loan table has no field ") + name);
        fields.push_back(f);
    }
    return fields;
}

void checkLookups(BaseLibrary& lib) {
    if (lib.lookupChecked)
        return;
    lib.lookupChecked = true;
    plainBooks(lib);
    const std::vector<int> fields = lookupFieldIndexes(lib.loans);
    const int idField = lib.loans.fieldIndex(QStringLiteral("ID"));
    SqliteStatement select(lib.sql, kLookupSql);
    sqlite3_stmt* st = select.handle();
    int row = 0, differences = 0, empty = 0;
    QString first;
    while (select.step()) {
        if (row >= lib.loans.viewCount()) {
            ++differences;
            break;
        }
        if (lib.loans.valueAt(row, idField).toInt() != sqlite3_column_int(st, 6))
            ++differences;
        for (int k = 0; k < 6; ++k) {
            const Value v = lib.loans.valueAt(row, fields[size_t(k)]);
            const bool theirsNull = sqlite3_column_type(st, k) == SQLITE_NULL;
            bool same = v.isNull() == theirsNull;
            if (same && !v.isNull()) {
                same = v.kind() == FieldKind::Text
                           ? win1252::decode(v.bytes()) ==
                                 QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, k)),
                                                   sqlite3_column_bytes(st, k))
                           : v.toInt() == sqlite3_column_int(st, k);
            }
            empty += theirsNull;
            if (!same && differences++ == 0)
                first =
                    QStringLiteral("loan %1, %2").arg(sqlite3_column_int(st, 6)).arg(QLatin1String(kLookupFields[k]));
        }
        ++row;
    }
    if (row != lib.loans.viewCount())
        ++differences;
    BenchContext::instance().note(
        QStringLiteral("lookup-loans: %1 loans, %2 empty lookup values (weeded books, departed readers)")
            .arg(row)
            .arg(empty));
    if (differences) {
        BenchContext::instance().fail(QStringLiteral("lookup-loans: %1 values differ from SQLite's joins, first at %2")
                                          .arg(differences)
                                          .arg(first));
    }
}

void lookupLoansOurs(benchmark::State& state) {
    guarded(state, "lookup-loans/lesaro", [&] {
        BaseLibrary& lib = baseLibrary();
        checkLookups(lib);
        plainBooks(lib);
        const std::vector<int> fields = lookupFieldIndexes(lib.loans);
        for (auto _ : state) {
            quint64 sum = 0;
            const int n = lib.loans.viewCount();
            for (int row = 0; row < n; ++row) {
                for (int f : fields) {
                    const Value v = lib.loans.valueAt(row, f);
                    if (!v.isNull())
                        sum += v.kind() == FieldKind::Text ? quint64(v.bytes().size()) : quint64(v.toInt());
                }
            }
            benchmark::DoNotOptimize(sum);
        }
    });
}

void lookupLoansSqlite(benchmark::State& state) {
    guarded(state, "lookup-loans/sqlite", [&] {
        BaseLibrary& lib = baseLibrary();
        for (auto _ : state) {
            quint64 sum = 0;
            SqliteStatement select(lib.sql, kLookupSql);
            sqlite3_stmt* st = select.handle();
            while (select.step()) {
                for (int k = 0; k < 6; ++k) {
                    switch (sqlite3_column_type(st, k)) {
                    case SQLITE_TEXT:
                        benchmark::DoNotOptimize(sqlite3_column_text(st, k));
                        sum += quint64(sqlite3_column_bytes(st, k));
                        break;
                    case SQLITE_INTEGER:
                        sum += quint64(sqlite3_column_int(st, k));
                        break;
                    default:
                        break;
                    }
                }
            }
            benchmark::DoNotOptimize(sum);
        }
    });
}

} // namespace

void registerLibraryBenchmarks() {
    auto add = [](const char* name, void (*fn)(benchmark::State&), benchmark::TimeUnit unit) {
        benchmark::RegisterBenchmark(name, fn)->UseRealTime()->Unit(unit);
    };
    add("search-keywords/lesaro", searchKeywordsOurs, benchmark::kMillisecond);
    add("search-keywords/sqlite", searchKeywordsSqlite, benchmark::kMillisecond);
    add("order-author/lesaro", orderAuthorOurs, benchmark::kMillisecond);
    add("order-author/sqlite", orderAuthorSqlite, benchmark::kMillisecond);
    add("locate-number/lesaro", locateNumberOurs, benchmark::kMicrosecond);
    add("locate-number/sqlite", locateNumberSqlite, benchmark::kMicrosecond);
    add("lookup-loans/lesaro", lookupLoansOurs, benchmark::kMillisecond);
    add("lookup-loans/sqlite", lookupLoansSqlite, benchmark::kMillisecond);
}

} // namespace lesaro::bench
