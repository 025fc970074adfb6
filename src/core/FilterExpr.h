#pragma once

#include "core/RowStore.h"

#include <QFlags>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

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

    // A text as a string constant of this language: between single quotes, each quote in it doubled, so that
    // the filter reads back exactly the text, whatever a librarian typed. Every window and rule that puts
    // typed text into a filter goes through here.
    static QString quoted(const QString& text);

    // The longest text constant; a longer one is cut.
    static constexpr qsizetype kMaxTextConstant = 255;

    // How a text constant compared with "=", "<>" or LIKE reads: its Windows-1252 bytes, and whether it is a
    // prefix test - a final "*" after at least one character, unless the option no partial compare is set.
    struct TextConstant {
        QByteArray bytes;
        bool prefix = false;
    };
    static TextConstant textConstant(const QString& text, FilterOptions options);

    // The number that "field = text" compares with, for the table's key searches, which take a text for a number
    // field (kind Integer or Money). A whole number is required for an integer field. nullopt stands for NULL.
    // Throws what the filter text would: a text that is not a number fails as it would after "=".
    static std::optional<double> numberConstant(const QList<ColumnDef>& columns, const QStringList& lookupFields,
                                                const QString& text, FieldKind kind);

private:
    FilterExpr() = default;
    std::unique_ptr<filter::Node> m_root;
};

} // namespace lesaro
