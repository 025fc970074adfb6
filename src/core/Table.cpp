#include "core/Table.h"

#include "core/AtomicFile.h"
#include "core/Datapacket.h"
#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/IdIndex.h"
#include "core/KeySearch.h"
#include "core/LittleEndian.h"
#include "core/TableOrder.h"
#include "core/Win1252.h"

#include <QFileInfo>
#include <algorithm>
#include <climits>
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

} // namespace

// ---------------------------------------------------------------------------------------------------

Table::Table(const QString& name, QObject* parent)
    : QObject(parent)
    , m_name(name) {}

Table::~Table() = default;

void Table::setColumns(QList<ColumnDef> columns) {
    if (Active())
        throw EngineError(QStringLiteral("Operation bei geöffneter Datenmenge nicht möglich"));
    adoptStore(RowStore(std::move(columns)));
}

void Table::adoptStore(RowStore store) {
    m_store = std::move(store);
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

std::unique_ptr<TableOrder> Table::makeOrder(const QString& names) const {
    std::vector<TableOrder::Key> keys;
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
    return std::make_unique<TableOrder>(m_store, std::move(keys), &m_sortKeys);
}

void Table::buildView() {
    m_ordered.clear();
    const qsizetype n = m_store.slotCount();
    m_ordered.reserve(size_t(n)); // grown step by step, it would take and give back memory several times over
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
    if (AfterStoredChange) {
        const LogEntry& e = m_store.changeLog().back();
        AfterStoredChange(*this, {e.kind, e.slot, e.replaced, quint32(m_store.changeLog().size() - 1)});
    }
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
    if (AfterStoredChange)
        AfterStoredChange(*this, {LogKind::Delete, quint32(slot + 1), 0, quint32(m_store.changeLog().size() - 1)});
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

IdIndex& Table::indexFor(int column) const {
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
    // The partner row a lookup field of the slot reads. Only the first lookup field through a key asks for it: the
    // others read the same partner row.
    const auto prefetchPartnerRow = [this](int lookupIndex, quint32 slot, bool record) {
        const LookupInfo& l = m_lookups[size_t(lookupIndex)];
        const Table* other = l.def.lookupTable;
        if (!other || l.keyColumn < 0 || l.partnerKeyColumn < 0 || l.resolvedFor != other->m_schemaGeneration)
            return;
        for (int i = 0; i < lookupIndex; ++i) {
            const LookupInfo& earlier = m_lookups[size_t(i)];
            if (earlier.keyColumn == l.keyColumn && earlier.def.lookupTable == other)
                return;
        }
        const auto column = size_t(l.partnerKeyColumn);
        if (m_store.columns()[l.keyColumn].kind != FieldKind::Integer || other->m_indexes.size() <= column ||
            !other->m_indexes[column])
            return;
        const char* key = m_store.fieldData(slot, l.keyColumn);
        if (!key)
            return;
        const qint64 partner = other->m_indexes[column]->findUnique(readLE<qint32>(key));
        if (partner < 0)
            return;
        // The row's place in the store is itself a read that may wait: it is asked for first, the row later.
        if (record)
            __builtin_prefetch(other->m_store.record(partner));
        else
            __builtin_prefetch(&other->m_store.slot(partner));
    };
    // Views are read row by row (grids, lists, printing, export), and in any order but the natural one the rows
    // lie scattered over the store, as do the partner rows of lookup fields in any order: asking for the rows a
    // few places ahead hides most of the wait for them.
    constexpr size_t kAhead = 16;
    const size_t ahead = size_t(position) + kAhead;
    if (ahead < r.size())
        __builtin_prefetch(m_store.record(r[ahead]));
    if (const FieldInfo& f = m_fields[size_t(fieldIndex)]; f.column < 0 && ahead - kAhead / 2 < r.size()) {
        if (ahead < r.size())
            prefetchPartnerRow(f.lookup, r[ahead], false);
        prefetchPartnerRow(f.lookup, r[ahead - kAhead / 2], true);
    }
    return slotFieldValue(r[size_t(position)], fieldIndex);
}

QString Table::displayTextAt(int position, int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        return {};
    return Field::displayTextOf(fieldKind(fieldIndex), valueAt(position, fieldIndex));
}

QString Table::stringAt(int position, int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        return {};
    return Field::textOf(fieldKind(fieldIndex), valueAt(position, fieldIndex));
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

KeySearch Table::keySearch(const QString& fields, const QVariantList& values, bool caseInsensitive,
                           bool partialKey) const {
    std::vector<int> columns;
    for (const QString& part : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        const int f = requireField(name);
        if (m_fields[size_t(f)].column < 0)
            throw EngineError(
                QStringLiteral("Feld '%1' kann nicht in einem Filterausdruck verwendet werden").arg(name));
        columns.push_back(m_fields[size_t(f)].column);
    }
    if (columns.empty())
        throw fieldNotFound(fields);
    return KeySearch(m_store.columns(), lookupFieldNames(), columns, values, caseInsensitive, partialKey);
}

int Table::findFirst(const KeySearch& search) const {
    int column;
    qint32 key;
    if (search.indexedKey(&column, &key)) {
        // Ask the key index for the candidates, then keep the one that comes first in the view.
        int best = -1;
        for (quint32 s : indexFor(column).find(key)) {
            if (!passesFilter(s) || !search.matches(RowRef(m_store, s)))
                continue;
            const int p = positionOf(s);
            if (p >= 0 && (best < 0 || p < best))
                best = p;
        }
        return best;
    }
    const auto& r = rows();
    for (size_t i = 0; i < r.size(); ++i) {
        if (search.matches(RowRef(m_store, r[i])))
            return int(i);
    }
    return -1;
}

bool Table::Locate(const QString& fields, const QVariantList& values, LocateOptions options) {
    requireActive();
    CheckBrowseMode();
    const int p = findFirst(keySearch(fields, values, options.testFlag(LocateOption::CaseInsensitive),
                                      options.testFlag(LocateOption::PartialKey)));
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
    const int p = findFirst(keySearch(fields, values, false, false));
    if (p < 0)
        return {};
    return Field::variantOf(fieldKind(result), valueAt(p, result));
}

// ---------------------------------------------------------------------------------------------------
// Files

void Table::SaveToFile(const QString& fileName, DatapacketForm form) {
    if (Active())
        CheckBrowseMode();
    const QString path = fileName.isEmpty() ? m_fileName : fileName;
    if (path.isEmpty())
        throw EngineError(QStringLiteral("Kein Dateiname angegeben"));
    WriteDatapacketFile(m_store, datapacket::formForFileName(path, form), path);
}

void Table::LoadFromFile(const QString& fileName) {
    const QString path = fileName.isEmpty() ? m_fileName : fileName;
    Close();
    // The rows give way before the file is read, and the file goes into the memory they took: a table loaded
    // again needs neither fresh memory nor room for the old and the new rows at once.
    QByteArray memory = m_store.arena();
    adoptStore(RowStore(m_store.columns())); // memory is then the arena's only holder, unless someone kept rows
    try {
        LoadFrom([&] { return ReadDatapacket(readWholeFile(path, kMaxWholeFileSize, std::move(memory))); });
    } catch (...) {
        if (AfterStoreReplaced)
            AfterStoreReplaced(*this); // by an empty one
        throw;
    }
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
    adoptStore(std::move(loaded));
    Open();
    if (AfterStoreReplaced)
        AfterStoreReplaced(*this);
}

void Table::replaceStore(RowStore store) {
    if (Active())
        throw EngineError(QStringLiteral("Operation bei geöffneter Datenmenge nicht möglich"));
    adoptStore(std::move(store));
    if (AfterStoreReplaced)
        AfterStoreReplaced(*this);
}

} // namespace lesaro
