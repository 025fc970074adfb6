#include "exchange/sources/CompoundFile.h"

#include <algorithm>

namespace lesaro::exchange {

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr int kHeaderSize = 512;
constexpr int kEntrySize = 128;
constexpr int kMiniSectorSize = 64;
constexpr quint64 kWholeChain = ~quint64(0);
constexpr int kStream = 2;
constexpr int kRoot = 5;

// Read byte by byte through at(): the bounds are checked by the callers, and GCC 12 at -O3 takes an unaligned
// load from a possibly empty array as out of bounds.
template <typename T>
T little(const QByteArray& bytes, qsizetype at) {
    T value = 0;
    for (qsizetype i = qsizetype(sizeof(T)) - 1; i >= 0; --i)
        value = T(value << 8) | T(quint8(bytes.at(at + i)));
    return value;
}

quint16 u16(const QByteArray& bytes, qsizetype at) {
    return little<quint16>(bytes, at);
}

quint32 u32(const QByteArray& bytes, qsizetype at) {
    return little<quint32>(bytes, at);
}

quint64 u64(const QByteArray& bytes, qsizetype at) {
    return little<quint64>(bytes, at);
}

// The entries of a table sector (allocation or mini allocation table) appended to table.
void appendEntries(std::vector<quint32>& table, const QByteArray& sector) {
    for (qsizetype at = 0; at + 4 <= sector.size(); at += 4)
        table.push_back(u32(sector, at));
}

} // namespace

std::optional<CompoundFile> CompoundFile::open(const QByteArray& file) {
    CompoundFile compound(file);
    if (!compound.load())
        return std::nullopt;
    return compound;
}

std::optional<QByteArray> CompoundFile::sectorBytes(quint32 sector) const {
    const qint64 at = (qint64(sector) + 1) * m_sectorSize;
    if (at >= m_file.size())
        return std::nullopt;
    // The last sector of a file cut short by a copy is taken as far as it goes; the stream's size decides.
    return m_file.mid(at, m_sectorSize);
}

std::optional<QByteArray> CompoundFile::chain(const std::vector<quint32>& table, quint32 start, quint64 size,
                                              bool mini) const {
    const int unit = mini ? kMiniSectorSize : m_sectorSize;
    const qint64 available = mini ? m_miniStream.size() : m_file.size() - m_sectorSize;
    if (available <= 0)
        return size == 0 ? std::optional<QByteArray>(QByteArray()) : std::nullopt;
    const quint64 units = quint64((available + unit - 1) / unit);
    if (size != kWholeChain && size > units * quint64(unit))
        return std::nullopt;
    QByteArray out;
    std::vector<bool> seen(size_t(units), false);
    quint32 sector = start;
    while (sector != kEndOfChain && (size == kWholeChain || quint64(out.size()) < size)) {
        if (sector >= units || sector >= table.size() || seen[sector])
            return std::nullopt;
        seen[sector] = true;
        if (mini) {
            out += m_miniStream.mid(qsizetype(sector) * kMiniSectorSize, kMiniSectorSize);
        } else {
            const std::optional<QByteArray> bytes = sectorBytes(sector);
            if (!bytes)
                return std::nullopt;
            out += *bytes;
        }
        sector = table[sector];
    }
    if (size != kWholeChain) {
        if (quint64(out.size()) < size)
            return std::nullopt;
        out.truncate(qsizetype(size));
    }
    return out;
}

