#include "lending/rules/LoanFilters.h"

#include "core/FilterExpr.h"
#include "core/Table.h"

namespace lesaro::LoanFilters {

QString lentFilter(bool lent) {
    return lent ? QStringLiteral("ausgeliehen = 'true'") : QStringLiteral("ausgeliehen = 'false'");
}

QString readerFilter(const QString& field, const QString& text) {
    if (text.isEmpty())
        return {};
    return field + QStringLiteral(" =") + FilterExpr::quoted(text + QLatin1Char('*'));
}

QString bookFilter(bool lent, const QString& field, const QString& text) {
    if (text.isEmpty())
        return lentFilter(lent);
    return lentFilter(lent) + QStringLiteral(" AND ") + field + QStringLiteral(" =") +
           FilterExpr::quoted(text + QLatin1Char('*'));
}

void applyNarrowing(Table& table, const QString& filter) {
    if (filter.isEmpty()) {
        table.setFiltered(false);
        return;
    }
    if (table.filterOptions() != FilterOptions(FilterOption::CaseInsensitive))
        table.setFilterOptions(FilterOption::CaseInsensitive);
    table.setFilter(filter);
    table.setFiltered(true);
}

QDate dueDate(QDate lendingDate, int days) {
    return lendingDate.addDays(days);
}

} // namespace lesaro::LoanFilters
