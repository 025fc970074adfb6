#pragma once

// The XML text form of the table files; not for use outside the file format.

#include "core/RowStore.h"

#include <QByteArray>

namespace lesaro::datapacket {

QByteArray writeXml(const RowStore& store);
RowStore readXml(const QByteArray& bytes);

} // namespace lesaro::datapacket
