#pragma once

#include "statistics/rules/LoanStatistics.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace lesaro::statistics {

// One table of figures as the window shows it, the report prints it and the CSV file holds it.
struct StatisticsTable {
    QStringList headers;
    QList<QStringList> rows;
};

// The texts of the figures, German throughout: "1.234" for a count, "März 2025" for a month.
class StatisticsTables {
public:
    StatisticsTables() = delete;

    static QString number(qint64 n);
    static QString monthName(int month);                       // 1 = "Januar"
    static QString shortMonthName(int month);                  // 1 = "Jan"
    static QString periodText(const StatisticsPeriod& period); // "01.01.2025 – 31.12.2025"
    // The notice for loans that cannot be placed in time ("3 Ausleihen ohne Datum"); empty when there are none.
    static QString undatedNotice(const StatisticsFigures& f);
    static QString emptyPeriodText() { return QStringLiteral("Keine Ausleihen im Zeitraum"); }

    // The key figures of the report, label and value.
    static StatisticsTable keyFigures(const StatisticsFigures& f);
    static StatisticsTable months(const StatisticsFigures& f);
    static StatisticsTable groups(const StatisticsFigures& f);
    static StatisticsTable topBooks(const StatisticsFigures& f);
    static StatisticsTable readers(const StatisticsFigures& f);
    static StatisticsTable newBooks(const StatisticsFigures& f);
    static StatisticsTable weeding(const QList<WeedingEntry>& list);
    static QStringList weedingHeaders();
    static QStringList weedingRow(const WeedingEntry& entry);

    // A CSV file of the table by the export's rules: semicolons, double quotes (doubled inside a value), a
    // title row, CR LF; Windows-1252 or UTF-8 with its byte-order mark.
    static QByteArray csv(const StatisticsTable& table, bool utf8);
};

} // namespace lesaro::statistics
