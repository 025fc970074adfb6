#pragma once

#include "statistics/rules/StatisticsPeriod.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

namespace lesaro {
class Table;
}

namespace lesaro::statistics {

// One month of the period: the loans lent in it, the loans of the same month a year before, and the readers
// who borrowed at least once in it.
struct MonthFigures {
    QDate month; // its first day
    int loans = 0;
    int loansYearBefore = 0;
    int activeReaders = 0;
};

struct GroupFigures {
    QString name;
    int loans = 0;
};

struct BookFigures {
    int id = 0;
    QString nummer;
    QString verfasser;
    QString titel;
    int loans = 0;
};

struct YearFigures {
    int year = 0;
    int count = 0;
    bool operator==(const YearFigures&) const = default;
};

// A book on the weeding list: in the catalogue, on the shelf (not lent now) and not lent on or after the
// chosen day. lastLent is invalid when it was never lent with a usable date; loans counts all its loans.
struct WeedingEntry {
    int id = 0;
    QString nummer;
    QString verfasser;
    QString titel;
    QString signatur;
    QString standort;
    QString sachgruppe;
    QDate lastLent;
    int loans = 0;
    QByteArray signaturKey; // Windows-1252 texts for the German order
    QByteArray standortKey;
};

enum class WeedingOrder { Signatur, Standort };

// Every figure of the statistics window. Reader figures are counts only: no reader's name is ever read.
struct StatisticsFigures {
    StatisticsPeriod period;
    QDate today;

    // Loans lent within the period, and within the same days a year before.
    int loans = 0;
    int loansYearBefore = 0;
    QList<MonthFigures> months;
    // The ten subject groups with the most loans in the period, largest first, then "Übrige" for the rest.
    QList<GroupFigures> groups;
    // The twenty books of the catalogue lent most often in the period.
    QList<BookFigures> topBooks;

    // Readers with at least one loan in the period.
    int activeReaders = 0;
    int readers = 0;
    // New readers and new books per year, by their first appearance (see LoanStatistics).
    QList<YearFigures> newReaders;
    int readersNotYetDated = 0;
    QList<YearFigures> newBooks;
    int booksNotYetDated = 0;

    // The stock, today.
    int books = 0;
    int booksLentNow = 0;
    int loansOverdueNow = 0;
    int booksNeverLent = 0;

    // Loans that cannot be placed in time and are left out of every dated figure: no lending date, or one
    // before 1900 or after today.
    int loansWithoutDate = 0;
    int loansWithImpossibleDate = 0;

    QDate weedingSince;
    QList<WeedingEntry> weeding; // in the book table's ID order; see sortWeeding
};

// The statistics in one pass over the loans, read straight from the stored rows, so that no list's filter,
// order or current row is touched and the work stays well under the blink of an eye on a ten-year library.
//
// A book or reader record carries no date of its own, but records are numbered in the order they were
// entered; so a record appeared at the latest on the first loan of itself or of any record entered after it
// (a higher ID). That day's year is its year of appearance; records after the last such loan are not yet
// dated.
class LoanStatistics {
public:
    LoanStatistics() = delete;

    static StatisticsFigures compute(const Table& books, const Table& readers, const Table& loans,
                                     const StatisticsPeriod& period, QDate weedingSince, QDate today);

    static void sortWeeding(QList<WeedingEntry>& list, WeedingOrder order);

    // The name of the subject group of books with none, and of loans whose book is no longer in the catalogue.
    static QString noGroupName();
    static QString goneBookGroupName();
    static QString restGroupName();
    static constexpr int kGroupCount = 10;
    static constexpr int kTopBookCount = 20;
};

} // namespace lesaro::statistics
