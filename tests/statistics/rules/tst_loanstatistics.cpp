#include "core/LibraryTables.h"
#include "core/Win1252.h"
#include "statistics/rules/LoanStatistics.h"
#include "statistics/rules/StatisticsTables.h"
#include "support/RulesLibrary.h"

#include <QMap>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <optional>

using namespace lesaro;
using namespace lesaro::statistics;
using lesaro::testing::RulesLibrary;

namespace {

// The library as the test wrote it, for a plain computation of every figure.
struct PlainBook {
    int id;
    std::optional<int> nummer;
    QString group;
};
struct PlainLoan {
    std::optional<int> book;
    std::optional<int> reader;
    QDate from, due, returned;
};

struct Plain {
    QList<PlainBook> books; // in the catalogue, in ID order
    QList<int> readers;
    QList<PlainLoan> loans;
    QDate today;

    const PlainBook* book(std::optional<int> id) const {
        for (const PlainBook& b : books)
            if (id && b.id == *id)
                return &b;
        return nullptr;
    }
    bool plausible(const PlainLoan& l) const {
        return l.from.isValid() && l.from >= QDate(1900, 1, 1) && l.from <= today;
    }
};

QString describe(const Plain& p, const StatisticsPeriod& period, QDate since) {
    QString s = QStringLiteral("today %1, period %2..%3, weeding since %4\n")
                    .arg(p.today.toString(Qt::ISODate), period.from.toString(Qt::ISODate),
                         period.to.toString(Qt::ISODate), since.toString(Qt::ISODate));
    for (const PlainLoan& l : p.loans)
        s += QStringLiteral("  loan book %1 reader %2 from %3 due %4 back %5\n")
                 .arg(l.book ? QString::number(*l.book) : QStringLiteral("-"),
                      l.reader ? QString::number(*l.reader) : QStringLiteral("-"), l.from.toString(Qt::ISODate),
                      l.due.toString(Qt::ISODate), l.returned.toString(Qt::ISODate));
    return s;
}

QList<YearFigures> plainAppearance(const QList<std::pair<int, QDate>>& firstLoans, int& notYet) {
    QMap<int, int> years;
    notYet = 0;
    for (const auto& [id, first] : firstLoans) {
        QDate earliest;
        for (const auto& [other, otherFirst] : firstLoans)
            if (other >= id && otherFirst.isValid() && (!earliest.isValid() || otherFirst < earliest))
                earliest = otherFirst;
        if (earliest.isValid())
            ++years[earliest.year()];
        else
            ++notYet;
    }
    QList<YearFigures> out;
    for (auto it = years.cbegin(); it != years.cend(); ++it)
        out.append({it.key(), it.value()});
    return out;
}

struct PlainTables {
    Table bookTable{QStringLiteral("ClientBuecher")}, readerTable{QStringLiteral("ClientLeser")},
        loanTable{QStringLiteral("ClientAusleihe")};
    PlainTables() {
        bookTable.setColumns(LibraryTables::bookColumns());
        readerTable.setColumns(LibraryTables::readerColumns());
        loanTable.setColumns(LibraryTables::loanColumns());
        for (Table* t : {&bookTable, &readerTable, &loanTable})
            t->CreateDataSet();
    }
    Table& books() { return bookTable; }
    Table& readers() { return readerTable; }
    Table& loans() { return loanTable; }
};

} // namespace

class TestLoanStatistics : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void periods_data();
    void periods();
    void badPeriod();
    void modelCheck();
    void weedingOrder_data();
    void weedingOrder();
    void texts();
    void csvFiles();
};

