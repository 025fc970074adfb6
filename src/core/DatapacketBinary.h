#pragma once

// The binary form of the table files; not for use outside the file format.

#include "core/RowStore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

namespace lesaro::datapacket {

// Whether bytes start like a binary packet (magic and a version the binary reader understands).
bool looksBinary(QByteArrayView bytes);

// Receives a packet's bytes in order, a piece at a time.
using PacketSink = std::function<void(QByteArrayView)>;
// The largest piece a packet is handed on in.
constexpr qsizetype kPacketPiece = 256 * 1024;

// The binary packet of a store: checked and measured when made, so that a store that cannot be written fails
// before the first byte goes anywhere. Holds on to the store, which must not change meanwhile.
class BinaryPacket {
public:
    explicit BinaryPacket(const RowStore& store);
    qsizetype size() const { return m_metadata + m_rows; }
    // The bytes in pieces of at most kPacketPiece, through one buffer of at most that size.
    void write(const PacketSink& sink) const;

private:
    const RowStore& m_store;
    QByteArray m_descriptors;
    size_t m_paramCount = 0;
    qsizetype m_metadata = 0;
    qsizetype m_rows = 0;
    quint32 m_rowCount = 0;
};

QByteArray writeBinary(const RowStore& store);
// Takes bytes for which looksBinary holds. They become the store's arena, so records are not copied.
RowStore readBinary(QByteArray bytes);

} // namespace lesaro::datapacket
