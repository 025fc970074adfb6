#pragma once

#include "core/RowStore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace lesaro {

enum class DatapacketForm { Binary, Xml };

namespace datapacket {

// The fixed numbers of the binary form. Type words hold the value size in bits 0-15, the base type in
// bits 16-21, "varying length" in bit 22 and "array" in bit 23.
constexpr quint32 kMagic = 0xBDE01996;
constexpr int kHeaderSize = 24;
constexpr int kMaxNameLength = 31;

constexpr quint32 kTypeInteger = 0x00010004;
constexpr quint32 kTypeShortText = 0x00490001; // text with a 1-byte length
constexpr quint32 kTypeLongText = 0x00490002;  // text with a 2-byte length
constexpr quint32 kTypeMoney = 0x00040008;
constexpr quint32 kTypeBoolean = 0x00030002;
constexpr quint32 kTypeDate = 0x00060004;
constexpr quint32 kTypeUInt16 = 0x00020002;
constexpr quint32 kTypeChangeLog = 0x00820004; // array of unsigned 32-bit numbers

constexpr quint32 kTypeVarying = 0x00400000;
constexpr quint32 kTypeArray = 0x00800000;

constexpr quint32 kPacketColumnByColumn = 0x1;
constexpr quint32 kPacketMetadataSizeValid = 0x2;

// Column attribute bits, kept as read.
constexpr quint16 kColumnHidden = 0x0001;
constexpr quint16 kColumnReadOnly = 0x0002;
constexpr quint16 kColumnRequired = 0x0004;
constexpr quint16 kColumnLink = 0x0008;
constexpr quint16 kColumnUnnamed = 0x0010;
constexpr quint16 kColumnFixedLength = 0x0020;

// The reader's messages. The first four are the texts users of earlier editions know from damaged files.
inline constexpr char kMismatch[] = "Mismatch in datapacket.";
inline constexpr char kNullFieldName[] = "Field name can't be null, datapacket may be corrupted";
inline constexpr char kInvalidFieldType[] = "Invalid field type.";
inline constexpr char kNoPacket[] = "Fehlender Daten-Provider oder Datenpaket";

// Largest packet the reader takes: slots address the arena with 32-bit offsets, and a packet whose texts
// must be cut may need up to its own size again.
constexpr qsizetype kMaxPacketSize = 0x7FFFFFFF;

// Whether bytes start like a binary packet (magic and a version the binary reader understands).
bool looksBinary(QByteArrayView bytes);

// The form a table file gets: the XML text form for a name ending in ".xml" in any case, otherwise the
// form asked for.
DatapacketForm formForFileName(const QString& fileName, DatapacketForm requested = DatapacketForm::Binary);

} // namespace datapacket

// The bytes of a table file. Binary: header, column descriptors, table parameters ("CHANGE_LOG" first,
// then the kept ones), then a status byte and the stored record of each slot - all slots when the change log
// has entries, else the slots in natural order without unused ones. Throws EngineError for a store that
// cannot be written (a nameless column, a width beyond 65535, too many parameters).
QByteArray WriteDatapacket(const RowStore& store, DatapacketForm form);

// Reads a table file of either form (the content decides). A binary packet's bytes become the store's arena,
// so its records are not copied. Throws EngineError with the reader's message on damaged or foreign content.
RowStore ReadDatapacket(QByteArray bytes);

} // namespace lesaro
