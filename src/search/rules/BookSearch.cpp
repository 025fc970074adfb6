#include "search/rules/BookSearch.h"

#include "core/EngineError.h"
#include "core/FilterExpr.h"
#include "core/Table.h"
#include "settings/INI.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace lesaro::BookSearch {

namespace {

// Caption setting and field, in the order in which the captions are tested: a later match replaces an
// earlier one.
struct CaptionSource {
    const char* setting;
    const char* field;
};
constexpr CaptionSource kCaptionSources[] = {
    {"Verfasser", "Verfasser"},
    {"Titel", "Titel"},
    {"Verlag", "Verlag"},
    {"Erscheinungsjahr", "Erscheinungsjahr"},
    {"Erscheinungsort", "Erscheinungsort"},
    {"Auflage", "Auflage"},
    {"Sachgruppe", "Sachgruppe"},
    {"ISBN", "ISBN"},
    {"Signatur", "Signatur"},
    {"Standort", "Standort"},
    {"Bemerkungen", "Bemerkung"},
};

constexpr int kSearchableColumns = 13; // Nummer … Bemerkung

// One run of neighbouring values of the table that all match.
struct Range {
    double first;
    double last;
};

QString constant(FieldKind kind, double v) {
    // Quoted, so the filter reads it whatever the decimal separator; 17 digits give back the same double.
    if (kind == FieldKind::Integer)
        return FilterExpr::quoted(QString::number(qint64(v)));
    return FilterExpr::quoted(QString::number(v, 'g', 17));
}

// A balanced choice over the sorted ranges: each row passes through about log2(n) comparisons, because the
// filter's AND and OR stop at the first operand that decides them.
QString rangeTree(const QString& field, FieldKind kind, const std::vector<Range>& ranges, size_t lo, size_t hi) {
    if (lo == hi) {
        const Range& r = ranges[lo];
        if (r.first == r.last)
            return field + QStringLiteral(" = ") + constant(kind, r.first);
        return QStringLiteral("(%1 >= %2 AND %1 <= %3)").arg(field, constant(kind, r.first), constant(kind, r.last));
    }
    const size_t mid = (lo + hi + 1) / 2;
    const QString split = constant(kind, ranges[mid].first);
    return QStringLiteral("((%1 < %2 AND %3) OR (%1 >= %2 AND %4))")
        .arg(field, split, rangeTree(field, kind, ranges, lo, mid - 1), rangeTree(field, kind, ranges, mid, hi));
}

} // namespace

std::optional<FieldKind> numberKind(const Table& table, const QString& field) {
    for (const ColumnDef& c : table.columns()) {
        if (c.name.compare(field, Qt::CaseInsensitive) == 0) {
            if (c.kind == FieldKind::Integer || c.kind == FieldKind::Money)
                return c.kind;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

QString keywordChoice() {
    return QStringLiteral("Schlagwort");
}

QStringList fieldChoices(const QStringList& bookColumnCaptions) {
    QStringList choices = bookColumnCaptions.mid(0, kSearchableColumns);
    choices << keywordChoice();
    return choices;
}

QString fieldForCaption(const QString& chosen) {
    QString field = chosen;
    if (chosen == QLatin1String("Nr."))
        field = QStringLiteral("Nummer");
    for (const CaptionSource& c : kCaptionSources) {
        if (chosen == INI::ReadSettingString(QString::fromLatin1(c.setting)))
            field = QString::fromLatin1(c.field);
    }
    return field;
}

QString fieldFilter(const QString& field, const QString& text, bool exact) {
    const QString equal = field + QStringLiteral(" = ") + FilterExpr::quoted(text);
    if (exact)
        return equal;
    return field + QStringLiteral(" LIKE ") + FilterExpr::quoted(QLatin1Char('%') + text + QLatin1Char('%')) +
           QStringLiteral(" OR ") + equal;
}

QString keywordFilter(const QString& text, bool exact) {
    // Pairs of keywords, every pair after the first joined by two blanks and OR, as the filter has always read.
    auto chain = [](const QString& op, const QString& value) {
        QString out;
        for (int i = 1; i <= 10; i += 2) {
            if (i > 1)
                out += QStringLiteral("  OR ");
            out += QStringLiteral("Schlagwort%1 %2 %3 OR Schlagwort%4 %2 %3").arg(i).arg(op, value).arg(i + 1);
        }
        return out;
    };
    const QString equalities = chain(QStringLiteral("="), FilterExpr::quoted(text));
    if (exact)
        return equalities;
    return chain(QStringLiteral("LIKE"), FilterExpr::quoted(QLatin1Char('%') + text + QLatin1Char('%'))) +
           QStringLiteral("  OR ") + equalities;
}

QString shownTextFilter(const Table& table, const QString& field, const QString& text) {
    if (text.isEmpty())
        return {};
    const int fieldIndex = table.fieldIndex(field);
    const FieldKind kind = numberKind(table, field).value_or(FieldKind::Integer);
    struct Seen {
        double value;
        bool match;
    };
    std::vector<Seen> seen;
    seen.reserve(size_t(table.viewCount()));
    for (int i = 0; i < table.viewCount(); ++i) {
        const Value v = table.valueAt(i, fieldIndex);
        if (v.isNull())
            continue; // shows no text, so it contains no text
        const double d = kind == FieldKind::Integer ? double(v.toInt()) : v.toMoney();
        seen.push_back({d, table.displayTextAt(i, fieldIndex).contains(text, Qt::CaseInsensitive)});
    }
    std::sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) { return a.value < b.value; });

    std::vector<Range> ranges;
    bool open = false;
    for (size_t i = 0; i < seen.size(); ++i) {
        if (i > 0 && seen[i].value == seen[i - 1].value)
            continue; // equal values show equal texts
        if (!seen[i].match) {
            open = false;
        } else if (open) {
            ranges.back().last = seen[i].value;
        } else {
            ranges.push_back({seen[i].value, seen[i].value});
            open = true;
        }
    }
    if (ranges.empty())
        return field + QStringLiteral(" IS NULL AND ") + field + QStringLiteral(" IS NOT NULL");
    // An empty field reads as 0 inside comparisons, so it must be kept out before the ranges are asked.
    return field + QStringLiteral(" IS NOT NULL AND (") + rangeTree(field, kind, ranges, 0, ranges.size() - 1) +
           QLatin1Char(')');
}

int run(Table& books, const QString& choice, const QString& text, bool exact) {
    const QString oldText = books.Filter();
    const FilterOptions oldOptions = books.filterOptions();
    const bool wasFiltered = books.Filtered();
    const FilterOptions options(FilterOption::CaseInsensitive);
    try {
        QString filter;
        if (choice == keywordChoice()) {
            filter = keywordFilter(text, exact);
        } else {
            const QString field = fieldForCaption(choice);
            if (!exact && numberKind(books, field)) {
                // The part match looks at every book, whatever the last search left in view.
                books.setFiltered(false);
                filter = shownTextFilter(books, field, text);
            } else {
                filter = fieldFilter(field, text, exact);
            }
        }
        if (books.filterOptions() != options)
            books.setFilterOptions(options);
        books.setFilter(filter);
        if (!books.Filtered())
            books.setFiltered(true);
    } catch (const EngineError&) {
        // The text of a filter that was refused must not stay behind to fail again later.
        books.setFiltered(false);
        books.setFilter(oldText);
        books.setFilterOptions(oldOptions);
        books.setFiltered(wasFiltered);
        throw;
    }
    return books.RecordCount();
}

} // namespace lesaro::BookSearch
