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
    // The slots of the rows with the key, the latest added first.
    QList<quint32> find(qint32 key) const;
    // The slot for a key without building a list; -1 when none, -2 when several rows share the key.
    qint64 findUnique(qint32 key) const;
    int column() const { return m_column; }

private:
    bool isDense(qint32 key) const { return key >= 0 && qint64(key) < m_denseLimit; }

    int m_column;
    qint64 m_denseLimit;
    // Identifiers are small dense numbers, mostly one row each: a plain array answers them, and the hash holds
    // only the keys beyond a bound tied to the table's size (so that a hostile file cannot make the array huge)
    // and the keys several rows share. A hash entry per row would cost several times the array.
    std::vector<qint64> m_dense; // key -> slot, -1 none, -2 several (then all of them are in m_map)
    QMultiHash<qint32, quint32> m_map;
};

} // namespace lesaro
