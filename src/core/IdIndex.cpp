#include "core/IdIndex.h"

#include <algorithm>

namespace lesaro {

IdIndex::IdIndex(const RowStore& store, int column)
    : m_column(column)
    , m_denseLimit(4 * qint64(store.slotCount()) + 65536) {
    const qsizetype n = store.slotCount();
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
    if (!isDense(key)) {
        m_map.insert(key, slot);
        return;
    }
    if (size_t(key) >= m_dense.size())
        m_dense.resize(size_t(std::min(qint64(key) * 2 + 16, m_denseLimit)), -1);
    qint64& d = m_dense[size_t(key)];
    if (d == -1) {
        d = qint64(slot);
        return;
    }
    // The key's first row moves into the hash before the second, so the hash keeps the order they came in.
    if (d >= 0)
        m_map.insert(key, quint32(d));
    m_map.insert(key, slot);
    d = -2;
}

void IdIndex::remove(const RowStore& store, quint32 slot) {
    const RowRef row(store, slot);
    if (row.isNull(m_column))
        return;
    const qint32 key = row.int32(m_column);
    if (!isDense(key)) {
        m_map.remove(key, slot);
        return;
    }
    if (size_t(key) >= m_dense.size())
        return;
    qint64& d = m_dense[size_t(key)];
    if (d == qint64(slot)) {
        d = -1;
        return;
    }
    if (d != -2)
        return;
    m_map.remove(key, slot);
    const qsizetype left = m_map.count(key);
    if (left > 1)
        return;
    // One row left: it goes back into the array.
    d = left == 0 ? -1 : qint64(m_map.value(key));
    m_map.remove(key);
}

QList<quint32> IdIndex::find(qint32 key) const {
    if (isDense(key)) {
        const qint64 d = size_t(key) < m_dense.size() ? m_dense[size_t(key)] : -1;
        if (d == -1)
            return {};
        if (d >= 0)
            return {quint32(d)};
    }
    return m_map.values(key);
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
