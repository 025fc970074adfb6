#pragma once

#include "core/Value.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVarLengthArray>
#include <vector>

namespace lesaro {

struct ColumnDef {
    QString name;
    FieldKind kind = FieldKind::Integer;
    int width = 0;          // text columns: the width in bytes
    quint16 attributes = 0; // kept as read, written back unchanged
    quint8 lengthBytes = 0; // text columns: 1 or 2 bytes of length prefix

    static ColumnDef make(const QString& name, FieldKind kind, int width = 0);
    int fixedSize() const; // bytes of a non-text value
};

// Row slot status bits, as stored in the files.
namespace SlotStatus {
constexpr quint8 Unchanged = 0x00;
constexpr quint8 Superseded = 0x01;
constexpr quint8 Deleted = 0x02;
constexpr quint8 Inserted = 0x04;
constexpr quint8 Modified = 0x08;
constexpr quint8 Unused = 0x20;
constexpr bool isLive(quint8 s) {
    return (s & (Superseded | Deleted | Unused)) == 0;
}
} // namespace SlotStatus

namespace LogKind {
constexpr quint32 Delete = 2;
constexpr quint32 Insert = 4;
constexpr quint32 Modify = 8;
} // namespace LogKind

struct LogEntry {
    quint32 slot;     // 1-based slot number of the new or affected version
    quint32 replaced; // 1-based slot number of the replaced version, 0 when none
    quint32 kind;
};

// A table parameter the engine does not interpret; kept and written back as it was read.
struct TableParam {
    QByteArray name;
    quint32 typeWord = 0;
    QByteArray value; // the encoded value bytes
};

// The stored rows of a table. Every row version lives as its encoded record (null bitmap and values,
// exactly the bytes of the table file without the status byte) in one growing arena; a version is never
// changed once written, so loading and saving are little more than copying, and anything derived from a
// slot can be cached for the slot's life.
class RowStore {
public:
    struct Slot {
        quint32 offset;
        quint32 length;
        quint8 status;
    };
    using Offsets = QVarLengthArray<quint32, 32>;

    RowStore() = default;
    explicit RowStore(QList<ColumnDef> columns);

    const QList<ColumnDef>& columns() const { return m_columns; }
    // -1 when unknown; names compare without regard to case, as field names do.
    int columnIndex(const QString& name) const {
        for (int i = 0; i < m_columns.size(); ++i) {
            if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
    int columnCount() const { return int(m_columns.size()); }
    int bitmapSize() const { return (columnCount() + 3) / 4; }

    qsizetype slotCount() const { return qsizetype(m_slots.size()); }
    const Slot& slot(qsizetype index) const { return m_slots[size_t(index)]; }
    quint8 status(qsizetype index) const { return m_slots[size_t(index)].status; }
    void setStatus(qsizetype index, quint8 status) { m_slots[size_t(index)].status = status; }
    const char* record(qsizetype index) const { return m_arena.constData() + m_slots[size_t(index)].offset; }

    std::vector<LogEntry>& changeLog() { return m_log; }
    const std::vector<LogEntry>& changeLog() const { return m_log; }
    std::vector<TableParam>& keptParams() { return m_params; }
    const std::vector<TableParam>& keptParams() const { return m_params; }

    // Measures the record at data (at most avail bytes); returns its length, or -1 when it runs past avail.
    // When offsets is given it receives the start of each column's value within the record, 0 for a null.
    qsizetype measureRecord(const char* data, qsizetype avail, quint32* offsets) const;
    void recordOffsets(qsizetype index, Offsets& offsets) const;

    // Takes the bytes of a whole file as the arena, so that records read from it need not be copied.
    void adoptArena(QByteArray bytes);
    const QByteArray& arena() const { return m_arena; }
    // Adds a slot whose record already lies in the arena.
    qsizetype addSlot(quint32 offset, quint32 length, quint8 status);
    // Copies a record into the arena and adds its slot.
    qsizetype appendRecord(const char* record, qsizetype length, quint8 status);
    // Encodes values (one per column) as a new slot. Texts lose their trailing blanks here.
    qsizetype appendValues(const Value* values, quint8 status);

    // Field access on a stored record.
    Value value(qsizetype index, int column) const;
    Value valueUpTo(qsizetype index, int column) const;       // walks only the columns before it
    const char* fieldData(qsizetype index, int column) const; // the value's bytes, nullptr for a null
    static Value decode(const ColumnDef& column, const char* data);
    static bool isNullIn(const char* record, int column) {
        return (static_cast<unsigned char>(record[column / 4]) >> (2 * (column % 4))) & 0x3;
    }

    void reserveSlots(qsizetype n) { m_slots.reserve(size_t(n)); }

private:
    QList<ColumnDef> m_columns;
    QByteArray m_arena;
    std::vector<Slot> m_slots;
    std::vector<LogEntry> m_log;
    std::vector<TableParam> m_params;
};

// Reads the fields of one stored version; the column offsets are worked out once.
class RowRef {
public:
    RowRef(const RowStore& store, qsizetype index)
        : m_store(&store)
        , m_record(store.record(index)) {
        store.recordOffsets(index, m_offsets);
    }
    bool isNull(int column) const { return m_offsets[column] == 0; }
    const char* data(int column) const { return m_record + m_offsets[column]; }
    qint32 int32(int column) const;
    qint16 int16(int column) const;
    double float64(int column) const;
    // Text bytes up to the first zero byte (an empty text is stored as a single zero byte).
    QByteArrayView text(int column) const;
    Value value(int column) const {
        return isNull(column) ? Value() : RowStore::decode(m_store->columns()[column], data(column));
    }

private:
    const RowStore* m_store;
    const char* m_record;
    RowStore::Offsets m_offsets;
};

} // namespace lesaro
