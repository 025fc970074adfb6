#pragma once

// Pieces shared by the binary and the XML text form of the table files; not for use outside the reader
// and writer.

#include "core/RowStore.h"

#include <QByteArray>
#include <QByteArrayView>

namespace lesaro::datapacket {

// The XML text form of a store, and its reader.
QByteArray writeXml(const RowStore& store);
RowStore readXml(const QByteArray& bytes);

// Which slots a file holds: with a change log every slot, so that the k-th record is slot k; without one
// the unused slots are left out.
inline bool isSlotWritten(const RowStore& store, qsizetype index) {
    return !store.changeLog().empty() || (store.status(index) & SlotStatus::Unused) == 0;
}

// A column name as the files hold it: UTF-8, at most 31 bytes, never a cut character. Throws for an empty name.
QByteArray columnNameBytes(const QString& name);
// A name read from a file: its first 31 bytes, less a character the cut split.
QString columnNameFromBytes(QByteArrayView bytes);

// Whether a table parameter is the change log. Both forms and both directions must agree on this, or a
// kept parameter could come back as a second log.
inline bool isChangeLogName(QByteArrayView name) {
    return name.compare("CHANGE_LOG", Qt::CaseInsensitive) == 0;
}

// Throws unless every change-log entry names a slot the store has.
void checkChangeLog(const RowStore& store);

[[noreturn]] void fail(const char* message);

} // namespace lesaro::datapacket
