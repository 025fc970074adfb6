#include "statistics/rules/LoanStatistics.h"

#include "core/GermanLocale.h"
#include "core/RowStore.h"
#include "core/Table.h"
#include "core/Win1252.h"
#include "library/OverdueLoans.h"

#include <QHash>
#include <algorithm>
#include <limits>
#include <vector>

namespace lesaro::statistics {

namespace {

constexpr qint32 kNoDay = std::numeric_limits<qint32>::max();

// What one pass keeps of each book of the catalogue.
struct BookTally {
    int id = 0;
    qsizetype slot = 0;
    int group = 0; // index into the group names
    int loans = 0;
    int loansInPeriod = 0;
    qint32 firstLent = kNoDay;
    qint32 lastLent = std::numeric_limits<qint32>::min();
    bool lentNow = false;
};

QString text(const RowRef& row, int column) {
    if (column < 0 || row.isNull(column))
        return {};
    const QByteArrayView bytes = row.text(column);
    return win1252::decode(bytes.data(), bytes.size()).trimmed();
}

QByteArray bytes(const RowRef& row, int column) {
    if (column < 0 || row.isNull(column))
        return {};
    return row.text(column).toByteArray().trimmed();
}

// IDs are issued from a counter, so they lie nearly dense: a plain array finds a record without hashing. A
// library with scattered IDs (an import that kept foreign numbers) falls back to a hash.
class IdLookup {
public:
    explicit IdLookup(const std::vector<int>& ids) {
        int low = std::numeric_limits<int>::max(), high = std::numeric_limits<int>::min();
        for (int id : ids) {
            low = std::min(low, id);
            high = std::max(high, id);
        }
        const qint64 span = ids.empty() ? 0 : qint64(high) - low + 1;
        m_dense = span <= qint64(ids.size()) * 4 + 1024;
        m_low = low;
        if (m_dense)
            m_slots.assign(size_t(span), -1);
        for (int i = int(ids.size()) - 1; i >= 0; --i) { // the first record of an ID wins
            if (m_dense)
                m_slots[size_t(qint64(ids[size_t(i)]) - low)] = i;
            else
                m_hash.insert(ids[size_t(i)], i);
        }
    }
    int find(int id) const {
        if (!m_dense)
            return m_hash.value(id, -1);
        const qint64 at = qint64(id) - m_low;
        return at >= 0 && at < qint64(m_slots.size()) ? m_slots[size_t(at)] : -1;
    }

private:
    bool m_dense = true;
    int m_low = 0;
    std::vector<int> m_slots;
    QHash<int, int> m_hash;
};

// The month of a day within the period's months, from the first days of the months: -1 outside.
int monthOf(const std::vector<qint32>& starts, qint32 day) {
    const auto it = std::upper_bound(starts.begin(), starts.end(), day);
    const int m = int(it - starts.begin()) - 1;
    return m >= 0 && m < int(starts.size()) - 1 ? m : -1;
}

int monthIndex(QDate first, QDate day) {
    return (day.year() - first.year()) * 12 + day.month() - first.month();
}

// Years of appearance, from (ID, first loan day) pairs of every record: a record appeared at the latest on
// the first loan of itself or of any record with a higher ID.
void appearance(std::vector<std::pair<int, qint32>> records, QList<YearFigures>& years, int& notYetDated) {
    std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QMap<int, int> perYear;
    qint32 earliest = kNoDay;
    notYetDated = 0;
    for (const auto& [id, firstDay] : records) {
        earliest = std::min(earliest, firstDay);
        if (earliest == kNoDay)
            ++notYetDated;
        else
            ++perYear[dateFromDay(earliest).year()];
    }
    years.clear();
    for (auto it = perYear.cbegin(); it != perYear.cend(); ++it)
        years.append({it.key(), it.value()});
}

// Shelf marks and places in the order of the shelves: a run of digits counts as its number, so "Regal 4"
// comes before "Regal 16"; the rest in German order, without regard to case.
int compareShelf(const QByteArray& a, const QByteArray& b) {
    qsizetype i = 0, j = 0;
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    while (i < a.size() && j < b.size()) {
        const bool da = isDigit(a[i]), db = isDigit(b[j]);
        qsizetype ei = i, ej = j;
        while (ei < a.size() && isDigit(a[ei]) == da)
            ++ei;
        while (ej < b.size() && isDigit(b[ej]) == db)
            ++ej;
        int c = 0;
        if (da && db) {
            QByteArrayView na = QByteArrayView(a).sliced(i, ei - i), nb = QByteArrayView(b).sliced(j, ej - j);
            while (na.size() > 1 && na.front() == '0')
                na = na.sliced(1);
            while (nb.size() > 1 && nb.front() == '0')
                nb = nb.sliced(1);
            c = na.size() != nb.size() ? (na.size() < nb.size() ? -1 : 1) : na.compare(nb);
        } else if (da != db) {
            c = da ? -1 : 1; // a number before a word
        } else {
            c = GermanLocale::compareText(QByteArrayView(a).sliced(i, ei - i), QByteArrayView(b).sliced(j, ej - j),
                                          true);
        }
        if (c != 0)
            return c;
        i = ei;
        j = ej;
    }
    return (i < a.size()) - (j < b.size());
}

} // namespace

QString LoanStatistics::noGroupName() {
    return QStringLiteral("(ohne Sachgruppe)");
}

QString LoanStatistics::goneBookGroupName() {
    return QStringLiteral("(Buch nicht mehr im Bestand)");
}

QString LoanStatistics::restGroupName() {
    return QStringLiteral("Übrige");
}

StatisticsFigures LoanStatistics::compute(const Table& books, const Table& readers, const Table& loans,
                                          const StatisticsPeriod& period, QDate weedingSince, QDate today) {
    StatisticsFigures f;
    f.period = period;
    f.today = today;
    f.weedingSince = weedingSince;

    const qint32 from = dayFromDate(period.from), to = dayFromDate(period.to);
    const StatisticsPeriod before = period.yearBefore();
    const qint32 beforeFrom = dayFromDate(before.from), beforeTo = dayFromDate(before.to);
    const qint32 earliestPossible = dayFromDate(QDate(1900, 1, 1)), latestPossible = dayFromDate(today);
    const qint32 weedingDay = weedingSince.isValid() ? dayFromDate(weedingSince) : kNoDay;
    const QDate firstMonth(period.from.year(), period.from.month(), 1);
    const int monthCount = period.problem().isEmpty() ? monthIndex(firstMonth, period.to) + 1 : 0;
    for (int m = 0; m < monthCount; ++m)
        f.months.append({firstMonth.addMonths(m), 0, 0, 0});

    // The catalogue.
    const RowStore& bookStore = books.store();
    const int bId = bookStore.columnIndex(QStringLiteral("ID")),
              bGroup = bookStore.columnIndex(QStringLiteral("Sachgruppe"));
    std::vector<BookTally> tallies;
    std::vector<int> bookIds;
    QStringList groupNames{goneBookGroupName()};
    QHash<QByteArray, int> groupIndex;
    tallies.reserve(size_t(bookStore.slotCount()));
    for (qsizetype s = 0; s < bookStore.slotCount(); ++s) {
        if (!SlotStatus::isLive(bookStore.status(s)))
            continue;
        const RowRef row(bookStore, s);
        ++f.books;
        BookTally t;
        t.id = bId < 0 || row.isNull(bId) ? 0 : row.int32(bId);
        t.slot = s;
        const QByteArray group = bytes(row, bGroup);
        auto found = groupIndex.constFind(group);
        if (found == groupIndex.cend()) {
            found = groupIndex.insert(group, int(groupNames.size()));
            groupNames.append(group.isEmpty() ? noGroupName() : win1252::decode(group));
        }
        t.group = *found;
        bookIds.push_back(t.id);
        tallies.push_back(t);
    }
    const IdLookup bookIndex(bookIds);

    // The readers: their IDs only.
    const RowStore& readerStore = readers.store();
    const int rId = readerStore.columnIndex(QStringLiteral("ID"));
    std::vector<int> readerIds;
    for (qsizetype s = 0; s < readerStore.slotCount(); ++s) {
        if (!SlotStatus::isLive(readerStore.status(s)))
            continue;
        ++f.readers;
        const RowRef row(readerStore, s);
        readerIds.push_back(rId < 0 || row.isNull(rId) ? 0 : row.int32(rId));
    }
    const IdLookup readerIndex(readerIds);
    std::vector<qint32> readerFirstLoan(readerIds.size(), kNoDay);
    std::vector<qint32> monthStarts, monthStartsBefore; // one more than the months: the day after the last
    for (int m = 0; m <= monthCount; ++m) {
        monthStarts.push_back(dayFromDate(firstMonth.addMonths(m)));
        monthStartsBefore.push_back(dayFromDate(firstMonth.addMonths(m).addYears(-1)));
    }

    // The one pass over the loans.
    const RowStore& loanStore = loans.store();
    const int lBook = loanStore.columnIndex(QStringLiteral("BuecherID")),
              lReader = loanStore.columnIndex(QStringLiteral("LeserID")),
              lFrom = loanStore.columnIndex(QStringLiteral("DatumVon")),
              lReturned = loanStore.columnIndex(QStringLiteral("DatumBis")),
              lDue = loanStore.columnIndex(QStringLiteral("DatumBisSoll"));
    std::vector<int> groupLoans(size_t(groupNames.size()), 0);
    std::vector<std::vector<int>> readersByMonth(static_cast<size_t>(monthCount));
    std::vector<int> readersInPeriod;
    for (qsizetype s = 0; s < loanStore.slotCount(); ++s) {
        if (!SlotStatus::isLive(loanStore.status(s)))
            continue;
        const RowRef row(loanStore, s);
        const bool open = lReturned < 0 || row.isNull(lReturned);
        // Only an open loan with a due date can be overdue; the rule itself decides.
        if (open && lDue >= 0 && !row.isNull(lDue) && OverdueLoans::isOverdue(row.value(lDue), Value(), today))
            ++f.loansOverdueNow;
        BookTally* book = nullptr;
        if (lBook >= 0 && !row.isNull(lBook)) {
            const int at = bookIndex.find(row.int32(lBook));
            if (at >= 0 && tallies[size_t(at)].id != 0)
                book = &tallies[size_t(at)];
        }
        if (book) {
            ++book->loans;
            if (open)
                book->lentNow = true;
        }
        if (lFrom < 0 || row.isNull(lFrom)) {
            ++f.loansWithoutDate;
            continue;
        }
        const qint32 day = row.int32(lFrom);
        if (day < earliestPossible || day > latestPossible) {
            ++f.loansWithImpossibleDate;
            continue;
        }
        const bool hasReader = lReader >= 0 && !row.isNull(lReader);
        const int reader = hasReader ? row.int32(lReader) : 0;
        if (book) {
            book->firstLent = std::min(book->firstLent, day);
            book->lastLent = std::max(book->lastLent, day);
        }
        if (hasReader) {
            const int at = readerIndex.find(reader);
            if (at >= 0)
                readerFirstLoan[size_t(at)] = std::min(readerFirstLoan[size_t(at)], day);
        }
        if (day >= beforeFrom && day <= beforeTo) {
            ++f.loansYearBefore;
            const int m = monthOf(monthStartsBefore, day);
            if (m >= 0)
                ++f.months[m].loansYearBefore;
        }
        if (day < from || day > to)
            continue;
        ++f.loans;
        const int m = monthOf(monthStarts, day);
        ++f.months[m].loans;
        if (hasReader) {
            readersByMonth[size_t(m)].push_back(reader);
            readersInPeriod.push_back(reader);
        }
        if (book) {
            ++book->loansInPeriod;
            ++groupLoans[size_t(book->group)];
        } else {
            ++groupLoans[0];
        }
    }

    auto distinct = [](std::vector<int>& ids) {
        std::sort(ids.begin(), ids.end());
        return int(std::unique(ids.begin(), ids.end()) - ids.begin());
    };
    for (int m = 0; m < monthCount; ++m)
        f.months[m].activeReaders = distinct(readersByMonth[size_t(m)]);
    f.activeReaders = distinct(readersInPeriod);

    // Subject groups: the largest ten, then the rest together.
    {
        std::vector<int> order;
        for (int g = 0; g < int(groupNames.size()); ++g)
            if (groupLoans[size_t(g)] > 0)
                order.push_back(g);
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            if (groupLoans[size_t(a)] != groupLoans[size_t(b)])
                return groupLoans[size_t(a)] > groupLoans[size_t(b)];
            return groupNames[a] < groupNames[b];
        });
        int rest = 0;
        for (size_t i = 0; i < order.size(); ++i) {
            if (int(i) < kGroupCount)
                f.groups.append({groupNames[order[i]], groupLoans[size_t(order[i])]});
            else
                rest += groupLoans[size_t(order[i])];
        }
        if (rest > 0)
            f.groups.append({restGroupName(), rest});
    }

    const int bNummer = bookStore.columnIndex(QStringLiteral("Nummer")),
              bVerfasser = bookStore.columnIndex(QStringLiteral("Verfasser")),
              bTitel = bookStore.columnIndex(QStringLiteral("Titel")),
              bSignatur = bookStore.columnIndex(QStringLiteral("Signatur")),
              bStandort = bookStore.columnIndex(QStringLiteral("Standort"));
    auto nummerOf = [&](const RowRef& row) {
        return bNummer < 0 || row.isNull(bNummer) ? QString() : QString::number(row.int32(bNummer));
    };

    // The most-lent books: most loans first, then by number, then in the order they were entered.
    {
        std::vector<const BookTally*> lent;
        for (const BookTally& t : tallies)
            if (t.loansInPeriod > 0)
                lent.push_back(&t);
        auto nummer = [&](const BookTally* t) {
            const RowRef row(bookStore, t->slot);
            return bNummer < 0 || row.isNull(bNummer) ? std::numeric_limits<qint64>::max() : qint64(row.int32(bNummer));
        };
        const size_t top = std::min(lent.size(), size_t(kTopBookCount));
        std::partial_sort(lent.begin(), lent.begin() + qsizetype(top), lent.end(),
                          [&](const BookTally* a, const BookTally* b) {
                              if (a->loansInPeriod != b->loansInPeriod)
                                  return a->loansInPeriod > b->loansInPeriod;
                              const qint64 na = nummer(a), nb = nummer(b);
                              if (na != nb)
                                  return na < nb;
                              return a->slot < b->slot;
                          });
        for (size_t i = 0; i < top; ++i) {
            const RowRef row(bookStore, lent[i]->slot);
            f.topBooks.append(
                {lent[i]->id, nummerOf(row), text(row, bVerfasser), text(row, bTitel), lent[i]->loansInPeriod});
        }
    }

    // Stock, appearance and the weeding list.
    std::vector<std::pair<int, qint32>> bookAppearance;
    bookAppearance.reserve(tallies.size());
    for (const BookTally& t : tallies) {
        if (t.lentNow)
            ++f.booksLentNow;
        if (t.loans == 0)
            ++f.booksNeverLent;
        bookAppearance.emplace_back(t.id, t.firstLent);
        const bool lentSince = t.firstLent != kNoDay && t.lastLent >= weedingDay;
        if (t.lentNow || lentSince)
            continue;
        const RowRef row(bookStore, t.slot);
        WeedingEntry e;
        e.id = t.id;
        e.nummer = nummerOf(row);
        e.verfasser = text(row, bVerfasser);
        e.titel = text(row, bTitel);
        e.signaturKey = bytes(row, bSignatur);
        e.standortKey = bytes(row, bStandort);
        e.signatur = win1252::decode(e.signaturKey);
        e.standort = win1252::decode(e.standortKey);
        e.sachgruppe = text(row, bGroup);
        e.lastLent = t.firstLent == kNoDay ? QDate() : dateFromDay(t.lastLent);
        e.loans = t.loans;
        f.weeding.append(e);
    }
    std::stable_sort(f.weeding.begin(), f.weeding.end(),
                     [](const WeedingEntry& a, const WeedingEntry& b) { return a.id < b.id; });
    appearance(std::move(bookAppearance), f.newBooks, f.booksNotYetDated);

    // A reader record twice under one ID counts once, with the loans on the first.
    std::vector<std::pair<int, qint32>> readerAppearance;
    readerAppearance.reserve(readerIds.size());
    for (size_t i = 0; i < readerIds.size(); ++i)
        if (readerIndex.find(readerIds[i]) == int(i))
            readerAppearance.emplace_back(readerIds[i], readerFirstLoan[i]);
    appearance(std::move(readerAppearance), f.newReaders, f.readersNotYetDated);
    return f;
}

void LoanStatistics::sortWeeding(QList<WeedingEntry>& list, WeedingOrder order) {
    std::stable_sort(list.begin(), list.end(), [order](const WeedingEntry& a, const WeedingEntry& b) {
        const QByteArray& a1 = order == WeedingOrder::Signatur ? a.signaturKey : a.standortKey;
        const QByteArray& b1 = order == WeedingOrder::Signatur ? b.signaturKey : b.standortKey;
        const QByteArray& a2 = order == WeedingOrder::Signatur ? a.standortKey : a.signaturKey;
        const QByteArray& b2 = order == WeedingOrder::Signatur ? b.standortKey : b.signaturKey;
        // Books without a shelf mark or place go last, where the walk along the shelves ends.
        if (a1.isEmpty() != b1.isEmpty())
            return b1.isEmpty();
        if (const int c = compareShelf(a1, b1))
            return c < 0;
        if (a2.isEmpty() != b2.isEmpty())
            return b2.isEmpty();
        if (const int c = compareShelf(a2, b2))
            return c < 0;
        return a.id < b.id;
    });
}

} // namespace lesaro::statistics
