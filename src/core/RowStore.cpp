#include "core/RowStore.h"
#include "core/LittleEndian.h"

#include <cstring>

namespace lesaro {

namespace {

QByteArrayView textView(const ColumnDef& column, const char* data) {
    const qsizetype len = column.lengthBytes == 1 ? static_cast<unsigned char>(data[0]) : readLE<quint16>(data);
    const char* bytes = data + column.lengthBytes;
    const void* zero = std::memchr(bytes, 0, size_t(len));
    return QByteArrayView(bytes, zero ? static_cast<const char*>(zero) - bytes : len);
}

// The bytes a present value takes in a record, its length prefix included.
inline quint32 valueSize(const ColumnDef& c, const char* data) {
    switch (c.kind) {
    case FieldKind::Text:
        return c.lengthBytes +
               (c.lengthBytes == 1 ? quint32(static_cast<unsigned char>(data[0])) : quint32(readLE<quint16>(data)));
    case FieldKind::Money:
        return 8;
    case FieldKind::Boolean:
        return 2;
    case FieldKind::Integer:
    case FieldKind::Date:
        break;
    }
    return 4;
}

} // namespace

ColumnDef ColumnDef::make(const QString& name, FieldKind kind, int width) {
    ColumnDef c;
    c.name = name;
    c.kind = kind;
    if (kind == FieldKind::Text) {
        c.width = width;
        c.lengthBytes = width >= 255 ? 2 : 1;
    }
    return c;
}

int ColumnDef::fixedSize() const {
    switch (kind) {
    case FieldKind::Integer:
    case FieldKind::Date:
        return 4;
    case FieldKind::Money:
        return 8;
    case FieldKind::Boolean:
        return 2;
    case FieldKind::Text:
        break;
    }
    return 0;
}

RowStore::RowStore(QList<ColumnDef> columns)
    : m_columns(std::move(columns)) {}

qsizetype RowStore::measureRecord(const char* data, qsizetype avail, quint32* offsets) const {
    const int n = columnCount();
    qsizetype pos = bitmapSize();
    if (pos > avail)
        return -1;
    for (int i = 0; i < n; ++i) {
        if (isNullIn(data, i)) {
            if (offsets)
                offsets[i] = 0;
            continue;
        }
        if (offsets)
            offsets[i] = quint32(pos);
        const ColumnDef& c = m_columns[i];
        if (c.kind == FieldKind::Text) {
            if (pos + c.lengthBytes > avail)
                return -1;
            const qsizetype len =
                c.lengthBytes == 1 ? static_cast<unsigned char>(data[pos]) : readLE<quint16>(data + pos);
            pos += c.lengthBytes + len;
        } else {
            pos += c.fixedSize();
        }
        if (pos > avail)
            return -1;
    }
    return pos;
}

// Every row read (filters, orders, lookups) starts here, so this walk is kept tight: the record was measured
// when it entered the store, and only a cheap bound guards against walking off its end.
void RowStore::recordOffsets(qsizetype index, Offsets& offsets) const {
    const int n = columnCount();
    offsets.resize(n);
    const Slot& s = m_slots[size_t(index)];
    const char* data = m_arena.constData() + s.offset;
    const ColumnDef* columns = m_columns.constData();
    quint32* out = offsets.data();
    quint32 pos = quint32(bitmapSize());
    int i = 0;
    for (; i < n && pos <= s.length; ++i) {
        if (isNullIn(data, i)) {
            out[i] = 0;
            continue;
        }
        out[i] = pos;
        pos += valueSize(columns[i], data + pos);
    }
    for (; i < n; ++i)
        out[i] = 0; // a record cut short reads as empty fields rather than as bytes beyond it
}

void RowStore::adoptArena(QByteArray bytes) {
    m_arena = std::move(bytes);
}

qsizetype RowStore::addSlot(quint32 offset, quint32 length, quint8 status) {
    m_slots.push_back({offset, length, status});
    return qsizetype(m_slots.size()) - 1;
}

qsizetype RowStore::appendRecord(const char* record, qsizetype length, quint8 status) {
    const auto offset = quint32(m_arena.size());
    m_arena.append(record, length);
    return addSlot(offset, quint32(length), status);
}

qsizetype RowStore::appendValues(const Value* values, quint8 status) {
    const auto offset = quint32(m_arena.size());
    const int n = columnCount();
    const qsizetype bitmapAt = m_arena.size();
    m_arena.append(bitmapSize(), '\0');
    for (int i = 0; i < n; ++i) {
        const Value& v = values[i];
        if (v.isNull()) {
            m_arena[bitmapAt + i / 4] = char(m_arena[bitmapAt + i / 4] | (1 << (2 * (i % 4))));
            continue;
        }
        const ColumnDef& c = m_columns[i];
        switch (c.kind) {
        case FieldKind::Integer:
        case FieldKind::Date:
            appendLE<qint32>(m_arena, v.toInt());
            break;
        case FieldKind::Money:
            appendLE<double>(m_arena, v.toMoney());
            break;
        case FieldKind::Boolean:
            appendLE<quint16>(m_arena, v.toBool() ? 1 : 0);
            break;
        case FieldKind::Text: {
            QByteArrayView bytes = v.bytes();
            const qsizetype limit = c.lengthBytes == 1 ? 255 : 65535;
            bytes = bytes.first(std::min({bytes.size(), qsizetype(c.width), limit}));
            while (!bytes.isEmpty() && bytes.back() == ' ')
                bytes.chop(1);
            if (bytes.isEmpty()) {
                // An empty text is present, not null: it is stored as one zero byte.
                if (c.lengthBytes == 1)
                    m_arena.append(char(1));
                else
                    appendLE<quint16>(m_arena, 1);
                m_arena.append('\0');
            } else {
                if (c.lengthBytes == 1)
                    m_arena.append(char(bytes.size()));
                else
                    appendLE<quint16>(m_arena, quint16(bytes.size()));
                m_arena.append(bytes.data(), bytes.size());
            }
            break;
        }
        }
    }
    return addSlot(offset, quint32(m_arena.size() - offset), status);
}

const char* RowStore::fieldData(qsizetype index, int column) const {
    const char* data = record(index);
    if (isNullIn(data, column))
        return nullptr;
    const ColumnDef* columns = m_columns.constData();
    qsizetype pos = bitmapSize();
    for (int i = 0; i < column; ++i) {
        if (!isNullIn(data, i))
            pos += valueSize(columns[i], data + pos);
    }
    return data + pos;
}

Value RowStore::valueUpTo(qsizetype index, int column) const {
    const char* data = fieldData(index, column);
    return data ? decode(m_columns[column], data) : Value();
}

Value RowStore::value(qsizetype index, int column) const {
    return RowRef(*this, index).value(column);
}

Value RowStore::decode(const ColumnDef& column, const char* data) {
    switch (column.kind) {
    case FieldKind::Integer:
        return Value::integer(readLE<qint32>(data));
    case FieldKind::Date:
        return Value::date(readLE<qint32>(data));
    case FieldKind::Money:
        return Value::money(readLE<double>(data));
    case FieldKind::Boolean:
        return Value::boolean(readLE<quint16>(data) != 0);
    case FieldKind::Text:
        return Value::text(textView(column, data).toByteArray());
    }
    return {};
}

qint32 RowRef::int32(int column) const {
    return readLE<qint32>(data(column));
}

qint16 RowRef::int16(int column) const {
    return readLE<qint16>(data(column));
}

double RowRef::float64(int column) const {
    return readLE<double>(data(column));
}

QByteArrayView RowRef::text(int column) const {
    return textView(m_store->columns()[column], data(column));
}

} // namespace lesaro
