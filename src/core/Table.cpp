#include "core/Table.h"

#include "core/AtomicFile.h"
#include "core/Datapacket.h"
#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/LittleEndian.h"
#include "core/Win1252.h"

#include <QFileInfo>
#include <QMultiHash>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace lesaro {

namespace {

EngineError notEditing() {
    return EngineError(QStringLiteral("Datenmenge weder im Editier- noch im Einfügemodus"));
}

EngineError fieldNotFound(const QString& name) {
    return EngineError(QStringLiteral("Das Feld '%1' wurde nicht gefunden").arg(name));
}

EngineError inactive() {
    return EngineError(QStringLiteral("Operation bei geschlossener Datenmenge nicht möglich"));
}

QString valueToString(FieldKind kind, const Value& v) {
    if (v.isNull())
        return {};
    switch (kind) {
    case FieldKind::Integer:
        return QString::number(v.toInt());
    case FieldKind::Text:
        return win1252::decode(v.bytes());
    case FieldKind::Money:
        return GermanLocale::formatDecimal(v.toMoney());
    case FieldKind::Boolean:
        return v.toBool() ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    case FieldKind::Date:
        return GermanLocale::formatDate(dateFromDay(v.toDay()));
    }
    return {};
}

QString valueToDisplay(FieldKind kind, const Value& v) {
    if (!v.isNull() && kind == FieldKind::Money)
        return GermanLocale::formatMoney(v.toMoney());
    return valueToString(kind, v);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Index order: a total order on slots (the key fields, then the slot number, so that a row entering the
// order later stands after rows with equal keys). Text keys are collation sort keys, cached per slot:
// a slot never changes, so its key never goes stale.
class Table::Order {
public:
    struct Key {
        int column;
        FieldKind kind;
    };

    Order(const RowStore& store, std::vector<Key> keys, std::vector<std::vector<QByteArray>>* cache)
        : m_store(store)
        , m_keys(std::move(keys))
        , m_cache(cache) {}

    bool natural() const { return m_keys.empty(); }

    bool less(quint32 a, quint32 b) const {
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

    void sort(std::vector<quint32>& slots) const {
        if (natural())
            return; // live slots are gathered in slot order already
        if (m_keys.size() == 1 && (m_keys[0].kind == FieldKind::Integer || m_keys[0].kind == FieldKind::Date)) {
            sortByWholeNumber(slots);
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
                    d.text = &textKeyBySlot(k, slots[i]);
                    quint64 p = 0;
                    for (qsizetype b = 0; b < 8; ++b)
                        p = (p << 8) | (b < d.text->size() ? quint8(d.text->at(b)) : 0);
                    d.prefix = p;
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

private:
    // The common order "ID" (and any single number or date): plain pairs sort fastest, and a view whose
    // rows already stand in key order, as loaded files mostly do, is only checked.
    void sortByWholeNumber(std::vector<quint32>& slots) const {
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

    const QByteArray& textKeyBySlot(size_t k, quint32 slot) const {
        const size_t col = size_t(m_keys[k].column);
        if (m_cache->size() > col) {
            const auto& cache = (*m_cache)[col];
            if (slot < cache.size() && !cache[slot].isNull())
                return cache[slot];
        }
        return textKey(k, slot, RowRef(m_store, slot));
    }

    const QByteArray& textKey(size_t k, quint32 slot, const RowRef& row) const {
        if (m_cache->size() < size_t(m_store.columnCount()))
            m_cache->resize(size_t(m_store.columnCount()));
        auto& cache = (*m_cache)[size_t(m_keys[k].column)];
        if (cache.size() <= slot)
            cache.resize(size_t(m_store.slotCount()));
        QByteArray& key = cache[slot];
        if (key.isNull()) {
            key = GermanLocale::sortKey(row.text(m_keys[k].column));
            if (key.isNull())
                key = QByteArray("", 0);
        }
        return key;
    }

    int compareField(size_t k, const RowRef& a, quint32 slotA, const RowRef& b, quint32 slotB) const {
        const int col = m_keys[k].column;
        const bool na = a.isNull(col);
        const bool nb = b.isNull(col);
        if (na || nb)
            return na == nb ? 0 : (na ? -1 : 1);
        switch (m_keys[k].kind) {
        case FieldKind::Text:
            return textKey(k, slotA, a).compare(textKey(k, slotB, b));
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

    const RowStore& m_store;
    std::vector<Key> m_keys;
    std::vector<std::vector<QByteArray>>* m_cache;
};

// Hash index of the live slots by an integer column, so that lookups and locates on keys do not scan.
class Table::IdIndex {
public:
    IdIndex(const RowStore& store, int column)
        : m_column(column)
        , m_denseLimit(4 * qint64(store.slotCount()) + 65536) {
        const qsizetype n = store.slotCount();
        m_map.reserve(n);
        for (qsizetype s = 0; s < n; ++s) {
            if (SlotStatus::isLive(store.status(s)))
                add(store, quint32(s));
        }
    }
    void add(const RowStore& store, quint32 slot) {
        const RowRef row(store, slot);
        if (!row.isNull(m_column)) {
            const qint32 key = row.int32(m_column);
            m_map.insert(key, slot);
            if (isDense(key)) {
                if (size_t(key) >= m_dense.size())
                    m_dense.resize(size_t(std::min(qint64(key) * 2 + 16, m_denseLimit)), -1);
                qint64& d = m_dense[size_t(key)];
                d = d == -1 ? qint64(slot) : -2;
            }
        }
    }
    void remove(const RowStore& store, quint32 slot) {
        const RowRef row(store, slot);
        if (!row.isNull(m_column)) {
            const qint32 key = row.int32(m_column);
            m_map.remove(key, slot);
            if (isDense(key)) {
                const qsizetype left = m_map.count(key);
                m_dense[size_t(key)] = left == 0 ? -1 : left == 1 ? qint64(m_map.value(key)) : -2;
            }
        }
    }
    QList<quint32> find(qint32 key) const { return m_map.values(key); }
    // The slot for a key without building a list; -1 when none, -2 when several rows share the key.
    qint64 findUnique(qint32 key) const {
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
    int column() const { return m_column; }

private:
    bool isDense(qint32 key) const { return key >= 0 && qint64(key) < m_denseLimit; }

    int m_column;
    qint64 m_denseLimit;
    QMultiHash<qint32, quint32> m_map;
    // Identifiers are small dense numbers: a plain array answers most lookups. Keys beyond a bound tied to
    // the table's size stay in the hash only, so a hostile file cannot make the array huge.
    std::vector<qint64> m_dense; // key -> slot, -1 none, -2 several
};

// ---------------------------------------------------------------------------------------------------

Table::Table(const QString& name, QObject* parent)
    : QObject(parent)
    , m_name(name) {}

Table::~Table() = default;

void Table::setColumns(QList<ColumnDef> columns) {
    if (Active())
        throw EngineError(QStringLiteral("Operation bei geöffneter Datenmenge nicht möglich"));
    m_store = RowStore(std::move(columns));
    m_changeCount = 0;
    m_loadFailed = false;
    m_indexes.clear();
    m_sortKeys.clear();
    m_largest.clear();
    m_order.reset();
    rebuildFields();
}

void Table::addLookupField(const LookupFieldDef& def) {
    m_lookupDefs.push_back(def);
    rebuildFields();
}

void Table::rebuildFields() {
    ++m_schemaGeneration;
    m_fields.clear();
    m_lookups.clear();
    const auto& cols = m_store.columns();
    for (int i = 0; i < cols.size(); ++i)
        m_fields.push_back({cols[i].name, i, -1});
    // Lookup fields with a position are placed in the order of their positions.
    std::vector<size_t> order(m_lookupDefs.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int pa = m_lookupDefs[a].position < 0 ? INT_MAX : m_lookupDefs[a].position;
        const int pb = m_lookupDefs[b].position < 0 ? INT_MAX : m_lookupDefs[b].position;
        return pa < pb;
    });
    for (size_t i : order) {
        const LookupFieldDef& d = m_lookupDefs[i];
        LookupInfo info;
        info.def = d;
        info.kind = d.kind;
        for (int c = 0; c < cols.size(); ++c) {
            if (cols[c].name.compare(d.keyField, Qt::CaseInsensitive) == 0)
                info.keyColumn = c;
        }
        m_lookups.push_back(info);
        FieldInfo f{d.name, -1, int(m_lookups.size()) - 1};
        const size_t at = d.position < 0 ? m_fields.size() : std::min(size_t(d.position), m_fields.size());
        m_fields.insert(m_fields.begin() + qsizetype(at), f);
    }
}

QStringList Table::fieldNames() const {
    QStringList names;
    for (const FieldInfo& f : m_fields)
        names << f.name;
    return names;
}

int Table::fieldIndex(const QString& name) const {
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

int Table::requireField(const QString& name) const {
    const int i = fieldIndex(name);
    if (i < 0)
        throw fieldNotFound(name);
    return i;
}

Field Table::FieldByName(const QString& name) {
    return Field(this, requireField(name));
}

QStringList Table::lookupFieldNames() const {
    QStringList names;
    for (const LookupInfo& l : m_lookups)
        names << l.def.name;
    return names;
}

// ---------------------------------------------------------------------------------------------------
// Opening and closing

void Table::setActive(bool active) {
    if (active)
        Open();
    else
        Close();
}

void Table::Open() {
    if (Active())
        return;
    if (m_store.columns().isEmpty())
        throw EngineError(QStringLiteral("Keine Felddefinitionen vorhanden"));
    // Order and filter are worked out before the state changes, so that a bad order or filter text leaves
    // the table closed rather than half open.
    auto order = makeOrder(m_indexFieldNames);
    std::unique_ptr<FilterExpr> filter;
    if (m_filtered && !m_filterText.trimmed().isEmpty())
        filter = FilterExpr::parse(m_store.columns(), lookupFieldNames(), m_filterText, m_filterOptions);
    m_order = std::move(order);
    m_filter = std::move(filter);
    m_state = TableState::Browse;
    buildView();
    Q_EMIT stateChanged();
    Q_EMIT viewReset();
    if (!rows().empty())
        fireScroll();
}

void Table::Close() {
    if (!Active())
        return;
    CheckBrowseMode();
    applyCloseRule(); // a failed write leaves the table open with its rows, and the caller is told
    m_state = TableState::Inactive;
    m_ordered.clear();
    m_filteredRows.clear();
    m_filter.reset();
    m_pos = -1;
    m_eof = m_bof = true;
    Q_EMIT stateChanged();
    Q_EMIT viewReset();
}

void Table::CreateDataSet() {
    if (m_store.columns().isEmpty())
        throw EngineError(QStringLiteral("Keine Felddefinitionen vorhanden"));
    if (Active()) {
        m_state = TableState::Inactive;
        m_buffer.clear();
    }
    m_store = RowStore(m_store.columns());
    m_changeCount = 0;
    m_loadFailed = false;
    m_indexes.clear();
    m_sortKeys.clear();
    m_largest.clear();
    Open();
}

void Table::applyCloseRule() {
    if (m_fileName.isEmpty() || m_fileWritesBlocked || m_loadFailed)
        return;
    if (m_changeCount != 0 || !QFileInfo::exists(m_fileName))
        SaveToFile(m_fileName);
}

void Table::requireActive() const {
    if (!Active())
        throw inactive();
}

// ---------------------------------------------------------------------------------------------------
// View

const std::vector<quint32>& Table::rows() const {
    return m_filter ? m_filteredRows : m_ordered;
}

std::unique_ptr<Table::Order> Table::makeOrder(const QString& names) const {
    std::vector<Order::Key> keys;
    const auto parts = names.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& raw : parts) {
        const QString name = raw.trimmed();
        if (name.isEmpty())
            continue;
        const int f = fieldIndex(name);
        if (f < 0)
            throw fieldNotFound(name);
        if (m_fields[size_t(f)].column < 0)
            throw EngineError(QStringLiteral("Feldindex außerhalb des gültigen Bereichs"));
        const int c = m_fields[size_t(f)].column;
        keys.push_back({c, m_store.columns()[c].kind});
    }
    return std::make_unique<Order>(m_store, std::move(keys), &m_sortKeys);
}

void Table::buildView() {
    m_ordered.clear();
    const qsizetype n = m_store.slotCount();
    for (qsizetype s = 0; s < n; ++s) {
        if (SlotStatus::isLive(m_store.status(s)))
            m_ordered.push_back(quint32(s));
    }
    m_order->sort(m_ordered);
    refilter();
}

void Table::refilter() {
    m_filteredRows.clear();
    if (m_filter) {
        for (quint32 s : m_ordered) {
            if (m_filter->passes(RowRef(m_store, s)))
                m_filteredRows.push_back(s);
        }
    }
    const bool any = !rows().empty();
    m_pos = any ? 0 : -1;
    m_bof = true;
    m_eof = !any;
}

bool Table::passesFilter(qsizetype slot) const {
    return !m_filter || m_filter->passes(RowRef(m_store, slot));
}

int Table::positionOf(quint32 slot) const {
    const auto& r = rows();
    auto it = std::lower_bound(r.begin(), r.end(), slot, [&](quint32 a, quint32 b) { return m_order->less(a, b); });
    if (it != r.end() && *it == slot)
        return int(it - r.begin());
    return -1;
}

void Table::insertIntoView(quint32 slot) {
    auto less = [&](quint32 a, quint32 b) { return m_order->less(a, b); };
    m_ordered.insert(std::upper_bound(m_ordered.begin(), m_ordered.end(), slot, less), slot);
    if (m_filter && passesFilter(slot))
        m_filteredRows.insert(std::upper_bound(m_filteredRows.begin(), m_filteredRows.end(), slot, less), slot);
}

void Table::removeFromView(quint32 slot) {
    auto less = [&](quint32 a, quint32 b) { return m_order->less(a, b); };
    auto drop = [&](std::vector<quint32>& v) {
        auto it = std::lower_bound(v.begin(), v.end(), slot, less);
        if (it != v.end() && *it == slot)
            v.erase(it);
    };
    drop(m_ordered);
    if (m_filter)
        drop(m_filteredRows);
}

qsizetype Table::currentSlot() const {
    const auto& r = rows();
    if (m_pos < 0 || m_pos >= int(r.size()))
        return -1;
    return r[size_t(m_pos)];
}

void Table::fireScroll() {
    Q_EMIT currentRowChanged();
    if (AfterScroll)
        AfterScroll(*this);
}

int Table::viewCount() const {
    return Active() ? int(rows().size()) : 0;
}

// ---------------------------------------------------------------------------------------------------
// Navigation

void Table::First() {
    requireActive();
    CheckBrowseMode();
    const bool any = !rows().empty();
    m_pos = any ? 0 : -1;
    m_bof = true;
    m_eof = !any;
    fireScroll();
}

void Table::Last() {
    requireActive();
    CheckBrowseMode();
    const int n = int(rows().size());
    m_pos = n - 1;
    m_eof = true;
    m_bof = n == 0;
    fireScroll();
}

void Table::Next() {
    requireActive();
    CheckBrowseMode();
    const int n = int(rows().size());
    m_bof = false;
    if (m_pos + 1 < n) {
        ++m_pos;
        m_eof = false;
    } else {
        m_eof = true;
    }
    fireScroll();
}

void Table::Prior() {
    requireActive();
    CheckBrowseMode();
    m_eof = false;
    if (m_pos > 0) {
        --m_pos;
        m_bof = false;
    } else {
        m_bof = true;
    }
    fireScroll();
}

void Table::MoveTo(int position) {
    requireActive();
    CheckBrowseMode();
    const int n = int(rows().size());
    if (position < 0 || position >= n)
        return;
    m_pos = position;
    m_bof = m_eof = false;
    fireScroll();
}

int Table::RecordCount() const {
    return viewCount();
}

// ---------------------------------------------------------------------------------------------------
// Editing

void Table::startInsert() {
    requireActive();
    CheckBrowseMode();
    m_buffer.assign(size_t(m_store.columnCount()), Value());
    m_editSlot = -1;
    m_posBeforeInsert = m_pos;
    m_state = TableState::Insert;
    m_modified = false;
    Q_EMIT stateChanged();
    if (AfterInsert)
        AfterInsert(*this);
    fireScroll();
}

void Table::Insert() {
    startInsert();
}

void Table::Append() {
    startInsert();
}

void Table::Edit() {
    requireActive();
    if (m_state == TableState::Edit || m_state == TableState::Insert)
        return;
    const qsizetype slot = currentSlot();
    if (slot < 0) {
        startInsert();
        return;
    }
    const RowRef row(m_store, slot);
    m_buffer.resize(size_t(m_store.columnCount()));
    for (int c = 0; c < m_store.columnCount(); ++c)
        m_buffer[size_t(c)] = row.value(c);
    m_editSlot = slot;
    m_state = TableState::Edit;
    m_modified = false;
    Q_EMIT stateChanged();
}

void Table::Post() {
    requireActive();
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        return;
    qsizetype slot;
    int fallback;
    if (m_state == TableState::Insert) {
        slot = m_store.appendValues(m_buffer.data(), SlotStatus::Inserted);
        m_store.changeLog().push_back({quint32(slot + 1), 0, LogKind::Insert});
        fallback = m_posBeforeInsert;
    } else {
        const qsizetype old = m_editSlot;
        const quint8 oldStatus = m_store.status(old);
        const quint8 status = SlotStatus::Modified | (oldStatus & SlotStatus::Inserted);
        fallback = m_pos;
        for (auto& index : m_indexes) {
            if (index)
                index->remove(m_store, quint32(old));
        }
        removeFromView(quint32(old));
        slot = m_store.appendValues(m_buffer.data(), status);
        m_store.setStatus(old, oldStatus | SlotStatus::Superseded);
        m_store.changeLog().push_back({quint32(slot + 1), quint32(old + 1), LogKind::Modify});
    }
    ++m_changeCount;
    for (auto& index : m_indexes) {
        if (index)
            index->add(m_store, quint32(slot));
    }
    insertIntoView(quint32(slot));
    m_buffer.clear();
    m_editSlot = -1;
    m_state = TableState::Browse;
    m_modified = false;
    const int at = positionOf(quint32(slot));
    const int n = int(rows().size());
    // A row that no longer passes the filter leaves the view; the row that took its place is current.
    m_pos = at >= 0 ? at : std::min(std::max(fallback, 0), n - 1);
    m_bof = m_eof = n == 0;
    Q_EMIT rowsChanged();
    Q_EMIT stateChanged();
    Q_EMIT currentRowChanged();
    if (AfterPost)
        AfterPost(*this);
}

void Table::Cancel() {
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        return;
    if (m_state == TableState::Insert)
        m_pos = std::min(m_posBeforeInsert, int(rows().size()) - 1);
    m_buffer.clear();
    m_editSlot = -1;
    m_state = TableState::Browse;
    m_modified = false;
    Q_EMIT stateChanged();
    fireScroll();
}

void Table::Delete() {
    requireActive();
    if (m_state == TableState::Insert) {
        Cancel();
        return;
    }
    CheckBrowseMode();
    const qsizetype slot = currentSlot();
    if (slot < 0)
        throw EngineError(QStringLiteral("Operation bei leerer Datenmenge nicht ausführbar"));
    for (auto& index : m_indexes) {
        if (index)
            index->remove(m_store, quint32(slot));
    }
    removeFromView(quint32(slot));
    m_store.setStatus(slot, m_store.status(slot) | SlotStatus::Deleted);
    m_store.changeLog().push_back({quint32(slot + 1), 0, LogKind::Delete});
    ++m_changeCount;
    const int n = int(rows().size());
    m_pos = std::min(m_pos, n - 1);
    m_bof = m_eof = n == 0;
    Q_EMIT rowsChanged();
    fireScroll();
}

void Table::CheckBrowseMode() {
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        return;
    if (m_modified)
        Post();
    else
        Cancel();
}

// ---------------------------------------------------------------------------------------------------
// Field values

Value Table::lookupValue(int lookupIndex, const Value& key) const {
    const LookupInfo& l = m_lookups[size_t(lookupIndex)];
    Table* other = l.def.lookupTable;
    if (key.isNull() || !other || key.kind() != FieldKind::Integer)
        return {};
    if (l.resolvedFor != other->m_schemaGeneration) {
        l.partnerKeyColumn = l.partnerResultColumn = -1;
        const int keyColumn = other->m_store.columns().isEmpty() ? -1 : other->fieldIndex(l.def.lookupKeyField);
        const int resultField = other->fieldIndex(l.def.resultField);
        if (keyColumn >= 0 && resultField >= 0) {
            l.partnerKeyColumn = other->m_fields[size_t(keyColumn)].column;
            l.partnerResultColumn = other->m_fields[size_t(resultField)].column;
        }
        l.resolvedFor = other->m_schemaGeneration;
    }
    const int keyCol = l.partnerKeyColumn;
    const int resultCol = l.partnerResultColumn;
    if (keyCol < 0 || resultCol < 0 || other->m_store.columns()[keyCol].kind != FieldKind::Integer)
        return {};
    // Resolved against all live rows of the partner table, whatever filter it has at the moment.
    const qsizetype slot = other->findLiveSlotByKey(keyCol, key.toInt());
    if (slot < 0)
        return {};
    return other->m_store.valueUpTo(slot, resultCol);
}

qsizetype Table::findLiveSlotByKey(int column, qint32 key) const {
    IdIndex& index = indexFor(column);
    if (const qint64 unique = index.findUnique(key); unique != -2)
        return unique;
    const QList<quint32> slots = index.find(key);
    if (slots.isEmpty())
        return -1;
    quint32 best = slots.first();
    if (slots.size() > 1 && m_order) {
        for (quint32 s : slots) {
            if (m_order->less(s, best))
                best = s;
        }
    } else if (slots.size() > 1) {
        best = *std::min_element(slots.begin(), slots.end());
    }
    return best;
}

qint64 Table::largestStoredInteger(const QString& field) const {
    const int f = requireField(field);
    const int column = m_fields[size_t(f)].column;
    if (column < 0 || m_store.columns()[column].kind != FieldKind::Integer)
        throw EngineError(QStringLiteral("Fehlende Typübereinstimmung im Ausdruck"));
    if (m_largest.size() < size_t(m_store.columnCount()))
        m_largest.resize(size_t(m_store.columnCount()));
    LargestSeen& seen = m_largest[size_t(column)];
    if (seen.scannedSlots > m_store.slotCount())
        seen = {};
    for (; seen.scannedSlots < m_store.slotCount(); ++seen.scannedSlots) {
        if (m_store.status(seen.scannedSlots) & SlotStatus::Unused)
            continue;
        const RowRef row(m_store, seen.scannedSlots);
        if (!row.isNull(column))
            seen.value = std::max<qint64>(seen.value, row.int32(column));
    }
    return seen.value;
}

Table::IdIndex& Table::indexFor(int column) const {
    if (m_indexes.size() < size_t(m_store.columnCount()))
        m_indexes.resize(size_t(m_store.columnCount()));
    auto& index = m_indexes[size_t(column)];
    if (!index)
        index = std::make_unique<IdIndex>(m_store, column);
    return *index;
}

Value Table::slotFieldValue(qsizetype slot, int fieldIndex) const {
    const FieldInfo& f = m_fields[size_t(fieldIndex)];
    if (f.column >= 0)
        return m_store.valueUpTo(slot, f.column);
    const LookupInfo& l = m_lookups[size_t(f.lookup)];
    if (l.keyColumn < 0)
        return {};
    return lookupValue(f.lookup, m_store.valueUpTo(slot, l.keyColumn));
}

Value Table::currentValue(int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        throw EngineError(QStringLiteral("Feldindex außerhalb des gültigen Bereichs"));
    if (m_state == TableState::Edit || m_state == TableState::Insert) {
        const FieldInfo& f = m_fields[size_t(fieldIndex)];
        if (f.column >= 0)
            return m_buffer[size_t(f.column)];
        const LookupInfo& l = m_lookups[size_t(f.lookup)];
        return l.keyColumn < 0 ? Value() : lookupValue(f.lookup, m_buffer[size_t(l.keyColumn)]);
    }
    const qsizetype slot = Active() ? currentSlot() : -1;
    if (slot < 0)
        return {};
    return slotFieldValue(slot, fieldIndex);
}

Value Table::valueAt(int position, int fieldIndex) const {
    const auto& r = rows();
    if (!Active() || position < 0 || position >= int(r.size()) || fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        return {};
    return slotFieldValue(r[size_t(position)], fieldIndex);
}

QString Table::displayTextAt(int position, int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        return {};
    return valueToDisplay(fieldKind(fieldIndex), valueAt(position, fieldIndex));
}

QString Table::stringAt(int position, int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        return {};
    return valueToString(fieldKind(fieldIndex), valueAt(position, fieldIndex));
}

FieldKind Table::fieldKind(int fieldIndex) const {
    const FieldInfo& f = m_fields[size_t(fieldIndex)];
    if (f.column >= 0)
        return m_store.columns()[f.column].kind;
    return m_lookups[size_t(f.lookup)].kind;
}

void Table::assign(int fieldIndex, const Value& value) {
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        throw notEditing();
    const FieldInfo& f = m_fields[size_t(fieldIndex)];
    if (f.column < 0)
        throw EngineError(QStringLiteral("Feld '%1' kann nicht geändert werden").arg(f.name));
    const ColumnDef& c = m_store.columns()[f.column];
    Value v = value;
    if (!v.isNull() && v.kind() == FieldKind::Text && v.bytes().size() > c.width)
        v = Value::text(v.bytes().left(c.width));
    m_buffer[size_t(f.column)] = std::move(v);
    m_modified = true;
    Q_EMIT fieldChanged(fieldIndex);
}

void Table::assignText(int fieldIndex, const QString& text) {
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        throw notEditing();
    const FieldInfo& f = m_fields[size_t(fieldIndex)];
    if (f.column < 0)
        throw EngineError(QStringLiteral("Feld '%1' kann nicht geändert werden").arg(f.name));
    const ColumnDef& c = m_store.columns()[f.column];
    switch (c.kind) {
    case FieldKind::Text:
        assign(fieldIndex, Value::text(win1252::encode(text)));
        return;
    case FieldKind::Integer: {
        if (text.isEmpty())
            return assign(fieldIndex, Value());
        const auto v = GermanLocale::parseInteger(text);
        if (!v)
            throw EngineError(QStringLiteral("'%1' ist kein gültiger Integerwert für Feld '%2'").arg(text, f.name));
        return assign(fieldIndex, Value::integer(*v));
    }
    case FieldKind::Money: {
        if (text.isEmpty())
            return assign(fieldIndex, Value());
        const auto v = GermanLocale::parseDecimal(text);
        if (!v)
            throw EngineError(QStringLiteral("'%1' ist kein gültiger Fließkommawert für Feld '%2'").arg(text, f.name));
        return assign(fieldIndex, Value::money(*v));
    }
    case FieldKind::Boolean: {
        if (text.isEmpty())
            return assign(fieldIndex, Value());
        if (QStringLiteral("Wahr").startsWith(text, Qt::CaseInsensitive))
            return assign(fieldIndex, Value::boolean(true));
        if (QStringLiteral("Falsch").startsWith(text, Qt::CaseInsensitive))
            return assign(fieldIndex, Value::boolean(false));
        throw EngineError(QStringLiteral("'%1' ist kein gültiger boolescher Wert für Feld '%2'").arg(text, f.name));
    }
    case FieldKind::Date: {
        if (text.isEmpty())
            return assign(fieldIndex, Value());
        const auto d = GermanLocale::parseDate(text);
        if (!d)
            throw EngineError(QStringLiteral("'%1' ist kein gültiges Datum").arg(text));
        return assign(fieldIndex, Value::date(dayFromDate(*d)));
    }
    }
}

// ---------------------------------------------------------------------------------------------------
// Filtering and ordering

void Table::applyFilter(const QString& text, FilterOptions options, bool on) {
    std::unique_ptr<FilterExpr> parsed;
    if (on && Active() && !text.trimmed().isEmpty())
        parsed = FilterExpr::parse(m_store.columns(), lookupFieldNames(), text, options);
    m_filterText = text;
    m_filterOptions = options;
    m_filtered = on;
    if (!Active())
        return;
    m_filter = std::move(parsed);
    refilter();
    Q_EMIT viewReset();
    fireScroll();
}

void Table::setFilter(const QString& text) {
    if (Active() && m_filtered) {
        CheckBrowseMode();
        applyFilter(text, m_filterOptions, true);
    } else {
        m_filterText = text;
    }
}

void Table::setFilterOptions(FilterOptions options) {
    if (Active() && m_filtered) {
        CheckBrowseMode();
        applyFilter(m_filterText, options, true);
    } else {
        m_filterOptions = options;
    }
}

void Table::setFiltered(bool on) {
    if (on == m_filtered)
        return;
    if (Active())
        CheckBrowseMode();
    applyFilter(m_filterText, m_filterOptions, on);
}

void Table::setIndexFieldNames(const QString& names) {
    if (!Active()) {
        if (!m_store.columns().isEmpty())
            makeOrder(names); // validates
        m_indexFieldNames = names;
        return;
    }
    CheckBrowseMode();
    auto order = makeOrder(names);
    const qsizetype current = currentSlot();
    m_indexFieldNames = names;
    m_order = std::move(order);
    const int pos = m_pos;
    const bool bof = m_bof;
    const bool eof = m_eof;
    m_order->sort(m_ordered);
    if (m_filter) {
        m_filteredRows.clear();
        for (quint32 s : m_ordered) {
            if (m_filter->passes(RowRef(m_store, s)))
                m_filteredRows.push_back(s);
        }
    }
    m_pos = current >= 0 ? positionOf(quint32(current)) : pos;
    m_bof = bof;
    m_eof = eof;
    Q_EMIT viewReset();
    Q_EMIT currentRowChanged();
}

// ---------------------------------------------------------------------------------------------------
// Finding

std::unique_ptr<FilterExpr> Table::locateExpr(const QString& fields, const QVariantList& values, bool caseInsensitive,
                                              bool partial) const {
    const QStringList names = fields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList conditions;
    for (int i = 0; i < names.size(); ++i) {
        const QString name = names[i].trimmed();
        const int f = requireField(name);
        const QVariant v = i < values.size() ? values[i] : QVariant();
        const bool last = i == names.size() - 1;
        QString cond = QLatin1Char('[') + name + QLatin1Char(']');
        if (!v.isValid() || v.isNull()) {
            cond += QStringLiteral(" IS NULL");
        } else {
            const FieldKind kind = fieldKind(f);
            if (kind == FieldKind::Text || kind == FieldKind::Boolean) {
                QString t = v.toString();
                t.replace(QLatin1Char('\''), QStringLiteral("''"));
                cond += QStringLiteral("='") + t + (partial && last ? QStringLiteral("*'") : QStringLiteral("'"));
            } else if (kind == FieldKind::Date) {
                const QString t =
                    v.userType() == QMetaType::QDate ? GermanLocale::formatDate(v.toDate()) : v.toString();
                cond += QStringLiteral("='") + t + QLatin1Char('\'');
            } else if (kind == FieldKind::Money && v.userType() == QMetaType::Double) {
                cond += QLatin1Char('=') + GermanLocale::formatDecimal(v.toDouble());
            } else {
                cond += QLatin1Char('=') + v.toString();
            }
        }
        conditions << cond;
    }
    FilterOptions options;
    if (caseInsensitive)
        options |= FilterOption::CaseInsensitive;
    if (!partial)
        options |= FilterOption::NoPartialCompare;
    return FilterExpr::parse(m_store.columns(), lookupFieldNames(), conditions.join(QStringLiteral(" and ")), options);
}

int Table::findFirst(const FilterExpr& expr) const {
    const auto& r = rows();
    int column;
    qint32 key;
    if (expr.isIntegerEquality(&column, &key)) {
        // A key search: ask the index, then keep the candidate that comes first in the view.
        int best = -1;
        for (quint32 s : indexFor(column).find(key)) {
            if (!passesFilter(s))
                continue;
            const int p = positionOf(s);
            if (p >= 0 && (best < 0 || p < best))
                best = p;
        }
        return best;
    }
    for (size_t i = 0; i < r.size(); ++i) {
        if (expr.passes(RowRef(m_store, r[i])))
            return int(i);
    }
    return -1;
}

bool Table::Locate(const QString& fields, const QVariantList& values, LocateOptions options) {
    requireActive();
    CheckBrowseMode();
    const auto expr = locateExpr(fields, values, options.testFlag(LocateOption::CaseInsensitive),
                                 options.testFlag(LocateOption::PartialKey));
    const int p = findFirst(*expr);
    if (p < 0)
        return false;
    m_pos = p;
    m_bof = m_eof = false;
    fireScroll();
    return true;
}

QVariant Table::Lookup(const QString& fields, const QVariantList& values, const QString& resultField) {
    requireActive();
    CheckBrowseMode();
    const int result = requireField(resultField);
    const auto expr = locateExpr(fields, values, false, false);
    const int p = findFirst(*expr);
    if (p < 0)
        return {};
    Field f(this, result);
    const Value v = valueAt(p, result);
    if (v.isNull())
        return {};
    switch (fieldKind(result)) {
    case FieldKind::Integer:
        return v.toInt();
    case FieldKind::Text:
        return win1252::decode(v.bytes());
    case FieldKind::Money:
        return v.toMoney();
    case FieldKind::Boolean:
        return v.toBool();
    case FieldKind::Date:
        return dateFromDay(v.toDay());
    }
    return {};
}

// ---------------------------------------------------------------------------------------------------
// Files

void Table::SaveToFile(const QString& fileName, DatapacketForm form) {
    if (Active())
        CheckBrowseMode();
    const QString path = fileName.isEmpty() ? m_fileName : fileName;
    if (path.isEmpty())
        throw EngineError(QStringLiteral("Kein Dateiname angegeben"));
    writeFileAtomically(path, WriteDatapacket(m_store, datapacket::formForFileName(path, form)));
}

void Table::LoadFromFile(const QString& fileName) {
    const QString path = fileName.isEmpty() ? m_fileName : fileName;
    LoadFrom([&path] { return ReadDatapacket(readWholeFile(path)); });
}

void Table::LoadFrom(const std::function<RowStore()>& read) {
    Close();
    RowStore loaded;
    try {
        loaded = read();
    } catch (...) {
        // The rows in memory no longer match any file; they must never be written over the damaged one.
        m_loadFailed = true;
        throw;
    }
    m_store = std::move(loaded);
    m_changeCount = 0;
    m_loadFailed = false;
    m_indexes.clear();
    m_sortKeys.clear();
    m_largest.clear();
    m_order.reset();
    rebuildFields();
    Open();
}

void Table::replaceStore(RowStore store) {
    if (Active())
        throw EngineError(QStringLiteral("Operation bei geöffneter Datenmenge nicht möglich"));
    m_store = std::move(store);
    m_changeCount = 0;
    m_loadFailed = false;
    m_indexes.clear();
    m_sortKeys.clear();
    m_largest.clear();
    m_order.reset();
    rebuildFields();
}

// ---------------------------------------------------------------------------------------------------
// Field

QString Field::FieldName() const {
    return m_table->m_fields[size_t(m_index)].name;
}

FieldKind Field::kind() const {
    return m_table->fieldKind(m_index);
}

bool Field::isLookup() const {
    return m_table->m_fields[size_t(m_index)].column < 0;
}

bool Field::IsNull() const {
    return m_table->currentValue(m_index).isNull();
}

Value Field::value() const {
    return m_table->currentValue(m_index);
}

QString Field::AsString() const {
    return valueToString(kind(), value());
}

QString Field::DisplayText() const {
    return valueToDisplay(kind(), value());
}

qint32 Field::AsInteger() const {
    const Value v = value();
    if (v.isNull())
        return 0;
    switch (kind()) {
    case FieldKind::Integer:
    case FieldKind::Date:
        return v.toInt();
    case FieldKind::Boolean:
        return v.toBool() ? 1 : 0;
    case FieldKind::Money:
        return qint32(std::llround(v.toMoney()));
    case FieldKind::Text: {
        const QString t = win1252::decode(v.bytes());
        const auto i = GermanLocale::parseInteger(t);
        if (!i)
            throw EngineError(QStringLiteral("'%1' ist kein gültiger Integerwert für Feld '%2'").arg(t, FieldName()));
        return *i;
    }
    }
    return 0;
}

bool Field::AsBoolean() const {
    const Value v = value();
    if (v.isNull())
        return false;
    if (kind() == FieldKind::Text) {
        const QString t = win1252::decode(v.bytes());
        if (!t.isEmpty() && QStringLiteral("Wahr").startsWith(t, Qt::CaseInsensitive))
            return true;
        if (!t.isEmpty() && QStringLiteral("Falsch").startsWith(t, Qt::CaseInsensitive))
            return false;
        throw EngineError(QStringLiteral("'%1' ist kein gültiger boolescher Wert für Feld '%2'").arg(t, FieldName()));
    }
    if (kind() == FieldKind::Money)
        return v.toMoney() != 0;
    return v.toInt() != 0;
}

QDate Field::AsDate() const {
    const Value v = value();
    if (v.isNull())
        return {};
    if (kind() == FieldKind::Text) {
        const QString t = win1252::decode(v.bytes());
        const auto d = GermanLocale::parseDate(t);
        if (!d)
            throw EngineError(QStringLiteral("'%1' ist kein gültiges Datum").arg(t));
        return *d;
    }
    return dateFromDay(v.toDay());
}

double Field::AsCurrency() const {
    const Value v = value();
    if (v.isNull())
        return 0;
    switch (kind()) {
    case FieldKind::Money:
        return v.toMoney();
    case FieldKind::Text: {
        const QString t = win1252::decode(v.bytes());
        const auto d = GermanLocale::parseDecimal(t);
        if (!d)
            throw EngineError(
                QStringLiteral("'%1' ist kein gültiger Fließkommawert für Feld '%2'").arg(t, FieldName()));
        return *d;
    }
    case FieldKind::Boolean:
        return v.toBool() ? 1 : 0;
    default:
        return v.toInt();
    }
}

QVariant Field::AsVariant() const {
    const Value v = value();
    if (v.isNull())
        return {};
    switch (kind()) {
    case FieldKind::Integer:
        return v.toInt();
    case FieldKind::Text:
        return win1252::decode(v.bytes());
    case FieldKind::Money:
        return v.toMoney();
    case FieldKind::Boolean:
        return v.toBool();
    case FieldKind::Date:
        return dateFromDay(v.toDay());
    }
    return {};
}

void Field::setAsString(const QString& text) {
    m_table->assignText(m_index, text);
}

void Field::setAsInteger(qint32 v) {
    switch (kind()) {
    case FieldKind::Integer:
        return m_table->assign(m_index, Value::integer(v));
    case FieldKind::Money:
        return m_table->assign(m_index, Value::money(v));
    case FieldKind::Boolean:
        return m_table->assign(m_index, Value::boolean(v != 0));
    default:
        return m_table->assignText(m_index, QString::number(v));
    }
}

void Field::setAsBoolean(bool v) {
    if (kind() == FieldKind::Boolean)
        return m_table->assign(m_index, Value::boolean(v));
    m_table->assignText(m_index, v ? QStringLiteral("Wahr") : QStringLiteral("Falsch"));
}

void Field::setAsDate(QDate v) {
    if (!v.isValid())
        return Clear();
    if (kind() == FieldKind::Date)
        return m_table->assign(m_index, Value::date(dayFromDate(v)));
    m_table->assignText(m_index, GermanLocale::formatDate(v));
}

void Field::setAsCurrency(double v) {
    if (kind() == FieldKind::Money)
        return m_table->assign(m_index, Value::money(v));
    m_table->assignText(m_index, GermanLocale::formatDecimal(v));
}

void Field::setValue(const Value& v) {
    if (!v.isNull() && v.kind() != kind())
        throw EngineError(QStringLiteral("Fehlende Typübereinstimmung im Ausdruck"));
    m_table->assign(m_index, v);
}

void Field::Clear() {
    m_table->assign(m_index, Value());
}

} // namespace lesaro
