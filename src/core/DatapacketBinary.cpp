// The binary form of the table files: a 24-byte header, the column descriptors with their parameters, the table
// parameters, then one record per slot - its status byte and the stored record, which is exactly what the row
// store keeps, so that reading and writing are little more than copying.

#include "core/DatapacketBinary.h"

#include "core/DatapacketCommon.h"
#include "core/EngineError.h"
#include "core/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace lesaro::datapacket {

namespace {

constexpr quint32 kMagic = 0xBDE01996;
constexpr int kHeaderSize = 24;

constexpr quint32 kPacketColumnByColumn = 0x1;
constexpr quint32 kPacketMetadataSizeValid = 0x2;

// Sequential reading of the packet's metadata; every step checks that the bytes are really there.
class Cursor {
public:
    Cursor(const char* data, qsizetype size, qsizetype pos)
        : m_data(data)
        , m_size(size)
        , m_pos(pos) {}
    qsizetype pos() const { return m_pos; }
    qsizetype remaining() const { return m_size - m_pos; }
    const char* here() const { return m_data + m_pos; }
    void need(qsizetype n) const {
        if (n < 0 || remaining() < n)
            fail(kMismatch);
    }
    quint8 u8() {
        need(1);
        return static_cast<quint8>(m_data[m_pos++]);
    }
    quint16 u16() {
        need(2);
        const auto v = readLE<quint16>(here());
        m_pos += 2;
        return v;
    }
    quint32 u32() {
        need(4);
        const auto v = readLE<quint32>(here());
        m_pos += 4;
        return v;
    }
    QByteArrayView take(qsizetype n) {
        need(n);
        QByteArrayView v(here(), n);
        m_pos += n;
        return v;
    }

private:
    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos;
};

// The byte size of an encoded value of the given type word at p; fails when it runs past avail.
qsizetype valueSize(quint32 typeWord, const char* p, qsizetype avail) {
    const quint32 size = typeSize(typeWord);
    const bool varying = typeWord & kTypeVarying;
    auto element = [&](qsizetype at) -> qsizetype {
        if (!varying)
            return size;
        if (avail - at < qsizetype(size))
            fail(kMismatch);
        switch (size) {
        case 1:
            return 1 + static_cast<unsigned char>(p[at]);
        case 2:
            return 2 + readLE<quint16>(p + at);
        case 4:
            return 4 + qsizetype(readLE<quint32>(p + at));
        default:
            fail(kMismatch);
        }
    };
    qsizetype total;
    if (!(typeWord & kTypeArray)) {
        total = element(0);
    } else {
        if (avail < 4)
            fail(kMismatch);
        const quint32 count = readLE<quint32>(p);
        total = 4;
        if (!varying) {
            total += qsizetype(count) * size; // at most 2^32 * 2^16, no overflow in 64 bits
        } else {
            // Every element takes at least its length prefix, so this ends within avail steps.
            for (quint32 i = 0; i < count && total <= avail; ++i)
                total += element(total);
        }
    }
    if (total > avail)
        fail(kMismatch);
    return total;
}

// An integer parameter such as "WIDTH"; earlier writers may have used any integer type word.
qint64 integerParam(quint32 typeWord, QByteArrayView value) {
    if (typeWord & (kTypeVarying | kTypeArray))
        fail(kMismatch);
    const bool isSigned = baseType(typeWord) == 1;
    if (!isSigned && baseType(typeWord) != 2)
        fail(kMismatch);
    switch (typeSize(typeWord)) {
    case 1:
        return isSigned ? qint64(qint8(value[0])) : qint64(quint8(value[0]));
    case 2:
        return isSigned ? qint64(readLE<qint16>(value.data())) : qint64(readLE<quint16>(value.data()));
    case 4:
        return isSigned ? qint64(readLE<qint32>(value.data())) : qint64(readLE<quint32>(value.data()));
    default:
        fail(kMismatch);
    }
}

// A text parameter such as "SUBTYPE", up to its first zero byte.
QByteArrayView textParam(quint32 typeWord, QByteArrayView value) {
    if ((typeWord & kTypeArray) || !(typeWord & kTypeVarying) || baseType(typeWord) != 9)
        return {};
    value = value.sliced(typeSize(typeWord));
    const qsizetype zero = value.indexOf('\0');
    return zero < 0 ? value : value.first(zero);
}

ColumnDef readColumn(Cursor& in) {
    const quint8 nameLength = in.u8();
    if (nameLength == 0)
        fail(kNullFieldName);
    const QByteArrayView name = in.take(nameLength);
    const quint32 typeWord = in.u32();
    const quint16 attributes = in.u16();
    const quint16 paramCount = in.u16();

    qint64 width = -1;
    bool money = false;
    for (int i = 0; i < paramCount; ++i) {
        const QByteArrayView paramName = in.take(in.u8());
        const quint32 paramType = in.u32();
        const QByteArrayView value = in.take(valueSize(paramType, in.here(), in.remaining()));
        if (paramName.compare("WIDTH", Qt::CaseInsensitive) == 0)
            width = integerParam(paramType, value);
        else if (paramName.compare("SUBTYPE", Qt::CaseInsensitive) == 0)
            money = textParam(paramType, value).compare("Money", Qt::CaseInsensitive) == 0;
        // DECIMALS, CALCULATED and the like do not occur in our columns and change nothing in the bytes.
    }

    ColumnDef c;
    c.name = columnNameFromBytes(name);
    c.attributes = attributes;
    switch (typeWord) {
    case kTypeInteger:
        c.kind = FieldKind::Integer;
        break;
    case kTypeShortText:
    case kTypeLongText:
        c.kind = FieldKind::Text;
        if (width < 1 || width > 65535)
            fail(kMismatch);
        c.width = int(width);
        // The prefix follows the type word, not the width, so that the record bytes stay as read.
        c.lengthBytes = typeWord == kTypeShortText ? 1 : 2;
        break;
    case kTypeMoney:
        // A plain floating-point column (no "Money" subtype) is no kind our tables know.
        if (!money)
            fail(kInvalidFieldType);
        c.kind = FieldKind::Money;
        break;
    case kTypeBoolean:
        c.kind = FieldKind::Boolean;
        break;
    case kTypeDate:
        c.kind = FieldKind::Date;
        break;
    default:
        fail(kInvalidFieldType);
    }
    return c;
}

void readTableParams(Cursor& in, RowStore& store) {
    const quint16 count = in.u16();
    bool haveLog = false;
    for (int i = 0; i < count; ++i) {
        const QByteArrayView name = in.take(in.u8());
        const quint32 typeWord = in.u32();
        const QByteArrayView value = in.take(valueSize(typeWord, in.here(), in.remaining()));
        if (!isChangeLogName(name)) {
            store.keptParams().push_back({name.toByteArray(), typeWord, value.toByteArray()});
            continue;
        }
        const bool integerArray = (typeWord & kTypeArray) && !(typeWord & kTypeVarying) && typeSize(typeWord) == 4 &&
                                  (baseType(typeWord) == 1 || baseType(typeWord) == 2);
        if (haveLog || !integerArray)
            fail(kMismatch);
        haveLog = true;
        const quint32 elements = readLE<quint32>(value.data());
        if (elements % 3 != 0)
            fail(kMismatch);
        auto& log = store.changeLog();
        log.reserve(elements / 3); // valueSize has checked that the elements are really there
        const char* p = value.data() + 4;
        for (quint32 e = 0; e < elements; e += 3, p += 12)
            log.push_back({readLE<quint32>(p), readLE<quint32>(p + 4), readLE<quint32>(p + 8)});
    }
}

// How a record's values are measured, per column: fixed size, or a 1- or 2-byte length then the bytes.
struct ColumnPlan {
    quint8 prefix = 0;
    quint16 fixed = 0;
    quint32 width = 0;
    bool boolean = false;
};

// A record with a text beyond its column's width, rewritten with the texts cut.
void appendCutRecord(QByteArray& out, const char* rec, const std::vector<ColumnPlan>& plan, int bitmapSize) {
    out.append(rec, bitmapSize);
    const auto* bitmap = reinterpret_cast<const unsigned char*>(rec);
    qsizetype q = bitmapSize;
    for (int i = 0; i < int(plan.size()); ++i) {
        if ((bitmap[i >> 2] >> ((i & 3) * 2)) & 3)
            continue;
        const ColumnPlan& c = plan[size_t(i)];
        if (c.prefix == 0) {
            out.append(rec + q, c.fixed);
            q += c.fixed;
            continue;
        }
        const quint32 len = c.prefix == 1 ? quint32(static_cast<unsigned char>(rec[q])) : readLE<quint16>(rec + q);
        const quint32 kept = std::min(len, c.width);
        if (c.prefix == 1) {
            out.append(char(kept));
        } else {
            const auto k16 = quint16(kept);
            out.append(reinterpret_cast<const char*>(&k16), 2);
        }
        out.append(rec + q + c.prefix, kept);
        q += c.prefix + len;
    }
}

// Collects the packet's bytes in a buffer of bounded size and hands it on whenever it is full, so that a packet
// of any size passes through the same few pages of memory.
class PieceWriter {
public:
    // capacity: at most kPacketPiece, and no more than the whole packet needs.
    PieceWriter(const PacketSink& sink, qsizetype capacity)
        : m_sink(sink)
        , m_capacity(std::max<qsizetype>(capacity, 1))
        , m_buffer(new char[size_t(m_capacity)]) {}
    void u8(quint8 v) { put(&v, 1); }
    void u16(quint16 v) { put(&v, 2); }
    void u32(quint32 v) { put(&v, 4); }
    void put(const void* data, size_t n) {
        // Most values fit in what is left; a fixed size then makes this a single store.
        if (n <= size_t(m_capacity - m_used)) {
            std::memcpy(m_buffer.get() + m_used, data, n);
            m_used += qsizetype(n);
            return;
        }
        putAcross(static_cast<const char*>(data), n);
    }
    void put(QByteArrayView bytes) { put(bytes.data(), size_t(bytes.size())); }
    // Room for n bytes (at most the capacity) in one stretch, to be filled before the next call.
    char* room(qsizetype n) {
        if (m_capacity - m_used < n)
            flush();
        char* at = m_buffer.get() + m_used;
        m_used += n;
        return at;
    }
    qsizetype capacity() const { return m_capacity; }
    void flush() {
        if (m_used > 0)
            m_sink(QByteArrayView(m_buffer.get(), m_used));
        m_written += m_used;
        m_used = 0;
    }
    qsizetype written() const { return m_written + m_used; }

private:
    void putAcross(const char* p, size_t n) {
        while (n > 0) {
            if (m_used == m_capacity)
                flush();
            const size_t now = std::min(n, size_t(m_capacity - m_used));
            std::memcpy(m_buffer.get() + m_used, p, now);
            m_used += qsizetype(now);
            p += now;
            n -= now;
        }
    }

