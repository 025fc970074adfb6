// What a start after a crash puts right before it writes the recovered tables: number counters that lag
// behind the recovered rows, and lent flags caught between a loan's two posts.
#include "core/Clock.h"
#include "core/LibraryTables.h"
#include "library/LibraryData.h"
#include "library/RecoveryRepair.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>

using namespace lesaro;

namespace {

const QString kLastBuch = QStringLiteral("LastBuchNummer");
const QString kLastLeser = QStringLiteral("LastLeserNummer");

// A book as a case row writes it: its ID and its lent flag (empty when not given).
struct BookRow {
    qint32 id;
    std::optional<bool> lent;
};
// A loan of a book, open or returned.
struct LoanRow {
    qint32 bookId;
    bool returned;
};

} // namespace

Q_DECLARE_METATYPE(QList<qint32>)
Q_DECLARE_METATYPE(QList<BookRow>)
Q_DECLARE_METATYPE(QList<LoanRow>)

namespace {

// The three library tables, open and empty, without any rules.
struct Tables {
    Table books{QStringLiteral("ClientBuecher")};
    Table readers{QStringLiteral("ClientLeser")};
    Table loans{QStringLiteral("ClientAusleihe")};
    Tables() {
        books.setColumns(LibraryTables::bookColumns());
        readers.setColumns(LibraryTables::readerColumns());
        loans.setColumns(LibraryTables::loanColumns());
        for (Table* t : {&books, &readers, &loans})
            t->CreateDataSet();
    }
};

void appendNumbered(Table& t, qint32 id, qint32 nummer) {
    t.Append();
    t.FieldByName(QStringLiteral("ID")).setAsInteger(id);
    t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
    t.Post();
}

void appendBook(Table& books, const BookRow& b) {
    books.Append();
    books.FieldByName(QStringLiteral("ID")).setAsInteger(b.id);
    books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Buch %1").arg(b.id));
    if (b.lent)
        books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(*b.lent);
    books.Post();
}

void appendLoan(Table& loans, qint32 id, const LoanRow& l) {
    loans.Append();
    loans.FieldByName(QStringLiteral("ID")).setAsInteger(id);
    loans.FieldByName(QStringLiteral("BuecherID")).setAsInteger(l.bookId);
    loans.FieldByName(QStringLiteral("LeserID")).setAsInteger(1);
    loans.FieldByName(QStringLiteral("DatumVon")).setAsDate(QDate(2026, 3, 2));
    if (l.returned)
        loans.FieldByName(QStringLiteral("DatumBis")).setAsDate(QDate(2026, 3, 4));
    else
        loans.FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(QDate(2026, 4, 1));
    loans.Post();
}

// Every live book's flag by ID, read from the store itself (filters play no part): true, false or empty.
std::map<qint32, std::optional<bool>> flagsById(const Table& books) {
    const RowStore& store = books.store();
    int id = -1;
    int lent = -1;
    for (int c = 0; c < store.columns().size(); ++c) {
        if (store.columns()[c].name == QLatin1String("ID"))
            id = c;
        if (store.columns()[c].name == QLatin1String("ausgeliehen"))
            lent = c;
    }
    std::map<qint32, std::optional<bool>> out;
    for (qsizetype slot = 0; slot < store.slotCount(); ++slot) {
        if (!SlotStatus::isLive(store.status(slot)))
            continue;
        const RowRef row(store, slot);
        const Value v = row.value(lent);
        out[row.int32(id)] = v.isNull() ? std::nullopt : std::optional<bool>(v.toBool());
    }
    return out;
}

QString shown(const std::optional<bool>& flag) {
    return !flag ? QStringLiteral("leer") : *flag ? QStringLiteral("true") : QStringLiteral("false");
}

// A book with an open loan is lent; one without keeps an empty flag and is otherwise available.
std::optional<bool> expectedFlag(const std::optional<bool>& before, bool hasOpenLoan) {
    if (hasOpenLoan)
        return true;
    return before ? std::optional<bool>(false) : std::nullopt;
}

} // namespace

class RecoveryRepairTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Lesaro.reg"));
    }

    // Each counter rises to the largest number on a live row of its own table and never falls; numbers
    // only a deleted row or an earlier version of a row carried are free again.
    void countersRiseToTheLargestStoredNumber_data() {
        QTest::addColumn<int>("counter");
        QTest::addColumn<QList<qint32>>("numbers");
        QTest::addColumn<int>("deletedNumber"); // 0: nothing deleted
        QTest::addColumn<int>("expected");
        QTest::newRow("empty table, no counter") << 0 << QList<qint32>{} << 0 << 0;
        QTest::newRow("empty table keeps the counter") << 17 << QList<qint32>{} << 0 << 17;
        QTest::newRow("counter below the stored numbers") << 3 << QList<qint32>{1, 2, 9, 4} << 0 << 9;
        QTest::newRow("counter missing") << 0 << QList<qint32>{5, 6} << 0 << 6;
        QTest::newRow("counter equal") << 9 << QList<qint32>{9, 1} << 0 << 9;
        QTest::newRow("counter above is never lowered") << 500 << QList<qint32>{9, 1} << 0 << 500;
        QTest::newRow("a deleted row's number does not count") << 2 << QList<qint32>{1, 2} << 40 << 2;
        QTest::newRow("negative numbers only") << 0 << QList<qint32>{-3, -1} << 0 << 0;
    }
    void countersRiseToTheLargestStoredNumber() {
        QFETCH(int, counter);
        QFETCH(QList<qint32>, numbers);
        QFETCH(int, deletedNumber);
        QFETCH(int, expected);
        // Books and readers each get the case; the other table holds a larger number that must not leak
        // into the counter under test.
        for (const bool booksUnderTest : {true, false}) {
            Tables t;
            Table& own = booksUnderTest ? t.books : t.readers;
            Table& other = booksUnderTest ? t.readers : t.books;
            const QString& ownCounter = booksUnderTest ? kLastBuch : kLastLeser;
            const QString& otherCounter = booksUnderTest ? kLastLeser : kLastBuch;
            INI::WriteSettingInteger(ownCounter, counter);
            INI::WriteSettingInteger(otherCounter, 1000000);
            appendNumbered(other, 1, 900000);
            qint32 id = 0;
            for (qint32 n : numbers)
                appendNumbered(own, ++id, n);
            if (deletedNumber) {
                appendNumbered(own, ++id, deletedNumber);
                own.Last();
                own.Delete();
            }
            RecoveryRepair::raiseNumberCounters(t.books, t.readers);
            QVERIFY2(INI::ReadSettingInteger(ownCounter) == expected,
                     qPrintable(QStringLiteral("%1: %2").arg(ownCounter).arg(INI::ReadSettingInteger(ownCounter))));
            QCOMPARE(INI::ReadSettingInteger(otherCounter), 1000000);
        }
    }

    // A number given to a book after it was stored (an edit) counts with the book's current version only.
    void anEditedNumberCountsAsItIsNow() {
        Tables t;
        appendNumbered(t.books, 1, 80);
        t.books.Edit();
        t.books.FieldByName(QStringLiteral("Nummer")).setAsInteger(12);
        t.books.Post();
        INI::WriteSettingInteger(kLastBuch, 5);
        RecoveryRepair::raiseNumberCounters(t.books, t.readers);
        QCOMPARE(INI::ReadSettingInteger(kLastBuch), 12);
    }

    // Every book ends up lent exactly when it has an open loan; the count names the books changed.
    void lentFlagsFollowTheOpenLoans_data() {
        QTest::addColumn<QList<BookRow>>("books");
        QTest::addColumn<QList<LoanRow>>("loans");
        QTest::addColumn<QList<qint32>>("lentAfter"); // IDs lent afterwards; all others false
        QTest::addColumn<int>("repaired");
        QTest::newRow("nothing to do") << QList<BookRow>{{1, false}, {2, true}} << QList<LoanRow>{{2, false}}
                                       << QList<qint32>{2} << 0;
        QTest::newRow("empty tables") << QList<BookRow>{} << QList<LoanRow>{} << QList<qint32>{} << 0;
        QTest::newRow("lent without an open loan (return cut short)")
            << QList<BookRow>{{1, true}, {2, false}} << QList<LoanRow>{{1, true}} << QList<qint32>{} << 1;
        QTest::newRow("available with an open loan (loan cut short)")
            << QList<BookRow>{{1, false}, {2, false}} << QList<LoanRow>{{2, false}} << QList<qint32>{2} << 1;
        QTest::newRow("returned loans only")
            << QList<BookRow>{{1, true}, {2, false}, {3, true}}
            << QList<LoanRow>{{1, true}, {1, true}, {2, true}, {3, true}} << QList<qint32>{} << 2;
        QTest::newRow("several loans of one book, one open")
            << QList<BookRow>{{1, false}, {2, true}} << QList<LoanRow>{{1, true}, {1, false}, {1, true}, {2, true}}
            << QList<qint32>{1} << 2;
        QTest::newRow("empty flag counts as available")
            << QList<BookRow>{{1, std::nullopt}, {2, std::nullopt}, {3, std::nullopt}}
            << QList<LoanRow>{{2, false}, {3, true}} << QList<qint32>{2} << 1;
        QTest::newRow("loan of a book that is gone")
            << QList<BookRow>{{1, false}} << QList<LoanRow>{{7, false}} << QList<qint32>{} << 0;
    }
    void lentFlagsFollowTheOpenLoans() {
        QFETCH(QList<BookRow>, books);
        QFETCH(QList<LoanRow>, loans);
        QFETCH(QList<qint32>, lentAfter);
        QFETCH(int, repaired);
        Tables t;
        for (const BookRow& b : books)
            appendBook(t.books, b);
        qint32 loanId = 0;
        for (const LoanRow& l : loans)
            appendLoan(t.loans, ++loanId, l);
        QCOMPARE(RecoveryRepair::alignLentFlags(t.books, t.loans), repaired);
        const auto flags = flagsById(t.books);
        QCOMPARE(int(flags.size()), int(books.size()));
        for (const BookRow& b : books)
            QVERIFY2(flags.at(b.id) == expectedFlag(b.lent, lentAfter.contains(b.id)),
                     qPrintable(QStringLiteral("Buch %1: %2").arg(b.id).arg(shown(flags.at(b.id)))));
        // A second pass finds nothing left.
        QCOMPARE(RecoveryRepair::alignLentFlags(t.books, t.loans), 0);
    }

    // The repair sees the books a window's filter hides, and leaves that filter and the current row as the
    // user had them; the loan table's filter does not hide open loans from it either.
    void filtersAndTheCurrentRowStay() {
        Tables t;
        for (qint32 id = 1; id <= 6; ++id)
            appendBook(t.books, {id, id % 2 == 0});
        qint32 loanId = 0;
        for (qint32 id : {1, 3, 4})
            appendLoan(t.loans, ++loanId, {id, false});
        t.books.setFilter(QStringLiteral("ID > 3"));
        t.books.setFiltered(true);
        QVERIFY(t.books.Locate(QStringLiteral("ID"), {5}));
        t.loans.setFilter(QStringLiteral("BuecherID=4"));
        t.loans.setFiltered(true);
        // Books 1 and 3 have open loans but are false, 2 and 6 are true without one.
        QCOMPARE(RecoveryRepair::alignLentFlags(t.books, t.loans), 4);
        QVERIFY(t.books.Filtered());
        QCOMPARE(t.books.Filter(), QStringLiteral("ID > 3"));
        QCOMPARE(t.books.RecordCount(), 3);
        QCOMPARE(t.books.FieldByName(QStringLiteral("ID")).AsInteger(), 5);
        QCOMPARE(t.books.State(), TableState::Browse);
        QCOMPARE(t.loans.RecordCount(), 1);
        const auto flags = flagsById(t.books);
        for (qint32 id = 1; id <= 6; ++id)
            QCOMPARE(flags.at(id), std::optional<bool>(id == 1 || id == 3 || id == 4));
    }

    void theSentenceCountsBooks_data() {
        QTest::addColumn<int>("repaired");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("none") << 0 << QString();
        QTest::newRow("one") << 1 << "Bei einem Buch wurde der Ausleihstatus an die offenen Ausleihen angepasst.";
        QTest::newRow("two") << 2 << "Bei 2 Büchern wurde der Ausleihstatus an die offenen Ausleihen angepasst.";
    }
    void theSentenceCountsBooks() {
        QFETCH(int, repaired);
        QFETCH(QString, sentence);
        QCOMPARE(RecoveryRepair::lentFlagsSentence(repaired), sentence);
    }

    // Random libraries (books added, edited and deleted, loans booked, returned and deleted, flags set at
    // random) against a plain model: a map of books and a list of loans. After the repair every book is lent
    // exactly when the model has an open loan for it, and the count is the number of books the model says
    // were wrong.
    void randomLibrariesAgainstAPlainModel() {
        for (const quint32 seed : {1u, 2u, 3u, 7u, 42u, 2026u, 31337u, 99991u}) {
            QRandomGenerator rng(seed);
            Tables t;
            std::map<qint32, std::optional<bool>> modelBooks;
            std::map<qint32, LoanRow> modelLoans; // by loan ID
            QStringList ops;
            const auto note = [&](const QString& op) {
                ops << op;
                if (ops.size() > 12)
                    ops.removeFirst();
            };
            const auto randomFlag = [&]() -> std::optional<bool> {
                const int r = rng.bounded(5);
                return r == 0 ? std::nullopt : std::optional<bool>(r % 2 == 0);
            };
            qint32 nextBook = 0;
            qint32 nextLoan = 0;
            const int steps = 200 + rng.bounded(400);
            for (int step = 0; step < steps; ++step) {
                const int op = rng.bounded(10);
                if (op < 3 || modelBooks.empty()) {
                    const BookRow b{++nextBook, randomFlag()};
                    appendBook(t.books, b);
                    modelBooks[b.id] = b.lent;
                    note(QStringLiteral("Buch %1 neu (%2)").arg(b.id).arg(shown(b.lent)));
                } else if (op < 5) {
                    const qint32 bookId = qint32(rng.bounded(nextBook)) + 1; // also books that are gone
                    const LoanRow l{bookId, rng.bounded(2) == 0};
                    appendLoan(t.loans, ++nextLoan, l);
                    modelLoans[nextLoan] = l;
                    note(QStringLiteral("Ausleihe %1 von Buch %2%3")
                             .arg(nextLoan)
                             .arg(bookId)
                             .arg(l.returned ? QStringLiteral(" zurück") : QString()));
                } else if (op < 7 && !modelLoans.empty()) {
                    auto it = std::next(modelLoans.begin(), rng.bounded(int(modelLoans.size())));
                    QVERIFY(t.loans.Locate(QStringLiteral("ID"), {it->first}));
                    if (rng.bounded(4) == 0) {
                        t.loans.Delete();
                        note(QStringLiteral("Ausleihe %1 gelöscht").arg(it->first));
                        modelLoans.erase(it);
                    } else {
                        t.loans.Edit();
                        if (it->second.returned)
                            t.loans.FieldByName(QStringLiteral("DatumBis")).Clear();
                        else
                            t.loans.FieldByName(QStringLiteral("DatumBis")).setAsDate(QDate(2026, 3, 9));
                        t.loans.Post();
                        it->second.returned = !it->second.returned;
                        note(QStringLiteral("Ausleihe %1 %2")
                                 .arg(it->first)
                                 .arg(it->second.returned ? QStringLiteral("zurück") : QStringLiteral("wieder offen")));
                    }
                } else {
                    auto it = std::next(modelBooks.begin(), rng.bounded(int(modelBooks.size())));
                    QVERIFY(t.books.Locate(QStringLiteral("ID"), {it->first}));
                    if (op == 9) {
                        t.books.Delete();
                        note(QStringLiteral("Buch %1 gelöscht").arg(it->first));
                        modelBooks.erase(it);
                    } else {
                        const std::optional<bool> flag = randomFlag();
                        t.books.Edit();
                        if (flag)
                            t.books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(*flag);
                        else
                            t.books.FieldByName(QStringLiteral("ausgeliehen")).Clear();
                        t.books.Post();
                        it->second = flag;
                        note(QStringLiteral("Buch %1 auf %2").arg(it->first).arg(shown(flag)));
                    }
                }
            }
            // A window's narrowing is in force when the repair runs.
            t.books.setFilter(QStringLiteral("ausgeliehen = false"));
            t.books.setFiltered(true);

            std::set<qint32> open;
            for (const auto& [id, l] : modelLoans) {
                if (!l.returned)
                    open.insert(l.bookId);
            }
            int modelRepairs = 0;
            for (const auto& [id, flag] : modelBooks) {
                if (flag.value_or(false) != (open.count(id) > 0))
                    ++modelRepairs;
            }
            const QString context = QStringLiteral("Startwert %1 nach %2 Schritten, zuletzt: %3")
                                        .arg(seed)
                                        .arg(steps)
                                        .arg(ops.join(QStringLiteral("; ")));
            const int repaired = RecoveryRepair::alignLentFlags(t.books, t.loans);
            QVERIFY2(
                repaired == modelRepairs,
                qPrintable(QStringLiteral("%1 statt %2 geändert; %3").arg(repaired).arg(modelRepairs).arg(context)));
            const auto flags = flagsById(t.books);
            QVERIFY2(flags.size() == modelBooks.size(), qPrintable(context));
            for (const auto& [id, flag] : flags) {
                QVERIFY2(modelBooks.count(id),
                         qPrintable(QStringLiteral("Buch %1 unbekannt; %2").arg(id).arg(context)));
                QVERIFY2(flag == expectedFlag(modelBooks.at(id), open.count(id) > 0),
                         qPrintable(QStringLiteral("Buch %1 ist %2; %3").arg(id).arg(shown(flag)).arg(context)));
            }
            QVERIFY2(t.books.Filtered() && t.books.Filter() == QStringLiteral("ausgeliehen = false"),
                     qPrintable(context));
        }
    }
};

