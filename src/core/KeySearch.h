#pragma once

#include "core/RowStore.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QVariantList>
#include <vector>

namespace lesaro {

// The condition of a key search (Locate, Lookup): each key field equals its value, an empty value standing for an
// empty field. It is built straight from the values, and it holds for exactly the rows that the filter text
// "[field] = value and ..." would let pass: texts compare byte for byte, or without regard to case, and the last
// text of a partial key is a leading part; a number field given a text reads it as the filter language reads a
// number and fails with the same message; dates and numbers compare by value.
class KeySearch {
public:
    // columns: the stored column of each key field, in order. values: one per key field; a missing, null or invalid
    // value stands for an empty field. lookupFields: the table's computed fields, named in messages.
    KeySearch(const QList<ColumnDef>& schema, const QStringList& lookupFields, const std::vector<int>& columns,
              const QVariantList& values, bool ignoreCase, bool partialKey);

    bool matches(const RowRef& row) const;

    // An integer key field compared with a number, through whose key index the search can go; false when there is
    // none. Every candidate from the index must still pass matches().
    bool indexedKey(int* column, qint32* value) const;

private:
    enum class Test { IsNull, Whole, Money, Text };
    struct Condition {
        int column = 0;
        FieldKind kind = FieldKind::Integer;
        Test test = Test::IsNull;
        qint64 whole = 0; // integer, day number, 0 or 1
        double money = 0;
        QByteArray text; // folded to lower case when the search ignores case
        bool prefix = false;
    };

    Condition condition(const QList<ColumnDef>& schema, const QStringList& lookupFields, int column,
                        const QVariant& value, bool last) const;

    std::vector<Condition> m_conditions;
    bool m_ignoreCase;
    bool m_partialKey;
    // The filter text joins several conditions with "and", which sees an empty field as the empty text, 0 or
    // false. A lone condition on an empty field stays unknown, and the row does not pass.
    bool m_emptyReadsAsValue;
};

} // namespace lesaro
