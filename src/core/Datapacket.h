#pragma once

#include "core/RowStore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace lesaro {

enum class DatapacketForm { Binary, Xml };

namespace datapacket {

// The form a table file gets: the XML text form for a name ending in ".xml" in any case, otherwise the form
// asked for.
DatapacketForm formForFileName(const QString& fileName, DatapacketForm requested = DatapacketForm::Binary);

} // namespace datapacket

// The bytes of a table file. Binary: header, column descriptors, table parameters ("CHANGE_LOG" first,
// then the kept ones), then a status byte and the stored record of each slot - all slots when the change log
// has entries, else the slots in natural order without unused ones. Throws EngineError for a store that
// cannot be written (a nameless column, a width beyond 65535, too many parameters).
QByteArray WriteDatapacket(const RowStore& store, DatapacketForm form);

// The same bytes written to the file at path as one atomic step (see writeFileAtomically). A binary packet goes
// to the file in pieces through a buffer of bounded size, so that saving a table takes no copy of it in memory.
// Nothing is written when the store cannot be written.
void WriteDatapacketFile(const RowStore& store, DatapacketForm form, const QString& path);

// Reads a table file of either form (the content decides). A binary packet's bytes become the store's arena,
// so its records are not copied. Throws EngineError with the reader's message on damaged or foreign content.
RowStore ReadDatapacket(QByteArray bytes);

// The reader's message as a librarian reads it: the reader keeps the English texts that earlier editions
// gave for damaged files (tools and their users compare them), and a window shows them in German.
QString DatapacketMessageForUser(const QString& message);

} // namespace lesaro
