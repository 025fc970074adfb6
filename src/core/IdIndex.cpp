#include "core/IdIndex.h"

#include <algorithm>

namespace lesaro {

IdIndex::IdIndex(const RowStore& store, int column)
    : m_column(column)
    , m_denseLimit(4 * qint64(store.slotCount()) + 65536) {
    const qsizetype n = store.slotCount();
    m_map.reserve(n);
    for (qsizetype s = 0; s < n; ++s) {
        if (SlotStatus::isLive(store.status(s)))
            add(store, quint32(s));
    }
}

void IdIndex::add(const RowStore& store, quint32 slot) {
    const RowRef row(store, slot);
    if (row.isNull(m_column))
        return;
    const qint32 key = row.int32(m_column);
    m_map.insert(key, slot);
    if (isDense(key)) {
        if (size_t(key) >= m_dense.size())
            m_dense.resize(size_t(std::min(qint64(key) * 2 + 16, m_denseLimit)), -1);
        qint64& d = m_dense[size_t(key)];
        d = d == -1 ? qint64(slot) : -2;
    }
}

void IdIndex::remove(const RowStore& store, quint32 slot) {
    const RowRef row(store, slot);
    if (row.isNull(m_column))
        return;
    const qint32 key = row.int32(m_column);
    m_map.remove(key, slot);
    if (isDense(key)) {
        const qsizetype left = m_map.count(key);
        m_dense[size_t(key)] = left == 0 ? -1 : left == 1 ? qint64(m_map.value(key)) : -2;
    }
}

qint64 IdIndex::findUnique(qint32 key) const {
    if (isDense(key))
        return size_t(key) < m_dense.size() ? m_dense[size_t(key)] : -1;
    auto it = m_map.constFind(key);
    if (it == m_map.cend())
        return -1;
    const quint32 s = it.value();
    ++it;
    if (it != m_map.cend() && it.key() == key)
        return -2;
    return s;
}

} // namespace lesaro
