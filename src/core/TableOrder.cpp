#include "core/TableOrder.h"

#include "core/GermanLocale.h"
#include "core/LittleEndian.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace lesaro {

namespace {

// 8 bytes of a sort key from byte from on, as a big-endian number, zeros after a shorter key. Sort keys hold no
// zero byte, so keys no longer than the bytes compared are equal when these numbers are.
quint64 prefixOf(const QByteArray& key, qsizetype from = 0) {
    const char* data = key.constData();
    const qsizetype size = key.size();
    quint64 p = 0;
    for (qsizetype b = from; b < from + 8; ++b)
        p = (p << 8) | (b < size ? quint8(data[b]) : 0);
    return p;
}

} // namespace

TableOrder::TableOrder(const RowStore& store, std::vector<Key> keys, SortKeyCache* cache)
    : m_store(store)
    , m_keys(std::move(keys))
    , m_cache(cache) {}

bool TableOrder::less(quint32 a, quint32 b) const {
    if (!natural()) {
        const RowRef ra(m_store, a);
        const RowRef rb(m_store, b);
        for (size_t k = 0; k < m_keys.size(); ++k) {
            const int c = compareField(k, ra, a, rb, b);
            if (c != 0)
                return c < 0;
        }
    }
    return a < b;
}

void TableOrder::sort(std::vector<quint32>& slots) const {
    if (natural()) {
        // A view that stood in a field order goes back to slot order; one just gathered from the store already is.
        if (!std::is_sorted(slots.begin(), slots.end()))
            std::sort(slots.begin(), slots.end());
        return;
    }
    if (m_keys.size() == 1 && (m_keys[0].kind == FieldKind::Integer || m_keys[0].kind == FieldKind::Date)) {
        sortByWholeNumber(slots);
        return;
    }
    if (m_keys.size() == 1 && m_keys[0].kind == FieldKind::Text) {
        sortByText(slots);
        return;
    }
    // Decode every key once, then sort on the decoded keys.
    struct Decoded {
        bool null;
        double number;
        const QByteArray* text;
        quint64 prefix; // the first 8 bytes of the sort key, big-endian: most comparisons end here
    };
    const size_t n = slots.size();
    const size_t nk = m_keys.size();
    // The text keys point into the cache, so every column's cache has its full size before the first pointer
    // is taken; the second pass only looks the columns up.
    std::vector<std::vector<QByteArray>*> textKeys(nk, nullptr);
    for (size_t k = 0; k < nk; ++k) {
        if (m_keys[k].kind == FieldKind::Text)
            keysOf(k);
    }
    for (size_t k = 0; k < nk; ++k) {
        if (m_keys[k].kind == FieldKind::Text)
            textKeys[k] = &keysOf(k);
    }
    std::vector<Decoded> keys(n * nk);
    for (size_t i = 0; i < n; ++i) {
        const char* record = m_store.record(slots[i]);
        for (size_t k = 0; k < nk; ++k) {
            Decoded& d = keys[i * nk + k];
            const int col = m_keys[k].column;
            d.null = RowStore::isNullIn(record, col);
            d.number = 0;
            d.text = nullptr;
            d.prefix = 0;
            if (d.null)
                continue;
            switch (m_keys[k].kind) {
            case FieldKind::Text: {
                d.text = &keyIn(*textKeys[k], k, slots[i], nullptr);
                d.prefix = prefixOf(*d.text);
                break;
            }
            case FieldKind::Money:
                d.number = m_store.valueUpTo(slots[i], col).toMoney();
                break;
            case FieldKind::Boolean:
                d.number = m_store.valueUpTo(slots[i], col).toBool() ? 1 : 0;
                break;
            default:
                d.number = m_store.valueUpTo(slots[i], col).toInt();
                break;
            }
        }
    }
    std::vector<quint32> idx(n);
    std::iota(idx.begin(), idx.end(), 0u);
    std::sort(idx.begin(), idx.end(), [&](quint32 x, quint32 y) {
        for (size_t k = 0; k < nk; ++k) {
            const Decoded& a = keys[x * nk + k];
            const Decoded& b = keys[y * nk + k];
            if (a.null != b.null)
                return a.null;
            if (a.null)
                continue;
            if (a.text) {
                if (a.prefix != b.prefix)
                    return a.prefix < b.prefix;
                const int c = a.text->compare(*b.text);
                if (c != 0)
                    return c < 0;
            } else if (a.number != b.number) {
                return a.number < b.number;
            }
        }
        return slots[x] < slots[y];
    });
    std::vector<quint32> sorted(n);
    for (size_t i = 0; i < n; ++i)
        sorted[i] = slots[idx[i]];
    slots.swap(sorted);
}

