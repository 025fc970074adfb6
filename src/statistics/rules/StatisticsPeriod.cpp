#include "statistics/rules/StatisticsPeriod.h"

namespace lesaro::statistics {

StatisticsPeriod StatisticsPeriod::calendarYear(QDate today) {
    return {QDate(today.year(), 1, 1), QDate(today.year(), 12, 31)};
}

StatisticsPeriod StatisticsPeriod::schoolYear(QDate today) {
    const int start = today.month() >= 8 ? today.year() : today.year() - 1;
    return {QDate(start, 8, 1), QDate(start + 1, 7, 31)};
}

StatisticsPeriod StatisticsPeriod::lastTwelveMonths(QDate today) {
    return {today.addYears(-1).addDays(1), today};
}

StatisticsPeriod StatisticsPeriod::yearBefore() const {
    return {from.addYears(-1), to.addYears(-1)};
}

QString StatisticsPeriod::problem() const {
    if (!from.isValid() || !to.isValid())
        return QStringLiteral("Bitte geben Sie bei „Von“ und „Bis“ ein gültiges Datum ein.");
    if (to < from)
        return QStringLiteral("Das Datum bei „Bis“ liegt vor dem Datum bei „Von“. Bitte wählen Sie einen Zeitraum, "
                              "dessen Ende nicht vor seinem Anfang liegt.");
    return {};
}

} // namespace lesaro::statistics
