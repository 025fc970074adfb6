#pragma once

// The binary form of the table files; not for use outside the file format.

#include "core/RowStore.h"

#include <QByteArray>
#include <QByteArrayView>

namespace lesaro::datapacket {

// Whether bytes start like a binary packet (magic and a version the binary reader understands).
bool looksBinary(QByteArrayView bytes);

QByteArray writeBinary(const RowStore& store);
// Takes bytes for which looksBinary holds. They become the store's arena, so records are not copied.
RowStore readBinary(QByteArray bytes);

} // namespace lesaro::datapacket
