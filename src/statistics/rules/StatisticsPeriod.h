#pragma once

#include <QDate>
#include <QString>

namespace lesaro::statistics {

// The days the statistics look at, both ends included.
struct StatisticsPeriod {
    QDate from;
    QDate to;

    // The calendar year of today.
    static StatisticsPeriod calendarYear(QDate today);
    // The school year that today lies in: 1 August to 31 July.
    static StatisticsPeriod schoolYear(QDate today);
    // The twelve whole months before today's month, and today's month up to today: a year back from today.
    static StatisticsPeriod lastTwelveMonths(QDate today);

    // The same days one year earlier (29 February becomes 28 February).
    StatisticsPeriod yearBefore() const;
    bool contains(QDate day) const { return day >= from && day <= to; }

    // Empty when the period can be counted; else the German message that says why not.
    QString problem() const;
};

} // namespace lesaro::statistics