bool CompoundFile::load() {
    static const QByteArray signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    if (m_file.size() < kHeaderSize || !m_file.startsWith(signature))
        return false;
    const quint16 sectorShift = u16(m_file, 30);
    if ((sectorShift != 9 && sectorShift != 12) || u16(m_file, 32) != 6)
        return false;
    m_sectorSize = 1 << sectorShift;
    m_miniCutoff = u32(m_file, 56);
    const qint64 sectors = (m_file.size() - m_sectorSize + m_sectorSize - 1) / m_sectorSize;
    if (sectors <= 0)
        return false;

    // The allocation table's own sectors: 109 named in the header, the rest in a chain of index sectors.
    const quint32 fatSectors = u32(m_file, 44);
    if (fatSectors == 0 || fatSectors > quint64(sectors))
        return false;
    std::vector<quint32> fatList;
    for (int i = 0; i < 109 && fatList.size() < fatSectors; ++i)
        fatList.push_back(u32(m_file, 76 + 4 * i));
    quint32 index = u32(m_file, 68);
    std::vector<bool> seenIndex(size_t(sectors), false);
    while (fatList.size() < fatSectors) {
        if (index >= quint64(sectors) || seenIndex[index])
            return false;
        seenIndex[index] = true;
        const std::optional<QByteArray> bytes = sectorBytes(index);
        if (!bytes || bytes->size() < m_sectorSize)
            return false;
        const int perSector = m_sectorSize / 4 - 1;
        for (int i = 0; i < perSector && fatList.size() < fatSectors; ++i)
            fatList.push_back(u32(*bytes, 4 * i));
        index = u32(*bytes, 4 * perSector);
    }
    m_fat.reserve(fatList.size() * size_t(m_sectorSize / 4));
    for (const quint32 sector : fatList) {
        const std::optional<QByteArray> bytes = sector < quint64(sectors) ? sectorBytes(sector) : std::nullopt;
        if (!bytes)
            return false;
        appendEntries(m_fat, *bytes);
    }

    const std::optional<QByteArray> directory = chain(m_fat, u32(m_file, 48), kWholeChain, false);
    if (!directory || directory->size() < kEntrySize)
        return false;
    for (qsizetype at = 0; at + kEntrySize <= directory->size(); at += kEntrySize) {
        Entry e;
        const int declared = u16(*directory, at + 64);
        const int type = static_cast<unsigned char>(directory->at(at + 66));
        if (type != 0 && (type > kRoot || declared < 2 || declared > 64 || declared % 2 != 0 ||
                          u16(*directory, at + declared - 2) != 0))
            m_soundDirectory = false;
        const int nameBytes = std::min(declared, 64);
        const int nameLength = std::max(0, nameBytes / 2 - 1);
        e.name = QString::fromUtf16(reinterpret_cast<const char16_t*>(directory->constData() + at), nameLength);
        e.type = type;
        e.left = u32(*directory, at + 68);
        e.right = u32(*directory, at + 72);
        e.child = u32(*directory, at + 76);
        e.start = u32(*directory, at + 116);
        e.size = u64(*directory, at + 120);
        // Version 3 files may leave garbage in the size's upper half.
        if (m_sectorSize == 512)
            e.size &= 0xFFFFFFFFu;
        m_entries.push_back(e);
    }
    if (m_entries.front().type != kRoot)
        return false;

    // Small streams live in the root's stream. When it or its table cannot be read, only they are lost.
    const Entry& root = m_entries.front();
    const std::optional<QByteArray> miniStream = chain(m_fat, root.start, root.size, false);
    const quint32 miniFatSectors = u32(m_file, 64);
    const std::optional<QByteArray> miniFat =
        miniFatSectors > 0 && miniFatSectors <= quint64(sectors)
            ? chain(m_fat, u32(m_file, 60), quint64(miniFatSectors) * quint64(m_sectorSize), false)
            : std::nullopt;
    if (miniStream && miniFat) {
        m_miniStream = *miniStream;
        appendEntries(m_miniFat, *miniFat);
    }
    return true;
}

std::vector<int> CompoundFile::topLevel() const {
    std::vector<int> found;
    std::vector<bool> seen(m_entries.size(), false);
    std::vector<quint32> pending{m_entries.front().child};
    // The siblings form a tree; a damaged one may point in circles or out of the directory.
    while (!pending.empty()) {
        const quint32 i = pending.back();
        pending.pop_back();
        if (i == kNoStream || i >= m_entries.size() || seen[i] || i == 0)
            continue;
        seen[i] = true;
        found.push_back(int(i));
        pending.push_back(m_entries[i].left);
        pending.push_back(m_entries[i].right);
    }
    std::sort(found.begin(), found.end());
    return found;
}

QStringList CompoundFile::streamNames() const {
    QStringList names;
    for (const int i : topLevel())
        if (m_entries[size_t(i)].type == kStream)
            names.append(m_entries[size_t(i)].name);
    return names;
}

std::optional<QByteArray> CompoundFile::stream(const QString& name) const {
    for (const int i : topLevel()) {
        const Entry& e = m_entries[size_t(i)];
        if (e.type != kStream || e.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (e.size < m_miniCutoff)
            return chain(m_miniFat, e.start, e.size, true);
        return chain(m_fat, e.start, e.size, false);
    }
    return std::nullopt;
}

} // namespace lesaro::exchange
