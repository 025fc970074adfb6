#pragma once

#include "core/RowStore.h"

#include <QFlags>
#include <QString>
#include <QStringList>
#include <memory>

namespace lesaro {

enum class FilterOption { CaseInsensitive = 0x1, NoPartialCompare = 0x2 };
Q_DECLARE_FLAGS(FilterOptions, FilterOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(FilterOptions)

namespace filter {
class Node;
}

// A filter text parsed against a table's columns: the language in which windows narrow a table and
// in which the table writes its own searches. Parsing throws EngineError with the German message.
class FilterExpr {
public:
    ~FilterExpr();
    FilterExpr(const FilterExpr&) = delete;
    FilterExpr& operator=(const FilterExpr&) = delete;

    // lookupFields: names of the table's computed fields, which may not be used in a filter.
    static std::unique_ptr<FilterExpr> parse(const QList<ColumnDef>& columns, const QStringList& lookupFields,
                                             const QString& text, FilterOptions options);

    bool passes(const RowRef& row) const;

    // For searches on an indexed key: set when the whole expression is "integer column = constant".
    bool isIntegerEquality(int* column, qint32* value) const;

private:
    FilterExpr() = default;
    std::unique_ptr<filter::Node> m_root;
};

} // namespace lesaro