void TestLoanStatistics::periods_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("calendar year") << "year" << QDate(2025, 3, 15) << QDate(2025, 1, 1) << QDate(2025, 12, 31);
    QTest::newRow("calendar year, New Year's Eve")
        << "year" << QDate(2025, 12, 31) << QDate(2025, 1, 1) << QDate(2025, 12, 31);
    QTest::newRow("school year, last day") << "school" << QDate(2025, 7, 31) << QDate(2024, 8, 1) << QDate(2025, 7, 31);
    QTest::newRow("school year, first day") << "school" << QDate(2025, 8, 1) << QDate(2025, 8, 1) << QDate(2026, 7, 31);
    QTest::newRow("school year, January") << "school" << QDate(2026, 1, 10) << QDate(2025, 8, 1) << QDate(2026, 7, 31);
    QTest::newRow("last twelve months") << "twelve" << QDate(2025, 6, 15) << QDate(2024, 6, 16) << QDate(2025, 6, 15);
    QTest::newRow("last twelve months from 29 February")
        << "twelve" << QDate(2024, 2, 29) << QDate(2023, 3, 1) << QDate(2024, 2, 29);
}

void TestLoanStatistics::periods() {
    QFETCH(QString, kind);
    QFETCH(QDate, today);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    const StatisticsPeriod p = kind == QLatin1String("year")     ? StatisticsPeriod::calendarYear(today)
                               : kind == QLatin1String("school") ? StatisticsPeriod::schoolYear(today)
                                                                 : StatisticsPeriod::lastTwelveMonths(today);
    QCOMPARE(p.from, from);
    QCOMPARE(p.to, to);
    QVERIFY(p.problem().isEmpty());
}

void TestLoanStatistics::badPeriod() {
    const StatisticsPeriod backwards{QDate(2025, 5, 2), QDate(2025, 5, 1)};
    QVERIFY(backwards.problem().contains(QStringLiteral("„Bis“ liegt vor dem Datum bei „Von“")));
    QVERIFY(!StatisticsPeriod({QDate(), QDate(2025, 5, 1)}).problem().isEmpty());
    QVERIFY(StatisticsPeriod({QDate(2025, 5, 1), QDate(2025, 5, 1)}).problem().isEmpty());

    // A backwards period counts nothing and has no months; the stock is still counted.
    RulesLibrary lib;
    const int book = lib.addBook(1, QStringLiteral("A"), QStringLiteral("T"));
    const int reader = lib.addReader(1, QStringLiteral("V"), QStringLiteral("N"));
    lib.addLoan(book, reader, QDate(2025, 5, 1), QDate(2025, 5, 31));
    const StatisticsFigures f = LoanStatistics::compute(lib.books(), lib.readers(), lib.loans(), backwards,
                                                        QDate(2020, 1, 1), QDate(2025, 6, 1));
    QCOMPARE(f.loans, 0);
    QVERIFY(f.months.isEmpty());
    QCOMPARE(f.books, 1);
    QCOMPARE(f.booksLentNow, 1);
    QCOMPARE(f.loansOverdueNow, 1);
}