    const PacketSink& m_sink;
    qsizetype m_capacity;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_used = 0;
    qsizetype m_written = 0;
};

QByteArray describeColumns(const RowStore& store) {
    QByteArray out;
    out.reserve(store.columnCount() * 40);
    auto u16 = [&](quint16 v) { out.append(reinterpret_cast<const char*>(&v), 2); };
    auto u32 = [&](quint32 v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    for (const ColumnDef& c : store.columns()) {
        const QByteArray name = columnNameBytes(c.name);
        out.append(char(name.size()));
        out.append(name);
        switch (c.kind) {
        case FieldKind::Integer:
            u32(kTypeInteger);
            break;
        case FieldKind::Text:
            u32(c.lengthBytes == 1 || (c.lengthBytes == 0 && c.width < 255) ? kTypeShortText : kTypeLongText);
            break;
        case FieldKind::Money:
            u32(kTypeMoney);
            break;
        case FieldKind::Boolean:
            u32(kTypeBoolean);
            break;
        case FieldKind::Date:
            u32(kTypeDate);
            break;
        }
        u16(c.attributes);
        if (c.kind == FieldKind::Money) {
            u16(1);
            out.append("\x07SUBTYPE", 8);
            u32(0x00490002);
            u16(6);
            out.append("Money\0", 6);
        } else if (c.kind == FieldKind::Text) {
            if (c.width < 1 || c.width > 65535)
                throw EngineError(
                    QStringLiteral("Die Textspalte '%1' hat die ungültige Breite %2.").arg(c.name).arg(c.width));
            u16(1);
            out.append("\x05WIDTH", 6);
            u32(kTypeUInt16);
            u16(quint16(c.width));
        } else {
            u16(0);
        }
    }
    return out;
}

} // namespace

bool looksBinary(QByteArrayView bytes) {
    if (bytes.size() < 4)
        return false;
    quint32 magic;
    std::memcpy(&magic, bytes.data(), 4);
    if (magic != kMagic)
        return false;
    if (bytes.size() < 8)
        return true; // a cut-off header is a damaged binary packet, not XML
    quint16 major, minor;
    std::memcpy(&major, bytes.data() + 4, 2);
    std::memcpy(&minor, bytes.data() + 6, 2);
    return major <= 3 && minor <= 3;
}

RowStore readBinary(QByteArray bytes) {
    const char* data = bytes.constData();
    const qsizetype end = bytes.size();
    Cursor in(data, end, 4);
    in.u16(); // versions: looksBinary has accepted them
    in.u16();
    if (in.u32() != quint32(kHeaderSize))
        fail(kMismatch);
    const quint16 columnCount = in.u16();
    const quint32 rowCount = in.u32();
    const quint32 attributes = in.u32();
    const quint16 metadataSize = in.u16();

    // The descriptors are read one by one from what is there; a claimed count costs nothing up front.
    QList<ColumnDef> columns;
    columns.reserve(std::min<qsizetype>(columnCount, in.remaining() / 10));
    for (int i = 0; i < columnCount; ++i)
        columns.append(readColumn(in));

    RowStore store(std::move(columns));
    readTableParams(in, store);

    // Bit 1 clear means the metadata size is not given; rows then follow the table parameters directly.
    // Our own writer leaves the bit clear once a long change log pushes the first row beyond 64 KiB, so such a
    // packet is read rather than refused.
    qsizetype pos = in.pos();
    if ((attributes & kPacketMetadataSizeValid) && metadataSize != pos)
        fail(kMismatch);

    const int n = store.columnCount();
    const int bitmapSize = store.bitmapSize();
    std::vector<ColumnPlan> plan(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const ColumnDef& c = store.columns()[i];
        if (c.kind == FieldKind::Text)
            plan[size_t(i)] = {c.lengthBytes, 0, quint32(c.width)};
        else
            plan[size_t(i)] = {0, quint16(c.fixedSize()), 0, c.kind == FieldKind::Boolean};
    }

    const qsizetype minRecord = 1 + bitmapSize;
    store.reserveSlots(std::min<qsizetype>(rowCount, (end - pos) / minRecord));
    QByteArray cutRecords;
    for (quint32 r = 0; r < rowCount; ++r) {
        if (end - pos < minRecord)
            fail(kMismatch);
        const auto status = static_cast<quint8>(data[pos]);
        const qsizetype rec = pos + 1;
        const auto* bitmap = reinterpret_cast<const unsigned char*>(data + rec);
        qsizetype q = rec + bitmapSize;
        bool cut = false;
        for (int i = 0; i < n; ++i) {
            if ((bitmap[i >> 2] >> ((i & 3) * 2)) & 3)
                continue;
            const ColumnPlan& c = plan[size_t(i)];
            if (c.prefix == 0) {
                // Any non-zero boolean reads as true. Kept as the format writes true, a file that held another
                // pattern (FF FF) is saved with 01 00 while the other records are still copied as they are.
                if (c.boolean && end - q >= 2 && readLE<quint16>(data + q) > 1) {
                    char* writable = bytes.data(); // a shared buffer is copied once, here
                    writable[q] = 1;
                    writable[q + 1] = 0;
                    data = writable;
                    bitmap = reinterpret_cast<const unsigned char*>(data + rec);
                }
                q += c.fixed;
                continue;
            }
            if (end - q < c.prefix)
                fail(kMismatch);
            const quint32 len =
                c.prefix == 1 ? quint32(static_cast<unsigned char>(data[q])) : readLE<quint16>(data + q);
            cut |= len > c.width;
            q += c.prefix + len;
        }
        if (q > end)
            fail(kMismatch);
        if (!cut) {
            store.addSlot(quint32(rec), quint32(q - rec), status);
        } else {
            const qsizetype at = cutRecords.size();
            appendCutRecord(cutRecords, data + rec, plan, bitmapSize);
            store.addSlot(quint32(end + at), quint32(cutRecords.size() - at), status);
        }
        pos = q;
    }
    if (pos != end)
        fail(kMismatch);
    checkChangeLog(store);

    bytes.append(cutRecords);
    store.adoptArena(std::move(bytes));
    return store;
}

BinaryPacket::BinaryPacket(const RowStore& store)
    : m_store(store) {
    checkChangeLog(store);
    if (store.columnCount() > 0xFFFF)
        throw EngineError(QStringLiteral("Die Tabelle hat zu viele Spalten, um gespeichert zu werden."));
    m_descriptors = describeColumns(store);
    const auto& log = store.changeLog();
    const auto& kept = store.keptParams();
    m_paramCount = (log.empty() ? 0 : 1) + kept.size();
    if (m_paramCount > 0xFFFF || log.size() > 0xFFFFFFFFu / 3)
        throw EngineError(QStringLiteral("Die Tabelle hat zu viele Parameter, um gespeichert zu werden."));

    m_metadata = kHeaderSize + m_descriptors.size() + 2;
    if (!log.empty())
        m_metadata += 1 + 10 + 4 + 4 + qsizetype(log.size()) * 12;
    for (const TableParam& p : kept) {
        if (p.name.size() > 255 || isChangeLogName(p.name))
            throw EngineError(QStringLiteral("Der Tabellenparameter '%1' kann nicht gespeichert werden.")
                                  .arg(QString::fromLatin1(p.name)));
        m_metadata += 1 + p.name.size() + 4 + p.value.size();
    }

    for (qsizetype i = 0; i < store.slotCount(); ++i) {
        if (isSlotWritten(store, i)) {
            m_rows += 1 + store.slot(i).length;
            ++m_rowCount;
        }
    }
}

void BinaryPacket::write(const PacketSink& sink) const {
    const auto& log = m_store.changeLog();
    PieceWriter w(sink, std::min(size(), kPacketPiece));
    w.u32(kMagic);
    w.u16(1);
    w.u16(0);
    w.u32(kHeaderSize);
    w.u16(quint16(m_store.columnCount()));
    w.u32(m_rowCount);
    const bool sizeFits = m_metadata <= 0xFFFF;
    w.u32(kPacketColumnByColumn | (sizeFits ? kPacketMetadataSizeValid : 0));
    w.u16(sizeFits ? quint16(m_metadata) : 0);
    w.put(m_descriptors);
    w.u16(quint16(m_paramCount));
    if (!log.empty()) {
        w.put("\x0A"
              "CHANGE_LOG",
              11);
        w.u32(kTypeChangeLog);
        w.u32(quint32(log.size() * 3));
        // The buffer holds at least the 24-byte header, so an entry always fits in one stretch.
        for (const LogEntry& e : log) {
            char* p = w.room(12);
            std::memcpy(p, &e.slot, 4);
            std::memcpy(p + 4, &e.replaced, 4);
            std::memcpy(p + 8, &e.kind, 4);
        }
    }
    for (const TableParam& p : m_store.keptParams()) {
        w.u8(quint8(p.name.size()));
        w.put(p.name);
        w.u32(p.typeWord);
        w.put(p.value);
    }
    Q_ASSERT(w.written() == m_metadata);
    const char* arena = m_store.arena().constData();
    for (qsizetype i = 0; i < m_store.slotCount(); ++i) {
        if (!isSlotWritten(m_store, i))
            continue;
        const RowStore::Slot& s = m_store.slot(i);
        if (qsizetype(s.length) < w.capacity()) { // else a record larger than a piece
            char* p = w.room(1 + qsizetype(s.length));
            *p = char(s.status);
            std::memcpy(p + 1, arena + s.offset, s.length);
        } else {
            w.u8(s.status);
            w.put(arena + s.offset, s.length);
        }
    }
    w.flush();
    Q_ASSERT(w.written() == size());
}

QByteArray writeBinary(const RowStore& store) {
    const BinaryPacket packet(store);
    QByteArray out;
    out.reserve(packet.size());
    packet.write([&out](QByteArrayView piece) { out.append(piece); });
    return out;
}

} // namespace lesaro::datapacket
