#include "exchange/sources/AccessSource.h"

#include "core/EngineError.h"
#include "exchange/sources/CellText.h"

#include <QFile>
#include <QFileInfo>
#include <mdbtools.h>
#include <memory>
#include <vector>

namespace lesaro::exchange {

namespace {

struct MdbCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;

struct TableCloser {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableCloser>;

// Large enough for a memo of the old catalogue's remarks; longer memos are cut by the library at this size.
constexpr int kBindSize = 64 * 1024;

MdbPtr open(const QString& path) {
    // mdbtools opens anything and only fails later on a file that is no database; a missing or unreadable
    // file is refused here with the same message.
    if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable())
        throw EngineError(QStringLiteral("Accessdatei konnte nicht gefunden werden"));
    MdbPtr mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb)
        throw EngineError(QStringLiteral("Accessdatei konnte nicht gefunden werden"));
    // A database is made of whole pages; a file that ends inside one was cut short (a copy broken off, a
    // disk that filled), and mdbtools reads the pages it lacks as empty without telling its caller.
    const qint64 pageSize = mdb->fmt ? qint64(mdb->fmt->pg_size) : 0;
    if (pageSize <= 0 || QFileInfo(path).size() % pageSize != 0)
        throw EngineError(QStringLiteral("Accessdatei ist unvollständig"));
    mdb_set_bind_size(mdb.get(), kBindSize);
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb.get(), "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(mdb.get());
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw EngineError(QStringLiteral("Accessdatei konnte nicht gefunden werden"));
    return mdb;
}

QString fieldText(int type, const char* bound, int length) {
    if (length <= 0 && type != MDB_BOOL)
        return {};
    const QString text = QString::fromUtf8(bound, qstrnlen(bound, size_t(kBindSize)));
    switch (type) {
    case MDB_BOOL:
        return text == QLatin1String("1") ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return CellText::decimal(text);
    case MDB_DATETIME:
        return CellText::isoDateTime(text); // only when the stored day number could not be read
    case MDB_OLE:
    case MDB_BINARY:
    case MDB_COMPLEX:
        return {}; // no text to show
    default:
        return text;
    }
}

// The length a memo field's header claims for its text (the low 30 bits of its first four bytes), read from
// the record just fetched; 0 when the field is empty or too short to hold a header.
qint64 memoLength(MdbHandle* mdb, const MdbColumn& column) {
    constexpr int kMemoHeader = 12;
    if (column.cur_value_len < kMemoHeader || column.cur_value_start < 0 ||
        column.cur_value_start + kMemoHeader > int(sizeof mdb->pg_buf))
        return 0;
    return qint64(quint32(mdb_pg_get_int32(mdb, column.cur_value_start)) & 0x3FFFFFFFu);
}

} // namespace

QStringList AccessSource::tableNames(const QString& path) {
    MdbPtr mdb = open(path);
    QStringList names;
    for (guint i = 0; i < mdb->catalog->len; ++i) {
        const auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE)
            names.append(QString::fromUtf8(entry->object_name));
    }
    return names;
}

SourceRecords AccessSource::read(const QString& path, const QString& table) {
    MdbPtr mdb = open(path);
    QByteArray name = table.toUtf8();
    TablePtr def(mdb_read_table_by_name(mdb.get(), name.data(), MDB_TABLE));
    if (!def || !mdb_read_columns(def.get()))
        throw EngineError(QStringLiteral("Accessdatei konnte nicht gefunden werden"));
    const int columns = int(def->num_cols);
    std::vector<std::vector<char>> buffers(size_t(columns), std::vector<char>(size_t(kBindSize) + 1, '\0'));
    std::vector<int> lengths(size_t(columns), 0);
    std::vector<int> types(size_t(columns), 0);
    for (int c = 0; c < columns; ++c) {
        types[size_t(c)] = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, guint(c)))->col_type;
        mdb_bind_column(def.get(), c + 1, buffers[size_t(c)].data(), &lengths[size_t(c)]);
    }
    mdb_rewind_table(def.get());
    SourceRecords records;
    CellBudget budget;
    while (mdb_fetch_row(def.get())) {
        budget.take(columns);
        QStringList fields;
        fields.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(def->columns, guint(c)));
            const int type = types[size_t(c)];
            if (type == MDB_DATETIME && column->cur_value_len == 8) {
                // mdbtools formats only the years its C library can, and writes "1900-01-00" for the others;
                // the stored day number holds every date Access can.
                fields.append(CellText::dayNumberDate(mdb_pg_get_double(mdb.get(), column->cur_value_start)));
                continue;
            }
            if (type == MDB_MEMO && lengths[size_t(c)] <= 0 && memoLength(mdb.get(), *column) > 0)
                throw EngineError(QStringLiteral("Memo nicht lesbar")); // its pages are missing or damaged
            fields.append(fieldText(type, buffers[size_t(c)].data(), lengths[size_t(c)]));
        }
        records.append(std::move(fields));
        for (auto& b : buffers)
            b[0] = '\0';
    }
    // The table knows how many records it holds; fewer read means pages that could not be read, and a
    // partial list must not be taken over as if it were the whole.
    if (records.size() != qsizetype(def->num_rows))
        throw EngineError(QStringLiteral("Datensätze fehlen"));
    return records;
}

} // namespace lesaro::exchange