// Random small libraries against a plain computation of every figure: periods across month and year ends,
// loans without a return, without a date, with an impossible date, of deleted books and readers.
void TestLoanStatistics::modelCheck() {
    const QStringList groups{QString(),
                             QStringLiteral("Roman"),
                             QStringLiteral("Sachbuch"),
                             QStringLiteral("Krimi"),
                             QStringLiteral("Märchen"),
                             QStringLiteral("Lyrik"),
                             QStringLiteral("Comic"),
                             QStringLiteral("Kochen"),
                             QStringLiteral("Reisen"),
                             QStringLiteral("Natur"),
                             QStringLiteral("Tiere"),
                             QStringLiteral("Technik"),
                             QStringLiteral("Sport")};
    for (quint32 seed = 1; seed <= 300; ++seed) {
        QRandomGenerator rng(seed);
        // Plain tables with the library's fields: the IDs are set here, as the insert rules would set them.
        PlainTables lib;
        Plain plain;
        plain.today = QDate(2024, 1, 1).addDays(rng.bounded(800));
        auto randomDay = [&] { return plain.today.addDays(-rng.bounded(1200)); };

        const int bookCount = rng.bounded(14);
        for (int i = 0; i < bookCount; ++i) {
            const QString group = groups[rng.bounded(int(groups.size()))];
            lib.books().Append();
            const bool numbered = rng.bounded(6) != 0;
            const int nummer = rng.bounded(5);
            if (numbered)
                lib.books().FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
            else
                lib.books().FieldByName(QStringLiteral("Nummer")).Clear();
            lib.books().FieldByName(QStringLiteral("Sachgruppe")).setAsString(group);
            lib.books().FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Titel %1").arg(i));
            const int id = seed % 3 == 0 ? 10 + 100000 * i : 10 + 3 * i; // scattered IDs now and then
            lib.books().FieldByName(QStringLiteral("ID")).setAsInteger(id);
            lib.books().Post();
            plain.books.append({id, numbered ? std::optional<int>(nummer) : std::nullopt, group});
        }
        const int readerCount = rng.bounded(7);
        for (int i = 0; i < readerCount; ++i) {
            lib.readers().Append();
            lib.readers().FieldByName(QStringLiteral("ID")).setAsInteger(i + 1);
            lib.readers().FieldByName(QStringLiteral("Vorname")).setAsString(QStringLiteral("V"));
            lib.readers().Post();
            plain.readers.append(i + 1);
        }

        const int loanCount = rng.bounded(50);
        for (int i = 0; i < loanCount; ++i) {
            PlainLoan l;
            if (rng.bounded(12) != 0)
                l.book = bookCount > 0 && rng.bounded(8) != 0 ? plain.books[rng.bounded(bookCount)].id : 9000 + i;
            if (rng.bounded(12) != 0)
                l.reader = readerCount > 0 && rng.bounded(8) != 0 ? plain.readers[rng.bounded(readerCount)] : 8000;
            const int dateKind = rng.bounded(20);
            l.from = dateKind == 0   ? QDate()
                     : dateKind == 1 ? QDate(1850, 3, 1)
                     : dateKind == 2 ? plain.today.addDays(1 + rng.bounded(30))
                                     : randomDay();
            if (rng.bounded(3) != 0)
                l.returned = (l.from.isValid() ? l.from : plain.today).addDays(rng.bounded(40));
            else
                l.due = (l.from.isValid() ? l.from : plain.today).addDays(rng.bounded(60));
            lib.loans().Append();
            lib.loans().FieldByName(QStringLiteral("ID")).setAsInteger(i + 1);
            if (l.book)
                lib.loans().FieldByName(QStringLiteral("BuecherID")).setAsInteger(*l.book);
            if (l.reader)
                lib.loans().FieldByName(QStringLiteral("LeserID")).setAsInteger(*l.reader);
            if (l.from.isValid())
                lib.loans().FieldByName(QStringLiteral("DatumVon")).setAsDate(l.from);
            if (l.due.isValid())
                lib.loans().FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(l.due);
            if (l.returned.isValid())
                lib.loans().FieldByName(QStringLiteral("DatumBis")).setAsDate(l.returned);
            lib.loans().Post();
            plain.loans.append(l);
        }
        // A deleted book or reader leaves its loans behind.
        if (bookCount > 0 && rng.bounded(3) == 0) {
            const int gone = rng.bounded(bookCount);
            lib.books().MoveTo(gone);
            const int id = lib.books().FieldByName(QStringLiteral("ID")).AsInteger();
            lib.books().Delete();
            plain.books.erase(
                std::find_if(plain.books.begin(), plain.books.end(), [id](const PlainBook& b) { return b.id == id; }));
        }
        if (readerCount > 0 && rng.bounded(3) == 0) {
            lib.readers().MoveTo(0);
            plain.readers.removeOne(lib.readers().FieldByName(QStringLiteral("ID")).AsInteger());
            lib.readers().Delete();
        }
        // A filter on a list must not change a figure.
        lib.loans().setFilter(QStringLiteral("LeserID = 1"));
        lib.loans().setFiltered(rng.bounded(2) == 0);

        StatisticsPeriod period;
        switch (rng.bounded(4)) {
        case 0:
            period = StatisticsPeriod::calendarYear(plain.today.addYears(-rng.bounded(3)));
            break;
        case 1:
            period = StatisticsPeriod::schoolYear(plain.today.addDays(-rng.bounded(700)));
            break;
        default: {
            // Ends on month and year boundaries as often as inside a month.
            QDate from = randomDay();
            if (rng.bounded(2))
                from = QDate(from.year(), from.month(), 1);
            QDate to = from.addDays(rng.bounded(500));
            if (rng.bounded(2))
                to = QDate(to.year(), to.month(), 1).addDays(-1);
            period = {from, std::max(from, to)};
        }
        }
        // The weeding day falls now and then on a lending day, where a loan on that very day keeps a book.
        QDate since = rng.bounded(5) == 0 ? QDate() : randomDay();
        if (!plain.loans.isEmpty() && rng.bounded(2) == 0) {
            const QDate lent = plain.loans[rng.bounded(loanCount)].from;
            if (lent.isValid())
                since = lent;
        }
        const QString where = describe(plain, period, since);
        QVERIFY2(true, qPrintable(where));

        const StatisticsFigures f =
            LoanStatistics::compute(lib.books(), lib.readers(), lib.loans(), period, since, plain.today);
#define check(ok, what)                                                                                                \
    if (!(ok))                                                                                                         \
    QFAIL(qPrintable(QStringLiteral("seed %1: %2\n%3").arg(seed).arg(QLatin1String(what), where)))

        // Period figures.
        int loans = 0, before = 0, undated = 0, impossible = 0;
        QSet<int> active;
        QMap<QString, int> perGroup;
        QMap<int, int> perBook;
        for (const PlainLoan& l : plain.loans) {
            if (!l.from.isValid()) {
                ++undated;
                continue;
            }
            if (!plain.plausible(l)) {
                ++impossible;
                continue;
            }
            if (l.from >= period.from.addYears(-1) && l.from <= period.to.addYears(-1))
                ++before;
            if (!period.contains(l.from))
                continue;
            ++loans;
            if (l.reader)
                active.insert(*l.reader);
            const PlainBook* b = plain.book(l.book);
            perGroup[!b                   ? LoanStatistics::goneBookGroupName()
                     : b->group.isEmpty() ? LoanStatistics::noGroupName()
                                          : b->group]++;
            if (b)
                perBook[b->id]++;
        }
        check(f.loans == loans, "loans in the period");
        check(f.loansYearBefore == before, "loans a year before");
        check(f.loansWithoutDate == undated, "loans without a date");
        check(f.loansWithImpossibleDate == impossible, "loans with an impossible date");
        check(f.activeReaders == active.size(), "active readers");

        QList<MonthFigures> months;
        for (QDate m(period.from.year(), period.from.month(), 1); m <= period.to; m = m.addMonths(1)) {
            MonthFigures mf{m, 0, 0, 0};
            QSet<int> readers;
            for (const PlainLoan& l : plain.loans) {
                if (!plain.plausible(l))
                    continue;
                if (period.contains(l.from) && l.from.year() == m.year() && l.from.month() == m.month()) {
                    ++mf.loans;
                    if (l.reader)
                        readers.insert(*l.reader);
                }
                if (l.from >= period.from.addYears(-1) && l.from <= period.to.addYears(-1) &&
                    l.from.year() + 1 == m.year() && l.from.month() == m.month())
                    ++mf.loansYearBefore;
            }
            mf.activeReaders = int(readers.size());
            months.append(mf);
        }
        check(f.months.size() == months.size(), "number of months");
        for (int i = 0; i < months.size(); ++i) {
            check(f.months[i].month == months[i].month, "month");
            check(f.months[i].loans == months[i].loans, "loans of a month");
            check(f.months[i].loansYearBefore == months[i].loansYearBefore, "loans of a month a year before");
            check(f.months[i].activeReaders == months[i].activeReaders, "readers of a month");
        }

        QList<std::pair<QString, int>> groupList;
        for (auto it = perGroup.cbegin(); it != perGroup.cend(); ++it)
            groupList.append({it.key(), it.value()});
        std::stable_sort(groupList.begin(), groupList.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        QList<std::pair<QString, int>> expectedGroups = groupList.mid(0, 10);
        int rest = 0;
        for (qsizetype i = 10; i < groupList.size(); ++i)
            rest += groupList[i].second;
        if (rest > 0)
            expectedGroups.append({QStringLiteral("Übrige"), rest});
        check(f.groups.size() == expectedGroups.size(), "number of subject groups");
        for (int i = 0; i < expectedGroups.size() && i < f.groups.size(); ++i)
            check(f.groups[i].name == expectedGroups[i].first && f.groups[i].loans == expectedGroups[i].second,
                  "subject group");

        QList<PlainBook> ranked;
        for (const PlainBook& b : plain.books)
            if (perBook.value(b.id) > 0)
                ranked.append(b);
        std::stable_sort(ranked.begin(), ranked.end(), [&](const PlainBook& a, const PlainBook& b) {
            if (perBook[a.id] != perBook[b.id])
                return perBook[a.id] > perBook[b.id];
            return a.nummer.value_or(INT_MAX) < b.nummer.value_or(INT_MAX);
        });
        ranked = ranked.mid(0, 20);
        check(f.topBooks.size() == ranked.size(), "number of most-lent books");
        for (int i = 0; i < ranked.size() && i < f.topBooks.size(); ++i)
            check(f.topBooks[i].id == ranked[i].id && f.topBooks[i].loans == perBook[ranked[i].id], "most-lent book");

        // Stock, appearance and weeding.
        int lentNow = 0, overdue = 0, never = 0;
        QList<int> weeding;
        QList<std::pair<int, QDate>> bookFirst;
        for (const PlainBook& b : plain.books) {
            bool open = false, any = false, since_ = false;
            QDate first;
            for (const PlainLoan& l : plain.loans) {
                if (!l.book || *l.book != b.id)
                    continue;
                any = true;
                open = open || !l.returned.isValid();
                if (plain.plausible(l)) {
                    if (!first.isValid() || l.from < first)
                        first = l.from;
                    if (since.isValid() && l.from >= since)
                        since_ = true;
                }
            }
            lentNow += open;
            never += !any;
            if (!open && !since_)
                weeding.append(b.id);
            bookFirst.append({b.id, first});
        }
        for (const PlainLoan& l : plain.loans)
            overdue += l.due.isValid() && l.due < plain.today && !l.returned.isValid();
        check(f.books == plain.books.size(), "books");
        check(f.readers == plain.readers.size(), "readers");
        check(f.booksLentNow == lentNow, "books lent now");
        check(f.loansOverdueNow == overdue, "overdue loans");
        check(f.booksNeverLent == never, "books never lent");
        QList<int> weedingIds;
        for (const WeedingEntry& e : f.weeding)
            weedingIds.append(e.id);
        check(weedingIds == weeding, "weeding list");

        int notYet = 0;
        check(f.newBooks == plainAppearance(bookFirst, notYet), "new books per year");
        check(f.booksNotYetDated == notYet, "books not yet dated");
        QList<std::pair<int, QDate>> readerFirst;
        for (int r : plain.readers) {
            QDate first;
            for (const PlainLoan& l : plain.loans)
                if (l.reader && *l.reader == r && plain.plausible(l) && (!first.isValid() || l.from < first))
                    first = l.from;
            readerFirst.append({r, first});
        }
        check(f.newReaders == plainAppearance(readerFirst, notYet), "new readers per year");
        check(f.readersNotYetDated == notYet, "readers not yet dated");
#undef check
    }
}

void TestLoanStatistics::weedingOrder_data() {
    QTest::addColumn<bool>("bySignatur");
    QTest::addColumn<QStringList>("expected"); // titles
    QTest::newRow("Signatur") << true << QStringList{"a", "ä", "c", "b", "d", "leer"};
    QTest::newRow("Standort") << false << QStringList{"c", "b", "ä", "a", "d", "leer"};
}

void TestLoanStatistics::weedingOrder() {
    QFETCH(bool, bySignatur);
    QFETCH(QStringList, expected);
    auto entry = [](int id, const char* titel, const char* signatur, const char* standort) {
        WeedingEntry e;
        e.id = id;
        e.titel = QString::fromUtf8(titel);
        e.signatur = QString::fromUtf8(signatur);
        e.standort = QString::fromUtf8(standort);
        e.signaturKey = win1252::encode(e.signatur);
        e.standortKey = win1252::encode(e.standort);
        return e;
    };
    // The empty shelf mark and place go last; umlauts stand beside their base letters; "Regal 2" comes before
    // "Regal 16" and "Ob 3" before "Ob 10", as the shelves stand.
    QList<WeedingEntry> list{entry(1, "leer", "", ""),         entry(2, "c", "Ob 2", "Keller"),
                             entry(3, "ä", "Äb 1", "Regal 2"), entry(4, "a", "ab 1", "Regal 3"),
                             entry(5, "b", "Ob 3", "Keller"),  entry(6, "d", "Ob 10", "Regal 16")};
    LoanStatistics::sortWeeding(list, bySignatur ? WeedingOrder::Signatur : WeedingOrder::Standort);
    QStringList titles;
    for (const WeedingEntry& e : list)
        titles << e.titel;
    QCOMPARE(titles, expected);
}

void TestLoanStatistics::texts() {
    QCOMPARE(StatisticsTables::number(0), QStringLiteral("0"));
    QCOMPARE(StatisticsTables::number(999), QStringLiteral("999"));
    QCOMPARE(StatisticsTables::number(150000), QStringLiteral("150.000"));
    QCOMPARE(StatisticsTables::number(1234567), QStringLiteral("1.234.567"));
    QCOMPARE(StatisticsTables::monthName(3), QStringLiteral("März"));

    StatisticsFigures f;
    QVERIFY(StatisticsTables::undatedNotice(f).isEmpty());
    f.loansWithoutDate = 3;
    QVERIFY(StatisticsTables::undatedNotice(f).startsWith(QStringLiteral("3 Ausleihen ohne Datum")));
    f.loansWithoutDate = 1;
    f.loansWithImpossibleDate = 2;
    QVERIFY(StatisticsTables::undatedNotice(f).startsWith(
        QStringLiteral("1 Ausleihe ohne Datum, 2 Ausleihen mit unmöglichem Datum")));
}

void TestLoanStatistics::csvFiles() {
    const StatisticsTable t{{QStringLiteral("Titel"), QStringLiteral("Ausleihen")},
                            {{QStringLiteral("Der \"Hobbit\"; Bärenbuch"), QStringLiteral("1.234")}}};
    QCOMPARE(StatisticsTables::csv(t, false),
             QByteArray("\"Titel\";\"Ausleihen\";\r\n\"Der \"\"Hobbit\"\"; B\xE4renbuch\";\"1.234\";\r\n"));
    QCOMPARE(
        StatisticsTables::csv(t, true),
        QByteArray("\xEF\xBB\xBF\"Titel\";\"Ausleihen\";\r\n\"Der \"\"Hobbit\"\"; B\xC3\xA4renbuch\";\"1.234\";\r\n"));
}

QTEST_GUILESS_MAIN(TestLoanStatistics)
#include "tst_loanstatistics.moc"
