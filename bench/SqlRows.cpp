#include "SqlRows.h"

#include "SqliteDatabase.h"
#include "SqliteStatement.h"
#include "core/Win1252.h"

#include <sqlite3.h>

namespace lesaro::bench {

SqlRows::SqlRows(QByteArray table, QList<Column> columns)
    : m_table(std::move(table))
    , m_columns(std::move(columns)) {}

QList<SqlRows::Column> SqlRows::columnsOf(const QList<ColumnDef>& columns, bool idIsKey) {
    QList<Column> result;
    for (const ColumnDef& c : columns) {
        QByteArray type;
        switch (c.kind) {
        case FieldKind::Text:
            type = "TEXT";
            break;
        case FieldKind::Money:
            type = "REAL";
            break;
        default:
            type = "INTEGER";
            break;
        }
        if (idIsKey && c.name == QLatin1String("ID"))
            type += " PRIMARY KEY";
        result.append({c.name.toLatin1(), type});
    }
    return result;
}

SqlRows SqlRows::fromRows(const QByteArray& table, const QList<ColumnDef>& columns, const std::vector<Row>& rows,
                          const std::vector<bool>* skip) {
    SqlRows r(table, columnsOf(columns, true));
    r.m_cells.reserve(rows.size() * size_t(columns.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        if (skip && (*skip)[i])
            continue;
        for (const Value& v : rows[i])
            r.addValue(v);
    }
    return r;
}

SqlRows SqlRows::fromSlots(const QByteArray& table, const RowStore& store) {
    QList<Column> columns{{"Slot", "INTEGER PRIMARY KEY"}, {"Status", "INTEGER"}};
    columns += columnsOf(store.columns(), false);
    SqlRows r(table, columns);
    r.m_cells.reserve(size_t(store.slotCount()) * size_t(columns.size()));
    for (qsizetype s = 0; s < store.slotCount(); ++s) {
        r.addInteger(s + 1);
        r.addInteger(store.status(s));
        const RowRef row(store, s);
        for (int c = 0; c < store.columnCount(); ++c)
            r.addValue(row.value(c));
    }
    return r;
}

SqlRows SqlRows::fromLog(const QByteArray& table, const RowStore& store) {
    SqlRows r(table, {{"Slot", "INTEGER"}, {"Ersetzt", "INTEGER"}, {"Art", "INTEGER"}});
    for (const LogEntry& e : store.changeLog()) {
        r.addInteger(e.slot);
        r.addInteger(e.replaced);
        r.addInteger(e.kind);
    }
    return r;
}

void SqlRows::addNull() {
    m_cells.emplace_back();
}

void SqlRows::addInteger(qint64 v) {
    Cell c;
    c.type = Type::Integer;
    c.integer = v;
    m_cells.push_back(c);
}

void SqlRows::addReal(double v) {
    Cell c;
    c.type = Type::Real;
    c.real = v;
    m_cells.push_back(c);
}

void SqlRows::addValue(const Value& v) {
    if (v.isNull())
        return addNull();
    switch (v.kind()) {
    case FieldKind::Text: {
        const QByteArray utf8 = win1252::decode(v.bytes()).toUtf8();
        Cell c;
        c.type = Type::Text;
        c.offset = m_texts.size();
        c.length = quint32(utf8.size());
        m_texts.append(utf8.constData(), size_t(utf8.size()));
        m_cells.push_back(c);
        return;
    }
    case FieldKind::Money:
        return addReal(v.toMoney());
    case FieldKind::Boolean:
        return addInteger(v.toBool() ? 1 : 0);
    case FieldKind::Integer:
    case FieldKind::Date:
        return addInteger(v.toInt());
    }
}

void SqlRows::createTable(SqliteDatabase& db) const {
    QByteArray sql = "CREATE TABLE " + m_table + " (";
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        sql += (i ? ", " : "") + m_columns[i].name + ' ' + m_columns[i].declaration;
    db.exec(sql + ')');
}

void SqlRows::insertAll(SqliteDatabase& db) const {
    QByteArray sql = "INSERT INTO " + m_table + " VALUES (";
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        sql += i ? ",?" : "?";
    SqliteStatement insert(db, sql + ')');
    sqlite3_stmt* st = insert.handle();
    const size_t width = size_t(m_columns.size());
    for (size_t row = 0; row < m_cells.size(); row += width) {
        for (size_t c = 0; c < width; ++c) {
            const Cell& cell = m_cells[row + c];
            const int at = int(c) + 1;
            switch (cell.type) {
            case Type::Null:
                sqlite3_bind_null(st, at);
                break;
            case Type::Integer:
                sqlite3_bind_int64(st, at, cell.integer);
                break;
            case Type::Real:
                sqlite3_bind_double(st, at, cell.real);
                break;
            case Type::Text:
                sqlite3_bind_text(st, at, m_texts.data() + cell.offset, int(cell.length), SQLITE_STATIC);
                break;
            }
        }
        insert.step();
        insert.reset();
    }
}

qsizetype SqlRows::readAll(SqliteDatabase& db, const QByteArray& table, quint64& checksum) {
    SqliteStatement select(db, "SELECT * FROM " + table);
    sqlite3_stmt* st = select.handle();
    const int width = sqlite3_column_count(st);
    qsizetype rows = 0;
    quint64 sum = 0;
    while (select.step()) {
        ++rows;
        for (int c = 0; c < width; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                sum += quint64(sqlite3_column_int64(st, c));
                break;
            case SQLITE_FLOAT:
                sum += quint64(sqlite3_column_double(st, c));
                break;
            case SQLITE_TEXT: {
                const unsigned char* text = sqlite3_column_text(st, c);
                const int length = sqlite3_column_bytes(st, c);
                sum += quint64(length) + (length ? text[0] : 0);
                break;
            }
            default:
                ++sum;
                break;
            }
        }
    }
    checksum += sum;
    return rows;
}

} // namespace lesaro::bench