// The common order "ID" (and any single number or date): plain pairs sort fastest, and a view whose rows already
// stand in key order, as loaded files mostly do, is only checked.
void TableOrder::sortByWholeNumber(std::vector<quint32>& slots) const {
    const int col = m_keys[0].column;
    std::vector<std::pair<qint64, quint32>> keyed(slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        const char* data = m_store.fieldData(slots[i], col);
        keyed[i] = {data ? qint64(readLE<qint32>(data)) : std::numeric_limits<qint64>::min(), slots[i]};
    }
    if (!std::is_sorted(keyed.begin(), keyed.end()))
        std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < slots.size(); ++i)
        slots[i] = keyed[i].second;
}

// The orders by one text (author, title, surname). Each slot stands beside the first 16 bytes of its sort key, so
// that the sort compares numbers lying side by side; only runs whose first 16 bytes agree are looked at again
// with the whole keys. Such a run is mostly one author's books, whose keys are all equal: it already stands in
// slot order, the tie-break, and needs no sort.
void TableOrder::sortByText(std::vector<quint32>& slots) const {
    struct Keyed {
        quint64 high;
        quint64 low;
        quint32 slot;
        const QByteArray* key;
    };
    std::vector<QByteArray>& keys = keysOf(0); // sized before the first pointer into it is taken
    const int col = m_keys[0].column;
    std::vector<quint32> empty; // slots of empty fields: they come first, in slot order
    std::vector<Keyed> keyed;
    keyed.reserve(slots.size());
    for (const quint32 s : slots) {
        if (RowStore::isNullIn(m_store.record(s), col)) {
            empty.push_back(s);
            continue;
        }
        const QByteArray& key = keyIn(keys, 0, s, nullptr);
        keyed.push_back({prefixOf(key, 0), prefixOf(key, 8), s, &key});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        return a.slot < b.slot;
    });
    for (auto run = keyed.begin(); run != keyed.end();) {
        auto end = run + 1;
        bool longKeys = run->key->size() > 16;
        while (end != keyed.end() && end->high == run->high && end->low == run->low) {
            longKeys |= end->key->size() > 16;
            ++end;
        }
        // Keys of at most 16 bytes are equal when their first 16 bytes are.
        if (longKeys && std::any_of(run + 1, end, [&](const Keyed& k) { return *k.key != *run->key; })) {
            std::stable_sort(run, end, [](const Keyed& a, const Keyed& b) { return a.key->compare(*b.key) < 0; });
        }
        run = end;
    }
    if (!std::is_sorted(empty.begin(), empty.end()))
        std::sort(empty.begin(), empty.end());
    std::copy(empty.begin(), empty.end(), slots.begin());
    auto out = slots.begin() + qsizetype(empty.size());
    for (const Keyed& k : keyed)
        *out++ = k.slot;
}

std::vector<QByteArray>& TableOrder::keysOf(size_t k) const {
    if (m_cache->size() < size_t(m_store.columnCount()))
        m_cache->resize(size_t(m_store.columnCount()));
    auto& keys = (*m_cache)[size_t(m_keys[k].column)];
    if (keys.size() < size_t(m_store.slotCount()))
        keys.resize(size_t(m_store.slotCount())); // geometric growth: rows appended one by one stay cheap
    return keys;
}

// The sort key of a slot's text, worked out on first use. Never grows the cache, so references to other keys of
// the same column stay valid.
const QByteArray& TableOrder::keyIn(std::vector<QByteArray>& keys, size_t k, quint32 slot, const RowRef* row) const {
    QByteArray& key = keys[slot];
    if (key.isNull()) {
        const int column = m_keys[k].column;
        key = GermanLocale::sortKey(row ? row->text(column) : RowRef(m_store, slot).text(column));
        if (key.isNull())
            key = QByteArray("", 0); // an empty key is still a computed one
    }
    return key;
}

int TableOrder::compareField(size_t k, const RowRef& a, quint32 slotA, const RowRef& b, quint32 slotB) const {
    const int col = m_keys[k].column;
    const bool na = a.isNull(col);
    const bool nb = b.isNull(col);
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    switch (m_keys[k].kind) {
    case FieldKind::Text: {
        auto& keys = keysOf(k);
        const QByteArray& ka = keyIn(keys, k, slotA, &a);
        return ka.compare(keyIn(keys, k, slotB, &b));
    }
    case FieldKind::Money: {
        const double x = a.float64(col);
        const double y = b.float64(col);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case FieldKind::Boolean: {
        const int x = a.int16(col) != 0;
        const int y = b.int16(col) != 0;
        return x - y;
    }
    default: {
        const qint32 x = a.int32(col);
        const qint32 y = b.int32(col);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    }
}

} // namespace lesaro
