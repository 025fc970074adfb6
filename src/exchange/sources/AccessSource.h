#pragma once

#include "exchange/sources/ImportSource.h"

namespace lesaro::exchange {

// An Access database (.mdb, .accdb) read through mdbtools: every table, system tables included; each field as
// its text (dates as dd.MM.yyyy with the time only when it has one, numbers with a decimal comma, binary and
// OLE fields empty).
// Both calls throw EngineError when the file cannot be read.
class AccessSource {
public:
    AccessSource() = delete;
    static QStringList tableNames(const QString& path);
    static SourceRecords read(const QString& path, const QString& table);
};

} // namespace lesaro::exchange
