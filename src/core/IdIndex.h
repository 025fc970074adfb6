#pragma once

#include "core/RowStore.h"

#include <QList>
#include <QMultiHash>
#include <vector>

namespace lesaro {

// Hash index of the live slots by an integer column, so that lookups and locates on keys do not scan.
class IdIndex {
public:
    IdIndex(const RowStore& store, int column);

    void add(const RowStore& store, quint32 slot);
    void remove(const RowStore& store, quint32 slot);
    QList<quint32> find(qint32 key) const { return m_map.values(key); }
    // The slot for a key without building a list; -1 when none, -2 when several rows share the key.
    qint64 findUnique(qint32 key) const;
    int column() const { return m_column; }

private:
    bool isDense(qint32 key) const { return key >= 0 && qint64(key) < m_denseLimit; }

    int m_column;
    qint64 m_denseLimit;
    QMultiHash<qint32, quint32> m_map;
    // Identifiers are small dense numbers: a plain array answers most lookups. Keys beyond a bound tied to the
    // table's size stay in the hash only, so a hostile file cannot make the array huge.
    std::vector<qint64> m_dense; // key -> slot, -1 none, -2 several
};

} // namespace lesaro
