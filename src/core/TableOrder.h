#pragma once

#include "core/RowStore.h"

#include <QByteArray>
#include <vector>

namespace lesaro {

// Collation sort keys of text fields, per column and slot, kept by the table across orders. A slot never
// changes, so its key never goes stale; only new slots need keys.
using SortKeyCache = std::vector<std::vector<QByteArray>>;

// An index order: a total order on slots. Rows compare by the key fields in turn (empty values first, texts by
// their collation sort keys, numbers and dates by value, false before true), then by slot number, so that a row
// entering the order later stands after rows with equal keys. Without key fields it is the natural order, the
// order of the slots.
class TableOrder {
public:
    struct Key {
        int column;
        FieldKind kind;
    };

    TableOrder(const RowStore& store, std::vector<Key> keys, SortKeyCache* cache);

    bool natural() const { return m_keys.empty(); }
    bool less(quint32 a, quint32 b) const;
    // Puts the slots in this order. They may come in any order, the previous order's included.
    void sort(std::vector<quint32>& slots) const;

private:
    void sortByWholeNumber(std::vector<quint32>& slots) const;
    void sortByText(std::vector<quint32>& slots) const;
    // The sort keys of key field k, sized to the store's slots. Growing the cache moves the keys, so no pointer
    // or reference into it may be held across a call of this.
    std::vector<QByteArray>& keysOf(size_t k) const;
    const QByteArray& keyIn(std::vector<QByteArray>& keys, size_t k, quint32 slot, const RowRef* row) const;
    int compareField(size_t k, const RowRef& a, quint32 slotA, const RowRef& b, quint32 slotB) const;

    const RowStore& m_store;
    std::vector<Key> m_keys;
    SortKeyCache* m_cache;
};

} // namespace lesaro