// A start after a crash, on a real data folder.
class RecoveryStartTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString base() const { return m_dir->path() + QStringLiteral("/share"); }
    QString folder() const { return base() + QStringLiteral("/Tomarelle 2022/"); }

    std::unique_ptr<LibraryData> start() {
        auto data = std::make_unique<LibraryData>();
        data->FormCreate(base(), m_dir->path() + QStringLiteral("/bin"));
        data->loadAtStart();
        return data;
    }
    // The data folder as a crash leaves it: the last saved tables and the journal synced so far. The run
    // itself writes nothing more.
    void crash(std::unique_ptr<LibraryData> data) {
        QVERIFY(data->flushJournal().isEmpty());
        const QString copy = m_dir->path() + QStringLiteral("/crashed/");
        QDir().mkpath(copy);
        for (const QString& name : QDir(folder()).entryList(QDir::Files))
            QVERIFY(QFile::copy(folder() + name, copy + name));
        data->blockSaving();
        data.reset();
        QDir(folder()).removeRecursively();
        QVERIFY(QDir().rename(copy, folder()));
    }
    std::map<qint32, std::optional<bool>> savedFlags(const QString& in = {}) {
        Table books;
        books.setColumns(LibraryTables::bookColumns());
        books.LoadFromFile((in.isEmpty() ? folder() : in) + QLatin1String(LibraryTables::kBookFile));
        return flagsById(books);
    }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Lesaro.reg"));
        Clock::setFixedNow(QDateTime(QDate(2026, 3, 5), QTime(16, 4, 0)));
    }
    void cleanup() { Clock::setFixedNow({}); }

    // A loan whose book was not yet marked and a return whose book was not yet freed: the next start puts
    // both books right, says so in one sentence after the recovery notice, and writes them at once.
    void aCrashBetweenTheTwoPostsIsRepaired() {
        {
            auto data = start();
            appendBook(data->ClientBuecher, {1, true});
            appendBook(data->ClientBuecher, {2, false});
            appendBook(data->ClientBuecher, {3, false});
            appendLoan(data->ClientAusleihe, 1, {1, false});
            data->saveTables();
        }
        {
            auto data = start();
            appendLoan(data->ClientAusleihe, 2, {2, false}); // booked, the flag not yet posted
            QVERIFY(data->ClientAusleihe.Locate(QStringLiteral("ID"), {1}));
            data->ClientAusleihe.Edit(); // returned, the flag not yet posted
            data->ClientAusleihe.FieldByName(QStringLiteral("DatumBis")).setAsDate(QDate(2026, 3, 5));
            data->ClientAusleihe.Post();
            crash(std::move(data));
        }
        auto data = start();
        QVERIFY2(data->recoveryNotice().endsWith(
                     QStringLiteral("wiederhergestellt und gespeichert. Bei 2 Büchern wurde der Ausleihstatus an die "
                                    "offenen Ausleihen angepasst.")),
                 qPrintable(data->recoveryNotice()));
        const std::map<qint32, std::optional<bool>> expected{{1, false}, {2, true}, {3, false}};
        QCOMPARE(flagsById(data->ClientBuecher), expected);
        QCOMPARE(savedFlags(), expected);
        // The start-up copy holds the repaired tables, and it is the file just written under a second name,
        // not a second writing of the library.
        QCOMPARE(savedFlags(data->lastStartupCopy()), expected);
        for (const char* name : {LibraryTables::kBookFile, LibraryTables::kReaderFile, LibraryTables::kLoanFile}) {
            struct stat saved {};
            struct stat copy {};
            QCOMPARE(::stat(QFile::encodeName(folder() + QLatin1String(name)).constData(), &saved), 0);
            QCOMPARE(::stat(QFile::encodeName(data->lastStartupCopy() + QLatin1String(name)).constData(), &copy), 0);
            QCOMPARE(copy.st_ino, saved.st_ino);
        }
        data->saveTables();
    }

    // A recovery with nothing to put right says nothing about lent flags.
    void aConsistentRecoveryAddsNoSentence() {
        {
            auto data = start();
            appendBook(data->ClientBuecher, {1, false});
            data->saveTables();
        }
        {
            auto data = start();
            appendBook(data->ClientBuecher, {2, false});
            crash(std::move(data));
        }
        auto data = start();
        QVERIFY(data->recoveryNotice().endsWith(QStringLiteral("wiederhergestellt und gespeichert.")));
        QVERIFY(!data->recoveryNotice().contains(QStringLiteral("Ausleihstatus")));
    }

    // The counters live in the user's settings, the rows in the data folder. Whether the settings never knew
    // the rows (a new computer, another account, a restored backup), hold older values, or lost the last ones
    // in a crash, every start raises the counters to the largest stored numbers: no new book or reader is
    // proposed a number a live row carries.
    void countersCatchUpAtEveryStart_data() {
        QTest::addColumn<bool>("crashed");
        QTest::addColumn<QString>("settings"); // "none": no settings file at all; "behind": counters at 1
        QTest::newRow("clean end, no settings file") << false << "none";
        QTest::newRow("clean end, counters behind") << false << "behind";
        QTest::newRow("crash, counters behind") << true << "behind";
        QTest::newRow("crash, no settings file") << true << "none";
    }
    void countersCatchUpAtEveryStart() {
        QFETCH(bool, crashed);
        QFETCH(QString, settings);
        {
            auto data = start();
            appendNumbered(data->ClientBuecher, 1, 12);
            appendNumbered(data->ClientLeser, 1, 7);
            data->saveTables();
        }
        if (crashed) {
            auto data = start();
            appendNumbered(data->ClientBuecher, 2, 230);
            appendNumbered(data->ClientLeser, 2, 57);
            crash(std::move(data));
        }
        if (settings == QLatin1String("none")) {
            SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Anderer.reg"));
        } else {
            INI::WriteSettingInteger(kLastBuch, 1);
            INI::WriteSettingInteger(kLastLeser, 1);
        }
        auto data = start();
        QCOMPARE(INI::ReadSettingInteger(kLastBuch), crashed ? 230 : 12);
        QCOMPARE(INI::ReadSettingInteger(kLastLeser), crashed ? 57 : 7);
        data->saveTables();
    }

    // A counter moved just before the end reaches the settings file before the journal is removed: a crash
    // after the removal leaves no journal that would make the next start raise the counter.
    void theCountersReachTheDiskBeforeTheJournalGoes_data() {
        QTest::addColumn<bool>("byCloseRule");
        QTest::newRow("main window closed") << false;
        QTest::newRow("tables closed at the end of the run") << true;
    }
    void theCountersReachTheDiskBeforeTheJournalGoes() {
        QFETCH(bool, byCloseRule);
        const QString settingsFile = m_dir->path() + QStringLiteral("/Lesaro.reg");
        const auto onDisk = [&] { return SettingsStore(settingsFile).readInteger(kLastBuch); };
        auto data = start();
        appendNumbered(data->ClientBuecher, 1, 41);
        INI::WriteSettingInteger(kLastBuch, 40);
        INI::FlushSettings();
        INI::WriteSettingInteger(kLastBuch, 41); // within the second: in memory only
        QCOMPARE(onDisk(), 40);
        if (byCloseRule)
            data->closeLibraryTables();
        else
            data->saveTables();
        QVERIFY(!QFileInfo::exists(folder() + QStringLiteral("journal.lsj")));
        QCOMPARE(onDisk(), 41);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        RecoveryRepairTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        RecoveryStartTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_recovery.moc"
