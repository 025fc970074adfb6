#pragma once

// What the binary and the XML text form of the table files share: the type words of values and parameters,
// the column attribute bits, the reader's messages, and the rules both forms apply to names, slots and the
// change log. Not for use outside the readers and writers.

#include "core/RowStore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace lesaro::datapacket {

// Type words hold the value size in bits 0-15, the base type in bits 16-21, "varying length" in bit 22 and
// "array" in bit 23.
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

constexpr quint32 typeSize(quint32 typeWord) {
    return typeWord & 0xFFFF;
}
constexpr quint32 baseType(quint32 typeWord) {
    return (typeWord >> 16) & 0x3F;
}

// Column attribute bits, kept as read.
constexpr quint16 kColumnHidden = 0x0001;
constexpr quint16 kColumnReadOnly = 0x0002;
constexpr quint16 kColumnRequired = 0x0004;
constexpr quint16 kColumnLink = 0x0008;
constexpr quint16 kColumnUnnamed = 0x0010;
constexpr quint16 kColumnFixedLength = 0x0020;

constexpr int kMaxNameLength = 31;

// The reader's messages. The first three are the texts users of earlier editions know from damaged files.
inline constexpr char kMismatch[] = "Mismatch in datapacket.";
inline constexpr char kNullFieldName[] = "Field name can't be null, datapacket may be corrupted";
inline constexpr char kInvalidFieldType[] = "Invalid field type.";
inline constexpr char kNoPacket[] = "Fehlender Daten-Provider oder Datenpaket";

// Largest packet the readers take: slots address the arena with 32-bit offsets, and a packet whose texts must
// be cut may need up to its own size again.
constexpr qsizetype kMaxPacketSize = 0x7FFFFFFF;

[[noreturn]] void fail(const char* message);

// Which slots a file holds: with a change log every slot, so that the k-th record is slot k; without one the
// unused slots are left out.
inline bool isSlotWritten(const RowStore& store, qsizetype index) {
    return !store.changeLog().empty() || (store.status(index) & SlotStatus::Unused) == 0;
}

// A column name as the files hold it: UTF-8, at most 31 bytes, never a cut character. Throws for an empty name.
QByteArray columnNameBytes(const QString& name);
// A name read from a file: its first 31 bytes, less a character the cut split.
QString columnNameFromBytes(QByteArrayView bytes);

// Whether a table parameter is the change log. Both forms and both directions must agree on this, or a kept
// parameter could come back as a second log.
inline bool isChangeLogName(QByteArrayView name) {
    return name.compare("CHANGE_LOG", Qt::CaseInsensitive) == 0;
}

// Throws unless every change-log entry names a slot the store has.
void checkChangeLog(const RowStore& store);

} // namespace lesaro::datapacket
